// Reaching a wanted play order with the fewest MOVE commands, checked by
// carrying the moves out the way the recorder does.

#include "engine/import/play_order.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>
#include <random>

namespace vox::importing {
namespace {

// The recorder's MOVE: take the file out, put it back at `position`.
std::vector<std::size_t> carriedOut(std::size_t rows, const std::vector<OrderMove>& moves) {
    std::vector<std::size_t> folder(rows);
    std::iota(folder.begin(), folder.end(), std::size_t{0});
    for (const OrderMove& move : moves) {
        auto from = std::find(folder.begin(), folder.end(), move.row);
        EXPECT_NE(from, folder.end());
        EXPECT_LT(move.position, rows);
        folder.erase(from);
        folder.insert(folder.begin() + static_cast<std::ptrdiff_t>(move.position), move.row);
    }
    return folder;
}

// The fewest moves any plan can have: files outside a longest run that is
// already in order, found here by brute force over subsets.
std::size_t fewestMoves(const std::vector<std::size_t>& wanted) {
    const std::size_t n = wanted.size();
    std::vector<std::size_t> rank(n);
    for (std::size_t i = 0; i < n; ++i) rank[wanted[i]] = i;
    std::size_t best = 0;
    for (unsigned mask = 0; mask < (1u << n); ++mask) {
        std::size_t last = 0, count = 0;
        bool rising = true;
        for (std::size_t row = 0; row < n && rising; ++row) {
            if (!(mask & (1u << row))) continue;
            if (count > 0 && rank[row] < last) rising = false;
            last = rank[row];
            ++count;
        }
        if (rising) best = std::max(best, count);
    }
    return n - best;
}

TEST(PlayOrderTest, EveryPermutationIsReachedWithTheFewestMoves) {
    std::vector<std::size_t> wanted{0, 1, 2, 3, 4};
    do {
        const auto moves = planReorder(wanted);
        ASSERT_TRUE(moves);
        EXPECT_EQ(carriedOut(wanted.size(), *moves), wanted);
        EXPECT_EQ(moves->size(), fewestMoves(wanted));
    } while (std::next_permutation(wanted.begin(), wanted.end()));
}

TEST(PlayOrderTest, LargeFoldersAreReachedToo) {
    std::mt19937 random(7);
    for (std::size_t rows : {0u, 1u, 2u, 40u, 99u}) {
        std::vector<std::size_t> wanted(rows);
        std::iota(wanted.begin(), wanted.end(), std::size_t{0});
        std::shuffle(wanted.begin(), wanted.end(), random);
        const auto moves = planReorder(wanted);
        ASSERT_TRUE(moves);
        EXPECT_EQ(carriedOut(rows, *moves), wanted) << rows;
    }
    // The last file to the front is one move, not one per file behind it.
    std::vector<std::size_t> lastFirst{98};
    for (std::size_t row = 0; row < 98; ++row) lastFirst.push_back(row);
    EXPECT_EQ(planReorder(lastFirst)->size(), 1u);
}

TEST(PlayOrderTest, OrdersThatAreNotPermutationsAreRefused) {
    EXPECT_FALSE(planReorder({0, 0, 1}));
    EXPECT_FALSE(planReorder({0, 3, 1}));
}

TEST(PlayOrderTest, NamedFilesComeFirstAndTheRestKeepTheirOrder) {
    EXPECT_EQ(namedFirstOrder(5, {3, 1}), (std::vector<std::size_t>{3, 1, 0, 2, 4}));
    EXPECT_EQ(namedFirstOrder(3, {2, 2, 0}), (std::vector<std::size_t>{2, 0, 1}));
}

rules::ListedFile file(const char* name, std::uint32_t size, int day) {
    rules::ListedFile f;
    f.longName = name;
    f.hasLongName = true;
    f.size = size;
    f.date = {2026, 12, day, 10, 0, 0};
    return f;
}

TEST(PlayOrderTest, SortKeysAndReverseKeepTiesInTheirOrder) {
    rules::RecorderListing listing;
    listing.files = {file("b.dvf", 30, 3), file("A.dvf", 10, 1), file("c.dvf", 10, 2),
                     file("a2.dvf", 20, 1)};
    using V = std::vector<std::size_t>;
    EXPECT_EQ(sortedOrder(listing, SortKey::Name, false), (V{1, 3, 0, 2}));
    EXPECT_EQ(sortedOrder(listing, SortKey::Size, false), (V{1, 2, 3, 0}));
    EXPECT_EQ(sortedOrder(listing, SortKey::Size, true), (V{0, 3, 1, 2}));
    EXPECT_EQ(sortedOrder(listing, SortKey::Date, false), (V{1, 3, 2, 0}));
    EXPECT_EQ(sortedOrder(listing, SortKey::Date, true), (V{0, 2, 1, 3}));
}

}  // namespace
}  // namespace vox::importing
