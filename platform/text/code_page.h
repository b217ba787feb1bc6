#pragma once
// The "ANSI code page": the byte encoding of every 8-bit string this system
// hands to the recorder or shows the user. On Linux it is UTF-8 (the file
// system's and the locale's encoding) unless a legacy Windows code page is
// configured, by setAnsiCodePage() or the environment variable
// VOX_ANSI_CODEPAGE.

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace vox::text {

constexpr int kCodePageUtf8 = 65001;

// The code page in force; read once from VOX_ANSI_CODEPAGE on first use
// (an unset, unknown or unsupported value gives UTF-8).
int ansiCodePage();
// Selects 65001, 932, 936, 949, 950 or 1250-1258. Returns false (and keeps
// the code page in force) for any other number.
bool setAnsiCodePage(int codePage);
bool isSupportedCodePage(int codePage);
// The iconv name of a legacy code page; empty for UTF-8 or an unknown one.
std::string_view iconvName(int codePage);

// True when `byte` begins a character of more than one byte in the code page
// in force (a UTF-8 lead byte, or a double-byte lead byte).
bool isLeadByte(std::uint8_t byte);
// Length in bytes of the character that starts at `text[index]`, never
// running past the end of `text`; 0 when `index` is at or past the end.
std::size_t characterLength(std::string_view text, std::size_t index);

}  // namespace vox::text
