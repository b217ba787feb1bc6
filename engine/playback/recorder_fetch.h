#pragma once
// A recorder file is played from a copy in the user's cache folder: fetched
// whole first (with progress), under a name of our own until it is whole,
// so that a cut-off fetch leaves nothing that could be played.

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>

#include "device_library/qvdevsys.h"
#include "engine/rules/recorder_listing.h"

namespace vox::playback {

struct FetchOutcome {
    std::string path;   // the copy, when it arrived whole
    std::string error;  // the program's text otherwise
    bool arrived() const { return error.empty(); }
};

using FetchProgress = std::function<void(std::uint32_t bytesDone, std::uint32_t bytesTotal)>;

// Fetches `file` of the recorder folder listed last on `link` into `folder`
// (made when missing) under its plain name, on the calling thread, which
// pumps the transfer's notices until it ends. `cancel`, when raised, stops
// it at the next block.
FetchOutcome fetchForPlaying(DeviceContext* link, const rules::ListedFile& file,
                             const std::string& folder, const FetchProgress& progress,
                             const std::atomic<bool>* cancel = nullptr);

}  // namespace vox::playback
