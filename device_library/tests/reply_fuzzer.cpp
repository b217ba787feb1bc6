// Arbitrary directory streams and reply blocks through the listing decoder
// and the reply checks: nothing may read outside the bytes given.

#include <cstdint>
#include <memory>
#include <span>

#include "device_library/listing_decoder.h"
#include "device_library/reply_checks.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 3) return 0;
    const std::uint8_t version = data[0];
    const std::uint32_t length = static_cast<std::uint32_t>(data[1] << 8 | data[2]);
    const std::span<const std::uint8_t> rest(data + 3, size - 3);

    auto listing = std::make_unique<DeviceListing>();
    vox::devsys::decodeDirectoryStream(rest, length, version, *listing);

    const auto reply = rest.first(std::min<std::size_t>(rest.size(), vox::devsys::kReplyBlockSize));
    vox::devsys::isIdentifyReply(reply);
    vox::devsys::isListingReply(reply);
    vox::devsys::listingStreamLength(reply);
    vox::devsys::replyOutcome(reply);
    vox::devsys::readReplySize(reply, version & 1 ? STORE_MAIN : STORE_ALT, length % 70);
    vox::devsys::statusValue(rest);
    return 0;
}
