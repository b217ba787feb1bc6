#pragma once
// What a list tells the main window about its selection (WM_STATUS_INFO
// with wParam 0xFB8): five 32-bit integers, sent synchronously so that the
// record may live on the sender's stack.

#include <cstdint>

namespace vox::app {

struct SelectionSummary {
    std::int32_t kind = 0;           // 1 the PC list
    std::int32_t rows = 0;           // selected rows
    std::uint32_t neededBlocks = 0;  // their files in 32,768-byte blocks, each rounded up
    std::uint32_t freeBlocks = 0;    // the recorder's free space in blocks
    std::uint32_t bytes = 0;         // their files' bytes
};

}  // namespace vox::app
