#pragma once
// What the PC list shows of a folder, read straight from the file system:
// names are the file system's bytes, so a name that is not valid text still
// opens, renames and deletes. No Qt in here.

#include <cstdint>
#include <ctime>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vox::panes {

struct FolderEntry {
    std::string name;
    bool folder = false;
    std::uint64_t size = 0;
    std::time_t modified = 0;
};

// Whether `name` matches a Type pattern ("*.wav"), ignoring case as the
// recorder's users expect; "*" and "*.*" match every name.
bool matchesTypePattern(std::string_view name, std::string_view pattern);

// The entries of `folder` that match `pattern`, folders included only when
// their names match, hidden ones too; "." and ".." never. Empty when the
// folder cannot be read. An entry that vanishes while it is read is left out.
std::vector<FolderEntry> readFolder(const std::string& folder, std::string_view pattern);

// One entry of `folder` (which ends with '/'); none when it does not exist.
std::optional<FolderEntry> readEntry(const std::string& folder, const std::string& name);

// True when `path` names an existing folder (links followed).
bool isFolder(const std::string& path);

// Renames `from` to `to` only when nothing has that name (checked and done
// in one step by the file system); 0, or the error number.
int renameWithoutReplacing(const std::string& from, const std::string& to);

// `path` with one '/' at its end.
std::string withSlash(std::string path);

}  // namespace vox::panes
