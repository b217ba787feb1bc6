#include "platform/text/conversion.h"

#include <iconv.h>

#include <cerrno>
#include <string>

#include "platform/text/code_page.h"
#include "platform/text/utf8.h"

namespace vox::text {
namespace {

constexpr char16_t kWideReplacement = 0xFFFD;

// One iconv conversion descriptor for the life of a call.
class Converter {
  public:
    Converter(const char* to, const char* from) : handle_(iconv_open(to, from)) {}
    ~Converter() {
        if (valid()) iconv_close(handle_);
    }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;

    bool valid() const { return handle_ != reinterpret_cast<iconv_t>(-1); }

    // Converts as much of [in, in + inLeft) as iconv takes in one go; the
    // counters advance past what was converted.
    std::size_t step(const char*& in, std::size_t& inLeft, char*& out, std::size_t& outLeft) {
        char* source = const_cast<char*>(in);
        const std::size_t result = iconv(handle_, &source, &inLeft, &out, &outLeft);
        in = source;
        return result;
    }

  private:
    iconv_t handle_;
};

bool isHighSurrogate(char16_t unit) {
    return unit >= 0xD800 && unit <= 0xDBFF;
}
bool isLowSurrogate(char16_t unit) {
    return unit >= 0xDC00 && unit <= 0xDFFF;
}

void appendWide(std::u16string& out, char32_t codePoint) {
    if (codePoint < 0x10000) {
        out += static_cast<char16_t>(codePoint);
    } else {
        codePoint -= 0x10000;
        out += static_cast<char16_t>(0xD800 | (codePoint >> 10));
        out += static_cast<char16_t>(0xDC00 | (codePoint & 0x3FF));
    }
}

std::u16string utf8ToWide(std::string_view text) {
    std::u16string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        const utf8::Decoded character = utf8::decode(text, i);
        appendWide(out, character.codePoint);
        i += character.length;
    }
    return out;
}

std::string wideToUtf8(std::u16string_view wide) {
    std::string out;
    out.reserve(wide.size());
    for (std::size_t i = 0; i < wide.size(); ++i) {
        const char16_t unit = wide[i];
        if (isHighSurrogate(unit) && i + 1 < wide.size() && isLowSurrogate(wide[i + 1])) {
            const char32_t pair =
                0x10000 + ((char32_t{unit} - 0xD800) << 10) + (char32_t{wide[i + 1]} - 0xDC00);
            utf8::append(out, pair);
            ++i;
        } else if (isHighSurrogate(unit) || isLowSurrogate(unit)) {
            out += '?';
        } else {
            utf8::append(out, unit);
        }
    }
    return out;
}

std::u16string legacyToWide(std::string_view text, std::string_view codePageName) {
    const std::string from(codePageName);
    Converter converter("UTF-16LE", from.c_str());
    std::u16string out;
    if (!converter.valid()) return out;
    const char* in = text.data();
    std::size_t inLeft = text.size();
    while (inLeft > 0) {
        char16_t chunk[256];
        char* outBytes = reinterpret_cast<char*>(chunk);
        std::size_t outLeft = sizeof chunk;
        const std::size_t result = converter.step(in, inLeft, outBytes, outLeft);
        out.append(chunk, (sizeof chunk - outLeft) / sizeof(char16_t));
        if (result == static_cast<std::size_t>(-1) && errno != E2BIG) {
            // An invalid or truncated sequence: replace one byte and go on.
            out += kWideReplacement;
            ++in;
            --inLeft;
        }
    }
    return out;
}

std::string wideToLegacy(std::u16string_view wide, std::string_view codePageName) {
    const std::string to(codePageName);
    Converter converter(to.c_str(), "UTF-16LE");
    std::string out;
    if (!converter.valid()) return out;
    const char* in = reinterpret_cast<const char*>(wide.data());
    std::size_t inLeft = wide.size() * sizeof(char16_t);
    while (inLeft >= sizeof(char16_t)) {
        char chunk[512];
        char* outBytes = chunk;
        std::size_t outLeft = sizeof chunk;
        const std::size_t result = converter.step(in, inLeft, outBytes, outLeft);
        out.append(chunk, sizeof chunk - outLeft);
        if (result == static_cast<std::size_t>(-1) && errno != E2BIG) {
            // No character in this code page: the default character stands in.
            out += '?';
            in += sizeof(char16_t);
            inLeft -= sizeof(char16_t);
        }
    }
    return out;
}

}  // namespace

std::u16string toWide(std::string_view ansi) {
    const int codePage = ansiCodePage();
    if (codePage == kCodePageUtf8) return utf8ToWide(ansi);
    return legacyToWide(ansi, iconvName(codePage));
}

std::string fromWide(std::u16string_view wide) {
    const int codePage = ansiCodePage();
    if (codePage == kCodePageUtf8) return wideToUtf8(wide);
    return wideToLegacy(wide, iconvName(codePage));
}

}  // namespace vox::text
