// The provider a process gets unless it installs one: with VXR250_SIMULATOR
// naming an image file, a recorder model on that image (created with sample
// content when the file does not exist) attached directly; otherwise a
// provider that finds no recorder.
// VXR250_SIMULATOR_FAULTS, when set as well, is handed to the model's fault
// injection (e.g. "unplug-after-bytes=100000").

#include <cstdio>
#include <cstdlib>

#include "platform/devio/default_provider.h"
#include "platform/devio/direct_provider.h"
#include "recorder_model/recorder.h"

namespace vox::devio {
namespace {

class NoRecorderProvider final : public Provider {
public:
    std::vector<std::string> presentInterfaces(const InterfaceClass&) override { return {}; }
    std::unique_ptr<DeviceFile> open(const std::string&, std::uint32_t& error) override {
        error = kErrorFileNotFound;
        return nullptr;
    }
};

}  // namespace

std::shared_ptr<Provider> makeDefaultProvider() {
    const char* image = std::getenv("VXR250_SIMULATOR");
    if (image == nullptr || *image == '\0') return std::make_shared<NoRecorderProvider>();

    model::RecorderOptions forNew;
    forNew.sampleContent = true;
    std::string error;
    std::unique_ptr<model::Recorder> recorder = model::Recorder::openImage(image, error, forNew);
    if (!recorder) {
        std::fprintf(stderr, "VXR250_SIMULATOR: %s\n", error.c_str());
        return std::make_shared<NoRecorderProvider>();
    }
    if (const char* faults = std::getenv("VXR250_SIMULATOR_FAULTS")) {
        if (!recorder->faults().parse(faults, error)) {
            std::fprintf(stderr, "VXR250_SIMULATOR_FAULTS: %s\n", error.c_str());
        }
    }
    auto direct = std::make_shared<DirectProvider>();
    direct->attach(std::shared_ptr<model::Recorder>(std::move(recorder)));
    return direct;
}

}  // namespace vox::devio
