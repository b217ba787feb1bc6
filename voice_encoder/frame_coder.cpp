#include "voice_encoder/frame_coder.h"

#include <algorithm>
#include <iterator>

#include "voice_encoder/codebook_11bit.h"
#include "voice_encoder/codebook_17bit.h"
#include "voice_encoder/filters.h"
#include "voice_encoder/gain_quantiser.h"
#include "voice_encoder/lsp_conversion.h"
#include "voice_encoder/pitch_interpolation.h"
#include "voice_encoder/pitch_open_loop.h"
#include "voice_encoder/pitch_search.h"

namespace vox::g729 {

namespace {

constexpr Word16 kInitialLsp[kLpOrder] = {30000, 26000, 21000,  15000,  8000,
                                          0,     -8000, -15000, -21000, -26000};
constexpr Word16 kBandwidthFactor = 24576;  // gamma 0.75, Q15
constexpr Word16 kTiltFactor = 22938;       // 0.7, Q15
constexpr Word16 kTamedPitchGain = 15564;   // 0.95, Q14
constexpr Word16 kSharpeningMin = 3277;     // 0.2, Q14
constexpr Word16 kSharpeningMax = 13017;    // 0.8, Q14
constexpr int kLookAhead = 40;

}  // namespace

FrameCoder::FrameCoder() {
    std::copy(std::begin(kInitialLsp), std::end(kInitialLsp), lsp_previous_);
    reset();
}

void FrameCoder::reset() {
    std::fill(std::begin(speech_), std::end(speech_), Word16{0});
    std::fill(std::begin(weighted_), std::end(weighted_), Word16{0});
    std::fill(std::begin(excitation_), std::end(excitation_), Word16{0});
    std::fill(std::begin(weighting_memory_), std::end(weighting_memory_), Word16{0});
    std::fill(std::begin(target_memory_), std::end(target_memory_), Word16{0});
    std::copy(std::begin(lsp_previous_), std::end(lsp_previous_), lsp_previous_q_);
    sharpening_ = kSharpeningMin;
    lsp_memory_.reset();
    levinson_.reset();
    taming_.reset();
    pre_filter_.reset();
}

void FrameCoder::load_frame(const Word16* samples) {
    Word16* newest = speech_ + kSpeechLength - kFrame;
    std::copy(samples, samples + kFrame, newest);
    pre_filter_.process(newest, kFrame);
}

FrameFields FrameCoder::code_frame(CodingRate rate) {
    FrameFields out;
    Word16 aq[2 * kSubframeFilterSize];  // quantised A(z) of both subframes
    Word16 ap[2 * kSubframeFilterSize];  // A(z/gamma)

    // LP analysis, LSP quantisation and interpolation (3.2, A.3.2)
    {
        Autocorrelation r = autocorrelation(speech_);
        apply_lag_window(r);
        Word16 a[kSubframeFilterSize];
        levinson_.solve(r, a);
        Word16 lsp[kLpOrder];
        az_to_lsp(a, lsp, lsp_previous_);
        Word16 lsp_q[kLpOrder];
        const LspIndices li = quantise_lsp(lsp, lsp_q, lsp_memory_);
        out.push(li.l0_l1, 8);
        out.push(li.l2_l3, 10);
        interpolate_to_subframes(lsp_previous_q_, lsp_q, aq);
        weight_coefficients(aq, kBandwidthFactor, ap);
        weight_coefficients(aq + kSubframeFilterSize, kBandwidthFactor, ap + kSubframeFilterSize);
        std::copy(lsp, lsp + kLpOrder, lsp_previous_);
        std::copy(lsp_q, lsp_q + kLpOrder, lsp_previous_q_);
    }

    // weighted speech of the frame (A.3.3) and open-loop pitch
    const Word16* speech = speech_ + kSpeechLength - kFrame - kLookAhead;
    Word16* exc = excitation_ + kExcitationHistory;
    Word16* wsp = weighted_ + kWeightedHistory;
    for (int s = 0; s < 2; ++s) {
        const Word16* a = aq + s * kSubframeFilterSize;
        const Word16* g = ap + s * kSubframeFilterSize;
        residual(a, speech + s * kSubframe, exc + s * kSubframe, kSubframe);
        Word16 tilted[kSubframeFilterSize];
        tilted[0] = 4096;
        for (int i = 1; i <= kLpOrder; ++i) tilted[i] = sub(g[i], mult(g[i - 1], kTiltFactor));
        synthesis_filter(tilted, exc + s * kSubframe, wsp + s * kSubframe, kSubframe,
                         weighting_memory_, true);
    }
    const Word16 open_loop_delay = open_loop_pitch(wsp, kFrame);

    code_subframes(rate, ap, open_loop_delay, out);

    std::copy(speech_ + kFrame, speech_ + kSpeechLength, speech_);
    std::copy(weighted_ + kFrame, std::end(weighted_), weighted_);
    std::copy(excitation_ + kFrame, std::end(excitation_), excitation_);
    return out;
}

void FrameCoder::code_subframes(CodingRate rate, const Word16* ap, Word16 open_loop_delay,
                                FrameFields& out) {
    const Word16 zeros[kLpOrder] = {};  // memory of the filters that start from rest
    Word16* exc_frame = excitation_ + kExcitationHistory;
    DelayRange range = first_subframe_range(open_loop_delay);
    for (int s = 0; s < 2; ++s) {
        Word16* exc = exc_frame + s * kSubframe;
        const Word16* g = ap + s * kSubframeFilterSize;

        // impulse response of the weighted synthesis filter and the target
        Word16 h[kSubframe] = {4096};
        synthesis_filter(g, h, h, kSubframe, const_cast<Word16*>(zeros), false);
        Word16 xn[kSubframe];
        synthesis_filter(g, exc, xn, kSubframe, target_memory_, false);
        Word16 lp_residual[kSubframe];
        std::copy(exc, exc + kSubframe, lp_residual);

        // adaptive codebook
        PitchDelay delay = search_pitch(exc, xn, h, range, s == 0);
        if (s == 0) {
            const Word16 p1 = encode_first_delay(delay, range);
            out.push(p1, 8);
            if (rate == CodingRate::k8000) out.push(delay_parity(p1), 1);
            if (rate == CodingRate::k11800)
                out.push(static_cast<Word16>(delay_parity(p1) ^ ((p1 >> 1) & 1)), 1);
        } else if (rate == CodingRate::k6400) {
            const Word16 p2 = encode_second_delay_4bit(delay, range);
            out.push(p2, 4);
            // where the 4-bit code cannot carry the fraction, go on with the delay
            // the decoder will use, so that both keep the same excitation
            const PitchDelay sent = decode_second_delay_4bit(p2, range);
            if (sent.integer != delay.integer || sent.fraction != delay.fraction) {
                delay = sent;
                interpolate_past_excitation(exc, delay.integer, delay.fraction, kSubframe);
            }
        } else {
            out.push(encode_second_delay(delay, range), 5);
        }

        Word16 y1[kSubframe];
        synthesis_filter(g, exc, y1, kSubframe, const_cast<Word16*>(zeros), false);
        PitchCorrelations pc{};
        Word16 gain_pitch = pitch_gain(xn, y1, pc);
        const bool tame = taming_.risk_of_error_propagation(delay.integer, delay.fraction);
        if (tame && gain_pitch > kTamedPitchGain) gain_pitch = kTamedPitchGain;

        // fixed codebook on the target less the adaptive contribution
        Word16 xn2[kSubframe];
        for (int i = 0; i < kSubframe; ++i) {
            xn2[i] = sub(xn[i], extract_h(l_shl(l_mult(y1[i], gain_pitch), 1)));
        }
        Word16 code[kSubframe];
        Word16 y2[kSubframe];
        if (rate == CodingRate::k8000) {
            const CodebookIndex17 c =
                search_codebook_17bit(xn2, h, delay.integer, sharpening_, code, y2);
            out.push(c.positions, 13);
            out.push(c.signs, 4);
        } else if (rate == CodingRate::k6400) {
            const CodebookIndex11 c =
                search_codebook_11bit(xn2, h, delay.integer, sharpening_, code, y2);
            out.push(c.positions, 9);
            out.push(c.signs, 2);
        } else {
            for (int i = 0; i < kSubframe; ++i) {
                lp_residual[i] =
                    sub(lp_residual[i], extract_h(l_shl(l_mult(exc[i], gain_pitch), 1)));
            }
            const CodebookIndex35 c =
                ten_pulse_search_.search(xn2, lp_residual, h, delay.integer, sharpening_, code, y2);
            for (const Word16 w : c.words) out.push(w, 7);
        }

        // gains
        const GainCorrelations gc = gain_correlations(xn, y1, y2, pc);
        const QuantisedGains q =
            rate == CodingRate::k6400
                ? quantise_gains(gain_codebook_6bit, gain_memory_6bit_, code, gc, tame)
                : quantise_gains(gain_codebook_7bit, gain_memory_7bit_, code, gc, tame);
        out.push(q.index, rate == CodingRate::k6400 ? 6 : 7);

        // memory updates (3.10)
        sharpening_ = std::clamp(q.gain_pitch, kSharpeningMin, kSharpeningMax);
        for (int i = 0; i < kSubframe; ++i) {
            Word32 t = l_mult(exc[i], q.gain_pitch);
            t = l_mac(t, code[i], q.gain_code);
            exc[i] = round16(l_shl(t, 1));
        }
        taming_.update(q.gain_pitch, delay.integer);
        for (int i = kSubframe - kLpOrder, j = 0; i < kSubframe; ++i, ++j) {
            const Word16 adaptive = extract_h(l_shl(l_mult(y1[i], q.gain_pitch), 1));
            const Word16 fixed = extract_h(l_shl(l_mult(y2[i], q.gain_code), 2));
            target_memory_[j] = sub(xn[i], add(adaptive, fixed));
        }
    }
}

}  // namespace vox::g729
