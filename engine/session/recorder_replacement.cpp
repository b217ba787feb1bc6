#include "engine/session/recorder_replacement.h"

#include <unistd.h>

#include <cstdlib>
#include <filesystem>

#include "device_library/firmware.h"
#include "engine/rules/text_case.h"
#include "engine/session/recorder_entries.h"

namespace vox::session {

namespace {

namespace fs = std::filesystem;

// Short enough for an 8.3 name on every firmware: "VOXNEW" and a number.
constexpr char kTemporaryBase[] = "VOXNEW";
constexpr int kTemporaryNumbers = 99;

bool nameTaken(const rules::RecorderListing& listing, const std::string& name) {
    if (rules::findFile(listing, name)) return true;
    const std::string upper = rules::upperAscii(name);
    for (const rules::ListedFile& file : listing.files)
        if (rules::upperAscii(rules::plainName(file)) == upper) return true;
    return false;
}

// The short name the recorder's commands take for `name`, from a fresh listing.
std::optional<std::string> shortNameOf(DeviceContext* link, const std::string& folderName,
                                       const std::string& name) {
    const std::optional<FolderRead> read = readFolder(link, folderName);
    if (!read) return std::nullopt;
    const std::optional<std::size_t> row = rules::findFile(read->listing, name);
    if (!row) return std::nullopt;
    return read->listing.files[*row].shortName;
}

std::string inQuotes(std::string_view text) {
    return "\"" + std::string(text) + "\"";
}

}  // namespace

std::optional<TemporarySendName> TemporarySendName::make(const std::string& pcPath,
                                                         const std::string& recorderName) {
    std::error_code error;
    const fs::path source = fs::absolute(pcPath, error);
    if (error) return std::nullopt;
    std::string pattern = (fs::temp_directory_path(error) / "vox-send-XXXXXX").string();
    if (error || ::mkdtemp(pattern.data()) == nullptr) return std::nullopt;
    const std::string link = (fs::path(pattern) / recorderName).string();
    if (::symlink(source.c_str(), link.c_str()) != 0) {
        ::rmdir(pattern.c_str());
        return std::nullopt;
    }
    return TemporarySendName(std::move(pattern), link);
}

TemporarySendName::TemporarySendName(TemporarySendName&& other) noexcept
    : folder_(std::move(other.folder_)), link_(std::move(other.link_)) {
    other.folder_.clear();
    other.link_.clear();
}

TemporarySendName::~TemporarySendName() {
    if (!link_.empty()) ::unlink(link_.c_str());
    if (!folder_.empty()) ::rmdir(folder_.c_str());
}

std::string temporaryRecorderName(const rules::RecorderListing& listing, std::string_view pcName) {
    const std::size_t dot = pcName.rfind('.');
    const std::string extension =
        dot == std::string_view::npos ? std::string() : std::string(pcName.substr(dot));
    for (int number = 1;; ++number) {
        std::string name = kTemporaryBase + std::to_string(number) + extension;
        // A folder holds fewer files than there are numbers, so one is free.
        if (!nameTaken(listing, name) || number == kTemporaryNumbers) return name;
    }
}

std::optional<std::string> completeReplacement(DeviceContext* link, const Replacement& replacement,
                                               const std::string& temporaryName,
                                               const std::string& finalName) {
    const std::optional<std::string> sent =
        shortNameOf(link, replacement.folderName, temporaryName);
    if (!sent)
        return "the new copy of " + inQuotes(finalName) +
               " cannot be found on the recorder; the old file was kept";
    if (QVDeleteFile(link, replacement.old.shortName.c_str(), STORE_MAIN) != 0)
        return "the recorder did not confirm deleting the old " + inQuotes(finalName) +
               "; the new copy is on the recorder as " + inQuotes(temporaryName);
    if (QVRenameFile(link, sent->c_str(), finalName.c_str(), STORE_MAIN) != 0)
        return "the new copy of " + inQuotes(finalName) + " is on the recorder as " +
               inQuotes(temporaryName) + " and could not be renamed";

    const std::optional<FolderRead> read = readFolder(link, replacement.folderName);
    if (!read) return inQuotes(finalName) + " was replaced; the recorder did not list it again";
    if (!devsys::canReorder(read->versionByte)) return std::nullopt;
    const std::optional<std::size_t> row = rules::findFile(read->listing, finalName);
    if (!row) return inQuotes(finalName) + " was replaced but is not listed under its name";
    if (*row == replacement.old.row) return std::nullopt;
    const std::string& shortName = read->listing.files[*row].shortName;
    if (QVReplaceFile(link, shortName.c_str(), static_cast<int>(replacement.old.row), STORE_MAIN) !=
        0)
        return inQuotes(finalName) +
               " was replaced but could not be put back at its place in the play order";
    return std::nullopt;
}

}  // namespace vox::session
