#include "engine/import/import_state.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <tuple>
#include <utility>

#include "platform/files/exclusive_file.h"

namespace vox::importing {

namespace {

constexpr std::string_view kHeader = "voxerin import state 1";

// Names may hold any byte but these, which would break the line format.
std::string escaped(std::string_view text) {
    std::string out;
    for (char c : text) {
        switch (c) {
            case '\\':
                out += "\\\\";
                break;
            case '\t':
                out += "\\t";
                break;
            case '\n':
                out += "\\n";
                break;
            case '\r':
                out += "\\r";
                break;
            default:
                out += c;
        }
    }
    return out;
}

std::optional<std::string> unescaped(std::string_view text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\') {
            out += text[i];
            continue;
        }
        if (++i == text.size()) return std::nullopt;
        switch (text[i]) {
            case '\\':
                out += '\\';
                break;
            case 't':
                out += '\t';
                break;
            case 'n':
                out += '\n';
                break;
            case 'r':
                out += '\r';
                break;
            default:
                return std::nullopt;
        }
    }
    return out;
}

std::vector<std::string_view> fields(std::string_view line) {
    std::vector<std::string_view> parts;
    for (std::size_t tab; (tab = line.find('\t')) != std::string_view::npos;) {
        parts.push_back(line.substr(0, tab));
        line.remove_prefix(tab + 1);
    }
    parts.push_back(line);
    return parts;
}

std::string dateText(const rules::RecorderDate& d) {
    char text[64];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d", d.year, d.month, d.day,
                  d.hour, d.minute, d.second);
    return text;
}

std::optional<rules::RecorderDate> parseDate(std::string_view text) {
    rules::RecorderDate d;
    char tail = 0;
    const std::string copy(text);
    if (std::sscanf(copy.c_str(), "%d-%d-%d %d:%d:%d%c", &d.year, &d.month, &d.day, &d.hour,
                    &d.minute, &d.second, &tail) != 6)
        return std::nullopt;
    return d;
}

std::optional<std::uint32_t> parseSize(std::string_view text) {
    if (text.empty() || text.size() > 10) return std::nullopt;
    std::uint64_t value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return std::nullopt;
        value = value * 10 + static_cast<std::uint64_t>(c - '0');
    }
    if (value > UINT32_MAX) return std::nullopt;
    return static_cast<std::uint32_t>(value);
}

bool isChecksum(std::string_view text) {
    return text.size() == 16 &&
           text.find_first_not_of("0123456789abcdef") == std::string_view::npos;
}

// folder, size, date, [checksum,] name: lines of older state files have no
// checksum.
std::optional<ImportedRecording> parseLine(std::string_view line) {
    const auto parts = fields(line);
    if ((parts.size() != 4 && parts.size() != 5) || parts[0].empty()) return std::nullopt;
    const auto size = parseSize(parts[1]);
    const auto date = parseDate(parts[2]);
    auto name = unescaped(parts.back());
    if (!size || !date || !name || name->empty()) return std::nullopt;
    if (parts.size() == 5 && !isChecksum(parts[3])) return std::nullopt;
    return ImportedRecording{std::string(parts[0]), std::move(*name), *size, *date,
                             parts.size() == 5 ? std::string(parts[3]) : std::string()};
}

// Folder, size, date and name as a line of the file would have them: a key
// equal exactly when those four are (the escaping is one-to-one).
std::string identityOf(const ImportedRecording& r) {
    return escaped(r.folder) + "\t" + std::to_string(r.size) + "\t" + dateText(r.date) + "\t" +
           escaped(r.name);
}

std::string lineOf(const ImportedRecording& r) {
    if (r.checksum.empty()) return identityOf(r);
    return escaped(r.folder) + "\t" + std::to_string(r.size) + "\t" + dateText(r.date) + "\t" +
           r.checksum + "\t" + escaped(r.name);
}

// Reads up to `limit` bytes of `fd` into `content`.
bool readAtMost(int fd, std::size_t limit, std::string& content) {
    char buffer[1 << 15];
    while (content.size() < limit) {
        const ssize_t got = ::read(fd, buffer, std::min(sizeof buffer, limit - content.size()));
        if (got == 0) return true;
        if (got < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        content.append(buffer, static_cast<std::size_t>(got));
    }
    return true;
}

}  // namespace

bool operator==(const ImportedRecording& a, const ImportedRecording& b) {
    auto fields = [](const ImportedRecording& r) {
        const rules::RecorderDate& d = r.date;
        return std::tie(r.folder, r.name, r.size, d.year, d.month, d.day, d.hour, d.minute,
                        d.second, r.checksum);
    };
    return fields(a) == fields(b);
}

