#include "device_library/exchange.h"

#include <algorithm>
#include <array>

#include "device_library/device_link.h"
#include "device_library/reply_checks.h"
#include "usb_driver/vxr250_public.h"

namespace vox::devsys {

Exchange::Exchange(DeviceLink& link) : link_(link) {}
Exchange::~Exchange() = default;

void Exchange::openOut() {
    out_ = link_.openPipe(vxr250::kOutPipeName);
}
void Exchange::openIn() {
    in_ = link_.openPipe(vxr250::kInPipeName);
}

void Exchange::control(std::uint32_t code) {
    if (!out_) return;
    std::array<std::uint8_t, kCommandBlockSize> buffer{};
    std::uint32_t returned = 0;
    out_->control(code, buffer.data(), kCommandBlockSize, buffer.data(), kCommandBlockSize,
                  returned);
}

void Exchange::sendCommand(const CommandBlock& command) {
    control(vxr250::IOCTL_BEGIN_COMMAND);
    writeData(command.bytes);
    control(vxr250::IOCTL_END_COMMAND);
    control(vxr250::IOCTL_AWAIT_REPLY);
}

void Exchange::request(const CommandBlock& command, std::span<std::uint8_t> reply) {
    openOut();
    sendCommand(command);
    openIn();
    readReply(reply);
}

bool Exchange::readReply(std::span<std::uint8_t> reply) {
    std::fill(reply.begin(), reply.end(), 0);
    if (!in_) return false;
    std::uint32_t done = 0;
    return in_->read(reply.data(), static_cast<std::uint32_t>(reply.size()), done);
}

std::optional<std::uint8_t> Exchange::finish() {
    control(vxr250::IOCTL_END_COMMAND);
    sendCommand(finishCommand(false));
    std::array<std::uint8_t, kReplyBlockSize> reply{};
    readReply(reply);
    control(vxr250::IOCTL_END_COMMAND);
    if (!isReplyBlock(reply)) return std::nullopt;
    return replyOutcome(reply);
}

bool Exchange::writeData(std::span<const std::uint8_t> block) {
    if (!out_) return false;
    std::uint32_t done = 0;
    const bool ok = out_->write(block.data(), static_cast<std::uint32_t>(block.size()), done);
    return ok && done == block.size();
}

bool Exchange::readData(std::span<std::uint8_t> block) {
    return readStream(block, block.size());
}

bool Exchange::readStream(std::span<std::uint8_t> buffer, std::size_t wanted) {
    std::fill(buffer.begin(), buffer.end(), 0);
    if (!in_) return false;
    wanted = std::min(wanted, buffer.size());
    std::size_t got = 0;
    // At least one read, so that an empty stream's transfer is taken too.
    do {
        std::uint32_t done = 0;
        const auto left = static_cast<std::uint32_t>(buffer.size() - got);
        if (!in_->read(buffer.data() + got, left, done) || done == 0) return false;
        got += std::min<std::size_t>(done, left);
    } while (got < wanted);
    return true;
}

void Exchange::close() {
    out_.reset();
    in_.reset();
}

}  // namespace vox::devsys
