#pragma once
// The CS-ACELP frame coder at three rates: the Annex A analysis of G.729 with
// the 17-bit codebook and 7-bit gains (8 kbit/s), the Annex D two-pulse
// codebook, 4-bit second delay and 6-bit gains (6.4 kbit/s), and the Annex E
// forward-mode ten-pulse codebook (11.8 kbit/s). One 10 ms frame at a time.

#include "voice_encoder/codebook_35bit.h"
#include "voice_encoder/gain_prediction.h"
#include "voice_encoder/lp_analysis.h"
#include "voice_encoder/lsp_quantiser.h"
#include "voice_encoder/pre_filter.h"
#include "voice_encoder/taming.h"

namespace vox::g729 {

inline constexpr int kFrame = 80;  // L_FRAME

// Rate selector values.
enum class CodingRate : Word16 { k6400 = 1, k8000 = 2, k11800 = 3 };

// The parameter fields of one frame in frame order, with their widths in bits.
struct FrameFields {
    static constexpr int kMaxFields = 17;
    int count = 0;
    Word16 value[kMaxFields] = {};
    Word16 width[kMaxFields] = {};
    void push(Word16 v, Word16 bits) {
        value[count] = v;
        width[count] = bits;
        ++count;
    }
};

class FrameCoder {
  public:
    FrameCoder();
    // Start of a stream: clears the signal histories and filter memories and
    // restarts the LSP and taming state; keeps the previous unquantised LSPs and
    // the gain-predictor memories.
    void reset();
    // Copies the frame's 80 samples into the newest places of the speech buffer
    // and pre-filters them.
    void load_frame(const Word16* samples);
    // Codes the frame in the speech buffer at the given rate and moves the
    // histories on.
    FrameFields code_frame(CodingRate rate);

  private:
    void code_subframes(CodingRate rate, const Word16* ap, Word16 open_loop_delay,
                        FrameFields& out);

    static constexpr int kSpeechLength = 240;            // L_TOTAL
    static constexpr int kExcitationHistory = 143 + 11;  // PIT_MAX + L_INTERPOL
    static constexpr int kWeightedHistory = 143;

    Word16 speech_[kSpeechLength];                    // 120 past, 80 current, 40 ahead
    Word16 weighted_[kWeightedHistory + kFrame];      // weighted speech
    Word16 excitation_[kExcitationHistory + kFrame];  // past excitation, Q0
    Word16 weighting_memory_[kLpOrder];               // mem_w
    Word16 target_memory_[kLpOrder];                  // mem_w0: error of the last subframe
    Word16 lsp_previous_[kLpOrder];                   // unquantised, Q15
    Word16 lsp_previous_q_[kLpOrder];                 // quantised, Q15
    Word16 sharpening_;                               // Q14
    LspPredictorMemory lsp_memory_;
    LevinsonSolver levinson_;
    ExcitationErrorTracker taming_;
    GainPredictorMemory gain_memory_7bit_;
    GainPredictorMemory gain_memory_6bit_;
    HighPassPreFilter pre_filter_;
    TenPulseSearch ten_pulse_search_;
};

}  // namespace vox::g729
