#include "engine/rules/size_text.h"

#include <cstdio>

namespace vox::rules {

std::string sizeText(std::uint64_t bytes) {
    char text[64];
    if (bytes < 1000) {
        std::snprintf(text, sizeof text, "%u%s", static_cast<unsigned>(bytes), "Byte(s)");
        return text;
    }
    // The last step is an exact multiplication by 1/1024; the steps before it
    // truncate, as the recorder's own display does.
    constexpr double kPerKilo = 0.0009765625;
    double value = 0;
    const char* unit = nullptr;
    if (bytes < 1024000) {
        value = static_cast<double>(bytes) * kPerKilo;
        unit = "KB";
    } else if (bytes < 1048576000) {
        value = static_cast<double>(bytes / 1024) * kPerKilo;
        unit = "MB";
    } else {
        value = static_cast<double>(bytes / 1048576) * kPerKilo;
        unit = "GB";
    }
    const char* format = value < 10 ? "%.2f%s" : value < 100 ? "%.1f%s" : "%.0f%s";
    std::snprintf(text, sizeof text, format, value, unit);
    return text;
}

std::string kilobyteColumnText(std::uint64_t bytes) {
    const std::string digits = std::to_string((bytes + 1023) / 1024);
    std::string grouped;
    for (std::size_t i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0) grouped += ',';
        grouped += digits[i];
    }
    return grouped + "KB";
}

}  // namespace vox::rules
