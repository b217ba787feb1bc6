#include "device_library/catalogue.h"

#include <array>
#include <memory>
#include <vector>

#include "device_library/exchange.h"
#include "device_library/listing_decoder.h"
#include "device_library/reply_checks.h"
#include "usb_driver/vxr250_public.h"

namespace vox::devsys {
namespace {

// The listing exchange; null when the recorder did not answer as a listing.
std::unique_ptr<DeviceListing> listLevel(DeviceLink& link, const char* folder, int store) {
    Exchange exchange(link);
    exchange.openOut();
    exchange.openIn();
    exchange.sendCommand(folder != nullptr ? listFolderCommand(folder) : listStoreCommand(store));
    std::array<std::uint8_t, kReplyBlockSize> reply{};
    exchange.readReply(reply);
    if (!isListingReply(reply)) return nullptr;
    const std::uint16_t streamLength = listingStreamLength(reply);
    exchange.control(vxr250::IOCTL_END_COMMAND);
    exchange.sendCommand(finishCommand(true));
    std::vector<std::uint8_t> stream(directoryReadSize(streamLength));
    // The stream is read until its announced length, however short the
    // transfers it comes in; a read that fails or stops early (the recorder
    // went away) fails the listing instead of passing a partial folder off
    // as the recorder's answer.
    if (!exchange.readStream(stream, streamLength)) return nullptr;

    auto listing = std::make_unique<DeviceListing>();
    if (!decodeDirectoryStream(stream, streamLength, link.versionByte(), *listing)) return nullptr;
    link.names().resetFrom(*listing);
    exchange.control(vxr250::IOCTL_END_COMMAND);
    return listing;
}

}  // namespace

int refreshDevice(DeviceLink& link, DeviceContext* ctx, DeviceListing* out, const char* folder,
                  int store) {
    if (!link.lock(ctx)) return 0;
    const auto listing = listLevel(link, folder, store);
    link.unlock(ctx);
    if (!listing) return 0;
    if (out != nullptr) *out = *listing;
    return 1;
}

int playerStatus(DeviceLink& link, DeviceContext* ctx) {
    if (!link.lock(ctx)) return 0;
    Exchange exchange(link);
    std::array<std::uint8_t, kStatusReplySize> reply{};
    exchange.request(statusCommand(), reply);
    exchange.control(vxr250::IOCTL_END_COMMAND);
    exchange.close();
    link.unlock(ctx);
    return statusValue(reply);
}

}  // namespace vox::devsys
