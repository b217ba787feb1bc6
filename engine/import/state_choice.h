#pragma once
// Which state file holds what was imported from one recorder. The recorder
// reports no serial number, only its model, firmware and capacity, so two
// recorders of one model and capacity are told apart by their content: the
// checksum of the first recording is part of the state file's name. That
// recording may be deleted later; the state is then found again among those
// of the same model and capacity by the checksums it records.

#include <cstdint>
#include <string>
#include <string_view>

#include "engine/import/import_state.h"

namespace vox::importing {

struct StateChoice {
    std::string name;    // the state file's name in the state folder
    bool found = false;  // an earlier state; false: a new one starts under `name`
};

// The state in `folder` for the recorder whose first recording is `first`
// (its checksum filled in): the one named after that recording, else the
// first of the same model and capacity that records its checksum (or, in a
// state file from before checksums, its folder, name, size and date), else
// a new one named after it.
StateChoice chooseStateFile(const std::string& folder, std::string_view model,
                            std::uint32_t capacityBytes, const ImportedRecording& first);

}  // namespace vox::importing
