#pragma once
// A window for worker notices, pumped by the test's thread. Pointer values
// are read while the notice is handled, as a window must.

#include <functional>
#include <vector>

#include "device_library/qvdevsys.h"
#include "platform/messages/queue_target.h"

namespace vox::devsys::testing {

struct Notice {
    int code;
    long long value;  // the pointed-to value, or the lParam itself; -1 for a null pointer
};

class NoticeLog {
  public:
    static constexpr messages::Message kMessage = 0x917;

    NoticeLog()
        : target_([this](messages::Message message, messages::WParam code, messages::LParam value) {
              if (message == kMessage) record(static_cast<int>(code), value);
              return messages::LResult{0};
          }) {}

    messages::WindowHandle window() { return &target_; }

    // Pumps until `count` notices with `code` arrived.
    bool waitFor(int code, int count = 1) {
        return target_.pumpUntil([&] { return countOf(code) >= count; }, std::chrono::seconds(30));
    }
    int countOf(int code) const {
        int n = 0;
        for (const Notice& notice : notices) n += notice.code == code;
        return n;
    }
    std::vector<long long> valuesOf(int code) const {
        std::vector<long long> values;
        for (const Notice& notice : notices) {
            if (notice.code == code) values.push_back(notice.value);
        }
        return values;
    }

    std::vector<Notice> notices;
    // Runs as each notice is handled (e.g. to raise a cancel flag).
    std::function<void(const Notice&)> onNotice;

  private:
    void record(int code, messages::LParam value) {
        long long seen = value;
        const bool pointsToU32 = code == TRANSFER_STARTED || code == TRANSFER_PROGRESS;
        const bool pointsToInt = code == FORMAT_PROGRESS || code == FORMAT_DONE;
        if (pointsToU32) seen = *reinterpret_cast<const std::uint32_t*>(value);
        if (pointsToInt) seen = value == 0 ? -1 : *reinterpret_cast<const int*>(value);
        notices.push_back({code, seen});
        if (onNotice) onNotice(notices.back());
    }

    messages::QueueTarget target_;
};

}  // namespace vox::devsys::testing
