#pragma once
// Faults the recorder can be told to show, for testing the host's handling of
// a recorder that disappears, answers late or refuses. Every setter may be
// called from any thread at any time; the recorder consumes them as its
// transfers reach the point where each one bites.

#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>

namespace vox::model {

class Faults {
  public:
    // The recorder unplugs itself once `bytes` more bulk bytes (both directions
    // together) have moved; the transfer that crosses the mark is cut there.
    void unplugAfterBytes(std::uint64_t bytes);
    // The recorder unplugs itself when it reaches the named step instead of
    // doing it: "identify-reply", "list-reply", "list-stream", "create-reply",
    // "data-block:K" (K counted from 1), "read-reply", "read-block:K",
    // "finish-reply", "format-reply", "status-reply", "command-reply" (the
    // first reply of DELETE, REMOVE_DIR, MOVE, RENAME and MAKE_DIR).
    void unplugAt(std::string step);
    // One leftover reply block (not an identify reply) is sent in front of the
    // next reply.
    void queueStaleReply();
    // The next CREATE is answered with outcome 1 (refused).
    void refuseNextCreate();
    // The next DELETE is answered with outcome 1 (refused) and deletes nothing.
    void refuseNextDelete();
    // Every READ of the file of this short name ("NAME.EXT") is refused, as for
    // an entry the recorder cannot read (its listing still shows it).
    void refuseReadOf(std::string shortName);
    // The first file read that reaches its data block `block` (counted from
    // 1) hands it out with its first byte inverted: a copy that arrives
    // whole but wrong. It bites once.
    void corruptReadBlock(std::uint64_t block);
    // Each bulk IN transfer returns at most `bytes` bytes (0: no limit).
    void setShortStages(std::size_t bytes);
    // Every transfer and vendor request takes this much longer.
    void setSlowBus(std::chrono::microseconds extra);
    // Clears every fault.
    void clear();

    // Reads a comma-separated list such as "unplug-after-bytes=100000,
    // refuse-next-create,refuse-next-delete,stale-reply,short-stages=64,slow-us=500,
    // unplug-at=data-block:3,corrupt-read-block=2,refuse-read=NAME.DVF". Nothing
    // changes when the text has an error.
    bool parse(std::string_view text, std::string& error);

    // Used by the recorder as its transfers proceed.
    // Bytes the next transfer may move before the recorder unplugs, or none
    // when no byte limit is set. `moved` is charged against the limit.
    std::optional<std::uint64_t> byteBudget() const;
    void charge(std::uint64_t moved);
    // The byte limit has unplugged the recorder; it does not bite again.
    void byteLimitReached();
    bool takeUnplugAt(std::string_view step);
    bool takeStaleReply();
    bool takeRefuseCreate();
    bool takeRefuseDelete();
    bool refusesRead(std::string_view shortName) const;
    // The data block the current file read is to corrupt, if any; taken
    // once the corrupted byte went out.
    std::optional<std::uint64_t> corruptBlock() const;
    void corruptionDone();
    std::size_t shortStage() const { return shortStage_.load(); }
    std::chrono::microseconds slowBus() const {
        return std::chrono::microseconds(slowMicros_.load());
    }

  private:
    mutable std::mutex mutex_;
    std::optional<std::uint64_t> bytesLeft_;
    std::string unplugStep_;
    bool staleReply_ = false;
    bool refuseCreate_ = false;
    bool refuseDelete_ = false;
    std::string unreadable_;
    std::optional<std::uint64_t> corruptBlock_;
    std::atomic<std::size_t> shortStage_{0};
    std::atomic<std::int64_t> slowMicros_{0};
};

}  // namespace vox::model
