#pragma once
// The one way every front end and the session read a recorder folder: the
// listing call made at most twice, a reply without capacity counting as no
// reply, and a folder's listing required to start with its "." and "..".
// How many entries count is bounded by rules::listedEntryCount.

#include "device_library/qvdevsys.h"

namespace vox::session {

// The library's listing call, or a stand-in for it.
using RefreshCall = int (*)(DeviceContext* link, DeviceListing* out, const char* folder,
                            int reserved, int store);

enum class ListingRead {
    Read,
    NoAnswer,    // two attempts without a listing with capacity
    NotAFolder,  // a folder's listing without its own two entries first
};

// Reads the listing of `folderName` (null: the top of the store) into `raw`,
// zeroed before each attempt. `folderListing` asks for the dot-entry check.
ListingRead readListing(RefreshCall refresh, DeviceContext* link, const char* folderName,
                        bool folderListing, DeviceListing& raw);

// The code a failed read's message carries between the USB failure text and
// the advice to reconnect: "(1)\n" or "(2)\n".
const char* listingFailureCode(ListingRead failure);

}  // namespace vox::session
