#include "tools/voxctl/mount/mount_tree.h"

namespace vox::voxctl::mount {

namespace {

constexpr std::string_view kVoice = "Voice";

std::vector<std::string_view> partsOf(std::string_view path) {
    std::vector<std::string_view> parts;
    while (!path.empty()) {
        const std::size_t slash = path.find('/');
        const std::string_view part = path.substr(0, slash);
        if (!part.empty()) parts.push_back(part);
        if (slash == std::string_view::npos) break;
        path.remove_prefix(slash + 1);
    }
    return parts;
}

bool isVoiceFolder(rules::RecorderFolder folder) {
    return folder == rules::RecorderFolder::A || folder == rules::RecorderFolder::B ||
           folder == rules::RecorderFolder::C;
}

}  // namespace

std::string copyKey(const TreePlace& place) {
    return std::string(rules::folderLabel(place.folder)) + "/" + place.name;
}

TreePlace placeOf(std::string_view path) {
    const std::vector<std::string_view> parts = partsOf(path);
    TreePlace place;
    if (parts.empty()) {
        place.kind = TreePlace::Kind::Root;
        return place;
    }
    std::size_t next = 0;
    if (parts[0] == kVoice) {
        if (parts.size() == 1) {
            place.kind = TreePlace::Kind::VoiceGroup;
            return place;
        }
        const auto folder = rules::folderFromLabel(parts[1]);
        // Only the folders' own spelling: the file system is case-sensitive.
        if (!folder || !isVoiceFolder(*folder) || rules::folderLabel(*folder) != parts[1])
            return place;
        place.folder = *folder;
        next = 2;
    } else {
        const auto folder = rules::folderFromLabel(parts[0]);
        if (!folder || isVoiceFolder(*folder) || rules::folderLabel(*folder) != parts[0])
            return place;
        place.folder = *folder;
        next = 1;
    }
    if (parts.size() == next) {
        place.kind = TreePlace::Kind::Folder;
    } else if (parts.size() == next + 1) {
        place.kind = TreePlace::Kind::Entry;
        place.name = std::string(parts[next]);
    }
    return place;
}

std::vector<std::string> groupChildren(TreePlace::Kind group) {
    std::vector<std::string> children;
    if (group == TreePlace::Kind::Root) children.emplace_back(kVoice);
    for (rules::RecorderFolder folder : rules::kRecorderFolders)
        if (isVoiceFolder(folder) == (group == TreePlace::Kind::VoiceGroup))
            children.emplace_back(rules::folderLabel(folder));
    return children;
}

}  // namespace vox::voxctl::mount
