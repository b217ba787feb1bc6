#include "engine/playback/marks.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>

#include "engine/import/import_places.h"
#include "platform/files/exclusive_file.h"

namespace vox::playback {
namespace {

// A file name from the identity: FNV-1a, 64 bits, in hexadecimal, so that
// any path or recorder name gives a plain name of fixed length.
std::string sideFileName(const std::string& identity) {
    std::uint64_t hash = 0xcbf29ce484222325ull;
    for (unsigned char c : identity) {
        hash ^= c;
        hash *= 0x100000001b3ull;
    }
    char name[32];
    std::snprintf(name, sizeof name, "%016llx.marks", static_cast<unsigned long long>(hash));
    return name;
}

}  // namespace

Marks::Marks(std::string folder, const std::string& identity)
    : folder_(std::move(folder)), file_(folder_ + "/" + sideFileName(identity)) {}

bool Marks::load() {
    marks_.clear();
    std::ifstream in(file_);
    if (!in) return !std::filesystem::exists(file_);
    std::uint64_t value = 0;
    while (in >> value) marks_.push_back(value);
    if (!in.eof()) return false;
    std::sort(marks_.begin(), marks_.end());
    marks_.erase(std::unique(marks_.begin(), marks_.end()), marks_.end());
    return true;
}

bool Marks::add(std::uint64_t milliseconds) {
    const auto at = std::lower_bound(marks_.begin(), marks_.end(), milliseconds);
    if (at != marks_.end() && *at == milliseconds) return true;
    marks_.insert(at, milliseconds);
    return save();
}

bool Marks::remove(std::uint64_t milliseconds) {
    const auto at = std::find(marks_.begin(), marks_.end(), milliseconds);
    if (at == marks_.end()) return true;
    marks_.erase(at);
    return save();
}

bool Marks::save() const {
    std::string error;
    if (!importing::makeFolders(folder_, error)) return false;
    std::string partial;
    std::FILE* out = files::createBeside(file_, partial);
    if (out == nullptr) return false;
    bool written = true;
    for (std::uint64_t mark : marks_)
        written = written && std::fprintf(out, "%llu\n", static_cast<unsigned long long>(mark)) > 0;
    written = std::fflush(out) == 0 && written;
    written = std::fclose(out) == 0 && written;
    if (written && std::rename(partial.c_str(), file_.c_str()) == 0) return true;
    std::remove(partial.c_str());
    return false;
}

std::string markText(std::uint64_t milliseconds) {
    const std::uint64_t seconds = milliseconds / 1000;
    char text[32];
    std::snprintf(text, sizeof text, "[%02llu:%02llu:%02llu]",
                  static_cast<unsigned long long>(seconds / 3600),
                  static_cast<unsigned long long>(seconds / 60 % 60),
                  static_cast<unsigned long long>(seconds % 60));
    return text;
}

}  // namespace vox::playback
