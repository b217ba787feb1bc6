#pragma once
// Counted UTF-16 strings (UNICODE_STRING) and the Rtl calls on them, plus
// the conversions between them and the UTF-8 text user mode passes in.

#include <string>
#include <string_view>

#include "platform/kernel/ntstatus.h"

namespace vox::kernel {

struct UNICODE_STRING {
    USHORT Length;         // bytes in use, without a terminator
    USHORT MaximumLength;  // bytes the buffer holds
    WCHAR* Buffer;
};

// Points `target` at a NUL-terminated `source` (no copy).
void RtlInitUnicodeString(UNICODE_STRING* target, const WCHAR* source);
// Copies as much of `source` as fits into `target`'s buffer.
void RtlCopyUnicodeString(UNICODE_STRING* target, const UNICODE_STRING* source);
// Frees a buffer the kernel allocated for the caller (as interface
// registration does) and empties the string.
void RtlFreeUnicodeString(UNICODE_STRING* string);

std::u16string_view view(const UNICODE_STRING& string);
std::u16string widen(std::string_view utf8);
std::string narrow(std::u16string_view utf16);
// Case-insensitive comparison for ASCII letters, as object names compare.
bool equalNames(std::u16string_view a, std::u16string_view b);

}  // namespace vox::kernel
