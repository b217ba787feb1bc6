#include "engine/rules/recorder_folder.h"

#include "engine/rules/rule_texts.h"
#include "engine/rules/text_case.h"

namespace vox::rules {

std::string_view folderLabel(RecorderFolder folder) {
    switch (folder) {
        case RecorderFolder::A:
            return "A";
        case RecorderFolder::B:
            return "B";
        case RecorderFolder::C:
            return "C";
        case RecorderFolder::Mp3:
            return "MP3";
        case RecorderFolder::Hd:
            return "HD";
    }
    return "MP3";
}

std::string folderListingName(RecorderFolder folder) {
    std::string name(folderLabel(folder));
    name.resize(8, ' ');
    return name;
}

std::optional<RecorderFolder> folderFromLabel(std::string_view label) {
    const std::string wanted = upperAscii(label);
    for (RecorderFolder folder : kRecorderFolders)
        if (folderLabel(folder) == wanted) return folder;
    return std::nullopt;
}

std::optional<std::string> extensionRefusal(RecorderFolder folder, std::string_view extension) {
    const std::string upper = upperAscii(extension);
    switch (folder) {
        case RecorderFolder::A:
        case RecorderFolder::B:
        case RecorderFolder::C:
            if (upper != ".DVF") return std::string(texts::kVoiceFileOnly);
            return std::nullopt;
        case RecorderFolder::Mp3:
            if (upper != ".MP3" && upper != ".WMA") return std::string(texts::kMusicFileOnly);
            return std::nullopt;
        case RecorderFolder::Hd:
            return std::nullopt;
    }
    return std::nullopt;
}

}  // namespace vox::rules
