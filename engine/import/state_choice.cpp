#include "engine/import/state_choice.h"

#include <algorithm>
#include <filesystem>
#include <system_error>
#include <vector>

namespace vox::importing {

namespace {

namespace fs = std::filesystem;

constexpr std::string_view kStateSuffix = ".state";
constexpr std::size_t kFingerprintDigits = 16;

// The state files of one model and capacity in `folder`: the one named
// without a fingerprint (from before fingerprints) and those with one.
std::vector<std::string> statesOfModel(const std::string& folder, const std::string& unkeyed) {
    const std::string stem = unkeyed.substr(0, unkeyed.size() - kStateSuffix.size()) + "-";
    std::vector<std::string> names;
    std::error_code error;
    for (const fs::directory_entry& entry : fs::directory_iterator(folder, error)) {
        const std::string name = entry.path().filename().string();
        const bool keyed = name.size() == stem.size() + kFingerprintDigits + kStateSuffix.size() &&
                           name.starts_with(stem) && name.ends_with(kStateSuffix);
        if (keyed || name == unkeyed) names.push_back(name);
    }
    std::sort(names.begin(), names.end());
    return names;
}

bool records(const ImportState& state, const ImportedRecording& first) {
    const std::vector<ImportedRecording>& recordings = state.recordings();
    if (std::any_of(recordings.begin(), recordings.end(),
                    [&first](const ImportedRecording& r) { return r.checksum == first.checksum; }))
        return true;
    // A line written before checksums were kept knows the recording only by
    // its folder, name, size and date.
    const std::vector<std::string> sums = state.checksumsOf(first);
    return std::find(sums.begin(), sums.end(), "") != sums.end();
}

}  // namespace

StateChoice chooseStateFile(const std::string& folder, std::string_view model,
                            std::uint32_t capacityBytes, const ImportedRecording& first) {
    const std::string keyed = stateFileName(model, capacityBytes, first.checksum);
    std::error_code error;
    if (fs::exists(folder + "/" + keyed, error)) return {keyed, true};
    for (const std::string& name : statesOfModel(folder, stateFileName(model, capacityBytes))) {
        std::string loadError;
        const std::optional<ImportState> state = ImportState::load(folder + "/" + name, loadError);
        if (state && records(*state, first)) return {name, true};
    }
    return {keyed, false};
}

}  // namespace vox::importing
