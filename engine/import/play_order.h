#pragma once
// Reordering a recorder folder with the recorder's MOVE command, which takes
// one file out of the play order and puts it back at a given place (counted
// from 0 over the folder's files). A new order is reached with the fewest
// such moves: the longest run of files that already stand in the wanted
// relative order stays where it is, and every other file is moved once.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "engine/rules/recorder_listing.h"

namespace vox::importing {

struct OrderMove {
    std::size_t row;       // the file's row in the listing it was planned from
    std::size_t position;  // its place in the folder once this move is done
};

// The moves that turn the order `current` (row numbers 0..n-1 in play
// order, as listed) into `wanted` (a permutation of the same rows), in the
// order they are to be sent. Empty when the two already agree; none when
// `wanted` is not a permutation of 0..n-1.
std::optional<std::vector<OrderMove>> planReorder(const std::vector<std::size_t>& wanted);

// `named` rows first, in the order given, then every other row in its
// current order. Duplicates in `named` count once.
std::vector<std::size_t> namedFirstOrder(std::size_t rows, const std::vector<std::size_t>& named);

enum class SortKey { Name, Date, Size };

// The rows sorted by `key` (names without regard to case, dates oldest
// first, sizes smallest first, or the other way round with `reverse`), ties
// kept in their current order.
std::vector<std::size_t> sortedOrder(const rules::RecorderListing& listing, SortKey key,
                                     bool reverse);

}  // namespace vox::importing
