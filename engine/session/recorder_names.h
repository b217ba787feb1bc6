#pragma once
// What a PC file name must be for the recorder to store it whole. A CREATE
// carries at most 65 UTF-16 units of long name (the sending worker cuts the
// rest, and two files could then show one name), and an 8.3 short name made
// from the file name whose base is not empty, does not start with a space
// and, like its extension, holds no control byte and none of
// " * + , . / : ; < = > ? [ \ ] |. The recorder refuses a CREATE that breaks
// them, so every name is checked before anything is sent.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace vox::session {

enum class NameProblem {
    TooLong,      // more long-name units than a CREATE carries
    NoShortName,  // no 8.3 short name the recorder accepts can be made of it
};

struct UnstorableName {
    NameProblem problem;
    std::string reason;  // for the user
};

// Why the recorder (of firmware `versionByte`) cannot store a file named
// `pcName` whole; none when it can.
std::optional<UnstorableName> unstorableName(std::string_view pcName, std::uint8_t versionByte);
// The same, as its text only.
std::optional<std::string> unstorableNameReason(std::string_view pcName, std::uint8_t versionByte);

}  // namespace vox::session
