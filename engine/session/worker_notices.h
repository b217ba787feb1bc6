#pragma once
// The workers' notices as typed events. A notice's lParam is sometimes a
// value and sometimes a pointer into the worker's own memory that is valid
// only while the notice is handled; these readers copy what it holds at once,
// so an event may be kept, queued or compared after the notice has returned.

#include <cstdint>
#include <optional>
#include <variant>

#include "device_library/qvdevsys.h"
#include "platform/messages/message_target.h"

namespace vox::session {

enum class TransferOutcome {
    Done = TRANSFER_DONE,
    FileFailed = TRANSFER_FILE_FAILED,      // the PC file did not open
    DeviceFailed = TRANSFER_DEVICE_FAILED,  // the recorder refused or a block failed
    Cancelled = TRANSFER_CANCELLED,
};

struct TransferStarted {
    std::uint32_t totalBytes = 0;
};
struct TransferProgress {
    std::uint32_t bytesMoved = 0;
};
struct TransferFinished {
    TransferOutcome outcome = TransferOutcome::Done;
};
using TransferEvent = std::variant<TransferStarted, TransferProgress, TransferFinished>;

struct FormatStarted {};
struct FormatStep {
    int step = 0;  // 1 to 100
};
// A format ends with two of these: one from the pacer at the end of its
// count, one from the format worker. Only the worker's answer when the
// recorder carried the format out says so; the pacer's end and a refusal
// look alike.
struct FormatDone {
    bool recorderAnswered = false;
};
using FormatEvent = std::variant<FormatStarted, FormatStep, FormatDone>;

struct ConversionStarted {};
struct ConversionPercent {
    int percent = 0;
};
struct ConversionFinished {};
using ConversionEvent = std::variant<ConversionStarted, ConversionPercent, ConversionFinished>;

// None for a code the workers do not send.
std::optional<TransferEvent> readTransferNotice(messages::WParam code, messages::LParam value);
std::optional<FormatEvent> readFormatNotice(messages::WParam code, messages::LParam value);
std::optional<ConversionEvent> readConversionNotice(messages::WParam code, messages::LParam value);

}  // namespace vox::session
