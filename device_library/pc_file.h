#pragma once
// The PC side of a transfer: a file read in or written out in whole blocks.

#include <cstdint>
#include <cstdio>
#include <ctime>
#include <optional>
#include <span>
#include <string>

namespace vox::devsys {

class PcFile {
  public:
    static std::optional<PcFile> openForReading(const std::string& path);
    static std::optional<PcFile> create(const std::string& path);
    // A new file of our own beside `target`, under a fresh name made from
    // it: never an existing file and never through a link. `path` receives
    // the name.
    static std::optional<PcFile> createBeside(const std::string& target, std::string& path);

    PcFile(PcFile&& other) noexcept : file_(other.file_) { other.file_ = nullptr; }
    PcFile& operator=(PcFile&&) = delete;
    PcFile(const PcFile&) = delete;
    ~PcFile() { close(); }

    std::uint64_t size() const;
    // When the file was made (its birth time where the file system keeps
    // one, else its last change).
    std::time_t creationTime() const;

    // Exactly `data.size()` bytes, or false.
    bool readExactly(std::span<std::uint8_t> data);
    bool write(std::span<const std::uint8_t> data);
    // Flushes and closes; false when the data did not all reach the file.
    bool close();

  private:
    explicit PcFile(std::FILE* file) : file_(file) {}
    std::FILE* file_;
};

}  // namespace vox::devsys
