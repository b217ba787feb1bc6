#pragma once
// Case folding and display of recorder and PC names. Only ASCII bytes
// change; the bytes of multibyte characters pass unchanged, so a UTF-8 name
// never breaks.

#include <string>
#include <string_view>

namespace vox::rules {

std::string upperAscii(std::string_view text);

// A name as it may be shown on one line of a terminal or a message: control
// bytes (which could move the cursor or end the line) become '?'.
std::string printable(std::string_view text);

}  // namespace vox::rules
