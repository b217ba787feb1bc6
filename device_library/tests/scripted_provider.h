#pragma once
// A device I/O provider that plays a recorder from a script: it records
// every open, write, read and control request, and answers reads from a
// queue of prepared blocks. Not thread safe: a test looks at it only while
// no worker runs.

#include <algorithm>
#include <cstdint>
#include <deque>
#include <string>
#include <vector>

#include "platform/devio/devio.h"

namespace vox::devsys::testing {

using Bytes = std::vector<std::uint8_t>;

inline const std::string kScriptedPath = "\\\\?\\usb#vid_0dab&pid_3000#test0#{640a6544}";

struct IoEvent {
    enum Kind { Open, Write, Read, Control } kind;
    std::string path;          // Open
    Bytes bytes;               // Write: what was written
    std::uint32_t length = 0;  // Read: bytes asked for
    std::uint32_t code = 0;    // Control
};

class ScriptedProvider final : public devio::Provider {
  public:
    std::vector<std::string> presentInterfaces(const devio::InterfaceClass&) override {
        return present ? std::vector<std::string>{path} : std::vector<std::string>{};
    }

    std::unique_ptr<devio::DeviceFile> open(const std::string& name,
                                            std::uint32_t& error) override {
        events.push_back({IoEvent::Open, name, {}, 0, 0});
        if (!present || name.rfind(path, 0) != 0) {
            error = devio::kErrorFileNotFound;
            return nullptr;
        }
        return std::make_unique<File>(*this);
    }

    // Queues one reply; a read takes at most what it asks for of the front
    // block and leaves the rest for the next read.
    void reply(Bytes block) { replies.push_back(std::move(block)); }

    std::vector<IoEvent> of(IoEvent::Kind kind) const {
        std::vector<IoEvent> picked;
        std::copy_if(events.begin(), events.end(), std::back_inserter(picked),
                     [&](const IoEvent& e) { return e.kind == kind; });
        return picked;
    }
    std::vector<IoEvent> writes() const { return of(IoEvent::Write); }
    std::size_t deviceCalls() const { return events.size(); }

    bool present = true;
    std::string path = kScriptedPath;
    // Writes fail from this many writes on (counted over the whole script).
    std::size_t failWritesFrom = SIZE_MAX;
    std::vector<IoEvent> events;
    std::deque<Bytes> replies;

  private:
    class File final : public devio::DeviceFile {
      public:
        explicit File(ScriptedProvider& owner) : owner_(owner) {}
        bool write(const void* data, std::uint32_t length, std::uint32_t& done) override {
            const auto* bytes = static_cast<const std::uint8_t*>(data);
            owner_.events.push_back({IoEvent::Write, {}, Bytes(bytes, bytes + length), 0, 0});
            if (owner_.writes().size() > owner_.failWritesFrom) {
                done = 0;
                return false;
            }
            done = length;
            return true;
        }
        bool read(void* data, std::uint32_t length, std::uint32_t& done) override {
            owner_.events.push_back({IoEvent::Read, {}, {}, length, 0});
            done = 0;
            if (owner_.replies.empty()) return false;
            Bytes& front = owner_.replies.front();
            done = static_cast<std::uint32_t>(std::min<std::size_t>(length, front.size()));
            std::copy_n(front.begin(), done, static_cast<std::uint8_t*>(data));
            front.erase(front.begin(), front.begin() + done);
            if (front.empty()) owner_.replies.pop_front();
            return true;
        }
        bool control(std::uint32_t code, const void*, std::uint32_t, void*, std::uint32_t,
                     std::uint32_t& returned) override {
            owner_.events.push_back({IoEvent::Control, {}, {}, 0, code});
            returned = 0;
            return true;
        }

      private:
        ScriptedProvider& owner_;
    };
};

// Reply blocks as the recorder frames them, padded to `size` bytes.
inline Bytes block(std::initializer_list<std::uint8_t> head, std::size_t size = 64) {
    Bytes bytes(head);
    bytes.resize(size, 0);
    return bytes;
}

// An identify reply for version text "<major>.<minor>" and a model name.
inline Bytes identifyReply(char major, char minor, const char* model = "QZ-410T") {
    Bytes bytes = block({0x23, 0x00, 0x22, 0x3A});
    bytes[4] = static_cast<std::uint8_t>(major);
    bytes[5] = '.';
    bytes[6] = static_cast<std::uint8_t>(minor);
    for (int i = 0; i < 7 && model[i] != '\0'; ++i)
        bytes[4 + 19 + i] = static_cast<std::uint8_t>(model[i]);
    return bytes;
}

// A reply with an outcome byte, as FINISH and CREATE are answered.
inline Bytes outcomeReply(std::uint8_t outcome) {
    return block({0x23, 0x00, 0x02, 0x3A, outcome});
}

}  // namespace vox::devsys::testing
