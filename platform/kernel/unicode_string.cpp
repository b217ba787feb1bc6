#include "platform/kernel/unicode_string.h"

#include <algorithm>
#include <cstring>

#include "platform/kernel/pool.h"

namespace vox::kernel {

void RtlInitUnicodeString(UNICODE_STRING* target, const WCHAR* source) {
    std::size_t length = 0;
    if (source != nullptr) {
        while (source[length] != 0) ++length;
    }
    target->Buffer = const_cast<WCHAR*>(source);
    target->Length = static_cast<USHORT>(length * sizeof(WCHAR));
    target->MaximumLength = static_cast<USHORT>(source ? target->Length + sizeof(WCHAR) : 0);
}

void RtlCopyUnicodeString(UNICODE_STRING* target, const UNICODE_STRING* source) {
    if (source == nullptr || source->Buffer == nullptr) {
        target->Length = 0;
        return;
    }
    const USHORT bytes = std::min(source->Length, target->MaximumLength);
    std::memmove(target->Buffer, source->Buffer, bytes);
    target->Length = bytes;
    if (bytes + sizeof(WCHAR) <= target->MaximumLength) target->Buffer[bytes / sizeof(WCHAR)] = 0;
}

void RtlFreeUnicodeString(UNICODE_STRING* string) {
    if (string->Buffer != nullptr) ExFreePool(string->Buffer);
    string->Buffer = nullptr;
    string->Length = 0;
    string->MaximumLength = 0;
}

std::u16string_view view(const UNICODE_STRING& string) {
    if (string.Buffer == nullptr) return {};
    return {string.Buffer, string.Length / sizeof(WCHAR)};
}

std::u16string widen(std::string_view utf8) {
    std::u16string out;
    out.reserve(utf8.size());
    for (std::size_t i = 0; i < utf8.size();) {
        const auto lead = static_cast<unsigned char>(utf8[i]);
        std::size_t extra = lead < 0x80    ? 0
                            : lead >= 0xF0 ? 3
                            : lead >= 0xE0 ? 2
                            : lead >= 0xC0 ? 1
                                           : 0;
        if (i + extra >= utf8.size() && extra != 0) {
            out.push_back(u'\uFFFD');  // a sequence cut off at the end
            break;
        }
        char32_t code = extra == 0 ? lead : lead & (0x3F >> extra);
        for (std::size_t k = 1; k <= extra; ++k) {
            code = (code << 6) | (static_cast<unsigned char>(utf8[i + k]) & 0x3F);
        }
        i += extra + 1;
        if (code >= 0x10000) {
            code -= 0x10000;
            out.push_back(static_cast<char16_t>(0xD800 + (code >> 10)));
            out.push_back(static_cast<char16_t>(0xDC00 + (code & 0x3FF)));
        } else {
            out.push_back(static_cast<char16_t>(code));
        }
    }
    return out;
}

std::string narrow(std::u16string_view utf16) {
    std::string out;
    out.reserve(utf16.size());
    for (std::size_t i = 0; i < utf16.size(); ++i) {
        char32_t code = utf16[i];
        if (code >= 0xD800 && code < 0xDC00 && i + 1 < utf16.size() && utf16[i + 1] >= 0xDC00 &&
            utf16[i + 1] < 0xE000) {
            code = 0x10000 + ((code - 0xD800) << 10) + (utf16[++i] - 0xDC00);
        }
        if (code < 0x80) {
            out.push_back(static_cast<char>(code));
        } else if (code < 0x800) {
            out.push_back(static_cast<char>(0xC0 | (code >> 6)));
            out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
        } else if (code < 0x10000) {
            out.push_back(static_cast<char>(0xE0 | (code >> 12)));
            out.push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
        } else {
            out.push_back(static_cast<char>(0xF0 | (code >> 18)));
            out.push_back(static_cast<char>(0x80 | ((code >> 12) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
        }
    }
    return out;
}

bool equalNames(std::u16string_view a, std::u16string_view b) {
    if (a.size() != b.size()) return false;
    auto lower = [](char16_t c) { return c >= u'A' && c <= u'Z' ? char16_t(c + 32) : c; };
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (lower(a[i]) != lower(b[i])) return false;
    }
    return true;
}

}  // namespace vox::kernel
