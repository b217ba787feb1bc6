#pragma once
// The directory stream the recorder sends after a listing's FINISH: the
// store's total and free bytes (big-endian) and then the folder's raw 32-byte
// FAT directory entries in directory order, each long name as a VFAT run in
// front of its short entry.

#include <cstdint>
#include <vector>

#include "recorder_model/flash_file_system.h"

namespace vox::model {

constexpr std::size_t kDirectoryEntryBytes = 32;
// The listing reply gives the stream length in 16 bits.
constexpr std::size_t kDirectoryStreamLimit = 0xFFFF;

// The stream for `folder`; "." and ".." come first when `withDotEntries`.
// Entries that would take the stream past its 16-bit length are left out
// whole, never cut inside a long-name run.
std::vector<std::uint8_t> directoryStream(const FlashEntry& folder, bool withDotEntries,
                                          std::uint64_t totalBytes, std::uint64_t freeBytes);

// The raw entries for one directory entry: its long-name run, if it has a
// long name, then its short entry.
std::vector<std::uint8_t> directoryEntries(const FlashEntry& entry);

}  // namespace vox::model
