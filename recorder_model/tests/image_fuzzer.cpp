// Reads arbitrary bytes as a recorder image: a damaged image must be refused
// with a reason, never crash or half-load.
#include <cstddef>
#include <cstdint>

#include "recorder_model/image_format.h"
#include "recorder_model/recorder.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    vox::model::RecorderOptions options;
    std::unique_ptr<vox::model::FlashFileSystem> fileSystem;
    std::string error;
    bool read = vox::model::readImage({data, size}, options, fileSystem, error);
    if (read != (fileSystem != nullptr) || read != error.empty()) __builtin_trap();
    return 0;
}
