#pragma once
// The recorder image file: "VXRIMAGE", a format version, the recorder's
// settings and both stores' trees with every file's bytes, and a CRC-32 of
// all that before it. Little-endian throughout.

#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>

#include "recorder_model/flash_file_system.h"

namespace vox::model {

struct RecorderOptions;

constexpr std::uint32_t kImageFormatVersion = 1;

// Receives the image in pieces, in order.
using ImageSink = std::function<bool(std::span<const std::uint8_t>)>;

// Writes the whole image; false when the sink failed.
bool writeImage(const RecorderOptions& options, const FlashFileSystem& fileSystem,
                const ImageSink& sink);

// Reads an image; any damage (wrong magic, version or checksum, truncation,
// counts that do not fit) gives false and a reason, never a partial result.
bool readImage(std::span<const std::uint8_t> image, RecorderOptions& options,
               std::unique_ptr<FlashFileSystem>& fileSystem, std::string& error);

}  // namespace vox::model
