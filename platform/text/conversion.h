#pragma once
// Conversions between the ANSI code page in force and UTF-16 code units,
// what MultiByteToWideChar and WideCharToMultiByte give the Windows code.
// Both convert every byte or unit of their input, NULs included; bytes that
// do not form a character become U+FFFD, units that have no character in the
// code page (or unpaired surrogates) become '?'.

#include <string>
#include <string_view>

namespace vox::text {

std::u16string toWide(std::string_view ansi);
std::string fromWide(std::u16string_view wide);

}  // namespace vox::text
