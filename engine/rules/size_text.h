#pragma once
// The byte counts the user sees: the status bar and free-space text
// ("0.98KB", "5.00MB", "999Byte(s)") and the recorder list's Size column
// ("1,234KB").

#include <cstdint>
#include <string>

namespace vox::rules {

// Three significant figures in the largest unit that keeps the value under
// 1000 (units of 1024; the unit changes at 1,000 of the smaller one).
std::string sizeText(std::uint64_t bytes);

// Whole kilobytes rounded up, digits grouped by commas, "KB" with no space.
std::string kilobyteColumnText(std::uint64_t bytes);

}  // namespace vox::rules
