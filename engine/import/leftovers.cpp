#include "engine/import/leftovers.h"

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string_view>

namespace vox::importing {

namespace {

constexpr std::size_t kSuffixLength = 9;  // '.' and eight hexadecimal digits

bool isTemporarySuffix(std::string_view suffix) {
    if (suffix.size() != kSuffixLength || suffix.front() != '.') return false;
    for (char c : suffix.substr(1))
        if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'))) return false;
    return true;
}

// `name` is `base` followed by one or more temporary suffixes.
bool baseWithSuffixes(std::string_view name, std::string_view base, int most) {
    if (base.empty() || !name.starts_with(base)) return false;
    std::string_view rest = name.substr(base.size());
    int suffixes = 0;
    while (!rest.empty() && suffixes < most) {
        if (!isTemporarySuffix(rest.substr(0, kSuffixLength))) return false;
        rest.remove_prefix(kSuffixLength);
        ++suffixes;
    }
    return suffixes > 0 && rest.empty();
}

}  // namespace

bool isLeftoverName(const std::string& name, const std::string& stateName) {
    if (!stateName.empty()) return baseWithSuffixes(name, stateName, 1);
    return baseWithSuffixes(name, ".voxerin-import", 1) ||
           baseWithSuffixes(name, ".voxerin-wav", 2);
}

std::size_t removeLeftovers(const std::string& folder, const std::string& stateName) {
    DIR* listing = ::opendir(folder.c_str());
    if (listing == nullptr) return 0;
    std::size_t removed = 0;
    while (const dirent* entry = ::readdir(listing)) {
        const std::string name = entry->d_name;
        if (!isLeftoverName(name, stateName)) continue;
        struct stat status {};
        const std::string path = folder + "/" + name;
        if (::lstat(path.c_str(), &status) == 0 && S_ISREG(status.st_mode) &&
            ::unlink(path.c_str()) == 0)
            ++removed;
    }
    ::closedir(listing);
    return removed;
}

}  // namespace vox::importing
