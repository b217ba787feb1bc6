#pragma once
// What a list tells the status bar about its selection (WM_STATUS_INFO with
// wParam kSelectionSummaryInfo).

#include <cstddef>
#include <cstdint>

namespace vox::app {

inline constexpr unsigned kSelectionSummaryInfo = 0xFB8;
// wParam of a status message that shows an icon index.
inline constexpr unsigned kIconInfo = 0x925;

struct SelectionSummary {
    std::int32_t kind;          // 1 PC selection, 0 recorder selection
    std::int32_t count;         // selected rows
    std::int32_t neededBlocks;  // 32,768-byte blocks of the selected files; 0 for kind 0
    std::int32_t freeBlocks;    // recorder free bytes >> 15; 0 for kind 0
    std::uint32_t bytes;        // the selected files' sizes added up
};

static_assert(sizeof(SelectionSummary) == 20);
static_assert(offsetof(SelectionSummary, bytes) == 16);

}  // namespace vox::app
