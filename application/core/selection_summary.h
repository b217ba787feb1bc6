#pragma once
// What a list tells the main window about its selection (WM_STATUS_INFO with
// wParam kSelectionSummaryInfo): five 32-bit integers, sent synchronously so
// that the record may live on the sender's stack.

#include <cstddef>
#include <cstdint>

namespace vox::app {

inline constexpr unsigned kSelectionSummaryInfo = 0xFB8;
// wParam of a status message that shows an icon index.
inline constexpr unsigned kIconInfo = 0x925;

struct SelectionSummary {
    std::int32_t kind = 0;          // 1 PC selection, 0 recorder selection
    std::int32_t rows = 0;          // selected rows
    std::int32_t neededBlocks = 0;  // 32,768-byte blocks of the selected files; 0 for kind 0
    std::int32_t freeBlocks = 0;    // recorder free bytes >> 15; 0 for kind 0
    std::uint32_t bytes = 0;        // the selected files' sizes added up
};

static_assert(sizeof(SelectionSummary) == 20);
static_assert(offsetof(SelectionSummary, bytes) == 16);

}  // namespace vox::app
