#pragma once
// A file sent to the recorder takes the short name its PC name gives, when
// that name fits the 8.3 form as it is; the recorder refuses a CREATE whose
// short name another entry of the folder has, whatever its long name. Such a
// clash is found from the listing before anything is sent, so that the user
// hears which two files clash instead of a failed transfer.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "engine/rules/recorder_listing.h"

namespace vox::session {

// The refusal when a file named `pcName`, sent to the folder `listing`
// shows on a recorder of firmware `versionByte`, would get the short name
// of an entry there that it does not replace (a file of the same shown name
// is replaced, after the overwrite question); none when there is no clash.
std::optional<std::string> shortNameClashText(const rules::RecorderListing& listing,
                                              std::string_view pcName, std::uint8_t versionByte);

}  // namespace vox::session
