#pragma once
// One WAV-to-DVF or DVF-to-WAV conversion as a worker runs it.

#include <chrono>
#include <functional>
#include <memory>
#include <string>

#include "engine/conversion/voice_codec.h"
#include "platform/messages/message_target.h"
#include "platform/messages/worker.h"

namespace vox::conversion {

struct ConversionJob {
    std::string sourcePath;
    std::string destinationPath;
    int quality = 1;                                 // the Quality list's index; encoding only
    vox::messages::MessageTarget* notify = nullptr;  // gets WM_CONVERT_NOTIFY
    VoiceCodec codec{};
    // Shows a message box text (the encoder's format refusal).
    std::function<void(const std::string&)> showMessage;
    // Told why the output could not be written: its path and the system's
    // reason ("…/talk.WAV: No space left on device").
    std::function<void(const std::string&)> reportFailure;
    // Pause after each encoded block, so that the interface thread can repaint.
    std::chrono::milliseconds yieldAfterBlock{1};
    // Raised (nonzero) by the caller to stop after the current block; the
    // old output, if any, then stays as it was.
    int* cancel = nullptr;
};

// Both run the whole conversion on the calling thread and send
// CONVERT_FINISHED as their last act, whatever happened. They return 1 when
// the whole input was converted, 0 otherwise. The output is written under a
// name of its own beside the destination and replaces it only when whole.
int runEncodeJob(const ConversionJob& job);
// Hands `job.reportFailure` the destination and the reason `cause` (an
// errno value; nothing is reported for 0 or after a cancel).
void reportWriteFailure(const ConversionJob& job, int cause);
int runDecodeJob(const ConversionJob& job);

// The same on a worker thread of their own; the caller joins the worker
// after its CONVERT_FINISHED.
std::unique_ptr<vox::messages::Worker> startEncodeWorker(ConversionJob job);
std::unique_ptr<vox::messages::Worker> startDecodeWorker(ConversionJob job);

// Encoder mode and samples per call for a Quality index; an index outside
// 0..2 encodes as SP, the quality its "_SP" file name promises.
int encoderModeForQuality(int quality);
// True once the job's caller asked it to stop.
bool cancelRaised(const ConversionJob& job);
int samplesPerEncoderCall(int mode);

}  // namespace vox::conversion
