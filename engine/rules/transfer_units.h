#pragma once
// The recorder moves, counts and reserves data in 32,768-byte blocks.

#include <cstdint>

namespace vox::rules {

constexpr std::uint64_t kBlockBytes = 32768;
// A transfer list holds at most this many files; further selected files are left out.
constexpr std::size_t kBatchLimit = 100;
// A recorder folder holds at most this many files (besides "." and "..").
constexpr std::size_t kFolderFileLimit = 99;

// Blocks a file of `bytes` occupies: rounded up, so a 1-byte file takes one.
constexpr std::uint64_t blockCount(std::uint64_t bytes) {
    return (bytes >> 15) + ((bytes & (kBlockBytes - 1)) != 0 ? 1 : 0);
}

}  // namespace vox::rules
