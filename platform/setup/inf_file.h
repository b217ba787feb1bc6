#pragma once
// The part of an INF file that decides which files an install section
// copies: sections, comments after ';', "CopyFiles=" lists naming file-list
// sections or single files ("@name"), and file-list lines
// "target[,source[,...]]".

#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vox::setup {

struct InfCopyEntry {
    std::string target;  // name the file gets in its destination folder
    std::string source;  // name of the file beside the INF
};

class InfFile {
  public:
    explicit InfFile(std::string_view text);

    // The files an install section copies, through its CopyFiles= lists and
    // its plain lines. Absent when the section or a list it names is missing,
    // or when an entry is not a plain file name (a path could write outside
    // the destination folder).
    std::optional<std::vector<InfCopyEntry>> filesOf(std::string_view section) const;

  private:
    const std::vector<std::string>* lines(std::string_view section) const;
    std::map<std::string, std::vector<std::string>> sections_;  // by upper-case name
};

}  // namespace vox::setup
