#include "engine/rules/recorder_edits.h"

#include <algorithm>
#include <functional>

namespace vox::rules {

std::vector<std::size_t> deletionOrder(std::vector<std::size_t> rows) {
    std::sort(rows.begin(), rows.end(), std::greater<>());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    return rows;
}

std::optional<MoveAction> planMove(const RecorderListing& listing, std::size_t row, bool up) {
    if (row >= listing.files.size()) return std::nullopt;
    if (up ? row == 0 : row + 1 >= listing.files.size()) return std::nullopt;
    return MoveAction{listing.files[row].shortName, up ? row - 1 : row + 1};
}

}  // namespace vox::rules
