#include "engine/session/worker_notices.h"

#include "engine/conversion/convert_notify.h"

namespace vox::session {

namespace {

// What a notice's pointer holds; a null pointer reads as zero.
template <typename T>
T pointee(messages::LParam value) {
    return value == 0 ? T{} : *reinterpret_cast<const T*>(value);
}

}  // namespace

std::optional<TransferEvent> readTransferNotice(messages::WParam code, messages::LParam value) {
    switch (code) {
        case TRANSFER_STARTED:
            return TransferStarted{pointee<std::uint32_t>(value)};
        case TRANSFER_PROGRESS:
            return TransferProgress{pointee<std::uint32_t>(value)};
        case TRANSFER_FINISHED:
            if (value < TRANSFER_DONE || value > TRANSFER_CANCELLED) return std::nullopt;
            return TransferFinished{static_cast<TransferOutcome>(value)};
        default:
            return std::nullopt;
    }
}

std::optional<FormatEvent> readFormatNotice(messages::WParam code, messages::LParam value) {
    switch (code) {
        case FORMAT_STARTED:
            return FormatStarted{};
        case FORMAT_PROGRESS:
            return FormatStep{pointee<int>(value)};
        case FORMAT_DONE:
            return FormatDone{pointee<int>(value) == 1};
        default:
            return std::nullopt;
    }
}

std::optional<ConversionEvent> readConversionNotice(messages::WParam code, messages::LParam value) {
    switch (code) {
        case conversion::CONVERT_STARTED:
            return ConversionStarted{};
        case conversion::CONVERT_PROGRESS:
            return ConversionPercent{pointee<int>(value)};
        case conversion::CONVERT_FINISHED:
            return ConversionFinished{};
        default:
            return std::nullopt;
    }
}

}  // namespace vox::session
