#pragma once
// Reading the device library's fixed-size listing: how many entries it
// really holds, whether it is a folder listing (its "." and ".." first), and
// each entry as the rules take it.

#include <cstddef>
#include <string>

#include "device_library/qvdevsys.h"
#include "engine/rules/recorder_listing.h"

namespace vox::rules {

// The entry count kept within the listing's slots: a negative count gives 0,
// one past the last slot the recorder can fill gives that slot.
int listedEntryCount(const DeviceListing& listing);

// Whether the recorder sent more entries than the listing's slots keep: the
// slots are full and the directory stream goes on past the raw entries they
// were decoded from (one each, plus a long name's 13-unit pieces). A full
// listing whose stream ends with padding counts as cut too: in doubt, the
// caller says that entries may be missing rather than that none are.
bool listingIsCut(const DeviceListing& listing);

// What a front end says of a cut listing of `folder` (empty: the top of the
// recorder) of which `seen` files were read.
std::string moreThanShownText(const std::string& folder, std::size_t seen);

// Whether entries 0 and 1 are the folder's own "." and "..".
bool startsWithDotEntries(const DeviceListing& listing);

ListedFile listedFile(const DeviceEntry& entry);

// The folder's files (entries 2 on) with the store's total and free bytes.
RecorderListing listedFolder(const DeviceListing& listing);

}  // namespace vox::rules
