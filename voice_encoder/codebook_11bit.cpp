#include "voice_encoder/codebook_11bit.h"

#include "voice_encoder/codebook_common.h"
#include "voice_encoder/tables.h"

namespace vox::g729 {

CodebookIndex11 search_codebook_11bit(const Word16 x[kSubframe], Word16 h[kSubframe], Word16 t0,
                                      Word16 sharpening, Word16 code[kSubframe],
                                      Word16 y[kSubframe]) {
    Word16 dn[kSubframe];
    Word16 sign[kSubframe];
    prepare_search(x, h, t0, sharpening, 32767, -32767, dn, sign);
    CorrelationMatrix r;
    signed_correlation_matrix(h, sign, r);

    // exhaustive search of sq / alp over the 16 x 32 position pairs
    Word16 best_sq = -1;
    Word16 best_alp = 1;
    int k0 = 0;
    int k1 = 0;
    for (int a = 0; a < 16; ++a) {
        const int p0 = track_table0[a];
        const Word32 alp0 = l_mult(r[p0][p0], 8192);
        for (int b = 0; b < 32; ++b) {
            const int p1 = track_table1[b];
            const Word16 ps = add(dn[p0], dn[p1]);
            Word32 alp = l_mac(alp0, r[p1][p1], 8192);
            alp = l_mac(alp, r[p0][p1], 16384);
            const Word16 sq = mult(ps, ps);
            const Word16 alp16 = round16(alp);
            if (improves_criterion(sq, alp16, best_sq, best_alp)) {
                best_sq = sq;
                best_alp = alp16;
                k0 = a;
                k1 = b;
            }
        }
    }

    const Pulse pulses[2] = {{track_table0[k0], sign[track_table0[k0]] > 0},
                             {track_table1[k1], sign[track_table1[k1]] > 0}};
    build_code_vector(pulses, 2, kUnitPulse, h, code, y);
    if (t0 < kSubframe) sharpen_with_pitch(code, t0, sharpening);
    return {static_cast<Word16>((gray_encode[k1] << 4) | gray_encode[k0]),
            static_cast<Word16>((pulses[0].positive ? 1 : 0) | (pulses[1].positive ? 2 : 0))};
}

}  // namespace vox::g729
