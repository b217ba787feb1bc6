#include "platform/text/time_text.h"

#include <langinfo.h>

#include <cctype>

namespace vox::text {
namespace {

std::tm toTm(const LocalTime& time) {
    std::tm parts{};
    parts.tm_year = time.year - 1900;
    parts.tm_mon = time.month - 1;
    parts.tm_mday = time.day;
    parts.tm_hour = time.hour;
    parts.tm_min = time.minute;
    parts.tm_sec = time.second;
    parts.tm_isdst = -1;
    return parts;
}

}  // namespace

std::time_t secondsOf(const LocalTime& time) {
    std::tm parts = toTm(time);
    return std::mktime(&parts);
}

namespace {

std::string format(const LocalTime& time, const char* pattern) {
    const std::tm parts = toTm(time);
    char text[128];
    const std::size_t length = std::strftime(text, sizeof text, pattern, &parts);
    return std::string(text, length);
}

// The locale's time pattern with its seconds field and the separator before
// it removed. The combined fields %T and %r are spelled out first.
std::string patternWithoutSeconds() {
    std::string pattern = nl_langinfo(T_FMT);
    for (std::size_t at = pattern.find("%T"); at != std::string::npos; at = pattern.find("%T"))
        pattern.replace(at, 2, "%H:%M:%S");
    for (std::size_t at = pattern.find("%r"); at != std::string::npos; at = pattern.find("%r"))
        pattern.replace(at, 2, nl_langinfo(T_FMT_AMPM));
    const std::size_t seconds = pattern.find("%S");
    if (seconds == std::string::npos) return pattern;
    const bool separated =
        seconds > 0 && std::isalnum(static_cast<unsigned char>(pattern[seconds - 1])) == 0;
    const std::size_t from = separated ? seconds - 1 : seconds;
    pattern.erase(from, seconds + 2 - from);
    return pattern;
}

}  // namespace

LocalTime localTimeNow() {
    return localTimeOf(std::time(nullptr));
}

LocalTime localTimeOf(std::time_t when) {
    std::tm parts{};
    localtime_r(&when, &parts);
    LocalTime time;
    time.year = parts.tm_year + 1900;
    time.month = parts.tm_mon + 1;
    time.day = parts.tm_mday;
    time.hour = parts.tm_hour;
    time.minute = parts.tm_min;
    time.second = parts.tm_sec;
    return time;
}

std::uint16_t fatDate(const LocalTime& time) {
    const unsigned years = static_cast<unsigned>(time.year - 1980) & 0x7F;
    return static_cast<std::uint16_t>(years << 9 | (static_cast<unsigned>(time.month) & 0x0F) << 5 |
                                      (static_cast<unsigned>(time.day) & 0x1F));
}

std::uint16_t fatTime(const LocalTime& time) {
    return static_cast<std::uint16_t>((static_cast<unsigned>(time.hour) & 0x1F) << 11 |
                                      (static_cast<unsigned>(time.minute) & 0x3F) << 5 |
                                      (static_cast<unsigned>(time.second) / 2 & 0x1F));
}

std::string shortDateText(const LocalTime& time) {
    return format(time, "%x");
}
std::string timeText(const LocalTime& time) {
    return format(time, "%X");
}
std::string timeTextWithoutSeconds(const LocalTime& time) {
    return format(time, patternWithoutSeconds().c_str());
}

}  // namespace vox::text
