#include "platform/text/upper_case.h"

#include "platform/text/code_page.h"
#include "platform/text/conversion.h"

namespace vox::text {
namespace {

// Simple capitals of the scripts the supported code pages carry.
char16_t capitalOf(char16_t unit) {
    if (unit >= u'a' && unit <= u'z') return unit - 0x20;
    if (unit >= 0x00E0 && unit <= 0x00FE && unit != 0x00F7) return unit - 0x20;
    if (unit == 0x00FF) return 0x0178;
    if (unit >= 0x0100 && unit <= 0x0137 && (unit & 1) && unit != 0x0131) return unit - 1;
    if (unit >= 0x0139 && unit <= 0x0148 && !(unit & 1)) return unit - 1;
    if (unit >= 0x014A && unit <= 0x0177 && (unit & 1)) return unit - 1;
    if (unit >= 0x0179 && unit <= 0x017E && !(unit & 1)) return unit - 1;
    if (unit >= 0x03B1 && unit <= 0x03C9 && unit != 0x03C2) return unit - 0x20;
    if (unit >= 0x0430 && unit <= 0x044F) return unit - 0x20;
    if (unit >= 0x0450 && unit <= 0x045F) return unit - 0x50;
    if (unit >= 0xFF41 && unit <= 0xFF5A) return unit - 0x20;  // full-width letters
    return unit;
}

}  // namespace

std::string upperCase(std::string_view ansi) {
    std::string out;
    out.reserve(ansi.size());
    for (std::size_t i = 0; i < ansi.size();) {
        const std::size_t length = characterLength(ansi, i);
        const std::string_view character = ansi.substr(i, length);
        i += length;
        if (length == 1 && static_cast<unsigned char>(character[0]) < 0x80) {
            const char byte = character[0];
            out += (byte >= 'a' && byte <= 'z') ? static_cast<char>(byte - 0x20) : byte;
            continue;
        }
        const std::u16string wide = toWide(character);
        if (wide.size() == 1 && capitalOf(wide[0]) != wide[0]) {
            const std::string capital = fromWide(std::u16string(1, capitalOf(wide[0])));
            if (capital.size() == length && capital != "?") {
                out += capital;
                continue;
            }
        }
        out += character;
    }
    return out;
}

}  // namespace vox::text
