#include "engine/playback/recorder_fetch.h"

#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <optional>

#include "engine/import/import_places.h"
#include "engine/rules/rule_texts.h"
#include "engine/rules/upload_plan.h"
#include "engine/session/transfer_batch.h"
#include "platform/files/exclusive_file.h"
#include "platform/messages/queue_target.h"

namespace vox::playback {
namespace {

using namespace std::chrono_literals;
constexpr messages::Message kFetchNotice = 0x0A28;

struct FetchListener final : session::BatchListener {
    explicit FetchListener(const FetchProgress& progress) : progress_(progress) {}
    void onTransferEvent(std::size_t, const session::TransferEvent& event) override {
        if (const auto* started = std::get_if<session::TransferStarted>(&event))
            total_ = started->totalBytes;
        if (const auto* moved = std::get_if<session::TransferProgress>(&event); moved && progress_)
            progress_(moved->bytesMoved, total_);
    }
    void onBatchEnd(session::BatchEnd how, std::size_t) override { end = how; }

    session::BatchEnd end = session::BatchEnd::Stopped;

  private:
    const FetchProgress& progress_;
    std::uint32_t total_ = 0;
};

std::string endText(session::BatchEnd end) {
    using session::BatchEnd;
    switch (end) {
        case BatchEnd::FileFailed:
            return rules::texts::kFileOpenFailed;
        case BatchEnd::Cancelled:
            return rules::texts::kCancelled;
        case BatchEnd::Busy:
            return rules::texts::kBusy;
        default:
            return rules::texts::kUsbFailed;
    }
}

}  // namespace

FetchOutcome fetchForPlaying(DeviceContext* link, const rules::ListedFile& file,
                             const std::string& folder, const FetchProgress& progress,
                             const std::atomic<bool>* cancel) {
    FetchOutcome outcome;
    const std::string name = rules::plainName(file);
    if (const auto refusal = rules::unsafeNameRefusal(name)) {
        outcome.error = *refusal;
        return outcome;
    }
    if (!importing::makeFolders(folder, outcome.error)) return outcome;
    const std::string target = rules::joinPcPath(folder, name);
    std::string partial;
    std::FILE* made = files::createBeside(target, partial);
    if (made == nullptr) {
        outcome.error =
            std::string(rules::texts::kFileOpenFailed) + " " + target + ": " + std::strerror(errno);
        return outcome;
    }
    std::fclose(made);

    FetchListener listener(progress);
    std::optional<session::TransferBatch> batch;
    messages::QueueTarget window([&](messages::Message message, messages::WParam code,
                                     messages::LParam value) -> messages::LResult {
        if (message == kFetchNotice) batch->onNotice(code, value);
        return 0;
    });
    batch.emplace(link, &window, kFetchNotice, listener);
    batch->start({{session::TransferFile::Direction::ToPc, partial, file.shortName, {}}});
    bool cancelAsked = false;
    while (!window.pumpUntil([&] { return !batch->running(); }, 50ms)) {
        if (cancel != nullptr && *cancel && !cancelAsked) {
            batch->cancel();
            cancelAsked = true;
        }
    }
    batch.reset();
    if (listener.end == session::BatchEnd::AllDone &&
        std::rename(partial.c_str(), target.c_str()) == 0) {
        outcome.path = target;
        return outcome;
    }
    ::unlink(partial.c_str());
    outcome.error = listener.end == session::BatchEnd::AllDone
                        ? std::string(rules::texts::kFileOpenFailed) + " " + target
                        : endText(listener.end);
    return outcome;
}

}  // namespace vox::playback
