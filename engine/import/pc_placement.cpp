#include "engine/import/pc_placement.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>

#include "engine/import/import_names.h"

namespace vox::importing {

std::optional<std::string> placeWithoutOverwrite(const std::string& temporary,
                                                 const std::string& folder,
                                                 const std::string& wanted, std::string& error) {
    auto taken = [&](const std::string& name) {
        struct stat status {};
        return ::lstat((folder + "/" + name).c_str(), &status) == 0;
    };
    // A name taken between the look and the link is looked for again.
    for (int attempt = 0; attempt < 100; ++attempt) {
        const std::optional<std::string> name = freeName(wanted, taken);
        if (!name) {
            error = "no free name for \"" + wanted + "\" in " + folder;
            return std::nullopt;
        }
        const std::string target = folder + "/" + *name;
        if (::link(temporary.c_str(), target.c_str()) == 0) {
            ::unlink(temporary.c_str());
            return name;
        }
        // File systems without hard links (FAT, exFAT) may still rename
        // without replacing.
        if ((errno == EPERM || errno == EOPNOTSUPP) &&
            ::renameat2(AT_FDCWD, temporary.c_str(), AT_FDCWD, target.c_str(), RENAME_NOREPLACE) ==
                0)
            return name;
        if (errno != EEXIST) {
            error = folder + "/" + *name + ": " + std::strerror(errno);
            return std::nullopt;
        }
    }
    error = "no free name for \"" + wanted + "\" in " + folder;
    return std::nullopt;
}

bool sameContent(const std::string& first, const std::string& second) {
    std::ifstream a(first, std::ios::binary), b(second, std::ios::binary);
    if (!a || !b) return false;
    std::array<char, 1 << 15> left{}, right{};
    for (;;) {
        a.read(left.data(), left.size());
        b.read(right.data(), right.size());
        if (a.gcount() != b.gcount()) return false;
        if (std::memcmp(left.data(), right.data(), static_cast<std::size_t>(a.gcount())) != 0)
            return false;
        if (a.gcount() == 0 || a.eof() || b.eof())
            return a.eof() == b.eof() && !a.bad() && !b.bad();
    }
}

}  // namespace vox::importing
