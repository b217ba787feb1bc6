// The provider a process gets unless it installs one. Device access goes
// through the kernel layer: the VXR250 driver on a USB bus, found and opened
// as interfaces of the recorder's class. With VXR250_SIMULATOR naming an
// image file the bus is a simulated one with a recorder model on that image
// (created with sample content when the file does not exist); otherwise it
// is the libusb bus, which finds a real recorder or none.
// VXR250_SIMULATOR_FAULTS, when set as well, is handed to the model's fault
// injection (e.g. "unplug-after-bytes=100000").
// Arrivals and removals on the bus reach device-change subscribers.

#include "platform/devio/default_provider.h"

#include <cstdio>
#include <cstdlib>
#include <type_traits>

#include "platform/devio/device_notifications.h"
#include "recorder_model/recorder.h"

#if VOX_DEVIO_KERNEL_PATH
#include "platform/devio/kernel_provider.h"
#include "platform/usb/libusb_bus.h"
#include "platform/usb/simulated_bus.h"
#include "usb_driver/vxr250.h"
#else
#include "platform/devio/direct_provider.h"
#endif

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

std::unique_ptr<model::Recorder> openSimulator(const char* image) {
    model::RecorderOptions forNew;
    forNew.sampleContent = true;
    std::string error;
    std::unique_ptr<model::Recorder> recorder = model::Recorder::openImage(image, error, forNew);
    if (!recorder) {
        std::fprintf(stderr, "VXR250_SIMULATOR: %s\n", error.c_str());
        return nullptr;
    }
    if (const char* faults = std::getenv("VXR250_SIMULATOR_FAULTS")) {
        if (!recorder->faults().parse(faults, error)) {
            std::fprintf(stderr, "VXR250_SIMULATOR_FAULTS: %s\n", error.c_str());
        }
    }
    return recorder;
}

#if VOX_DEVIO_KERNEL_PATH

// The driver and the bus under it, kept while the provider or any file
// opened through it lives.
template <typename Bus>
struct DriverStack {
    vxr250::DriverLoad driver;
    std::unique_ptr<Bus> bus;  // goes before the driver is unloaded
    ~DriverStack() { bus.reset(); }
};

template <typename Bus>
std::shared_ptr<Provider> kernelProvider(const std::shared_ptr<model::Recorder>& recorder) {
    auto stack = std::make_shared<DriverStack<Bus>>();
    if (stack->driver.object() == nullptr) return std::make_shared<NoRecorderProvider>();
    stack->bus = std::make_unique<Bus>(stack->driver.object());
    stack->bus->pnp().setDeviceChangeListener([] { notifyDeviceChanges(kDeviceNodesChanged); });
    if constexpr (std::is_same_v<Bus, usb::SimulatedBus>) stack->bus->plugIn(recorder);
    Bus* bus = stack->bus.get();
    return std::make_shared<KernelProvider>(stack, [bus] { bus->waitForHub(); });
}

#endif

}  // namespace

std::shared_ptr<Provider> makeDefaultProvider() {
    const char* image = std::getenv("VXR250_SIMULATOR");
    const bool simulated = image != nullptr && *image != '\0';
    std::shared_ptr<model::Recorder> recorder;
    if (simulated) {
        recorder = openSimulator(image);
        if (!recorder) return std::make_shared<NoRecorderProvider>();
    }
#if VOX_DEVIO_KERNEL_PATH
    // The driver's debug lines are for someone watching the "kernel debugger":
    // on standard error when VXR250_DEBUG is set, otherwise nowhere, so that
    // neither the program's standard output nor a tool's error line carries them.
    const char* debug = std::getenv("VXR250_DEBUG");
    kernel::setDebugOutput(debug != nullptr && *debug != '\0' ? kernel::DebugOutput::StandardError
                                                              : kernel::DebugOutput::Nowhere);
    return simulated ? kernelProvider<usb::SimulatedBus>(recorder)
                     : kernelProvider<usb::LibusbBus>(nullptr);
#else
    // Built without the driver: the model is wired to the library directly.
    if (!simulated) return std::make_shared<NoRecorderProvider>();
    auto direct = std::make_shared<DirectProvider>();
    direct->attach(recorder);
    return direct;
#endif
}

}  // namespace vox::devio
