#pragma once
// Upload (recorder files onto the PC): which PC file each selected recorder
// file becomes. A recorder name is used only when it is a plain file name,
// so nothing is ever written outside the target folder.

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "engine/rules/download_plan.h"
#include "engine/rules/recorder_listing.h"

namespace vox::rules {

struct UploadItem {
    std::string recorderName;  // the display short name the READ command takes
    std::string pcPath;
    std::uint32_t size = 0;
    std::uint64_t blocks = 0;
};

struct UploadPlan {
    using Outcome = PlanOutcome;
    Outcome outcome = Outcome::Ready;
    std::string message;
    std::vector<UploadItem> items;
    std::uint64_t totalBlocks = 0;
    std::size_t filesLeftOut = 0;
};

using PcPathExists = std::function<bool(const std::string& path)>;

// `targetFolder` is the PC folder the files go to (with or without a
// trailing '/'). An existing PC file is replaced only when `confirm` agrees.
// `pcNameOf` names each file on the PC: the program keeps the 8.3 fields as
// stored, voxctl trims their padding as import does.
UploadPlan planUpload(std::span<const ListedFile> selection, std::string_view targetFolder,
                      const PcPathExists& exists, const ConfirmOverwrite& confirm,
                      std::string (*pcNameOf)(const ListedFile&) = entryName);

// The refusal text when `name` is not a plain file name: empty, "." or "..",
// or holding '/', a NUL or a control character.
std::optional<std::string> unsafeNameRefusal(std::string_view name);

// `folder` and `name` joined with exactly one '/'.
std::string joinPcPath(std::string_view folder, std::string_view name);

}  // namespace vox::rules
