#include "recorder_model/protocol_engine.h"

#include <algorithm>
#include <cstring>

#include "recorder_model/recorder.h"

namespace vox::model {

namespace {

constexpr std::size_t kErrorsKept = 64;
// A command block never needs more than this; more is a host gone astray.
constexpr std::size_t kCommandBytesLimit = 4096;
constexpr std::uint64_t kDataBlockBytes = 32768;

struct VendorRequest {
    std::uint8_t request;
    std::uint16_t value;
    std::uint16_t index;
    bool operator==(const VendorRequest&) const = default;
};
constexpr VendorRequest kBeginCommand{0x0A, 0x0040, 0x0000};
constexpr VendorRequest kEndCommand{0x0A, 0x0000, 0xFFFF};
constexpr VendorRequest kAwaitReply{0x0C, 0, 0};
constexpr VendorRequest kBeginData{0x0B, 0, 0};
constexpr VendorRequest kVendor0D{0x0D, 0x0400, 0};

}  // namespace

ProtocolEngine::ProtocolEngine(const RecorderOptions& options, FlashFileSystem& fileSystem,
                               Faults& faults, Storage& storage)
    : options_(options),
      fileSystem_(fileSystem),
      faults_(faults),
      storage_(storage),
      newerFirmware_(!options.firmwareVersion.empty() && options.firmwareVersion[0] >= '1') {}

void ProtocolEngine::reset() {
    phase_ = Phase::Idle;
    follow_ = Follow::Nothing;
    commandBytes_.clear();
    reply_ = Reply{};
    pendingStream_.clear();
    upload_ = Upload{};
}

void ProtocolEngine::violation(std::string text) {
    if (errors_.size() == kErrorsKept) errors_.pop_front();
    errors_.push_back(std::move(text));
    reset();
}

ProtocolEngine::Signal ProtocolEngine::vendorRequest(std::uint8_t request, std::uint16_t value,
                                                     std::uint16_t index) {
    VendorRequest got{request, value, index};
    if (got == kBeginCommand) {
        // A host that abandoned an exchange simply starts the next one; what
        // was left of the old one is dropped.
        if (phase_ == Phase::Receiving)
            violation("begin command while a command block was being written");
        commandBytes_.clear();
        reply_ = Reply{};
        upload_ = Upload{};
        if (follow_ == Follow::Data) follow_ = Follow::Nothing;  // the CREATE was abandoned
        phase_ = Phase::Receiving;
    } else if (got == kEndCommand) {
        switch (phase_) {
            case Phase::Receiving:
                if (commandBytes_.empty())
                    violation("end command without a command block");
                else
                    execute(commandBytes_);
                break;
            case Phase::Executed:
                violation("end command before the reply was awaited");
                break;
            case Phase::Replying:
                reply_ = Reply{};
                phase_ = Phase::Idle;  // follow_ says what may come next
                break;
            case Phase::Data:
                if (!upload_.committed)
                    violation("data ended after " + std::to_string(upload_.received) + " of " +
                              std::to_string(upload_.expected) + " bytes");
                reset();
                break;
            case Phase::Idle:
                violation("end command with no exchange open");
                break;
        }
    } else if (got == kAwaitReply) {
        if (phase_ != Phase::Executed) {
            violation("await reply with no command carried out");
        } else {
            phase_ = Phase::Replying;
            if (faults_.takeStaleReply()) {
                // A leftover from an earlier exchange: an outcome block.
                std::vector<std::uint8_t> stale(usb::kPacketSize, 0);
                const std::uint8_t leftover[] = {0x23, 0x00, 0x04, 0x3A, 0x00, 0x46, 0x2E};
                std::copy(std::begin(leftover), std::end(leftover), stale.begin());
                reply_.head.insert(reply_.head.begin(), stale.begin(), stale.end());
                reply_.stepOffset += usb::kPacketSize;
            }
        }
    } else if (got == kBeginData) {
        if (phase_ != Phase::Idle || follow_ != Follow::Data)
            violation("begin data without an accepted CREATE");
        else
            phase_ = Phase::Data;
    } else if (got == kVendor0D) {
        // Accepted and without effect.
    } else {
        violation("unknown vendor request " + std::to_string(request) + "/" +
                  std::to_string(value) + "/" + std::to_string(index));
        return Signal::Stall;
    }
    return Signal::Ok;
}

ProtocolEngine::Signal ProtocolEngine::bulkOut(std::span<const std::uint8_t> data) {
    switch (phase_) {
        case Phase::Receiving:
            if (commandBytes_.size() + data.size() > kCommandBytesLimit)
                violation("command block longer than " + std::to_string(kCommandBytesLimit) +
                          " bytes");
            else
                commandBytes_.insert(commandBytes_.end(), data.begin(), data.end());
            return Signal::Ok;
        case Phase::Data:
            return takeData(data);
        default:
            violation("bytes written outside a command block or data phase");
            return Signal::Ok;
    }
}

ProtocolEngine::Signal ProtocolEngine::takeData(std::span<const std::uint8_t> data) {
    if (upload_.received + data.size() > upload_.expected) {
        violation("more data than the CREATE announced");
        return Signal::Ok;
    }
    // The unplug fault names a block by its number, counted from 1.
    for (std::uint64_t start =
             (upload_.received + kDataBlockBytes - 1) / kDataBlockBytes * kDataBlockBytes;
         start < upload_.received + data.size(); start += kDataBlockBytes) {
        if (faults_.takeUnplugAt("data-block:" + std::to_string(start / kDataBlockBytes + 1)))
            return Signal::Unplug;
    }
    if (upload_.bytes.size() < upload_.size) {
        auto useful = static_cast<std::ptrdiff_t>(
            std::min<std::uint64_t>(upload_.size - upload_.bytes.size(), data.size()));
        upload_.bytes.insert(upload_.bytes.end(), data.begin(), data.begin() + useful);
    }
    upload_.received += data.size();
    if (upload_.received == upload_.expected && !commitUpload()) return Signal::Stall;
    return Signal::Ok;
}

ProtocolEngine::Signal ProtocolEngine::bulkIn(std::span<std::uint8_t> buffer, std::size_t& copied) {
    copied = 0;
    if (phase_ == Phase::Executed) {
        violation("reply read before await reply");
        return Signal::Ok;
    }
    if (phase_ != Phase::Replying) return Signal::Ok;
    std::size_t want = std::min(buffer.size(), reply_.size() - reply_.position);
    if (std::size_t stage = faults_.shortStage(); stage > 0) want = std::min(want, stage);
    std::size_t reach = reply_.position + std::max<std::size_t>(want, 1);
    if (reply_.stepOffset >= reply_.position && reply_.stepOffset < reach &&
        faults_.takeUnplugAt(reply_.step))
        return Signal::Unplug;
    if (reply_.bodyLength > 0 && hitsReadBlockStep(want)) return Signal::Unplug;
    std::uint8_t* out = buffer.data();
    std::size_t left = want;
    std::size_t at = reply_.position;
    if (at < reply_.head.size()) {
        std::size_t n = std::min(left, reply_.head.size() - at);
        std::memcpy(out, reply_.head.data() + at, n);
        out += n, left -= n, at += n;
    }
    if (left > 0) {
        std::size_t inBody = at - reply_.head.size();
        std::size_t bodyBytes = reply_.body ? reply_.body->size() : 0;
        std::size_t fromFile = inBody < bodyBytes ? std::min(left, bodyBytes - inBody) : 0;
        if (fromFile > 0) {
            std::memcpy(out, reply_.body->data() + inBody, fromFile);
            corruptIfDue(out, inBody, fromFile);
        }
        std::memset(out + fromFile, 0, left - fromFile);
    }
    reply_.position += want;
    copied = want;
    return Signal::Ok;
}

void ProtocolEngine::corruptIfDue(std::uint8_t* out, std::size_t bodyOffset, std::size_t length) {
    const std::optional<std::uint64_t> block = faults_.corruptBlock();
    if (!block) return;
    const std::uint64_t target = (*block - 1) * kDataBlockBytes;
    if (target < bodyOffset || target >= bodyOffset + length) return;
    out[target - bodyOffset] ^= 0xFF;
    faults_.corruptionDone();
}

bool ProtocolEngine::hitsReadBlockStep(std::size_t length) {
    // File blocks are numbered from 1 where the body starts after the reply block.
    std::size_t bodyStart = reply_.head.size();
    std::size_t end = reply_.position + std::max<std::size_t>(length, 1);
    std::size_t block = reply_.position <= bodyStart
                            ? 0
                            : (reply_.position - bodyStart + kDataBlockBytes - 1) / kDataBlockBytes;
    for (std::size_t start = bodyStart + block * kDataBlockBytes; start < end;
         start += kDataBlockBytes, ++block) {
        if (faults_.takeUnplugAt("read-block:" + std::to_string(block + 1))) return true;
    }
    return false;
}

void ProtocolEngine::execute(std::span<const std::uint8_t> written) {
    command::Command parsed;
    std::string error;
    if (!command::parse(written, parsed, error)) {
        violation(error);
        return;
    }
    Follow expected = follow_;
    bool isFinish = std::holds_alternative<command::Finish>(parsed);
    if (isFinish && expected != Follow::ListingFinish && expected != Follow::OutcomeFinish) {
        violation("FINISH with no listing or command to finish");
        return;
    }
    if (!isFinish) follow_ = Follow::Nothing;
    commandBytes_.clear();
    reply_ = Reply{};
    std::visit([this](const auto& command) { handle(command); }, parsed);
}

void ProtocolEngine::setReply(std::vector<std::uint8_t> block, std::string step) {
    reply_ = Reply{};
    reply_.head = std::move(block);
    reply_.step = std::move(step);
    phase_ = Phase::Executed;
}

}  // namespace vox::model
