#pragma once
// Case rules of hardware IDs, device IDs, registry paths and Windows file
// names: ASCII letters only, as the setup services compare them.

#include <algorithm>
#include <string>
#include <string_view>

namespace vox::setup {

inline char asciiUpper(char c) {
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

inline std::string asciiUpper(std::string_view text) {
    std::string upper(text);
    std::transform(upper.begin(), upper.end(), upper.begin(), [](char c) { return asciiUpper(c); });
    return upper;
}

inline bool equalsIgnoringCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return asciiUpper(x) == asciiUpper(y);
           });
}

}  // namespace vox::setup
