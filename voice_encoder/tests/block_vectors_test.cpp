// The 35-bit and 11-bit codebook searches and the 6-bit gain quantiser, call
// for call against the inputs and outputs recorded from the reference coder of
// the 11.8 and 6.4 kbit/s rates: indices, code vectors, filtered vectors,
// gains and predictor memories, and the sharpened impulse response that the
// caller side hands the searches.

#include "voice_encoder/tests/block_vectors.h"

#include <gtest/gtest.h>

#include <map>
#include <sstream>

#include "voice_encoder/codebook_11bit.h"
#include "voice_encoder/codebook_35bit.h"
#include "voice_encoder/codebook_common.h"
#include "voice_encoder/gain_quantiser.h"
#include "voice_encoder/tests/test_data.h"

namespace vox::g729::testing {
namespace {

const std::filesystem::path kBlockVectors{VOX_G729_BLOCK_VECTORS};

std::string text(const std::vector<int>& v) {
    std::ostringstream out;
    for (const int value : v) out << value << ' ';
    return out.str();
}

// Counts, per output, the calls that disagree with the recording and keeps
// the first such call of each output in full.
class Agreement {
  public:
    void check(const BlockCall& call, const std::string& what, const std::vector<int>& got,
               const std::vector<int>& want) {
        ++calls_[what];
        if (got == want) return;
        if (wrong_[what]++ == 0) {
            first_[what] = "call " + std::to_string(call.number) + " (frame " +
                           std::to_string(call.scalar("ctx frame")) + ", subframe at " +
                           std::to_string(call.scalar("ctx i_subfr")) + ")\n  got  " + text(got) +
                           "\n  want " + text(want);
        }
    }
    void check(const BlockCall& call, const std::string& out_field, const std::vector<int>& got) {
        check(call, out_field, got, call[out_field]);
    }
    void check(const BlockCall& call, const std::string& out_field, int got) {
        check(call, out_field, std::vector<int>{got});
    }

    // One failure per output that disagreed anywhere.
    void report() const {
        for (const auto& [what, wrong] : wrong_) {
            if (wrong > 0) {
                ADD_FAILURE() << what << ": " << wrong << " of " << calls_.at(what)
                              << " calls differ; first: " << first_.at(what);
            }
        }
    }

  private:
    std::map<std::string, int> calls_;
    std::map<std::string, int> wrong_;
    std::map<std::string, std::string> first_;
};

class BlockVectors : public ::testing::TestWithParam<std::string> {
  protected:
    void SetUp() override {
        VOX_REQUIRE_TEST_DATA(kBlockVectors);
        const auto calls = read_block_vectors(kBlockVectors / GetParam());
        ASSERT_TRUE(calls.has_value()) << "cannot read " << GetParam();
        ASSERT_FALSE(calls->empty()) << GetParam();
        calls_ = *calls;
    }
    std::vector<BlockCall> calls_;
};

using Codebook35 = BlockVectors;
using Codebook11 = BlockVectors;
using Gain6 = BlockVectors;

TEST_P(Codebook35, SearchReproducesEveryCall) {
    Agreement agreement;
    TenPulseSearch search;
    for (const BlockCall& call : calls_) {
        Word16 x[kSubframe], cn[kSubframe], h[kSubframe], want_code[kSubframe];
        ASSERT_TRUE(call.copy_to("in x", x) && call.copy_to("in cn", cn) &&
                    call.copy_to("ctx h1_unsharpened", h) && call.copy_to("out code", want_code))
            << "call " << call.number;
        const auto t0 = static_cast<Word16>(call.scalar("ctx T0"));
        const auto sharpening = static_cast<Word16>(call.scalar("ctx sharp_Q14"));

        Word16 code[kSubframe], y[kSubframe];
        const CodebookIndex35 index = search.search(x, cn, h, t0, sharpening, code, y);
        agreement.check(call, "in H", values_of(h));  // the sharpened response
        agreement.check(call, "out indx", values_of(index.words));
        agreement.check(call, "out y", values_of(y));
        // the recording holds the code vector before its sharpening
        if (t0 < kSubframe) sharpen_with_pitch(want_code, t0, sharpening);
        agreement.check(call, "sharpened code", values_of(code), values_of(want_code));
    }
    agreement.report();
}

TEST_P(Codebook11, SearchReproducesEveryCall) {
    Agreement agreement;
    for (const BlockCall& call : calls_) {
        Word16 x[kSubframe], h[kSubframe];
        ASSERT_TRUE(call.copy_to("in x", x) && call.copy_to("in h", h)) << "call " << call.number;
        const auto t0 = static_cast<Word16>(call.scalar("in T0"));
        const auto sharpening = static_cast<Word16>(call.scalar("in pitch_sharp_Q14"));

        Word16 code[kSubframe], y[kSubframe];
        const CodebookIndex11 index = search_codebook_11bit(x, h, t0, sharpening, code, y);
        Word16 d[kSubframe];
        correlate_with_impulse_response(h, x, d);
        agreement.check(call, "aux Dn", values_of(d));
        agreement.check(call, "out h", values_of(h));
        agreement.check(call, "out index", index.positions);
        agreement.check(call, "out sign", index.signs);
        agreement.check(call, "out code", values_of(code));
        agreement.check(call, "out y", values_of(y));
    }
    agreement.report();
}

TEST_P(Gain6, QuantiserReproducesEveryCall) {
    Agreement agreement;
    int tamed = 0;
    for (const BlockCall& call : calls_) {
        Word16 code[kSubframe];
        GainCorrelations correlations{};
        GainPredictorMemory memory;
        ASSERT_TRUE(call.copy_to("in code", code) &&
                    call.copy_to("in g_coeff", correlations.value) &&
                    call.copy_to("in exp_coeff", correlations.exp) &&
                    call.copy_to("in past_qua_en", memory.past_energy))
            << "call " << call.number;
        const bool tame = call.scalar("in tameflag") == 1;
        tamed += tame ? 1 : 0;

        const QuantisedGains q =
            quantise_gains(gain_codebook_6bit, memory, code, correlations, tame);
        agreement.check(call, "out index", q.index);
        agreement.check(call, "out gain_pit_Q14", q.gain_pitch);
        agreement.check(call, "out gain_cod_Q1", q.gain_code);
        agreement.check(call, "out past_qua_en", values_of(memory.past_energy));
    }
    agreement.report();
    if (GetParam().find("tame") != std::string::npos) {
        EXPECT_GT(tamed, 0) << "the taming branch was never exercised";
    }
}

INSTANTIATE_TEST_SUITE_P(Reference, Codebook35,
                         ::testing::Values("g729e_acelp35_speech.txt", "g729e_acelp35_tame.txt"));
INSTANTIATE_TEST_SUITE_P(Reference, Codebook11,
                         ::testing::Values("g729d_acelp11_speech.txt", "g729d_acelp11_tame.txt"));
INSTANTIATE_TEST_SUITE_P(Reference, Gain6,
                         ::testing::Values("g729d_gain6k_speech.txt", "g729d_gain6k_tame.txt"));

}  // namespace
}  // namespace vox::g729::testing
