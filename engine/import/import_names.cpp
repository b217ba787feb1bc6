#include "engine/import/import_names.h"

#include <algorithm>
#include <ctime>

namespace vox::importing {

namespace {

constexpr std::size_t kMaxFileName = 255;
constexpr int kMaxCounter = 9999;

int within(int value, int low, int high, int otherwise) {
    return value >= low && value <= high ? value : otherwise;
}

// The stored date with each field that is out of its range replaced by the
// start of that range, and days past a month's end carried into the next
// month (2004-02-30 is 2004-03-01). Fields in range stay as recorded: a
// recording made at 00:00 is named 00.00.
std::tm calendarTime(const rules::RecorderDate& date) {
    std::tm time{};
    time.tm_year = date.year - 1900;
    time.tm_mon = within(date.month, 1, 12, 1) - 1;
    time.tm_mday = within(date.day, 1, 31, 1);
    time.tm_hour = within(date.hour, 0, 23, 0);
    time.tm_min = within(date.minute, 0, 59, 0);
    time.tm_sec = within(date.second, 0, 59, 0);
    // Carries the day over and fills in the weekday for %a and the like.
    std::tm normalised = time;
    if (timegm(&normalised) != -1) return normalised;
    return time;
}

// strftime over literal pattern text only: the recorder's name never passes
// through it, so a '%' in a name stays a '%'.
std::string formatted(std::string_view text, const std::tm& time) {
    if (text.empty()) return {};
    const std::string format(text);
    std::string out(kMaxPatternLength * 16, '\0');
    const std::size_t length = std::strftime(out.data(), out.size(), format.c_str(), &time);
    out.resize(length);
    return out;
}

bool continuationByte(char c) {
    return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
}

}  // namespace

std::string importName(std::string_view pattern, const rules::ListedFile& file,
                       std::string_view folderLabel) {
    const std::tm time = calendarTime(file.date);
    std::string name;
    std::size_t literalStart = 0;
    for (std::size_t i = 0; i < pattern.size();) {
        std::string_view field;
        if (pattern.substr(i).starts_with("{name}"))
            field = "{name}";
        else if (pattern.substr(i).starts_with("{folder}"))
            field = "{folder}";
        if (field.empty()) {
            // A "%{" is a strftime field, not the start of one of ours.
            i += pattern[i] == '%' && i + 1 < pattern.size() ? 2 : 1;
            continue;
        }
        name += formatted(pattern.substr(literalStart, i - literalStart), time);
        name += field == "{name}" ? rules::plainName(file) : std::string(folderLabel);
        i += field.size();
        literalStart = i;
    }
    name += formatted(pattern.substr(literalStart), time);
    return safeFileName(name);
}

std::string safeFileName(std::string_view name) {
    std::string safe;
    for (char c : name) {
        const auto byte = static_cast<unsigned char>(c);
        safe += (c == '/' || byte < 0x20 || byte == 0x7F) ? '_' : c;
    }
    const std::size_t first = safe.find_first_not_of(' ');
    safe = first == std::string::npos ? std::string() : safe.substr(first);
    while (!safe.empty() && safe.back() == ' ') safe.pop_back();
    if (safe.empty()) safe = "recording";
    if (safe.front() == '.') safe.insert(0, "_");
    if (safe.size() > kMaxFileName) {
        const std::size_t dot = safe.rfind('.');
        const std::string extension =
            dot != std::string::npos && safe.size() - dot <= 16 ? safe.substr(dot) : std::string();
        std::size_t keep = kMaxFileName - extension.size();
        while (keep > 0 && continuationByte(safe[keep])) --keep;
        safe = safe.substr(0, keep) + extension;
    }
    return safe;
}

std::optional<std::string> freeName(const std::string& name,
                                    const std::function<bool(const std::string&)>& taken) {
    if (!taken(name)) return name;
    const std::size_t dot = name.rfind('.');
    const bool hasExtension = dot != std::string::npos && dot > 0;
    const std::string extension = hasExtension ? name.substr(dot) : std::string();
    // Room is kept for the counter, so cutting a long name never drops it.
    std::string stem = hasExtension ? name.substr(0, dot) : name;
    std::size_t keep =
        std::min(stem.size(), kMaxFileName - std::min(kMaxFileName, extension.size() + 8));
    while (keep > 0 && keep < stem.size() && continuationByte(stem[keep])) --keep;
    stem.resize(keep);
    for (int counter = 2; counter <= kMaxCounter; ++counter) {
        const std::string candidate =
            safeFileName(stem + " (" + std::to_string(counter) + ")" + extension);
        if (!taken(candidate)) return candidate;
    }
    return std::nullopt;
}

std::string withExtension(const std::string& name, std::string_view extension) {
    const std::size_t dot = name.rfind('.');
    const std::string stem = dot != std::string::npos && dot > 0 ? name.substr(0, dot) : name;
    return safeFileName(stem + std::string(extension));
}

}  // namespace vox::importing
