#pragma once
// One exchange with the recorder: its out handle (PIPE00: commands, outgoing
// data and control requests) and its in handle (PIPE01: replies and incoming
// data), each opened anew by an interface search and closed when the
// exchange ends. A handle that did not open makes its calls fail and leaves
// reply buffers zeroed.

#include <cstdint>
#include <memory>
#include <optional>
#include <span>

#include "device_library/command_builder.h"
#include "platform/devio/devio.h"

namespace vox::devsys {

class DeviceLink;

class Exchange {
  public:
    explicit Exchange(DeviceLink& link);
    ~Exchange();
    Exchange(const Exchange&) = delete;
    Exchange& operator=(const Exchange&) = delete;

    void openOut();
    void openIn();

    // A control request on the out handle; its outcome is not examined.
    void control(std::uint32_t code);
    // IOCTL_BEGIN_COMMAND, the command, IOCTL_END_COMMAND, IOCTL_AWAIT_REPLY.
    void sendCommand(const CommandBlock& command);
    // Opens the out handle, sends `command`, opens the in handle and reads
    // the first reply into `reply`: how every exchange but the listing and
    // the format starts.
    void request(const CommandBlock& command, std::span<std::uint8_t> reply);
    // One read into `reply`, zeroed first.
    bool readReply(std::span<std::uint8_t> reply);
    // The second half of a command with an outcome: IOCTL_END_COMMAND, then
    // FINISH as 6 bytes, its reply and the closing IOCTL_END_COMMAND. The
    // FINISH reply's outcome byte, or none when no reply block came back.
    std::optional<std::uint8_t> finish();

    // Whole data blocks. A read gathers the block even when the recorder
    // sends it in shorter transfers; it fails when a transfer fails or
    // brings nothing.
    bool writeData(std::span<const std::uint8_t> block);
    bool readData(std::span<std::uint8_t> block);
    // The first `wanted` bytes of a stream into `buffer` (the rest stays
    // zero), gathered over as many transfers as the recorder uses; fails
    // when a transfer fails or brings nothing before they are all in.
    bool readStream(std::span<std::uint8_t> buffer, std::size_t wanted);

    void close();

  private:
    DeviceLink& link_;
    std::unique_ptr<devio::DeviceFile> out_;
    std::unique_ptr<devio::DeviceFile> in_;
};

}  // namespace vox::devsys
