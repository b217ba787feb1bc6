#include "platform/kernel/debug_print.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <mutex>

#include "platform/kernel/unicode_string.h"

namespace vox::kernel {
namespace {

struct DebugSink {
    std::mutex mutex;
    bool capturing = false;
    DebugOutput destination = DebugOutput::StandardOutput;
    std::string captured;
};

// Never destroyed: drivers and buses torn down by other libraries at
// process exit still reach it after this library's statics are gone.
DebugSink& sink() {
    static DebugSink& instance = *new DebugSink;
    return instance;
}

// Formats one conversion (the text from '%' to its conversion letter) with
// the next argument of `args`.
void formatConversion(std::string& out, const std::string& spec, char conversion, va_list& args) {
    char piece[128];
    int written = 0;
    const bool isLong = spec.find('l') != std::string::npos;
    switch (conversion) {
        case 'd':
        case 'i':
            written = isLong ? std::snprintf(piece, sizeof piece, spec.c_str(), va_arg(args, long))
                             : std::snprintf(piece, sizeof piece, spec.c_str(), va_arg(args, int));
            break;
        case 'u':
        case 'x':
        case 'X':
            written =
                isLong
                    ? std::snprintf(piece, sizeof piece, spec.c_str(), va_arg(args, unsigned long))
                    : std::snprintf(piece, sizeof piece, spec.c_str(), va_arg(args, unsigned));
            break;
        case 'c':
            written = std::snprintf(piece, sizeof piece, spec.c_str(), va_arg(args, int));
            break;
        case 'p':
            written = std::snprintf(piece, sizeof piece, spec.c_str(), va_arg(args, void*));
            break;
        default:
            out += spec;
            return;
    }
    if (written > 0)
        out.append(piece,
                   static_cast<std::size_t>(written) < sizeof piece ? written : sizeof piece - 1);
}

std::string format(const char* text, va_list& args) {
    std::string out;
    for (const char* p = text; *p != 0; ++p) {
        if (*p != '%') {
            out.push_back(*p);
            continue;
        }
        if (p[1] == '%') {
            out.push_back('%');
            ++p;
            continue;
        }
        if (p[1] == 'w' && p[2] == 's') {
            const auto* wide = va_arg(args, const char16_t*);
            out += wide ? narrow(std::u16string_view(wide)) : std::string("(null)");
            p += 2;
            continue;
        }
        const char* end = p + 1;
        while (*end != 0 && std::strchr("-+ #0123456789.lhz", *end) != nullptr) ++end;
        if (*end == 0) break;
        if (*end == 's') {
            const char* narrowText = va_arg(args, const char*);
            std::string spec(p, end + 1);
            char piece[512];
            const int n = std::snprintf(piece, sizeof piece, spec.c_str(),
                                        narrowText ? narrowText : "(null)");
            if (n > 0)
                out.append(piece,
                           static_cast<std::size_t>(n) < sizeof piece ? n : sizeof piece - 1);
        } else {
            formatConversion(out, std::string(p, end + 1), *end, args);
        }
        p = end;
    }
    return out;
}

}  // namespace

void DbgPrint(const char* text, ...) {
    va_list args;
    va_start(args, text);
    const std::string line = format(text, args);
    va_end(args);
    DebugSink& s = sink();
    std::lock_guard lock(s.mutex);
    if (s.capturing) {
        s.captured += line;
    } else if (s.destination != DebugOutput::Nowhere) {
        std::FILE* out = s.destination == DebugOutput::StandardError ? stderr : stdout;
        std::fwrite(line.data(), 1, line.size(), out);
        std::fflush(out);
    }
}

void setDebugOutput(DebugOutput destination) {
    DebugSink& s = sink();
    std::lock_guard lock(s.mutex);
    s.destination = destination;
}

void captureDebugOutput(bool capture) {
    DebugSink& s = sink();
    std::lock_guard lock(s.mutex);
    s.capturing = capture;
}

std::string takeDebugOutput() {
    DebugSink& s = sink();
    std::lock_guard lock(s.mutex);
    std::string out;
    out.swap(s.captured);
    return out;
}

}  // namespace vox::kernel
