#pragma once
// UTF-8 decoding and encoding shared by the code page rules and the
// conversions. Invalid or truncated sequences decode as one byte each
// (U+FFFD), the way the Windows conversions treat them.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace vox::text::utf8 {

constexpr char32_t kReplacement = 0xFFFD;

struct Decoded {
    char32_t codePoint;
    std::size_t length;  // bytes taken, at least 1
};

// Decodes the character at text[index]; index must be inside text.
Decoded decode(std::string_view text, std::size_t index);
void append(std::string& out, char32_t codePoint);

}  // namespace vox::text::utf8
