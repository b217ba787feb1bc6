#pragma once
// The image file a recorder lives in. While an ImageFile exists it holds an
// exclusive lock (flock on "<image>.lock" beside the real file, which survives the
// image being replaced), so two programs never drive one recorder. Saving
// writes a complete new image beside the old one, syncs it and renames it
// over, so a crash at any instant leaves the old image or the new one.

#include <filesystem>
#include <memory>
#include <string>

#include "recorder_model/flash_file_system.h"

namespace vox::model {

struct RecorderOptions;

class ImageFile {
  public:
    // The image behind symbolic links, locked. Null with `error` set when the
    // path is not a usable image or the lock cannot be had; `inUse` tells
    // the second apart (another program holds the image).
    static std::unique_ptr<ImageFile> lock(const std::filesystem::path& image, std::string& error,
                                           bool* inUse = nullptr);
    ~ImageFile();
    ImageFile(const ImageFile&) = delete;
    ImageFile& operator=(const ImageFile&) = delete;

    bool exists() const;
    bool load(RecorderOptions& options, std::unique_ptr<FlashFileSystem>& fileSystem,
              std::string& error) const;
    bool save(const RecorderOptions& options, const FlashFileSystem& fileSystem,
              std::string& error) const;
    const std::filesystem::path& path() const { return path_; }

  private:
    ImageFile(std::filesystem::path path, int lockFd) : path_(std::move(path)), lockFd_(lockFd) {}
    std::filesystem::path path_;
    int lockFd_;
};

}  // namespace vox::model
