#pragma once
// Case folding for recorder and PC names. Only ASCII letters change; the
// bytes of multibyte characters pass unchanged, so a UTF-8 name never breaks.

#include <string>
#include <string_view>

namespace vox::rules {

std::string upperAscii(std::string_view text);

}  // namespace vox::rules
