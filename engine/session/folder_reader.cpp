#include "engine/session/folder_reader.h"

#include <cstring>

#include "engine/rules/listed_entry.h"

namespace vox::session {

ListingRead readListing(RefreshCall refresh, DeviceContext* link, const char* folderName,
                        bool folderListing, DeviceListing& raw) {
    // A listing that fails or comes back without capacity is asked for once
    // more before the recorder counts as not answering.
    auto attempt = [&] {
        std::memset(&raw, 0, sizeof raw);
        return refresh(link, &raw, folderName, 0, STORE_MAIN) != 0 && raw.totalBytes != 0;
    };
    if (!attempt() && !attempt()) return ListingRead::NoAnswer;
    if (folderListing && !rules::startsWithDotEntries(raw)) return ListingRead::NotAFolder;
    return ListingRead::Read;
}

const char* listingFailureCode(ListingRead failure) {
    return failure == ListingRead::NotAFolder ? "(2)\n" : "(1)\n";
}

}  // namespace vox::session
