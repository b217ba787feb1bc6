#include "device_library/pc_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/files/exclusive_file.h"

namespace vox::devsys {

std::optional<PcFile> PcFile::openForReading(const std::string& path) {
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) return std::nullopt;
    struct stat info {};
    if (fstat(fileno(file), &info) != 0 || !S_ISREG(info.st_mode)) {
        std::fclose(file);
        return std::nullopt;
    }
    return PcFile(file);
}

std::optional<PcFile> PcFile::create(const std::string& path) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) return std::nullopt;
    return PcFile(file);
}

std::optional<PcFile> PcFile::createBeside(const std::string& target, std::string& path) {
    std::FILE* file = files::createBeside(target, path);
    if (file == nullptr) return std::nullopt;
    return PcFile(file);
}

std::uint64_t PcFile::size() const {
    struct stat info {};
    if (fstat(fileno(file_), &info) != 0) return 0;
    return static_cast<std::uint64_t>(info.st_size);
}

std::time_t PcFile::creationTime() const {
    struct statx info {};
    if (statx(fileno(file_), "", AT_EMPTY_PATH, STATX_BTIME | STATX_MTIME, &info) == 0) {
        if (info.stx_mask & STATX_BTIME) return static_cast<std::time_t>(info.stx_btime.tv_sec);
        return static_cast<std::time_t>(info.stx_mtime.tv_sec);
    }
    return std::time(nullptr);
}

bool PcFile::readExactly(std::span<std::uint8_t> data) {
    return std::fread(data.data(), 1, data.size(), file_) == data.size();
}

bool PcFile::write(std::span<const std::uint8_t> data) {
    return std::fwrite(data.data(), 1, data.size(), file_) == data.size();
}

bool PcFile::close() {
    if (file_ == nullptr) return true;
    const bool ok = std::fclose(file_) == 0;
    file_ = nullptr;
    return ok;
}

}  // namespace vox::devsys
