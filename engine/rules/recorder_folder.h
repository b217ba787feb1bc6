#pragma once
// The recorder's five fixed folders and the files each one accepts.

#include <array>
#include <optional>
#include <string>
#include <string_view>

namespace vox::rules {

// Values are the folder codes the document keeps (0 "A" ... 4 "HD").
enum class RecorderFolder { A = 0, B = 1, C = 2, Mp3 = 3, Hd = 4 };

constexpr std::array<RecorderFolder, 5> kRecorderFolders{RecorderFolder::A, RecorderFolder::B,
                                                         RecorderFolder::C, RecorderFolder::Mp3,
                                                         RecorderFolder::Hd};

// The folder's label, e.g. "MP3".
std::string_view folderLabel(RecorderFolder folder);
// The name the listing command takes: the label padded with spaces to 8 bytes.
std::string folderListingName(RecorderFolder folder);
// The folder whose label is `label`, ignoring case ("mp3" gives Mp3).
std::optional<RecorderFolder> folderFromLabel(std::string_view label);

// The refusal text when `extension` (".DVF", any case, empty when the name
// has no dot) may not be stored in `folder`; nothing when it may.
std::optional<std::string> extensionRefusal(RecorderFolder folder, std::string_view extension);

}  // namespace vox::rules
