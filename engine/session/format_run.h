#pragma once
// Formatting the recorder's main store through the library's two format
// threads: a pacer that counts 100 steps by a time estimate, and the worker
// that talks to the recorder. Each ends with its own FORMAT_DONE; the format
// is over when both have arrived, and it was carried out only when the
// worker's notice said the recorder answered (a refusal and the pacer's end
// both arrive empty).
//
// Driven like a transfer batch: the front end hands every notice of the
// run's message number to onNotice(), and the run ends the worker from a
// follow-up notice it posts to the same window.

#include <cstdint>

#include "device_library/qvdevsys.h"
#include "engine/session/worker_notices.h"
#include "platform/messages/message_target.h"

namespace vox::session {

class FormatListener {
  public:
    virtual ~FormatListener() = default;
    virtual void onFormatEvent(const FormatEvent& event) = 0;
    // Once, when both ends have arrived and the lock is released.
    virtual void onFormatEnd(bool carriedOut) = 0;
};

class FormatRun {
  public:
    // `window` must outlive the library's pacer thread, which sends to it
    // after the worker has ended.
    FormatRun(DeviceContext* link, messages::WindowHandle window, messages::Message message,
              FormatListener& listener);
    ~FormatRun();
    FormatRun(const FormatRun&) = delete;
    FormatRun& operator=(const FormatRun&) = delete;

    // Starts formatting; false when the library's lock was taken.
    // `pacingBytes` is the store's total size from the last listing.
    bool start(std::uint32_t pacingBytes);
    void onNotice(messages::WParam code, messages::LParam value);
    bool running() const { return running_; }

  private:
    void finish();

    DeviceContext* link_;
    messages::WindowHandle window_;
    messages::Message message_;
    FormatListener& listener_;
    bool running_ = false;
    int endNotices_ = 0;
    bool carriedOut_ = false;
    messages::ThreadHandle worker_ = nullptr;
};

}  // namespace vox::session
