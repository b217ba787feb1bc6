#pragma once
// Reading the device library's fixed-size listing: how many entries it
// really holds, whether it is a folder listing (its "." and ".." first), and
// each entry as the rules take it.

#include "device_library/qvdevsys.h"
#include "engine/rules/recorder_listing.h"

namespace vox::rules {

// The entry count kept within the listing's slots: a negative count gives 0,
// one past the last slot the recorder can fill gives that slot.
int listedEntryCount(const DeviceListing& listing);

// Whether entries 0 and 1 are the folder's own "." and "..".
bool startsWithDotEntries(const DeviceListing& listing);

ListedFile listedFile(const DeviceEntry& entry);

// The folder's files (entries 2 on) with the store's total and free bytes.
RecorderListing listedFolder(const DeviceListing& listing);

}  // namespace vox::rules
