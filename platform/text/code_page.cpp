#include "platform/text/code_page.h"

#include <atomic>
#include <cstdlib>
#include <string>

#include "platform/text/utf8.h"

namespace vox::text {
namespace {

std::atomic<int> configured{0};  // 0: not chosen yet

int fromEnvironment() {
    const char* value = std::getenv("VOX_ANSI_CODEPAGE");
    if (value == nullptr) return kCodePageUtf8;
    char* end = nullptr;
    const long number = std::strtol(value, &end, 10);
    if (end == value || *end != '\0') return kCodePageUtf8;
    const int codePage = static_cast<int>(number);
    return isSupportedCodePage(codePage) ? codePage : kCodePageUtf8;
}

bool isDoubleByteLead(int codePage, std::uint8_t byte) {
    switch (codePage) {
        case 932:
            return (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC);
        case 936:
        case 949:
        case 950:
            return byte >= 0x81 && byte <= 0xFE;
        default:
            return false;
    }
}

}  // namespace

bool isSupportedCodePage(int codePage) {
    return codePage == kCodePageUtf8 || !iconvName(codePage).empty();
}

std::string_view iconvName(int codePage) {
    switch (codePage) {
        case 932:
            return "CP932";
        case 936:
            return "CP936";
        case 949:
            return "CP949";
        case 950:
            return "CP950";
        case 1250:
            return "CP1250";
        case 1251:
            return "CP1251";
        case 1252:
            return "CP1252";
        case 1253:
            return "CP1253";
        case 1254:
            return "CP1254";
        case 1255:
            return "CP1255";
        case 1256:
            return "CP1256";
        case 1257:
            return "CP1257";
        case 1258:
            return "CP1258";
        default:
            return {};
    }
}

int ansiCodePage() {
    int codePage = configured.load(std::memory_order_acquire);
    if (codePage == 0) {
        int expected = 0;
        configured.compare_exchange_strong(expected, fromEnvironment(), std::memory_order_acq_rel);
        codePage = configured.load(std::memory_order_acquire);
    }
    return codePage;
}

bool setAnsiCodePage(int codePage) {
    if (!isSupportedCodePage(codePage)) return false;
    configured.store(codePage, std::memory_order_release);
    return true;
}

bool isLeadByte(std::uint8_t byte) {
    const int codePage = ansiCodePage();
    if (codePage == kCodePageUtf8) return byte >= 0xC2 && byte <= 0xF4;
    return isDoubleByteLead(codePage, byte);
}

std::size_t characterLength(std::string_view text, std::size_t index) {
    if (index >= text.size()) return 0;
    const int codePage = ansiCodePage();
    if (codePage == kCodePageUtf8) return utf8::decode(text, index).length;
    const bool pair = isDoubleByteLead(codePage, static_cast<std::uint8_t>(text[index]));
    return pair && index + 1 < text.size() ? 2 : 1;
}

}  // namespace vox::text