ImportedRecording recordingOf(std::string_view folder, const rules::ListedFile& file) {
    return {std::string(folder), rules::plainName(file), file.size, file.date, {}};
}

bool ImportState::contains(const ImportedRecording& recording) const {
    return checksums_.count(identityOf(recording)) != 0;
}

std::vector<std::string> ImportState::checksumsOf(const ImportedRecording& recording) const {
    const auto found = checksums_.find(identityOf(recording));
    return found == checksums_.end() ? std::vector<std::string>{} : found->second;
}

void ImportState::add(ImportedRecording recording) {
    std::vector<std::string>& sums = checksums_[identityOf(recording)];
    if (std::find(sums.begin(), sums.end(), recording.checksum) != sums.end()) return;
    sums.push_back(recording.checksum);
    recordings_.push_back(std::move(recording));
}

void ImportState::remove(const ImportedRecording& recording) {
    const auto found = checksums_.find(identityOf(recording));
    if (found == checksums_.end()) return;
    std::erase(found->second, recording.checksum);
    if (found->second.empty()) checksums_.erase(found);
    recordings_.erase(std::remove(recordings_.begin(), recordings_.end(), recording),
                      recordings_.end());
}

std::string ImportState::text() const {
    std::string out = std::string(kHeader) + "\n";
    for (const ImportedRecording& r : recordings_) out += lineOf(r) + "\n";
    return out;
}

ImportState ImportState::parse(std::string_view text) {
    ImportState state;
    bool first = true;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
        if (std::exchange(first, false) && line == kHeader) continue;
        if (line.empty()) continue;
        if (auto recording = parseLine(line))
            state.add(std::move(*recording));
        else
            ++state.skippedLines_;
    }
    return state;
}

std::optional<ImportState> ImportState::load(const std::string& path, std::string& error) {
    // Opened without waiting (a FIFO would wait for a writer) and read only
    // when it is a plain file of a state file's size: a link to a device or
    // a FIFO, or a huge file, is refused instead of read.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) {
        if (errno == ENOENT) return ImportState{};
        error = path + ": " + std::strerror(errno);
        return std::nullopt;
    }
    struct stat status {};
    std::string content, refusal;
    bool ok = ::fstat(fd, &status) == 0;
    if (ok && !S_ISREG(status.st_mode))
        refusal = path + ": is not a plain file";
    else if (ok && status.st_size > static_cast<off_t>(kMaxStateBytes))
        refusal = path + ": is larger than a state file can be (" + std::to_string(kMaxStateBytes) +
                  " bytes)";
    else if (ok)
        ok = readAtMost(fd, kMaxStateBytes + 1, content);
    const int cause = errno;
    ::close(fd);
    if (!refusal.empty()) {
        error = refusal;
        return std::nullopt;
    }
    if (!ok || content.size() > kMaxStateBytes) {
        error =
            path + ": cannot be read" +
            (ok ? std::string(": it grew while read") : ": " + std::string(std::strerror(cause)));
        return std::nullopt;
    }
    return parse(content);
}

bool ImportState::save(const std::string& linkOrPath, std::string& error) const {
    // A state file that is a symbolic link is replaced at its target, so
    // that the link stays.
    std::error_code noTarget;
    const std::filesystem::path target =
        std::filesystem::is_symlink(linkOrPath, noTarget)
            ? std::filesystem::weakly_canonical(linkOrPath, noTarget)
            : std::filesystem::path(linkOrPath);
    const std::string path = noTarget ? linkOrPath : target.string();
    std::string temporary;
    std::FILE* file = files::createBeside(path, temporary);
    if (file == nullptr) {
        error = path + ": " + std::strerror(errno);
        return false;
    }
    const std::string content = text();
    const bool written = std::fwrite(content.data(), 1, content.size(), file) == content.size() &&
                         std::fflush(file) == 0 && ::fsync(fileno(file)) == 0;
    const int writeError = errno;
    const bool closed = std::fclose(file) == 0;
    if (!written || !closed || std::rename(temporary.c_str(), path.c_str()) != 0) {
        error = path + ": " + std::strerror(written && closed ? errno : writeError);
        std::remove(temporary.c_str());
        return false;
    }
    return true;
}

std::string stateFileName(std::string_view model, std::uint32_t capacityBytes,
                          std::string_view fingerprint) {
    std::string name = std::string(model) + "-" + std::to_string(capacityBytes);
    if (!fingerprint.empty()) name += "-" + std::string(fingerprint);
    for (char& c : name) {
        const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                           (c >= '0' && c <= '9') || c == '.' || c == '-';
        if (!plain) c = '_';
    }
    return name + ".state";
}

}  // namespace vox::importing
