#include "engine/import/import_places.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>

namespace vox::importing {

namespace {

std::string home() {
    const char* value = std::getenv("HOME");
    return value != nullptr && value[0] == '/' ? value : "/";
}

std::optional<std::string> absoluteSetting(const char* name) {
    const char* value = std::getenv(name);
    if (value == nullptr || value[0] != '/') return std::nullopt;
    return std::string(value);
}

// XDG_MUSIC_DIR="$HOME/Music" as xdg-user-dirs writes it: a quoted value,
// either absolute or starting with $HOME.
std::optional<std::string> musicFolderFromUserDirs() {
    const std::string config = absoluteSetting("XDG_CONFIG_HOME").value_or(home() + "/.config");
    std::ifstream in(config + "/user-dirs.dirs");
    constexpr std::string_view kKey = "XDG_MUSIC_DIR=\"";
    for (std::string line; std::getline(in, line);) {
        if (!line.starts_with(kKey) || line.size() < kKey.size() + 1 || line.back() != '"')
            continue;
        std::string value = line.substr(kKey.size(), line.size() - kKey.size() - 1);
        if (value.starts_with("$HOME")) value = home() + value.substr(5);
        if (value.starts_with("/")) return value;
    }
    return std::nullopt;
}

}  // namespace

std::string defaultImportFolder() {
    const std::string music = absoluteSetting("XDG_MUSIC_DIR")
                                  .value_or(musicFolderFromUserDirs().value_or(home() + "/Music"));
    return music + "/Voice recorder";
}

std::string stateFolder() {
    return absoluteSetting("XDG_STATE_HOME").value_or(home() + "/.local/state") + "/voxerin";
}

std::string cacheFolder() {
    return absoluteSetting("XDG_CACHE_HOME").value_or(home() + "/.cache") + "/voxerin";
}

bool makeFolders(const std::string& path, std::string& error) {
    namespace fs = std::filesystem;
    std::error_code code;
    fs::path made;
    for (const fs::path& part : fs::path(path)) {
        made /= part;
        if (fs::is_directory(made, code)) continue;
        if (!fs::create_directory(made, code) && !fs::is_directory(made)) {
            error = made.string() + ": " + (code ? code.message() : "not a folder");
            return false;
        }
    }
    return true;
}

}  // namespace vox::importing
