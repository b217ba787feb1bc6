#pragma once
// Upper-casing of text in the ANSI code page, character by character: a
// letter becomes its capital when the capital has a character in the code
// page of the same byte length, so the text keeps its length in bytes (the
// recorder's fixed-width short names rely on that). Double-byte and other
// multibyte characters without such a capital stay as they are.

#include <string>
#include <string_view>

namespace vox::text {

std::string upperCase(std::string_view ansi);

}  // namespace vox::text
