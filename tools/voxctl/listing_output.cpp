#include "tools/voxctl/listing_output.h"

#include <algorithm>
#include <cstdio>
#include <string_view>
#include <vector>

#include "engine/rules/size_text.h"
#include "engine/rules/text_case.h"
#include "platform/text/utf8.h"

namespace vox::voxctl {

namespace {

// Columns are measured in characters, not bytes, so UTF-8 names line up.
std::size_t displayWidth(const std::string& text) {
    return static_cast<std::size_t>(std::count_if(text.begin(), text.end(), [](char c) {
        return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    }));
}

std::string padded(const std::string& text, std::size_t width, bool right) {
    const std::size_t used = displayWidth(text);
    const std::string fill(used < width ? width - used : 0, ' ');
    return right ? fill + text : text + fill;
}

std::string trimmed(std::string text) {
    while (!text.empty() && text.back() == ' ') text.pop_back();
    return text;
}

// Files show the name the program shows; folders, which only voxctl lists,
// without the padding of their 8.3 fields.
std::string shownName(const rules::ListedFile& file) {
    return rules::isFolder(file) ? rules::plainName(file) : rules::entryName(file);
}

}  // namespace

std::string fileTypeName(const rules::ListedFile& file) {
    if (rules::isFolder(file)) return "File Folder";
    const std::string extension = rules::upperAscii(trimmed(file.extension));
    if (extension == "DVF") return "Voice File";
    if (extension == "MP3") return "MP3 Audio";
    if (extension == "WMA") return "WMA Audio";
    if (extension == "WAV") return "Wave Sound";
    if (extension.empty()) return "File";
    return extension + " File";
}

void printListing(std::ostream& out, const rules::RecorderListing& listing) {
    struct Row {
        std::string name, size, type, date;
    };
    std::vector<Row> rows;
    std::size_t widths[3] = {0, 0, 0};
    for (const rules::ListedFile& file : listing.files) {
        Row row{rules::printable(shownName(file)), rules::kilobyteColumnText(file.size),
                rules::printable(fileTypeName(file)), rules::listedDateText(file.date)};
        widths[0] = std::max(widths[0], displayWidth(row.name));
        widths[1] = std::max(widths[1], displayWidth(row.size));
        widths[2] = std::max(widths[2], displayWidth(row.type));
        rows.push_back(std::move(row));
    }
    for (const Row& row : rows)
        out << padded(row.name, widths[0], false) << "  " << padded(row.size, widths[1], true)
            << "  " << padded(row.type, widths[2], false) << "  " << row.date << '\n';
}

std::string jsonString(const std::string& text) {
    // JSON is UTF-8: a byte that does not start a whole UTF-8 character (a
    // short name in a legacy code page, say) becomes U+FFFD.
    constexpr std::string_view kEncodedReplacement = "\xEF\xBF\xBD";
    std::string quoted = "\"";
    for (std::size_t i = 0; i < text.size();) {
        const char c = text[i];
        const auto byte = static_cast<unsigned char>(c);
        if (byte >= 0x80) {
            const vox::text::utf8::Decoded decoded = vox::text::utf8::decode(text, i);
            const std::string_view bytes = std::string_view(text).substr(i, decoded.length);
            const bool invalid =
                decoded.codePoint == vox::text::utf8::kReplacement && bytes != kEncodedReplacement;
            quoted += invalid ? std::string("\\ufffd") : std::string(bytes);
            i += decoded.length;
            continue;
        }
        if (c == '"' || c == '\\') {
            quoted += '\\';
            quoted += c;
        } else if (byte < 0x20 || byte == 0x7F) {
            char escape[8];
            std::snprintf(escape, sizeof escape, "\\u%04x", byte);
            quoted += escape;
        } else {
            quoted += c;
        }
        ++i;
    }
    return quoted + '"';
}

void printListingJson(std::ostream& out, const std::string& folder,
                      const rules::RecorderListing& listing) {
    out << "{\"folder\":" << jsonString(folder) << ",\"totalBytes\":" << listing.totalBytes
        << ",\"freeBytes\":" << listing.freeBytes << ",\"files\":[";
    const char* separator = "";
    for (const rules::ListedFile& file : listing.files) {
        out << separator << "{\"name\":" << jsonString(shownName(file))
            << ",\"shortName\":" << jsonString(file.shortName) << ",\"size\":" << file.size
            << ",\"sizeText\":" << jsonString(rules::kilobyteColumnText(file.size))
            << ",\"type\":" << jsonString(fileTypeName(file))
            << ",\"folder\":" << (rules::isFolder(file) ? "true" : "false")
            << ",\"date\":" << jsonString(rules::listedDateText(file.date)) << '}';
        separator = ",";
    }
    out << "]}\n";
}

}  // namespace vox::voxctl
