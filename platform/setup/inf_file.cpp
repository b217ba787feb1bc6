#include "platform/setup/inf_file.h"

#include "platform/setup/ascii_case.h"

namespace vox::setup {

namespace {

std::string_view trimmed(std::string_view text) {
    const auto first = text.find_first_not_of(" \t\r");
    if (first == std::string_view::npos) return {};
    const auto last = text.find_last_not_of(" \t\r");
    return text.substr(first, last - first + 1);
}

// The line without its comment; a ';' inside double quotes is text.
std::string_view withoutComment(std::string_view line) {
    bool quoted = false;
    for (std::size_t i = 0; i < line.size(); ++i) {
        if (line[i] == '"') quoted = !quoted;
        if (line[i] == ';' && !quoted) return line.substr(0, i);
    }
    return line;
}

std::vector<std::string_view> fields(std::string_view list) {
    std::vector<std::string_view> parts;
    for (std::size_t start = 0;;) {
        const auto comma = list.find(',', start);
        parts.push_back(trimmed(
            list.substr(start, comma == std::string_view::npos ? list.npos : comma - start)));
        if (comma == std::string_view::npos) return parts;
        start = comma + 1;
    }
}

bool isPlainFileName(std::string_view name) {
    return !name.empty() && name != "." && name != ".." &&
           name.find_first_of(std::string_view("/\\:\0", 4)) == std::string_view::npos;
}

std::optional<InfCopyEntry> copyEntry(std::string_view line) {
    const auto parts = fields(line);
    const std::string_view target = parts[0];
    const std::string_view source = parts.size() > 1 && !parts[1].empty() ? parts[1] : target;
    if (!isPlainFileName(target) || !isPlainFileName(source)) return std::nullopt;
    return InfCopyEntry{std::string(target), std::string(source)};
}

}  // namespace

InfFile::InfFile(std::string_view text) {
    std::vector<std::string>* current = nullptr;
    for (std::size_t start = 0; start <= text.size();) {
        const auto end = text.find('\n', start);
        const std::string_view line = trimmed(withoutComment(
            text.substr(start, end == std::string_view::npos ? text.npos : end - start)));
        start = end == std::string_view::npos ? text.size() + 1 : end + 1;
        if (line.empty()) continue;
        if (line.front() == '[' && line.back() == ']') {
            current = &sections_[asciiUpper(trimmed(line.substr(1, line.size() - 2)))];
        } else if (current != nullptr) {
            current->emplace_back(line);
        }
    }
}

const std::vector<std::string>* InfFile::lines(std::string_view section) const {
    const auto found = sections_.find(asciiUpper(section));
    return found == sections_.end() ? nullptr : &found->second;
}

std::optional<std::vector<InfCopyEntry>> InfFile::filesOf(std::string_view section) const {
    const auto* install = lines(section);
    if (install == nullptr) return std::nullopt;
    std::vector<InfCopyEntry> entries;
    const auto add = [&](std::string_view line) {
        auto entry = copyEntry(line);
        if (entry) entries.push_back(std::move(*entry));
        return entry.has_value();
    };
    for (const std::string& line : *install) {
        const auto equals = line.find('=');
        if (equals == std::string::npos) {
            if (!add(line)) return std::nullopt;
            continue;
        }
        if (!equalsIgnoringCase(trimmed(std::string_view(line).substr(0, equals)), "CopyFiles"))
            continue;
        for (std::string_view item : fields(std::string_view(line).substr(equals + 1))) {
            if (item.starts_with('@')) {
                if (!add(item.substr(1))) return std::nullopt;
                continue;
            }
            const auto* list = lines(item);
            if (list == nullptr) return std::nullopt;
            for (const std::string& fileLine : *list)
                if (!add(fileLine)) return std::nullopt;
        }
    }
    return entries;
}

}  // namespace vox::setup
