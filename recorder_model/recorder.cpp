#include "recorder_model/recorder.h"

namespace vox::model {

class ProtocolEngine {};
class ImageFile {};

Recorder::Recorder(RecorderOptions options)
    : options_(std::move(options)),
      fileSystem_(std::make_unique<FlashFileSystem>(options_.capacityBytes,
                                                    options_.altCapacityBytes)) {}
Recorder::~Recorder() = default;

std::unique_ptr<Recorder> Recorder::openImage(const std::filesystem::path&, std::string& error,
                                              RecorderOptions) {
    error = "recorder images are not supported yet";
    return nullptr;
}
bool Recorder::createImage(const std::filesystem::path&, const RecorderOptions&,
                           std::string& error) {
    error = "recorder images are not supported yet";
    return false;
}
FlashFileSystem& Recorder::fileSystem() { return *fileSystem_; }
bool Recorder::save(std::string&) { return true; }
std::vector<std::string> Recorder::protocolErrors() const { return {}; }
void Recorder::clearProtocolErrors() {}
void Recorder::unplug() { connected_ = false; }
void Recorder::plugIn() { connected_ = true; }
bool Recorder::connected() const { return connected_; }
std::chrono::nanoseconds Recorder::modelledBusTime() const { return busTime_; }
UsbResult Recorder::bulkOut(std::span<const std::uint8_t>) { return {UsbStatus::Disconnected, 0}; }
UsbResult Recorder::bulkIn(std::span<std::uint8_t>) { return {UsbStatus::Disconnected, 0}; }
UsbStatus Recorder::vendorRequest(std::uint8_t, std::uint16_t, std::uint16_t) {
    return UsbStatus::Disconnected;
}
UsbStatus Recorder::resetPipe(std::uint8_t) { return UsbStatus::Disconnected; }
UsbStatus Recorder::resetPort() { return UsbStatus::Disconnected; }

}  // namespace vox::model
