#pragma once
// Deleting and reordering recorder files.

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "engine/rules/recorder_listing.h"

namespace vox::rules {

// The rows to delete, highest first, so that removing each from the list
// never shifts a row still to come. Duplicates are dropped.
std::vector<std::size_t> deletionOrder(std::vector<std::size_t> rows);

struct MoveAction {
    std::string shortName;  // the file to move
    std::size_t position;   // its new place among the folder's files, from 0
};

// Moving row `row` one place up or down; nothing when it is already first
// (up) or last (down), or when `row` is not in the listing.
std::optional<MoveAction> planMove(const RecorderListing& listing, std::size_t row, bool up);

}  // namespace vox::rules
