#pragma once
// Where a path of the mounted file system lies in the recorder's tree, laid
// out as the program's recorder tree shows it: "Voice" holding the voice
// folders "A", "B" and "C", beside "MP3" and "HD".

#include <string>
#include <string_view>
#include <vector>

#include "engine/rules/recorder_folder.h"

namespace vox::voxctl::mount {

struct TreePlace {
    enum class Kind {
        Root,        // "/"
        VoiceGroup,  // "/Voice"
        Folder,      // one of the five recorder folders
        Entry,       // a file or folder inside one
        Nowhere,     // anything else
    };
    Kind kind = Kind::Nowhere;
    rules::RecorderFolder folder = rules::RecorderFolder::A;
    std::string name;  // the entry's name (Entry only)
};

TreePlace placeOf(std::string_view path);
// What an entry is known by in the mount's own records ("HD/name").
std::string copyKey(const TreePlace& place);

// The directories shown in the root or in "Voice".
std::vector<std::string> groupChildren(TreePlace::Kind group);

}  // namespace vox::voxctl::mount
