#include "platform/usb/simulated_bus.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <string>

namespace vox::usb {

using namespace vox::kernel;
namespace {

std::u16string nextSerialNumber() {
    static std::atomic<int> counter{0};
    return kernel::widen("SIM" + std::to_string(counter++));
}

// A recorder model behind a port: the bus answers the standard requests
// from the recorder's descriptors, the model everything else.
class SimulatedPort final : public UsbPort {
  public:
    SimulatedPort(std::shared_ptr<UsbFunction> function, DescriptorVariant variant)
        : function_(std::move(function)),
          serial_(nextSerialNumber()),
          descriptors_(recorderDescriptors(serial_, variant)) {}

    UsbResult getDescriptor(std::uint8_t type, std::uint8_t index, std::uint16_t,
                            std::span<std::uint8_t> buffer) override {
        if (!function_->connected()) return {UsbStatus::Disconnected, 0};
        std::vector<std::uint8_t> bytes;
        if (type == USB_DEVICE_DESCRIPTOR_TYPE && index == 0) bytes = descriptors_.device;
        if (type == USB_CONFIGURATION_DESCRIPTOR_TYPE && index == 0)
            bytes = descriptors_.configuration;
        if (type == USB_STRING_DESCRIPTOR_TYPE) bytes = stringDescriptor(descriptors_, index);
        if (bytes.empty()) return {UsbStatus::Stall, 0};
        const std::size_t n = std::min(bytes.size(), buffer.size());
        if (n != 0) std::memcpy(buffer.data(), bytes.data(), n);
        return {UsbStatus::Ok, n};
    }

    UsbStatus setConfiguration(std::uint8_t value) override {
        if (!function_->connected()) return UsbStatus::Disconnected;
        return value <= 1 ? UsbStatus::Ok : UsbStatus::Stall;
    }

    UsbResult bulkTransfer(std::uint8_t endpoint, std::span<std::uint8_t> buffer) override {
        if (endpoint == kEndpointOut) return function_->bulkOut(buffer);
        if (endpoint == kEndpointIn) return function_->bulkIn(buffer);
        return {UsbStatus::Stall, 0};
    }

    UsbStatus vendorRequest(std::uint8_t request, std::uint16_t value,
                            std::uint16_t index) override {
        return function_->vendorRequest(request, value, index);
    }
    UsbStatus resetPipe(std::uint8_t endpoint) override { return function_->resetPipe(endpoint); }
    UsbStatus resetPort() override { return function_->resetPort(); }
    bool connected() const override { return function_->connected(); }
    std::u16string instanceName() const override { return serial_; }

  private:
    static constexpr std::uint8_t USB_DEVICE_DESCRIPTOR_TYPE = 1;
    static constexpr std::uint8_t USB_CONFIGURATION_DESCRIPTOR_TYPE = 2;
    static constexpr std::uint8_t USB_STRING_DESCRIPTOR_TYPE = 3;

    std::shared_ptr<UsbFunction> function_;
    std::u16string serial_;
    DescriptorSet descriptors_;
};

}  // namespace

SimulatedBus::SimulatedBus(kernel::DRIVER_OBJECT* functionDriver) : UsbBus(functionDriver) {}

SimulatedBus::~SimulatedBus() {
    shutDown();
}

int SimulatedBus::plugIn(std::shared_ptr<UsbFunction> function, DescriptorVariant variant) {
    const int port = addPort(std::make_shared<SimulatedPort>(std::move(function), variant));
    waitForHub();
    return port;
}

void SimulatedBus::pullCable(int port) {
    removePort(port);
}

}  // namespace vox::usb
