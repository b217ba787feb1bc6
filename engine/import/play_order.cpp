#include "engine/import/play_order.h"

#include <algorithm>
#include <list>
#include <numeric>
#include <tuple>

#include "engine/rules/text_case.h"

namespace vox::importing {

namespace {

// Marks the longest increasing subsequence of `values` (patience sorting,
// O(n log n)); those entries are already in their wanted relative order.
std::vector<bool> longestIncreasingRun(const std::vector<std::size_t>& values) {
    std::vector<std::size_t> tails;  // index into values of the smallest tail per length
    std::vector<std::size_t> previous(values.size(), values.size());
    for (std::size_t i = 0; i < values.size(); ++i) {
        auto at =
            std::lower_bound(tails.begin(), tails.end(), values[i],
                             [&](std::size_t tail, std::size_t v) { return values[tail] < v; });
        if (at != tails.begin()) previous[i] = *(at - 1);
        if (at == tails.end())
            tails.push_back(i);
        else
            *at = i;
    }
    std::vector<bool> kept(values.size(), false);
    for (std::size_t i = tails.empty() ? values.size() : tails.back(); i < values.size();
         i = previous[i])
        kept[i] = true;
    return kept;
}

}  // namespace

std::optional<std::vector<OrderMove>> planReorder(const std::vector<std::size_t>& wanted) {
    const std::size_t n = wanted.size();
    std::vector<std::size_t> rank(n, n);  // each row's place in the wanted order
    for (std::size_t place = 0; place < n; ++place) {
        if (wanted[place] >= n || rank[wanted[place]] != n) return std::nullopt;
        rank[wanted[place]] = place;
    }
    // Read in the current order, the ranks that rise form the files that stay.
    const std::vector<bool> stays = longestIncreasingRun(rank);

    // Every other file goes right behind its wanted predecessor, taken in
    // the wanted order so that the predecessor already stands where it
    // belongs relative to the files before it.
    std::list<std::size_t> folder(n);
    std::iota(folder.begin(), folder.end(), std::size_t{0});
    std::vector<OrderMove> moves;
    for (std::size_t place = 0; place < n; ++place) {
        const std::size_t row = wanted[place];
        if (stays[row]) continue;
        folder.remove(row);
        auto insertAt = folder.begin();
        if (place > 0)
            insertAt = std::next(std::find(folder.begin(), folder.end(), wanted[place - 1]));
        const auto position = static_cast<std::size_t>(std::distance(folder.begin(), insertAt));
        folder.insert(insertAt, row);
        moves.push_back({row, position});
    }
    return moves;
}

std::vector<std::size_t> namedFirstOrder(std::size_t rows, const std::vector<std::size_t>& named) {
    std::vector<std::size_t> order;
    std::vector<bool> placed(rows, false);
    for (std::size_t row : named) {
        if (row >= rows || placed[row]) continue;
        placed[row] = true;
        order.push_back(row);
    }
    for (std::size_t row = 0; row < rows; ++row)
        if (!placed[row]) order.push_back(row);
    return order;
}

std::vector<std::size_t> sortedOrder(const rules::RecorderListing& listing, SortKey key,
                                     bool reverse) {
    const auto& files = listing.files;
    std::vector<std::size_t> order(files.size());
    std::iota(order.begin(), order.end(), std::size_t{0});
    auto dateOf = [&](std::size_t row) {
        const rules::RecorderDate& d = files[row].date;
        return std::tie(d.year, d.month, d.day, d.hour, d.minute, d.second);
    };
    std::vector<std::string> names;
    if (key == SortKey::Name)
        for (const rules::ListedFile& file : files)
            names.push_back(rules::upperAscii(rules::plainName(file)));
    auto before = [&](std::size_t a, std::size_t b) {
        switch (key) {
            case SortKey::Name:
                return names[a] < names[b];
            case SortKey::Date:
                return dateOf(a) < dateOf(b);
            case SortKey::Size:
                break;
        }
        return files[a].size < files[b].size;
    };
    std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
        return reverse ? before(b, a) : before(a, b);
    });
    return order;
}

}  // namespace vox::importing
