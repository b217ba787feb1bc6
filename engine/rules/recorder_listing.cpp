#include "engine/rules/recorder_listing.h"

#include <cstdio>
#include <ctime>

#include "engine/rules/text_case.h"

namespace vox::rules {

std::string entryName(const ListedFile& file) {
    if (file.hasLongName) return file.longName;
    return file.baseName + "." + file.extension;
}

namespace {

std::string withoutPadding(std::string field) {
    while (!field.empty() && field.back() == ' ') field.pop_back();
    return field;
}

std::optional<std::size_t> findBy(const RecorderListing& listing, std::string_view name,
                                  std::string (*nameOf)(const ListedFile&)) {
    const std::string wanted = upperAscii(name);
    for (std::size_t row = 0; row < listing.files.size(); ++row)
        if (upperAscii(nameOf(listing.files[row])) == wanted) return row;
    return std::nullopt;
}

}  // namespace

std::string plainName(const ListedFile& file) {
    if (file.hasLongName) return file.longName;
    const std::string extension = withoutPadding(file.extension);
    return withoutPadding(file.baseName) + (extension.empty() ? "" : "." + extension);
}

std::optional<std::size_t> findFile(const RecorderListing& listing, std::string_view name) {
    return findBy(listing, name, entryName);
}

std::optional<std::size_t> findTypedName(const RecorderListing& listing, std::string_view name) {
    if (auto row = findFile(listing, name)) return row;
    return findBy(listing, name, plainName);
}

std::string_view pcFileName(std::string_view pcPath) {
    if (!pcPath.empty() && pcPath.back() == '/') pcPath.remove_suffix(1);
    const std::size_t slash = pcPath.rfind('/');
    return slash == std::string_view::npos ? pcPath : pcPath.substr(slash + 1);
}

RecorderDate shownDate(const RecorderDate& date) {
    auto within = [](int value, int low, int high) { return value >= low && value <= high; };
    std::tm calendar{};
    calendar.tm_mday = within(date.day, 1, 31) ? date.day : 1;
    calendar.tm_mon = (within(date.month, 1, 12) ? date.month : 1) - 1;
    calendar.tm_year = (date.year < 1900 ? 1900 : date.year) - 1900;
    calendar.tm_hour = within(date.hour, 1, 24) ? date.hour : 1;
    calendar.tm_min = within(date.minute, 1, 60) ? date.minute : 1;
    calendar.tm_sec = within(date.second, 1, 60) ? date.second : 1;
    // timegm normalises the carried fields without a time zone's gaps; with
    // a 64-bit time it also covers the years before 1970.
    const std::time_t normalised = timegm(&calendar);
    std::tm shown{};
    gmtime_r(&normalised, &shown);
    return {shown.tm_year + 1900, shown.tm_mon + 1, shown.tm_mday,
            shown.tm_hour,        shown.tm_min,     shown.tm_sec};
}

std::string listedDateText(const RecorderDate& date) {
    const RecorderDate shown = shownDate(date);
    char text[64];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d", shown.year, shown.month, shown.day,
                  shown.hour, shown.minute);
    return text;
}

}  // namespace vox::rules
