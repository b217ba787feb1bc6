#pragma once
// One recorder file one place up or down in its folder's play order, the
// same under every front end: the rules pick the new place, and only then is
// the link asked for and the recorder told.

#include <cstddef>
#include <functional>
#include <optional>

#include "device_library/qvdevsys.h"
#include "engine/rules/recorder_listing.h"

namespace vox::session {

struct MoveDone {
    std::size_t position = 0;  // the file's new place among the folder's files
    int answer = 0;            // the library's: 0 done, else refused or unanswered
};

// None when the file is already first (up) or last (down), or when `link`
// gives no link; the recorder is then not asked anything.
std::optional<MoveDone> moveFile(const rules::RecorderListing& listing, std::size_t row, bool up,
                                 const std::function<DeviceContext*()>& link);

}  // namespace vox::session
