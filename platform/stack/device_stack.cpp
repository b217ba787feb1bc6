#include "platform/stack/device_stack.h"

#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>

#include "platform/devio/device_notifications.h"
#include "platform/kernel/debug_print.h"
#include "platform/stack/kernel_provider.h"
#include "platform/stack/simulator_cable.h"
#include "platform/usb/libusb_bus.h"
#include "platform/usb/recorder_access.h"
#include "platform/usb/simulated_bus.h"
#include "platform/usb/stuck_transfers.h"
#include "recorder_model/recorder.h"
#include "usb_driver/vxr250.h"

namespace vox::stack {
namespace {

void printOnStandardError(const StackProblem& problem) {
    std::fprintf(stderr, "%s\n", problem.message.c_str());
}

// A recorder on the image with its faults, or null after reporting why not.
// A fault setting that does not parse sets up no recorder at all: a test run
// on faults other than the ones asked for would report a false result.
std::unique_ptr<model::Recorder> openSimulator(const char* image, const ProblemReport& report) {
    model::RecorderOptions forNew;
    forNew.sampleContent = true;
    std::string error;
    bool inUse = false;
    std::unique_ptr<model::Recorder> recorder =
        model::Recorder::openImage(image, error, forNew, &inUse);
    if (!recorder) {
        report({inUse ? StackFault::ImageInUse : StackFault::ImageUnusable,
                "VXR250_SIMULATOR: " + error});
        return nullptr;
    }
    if (const char* faults = std::getenv("VXR250_SIMULATOR_FAULTS")) {
        if (!recorder->faults().parse(faults, error)) {
            report({StackFault::BadSetting, "VXR250_SIMULATOR_FAULTS: " + error});
            return nullptr;
        }
    }
    return recorder;
}

// The driver, the bus under it and, for a simulated recorder, the watch on
// its cable; kept while the provider or any file opened through it lives.
struct DriverStack {
    vxr250::DriverLoad driver;
    std::unique_ptr<usb::UsbBus> bus;
    std::unique_ptr<CableWatch> cable;
    // The cable watch goes first (it works the bus), the bus before the
    // driver is unloaded.
    ~DriverStack() {
        cable.reset();
        bus.reset();
    }
};

std::shared_ptr<devio::Provider> providerOver(std::shared_ptr<DriverStack> stack) {
    usb::UsbBus* bus = stack->bus.get();
    bus->pnp().setDeviceChangeListener(
        [] { devio::notifyDeviceChanges(devio::kDeviceNodesChanged); });
    return std::make_shared<KernelProvider>(std::move(stack), [bus] { bus->waitForHub(); });
}

std::shared_ptr<devio::Provider> libusbStack() {
    auto stack = std::make_shared<DriverStack>();
    if (stack->driver.object() == nullptr) return devio::makeEmptyProvider();
    stack->bus = std::make_unique<usb::LibusbBus>(stack->driver.object());
    return providerOver(std::move(stack));
}

// The recorder goes in and out with its cable: the model itself disconnects
// (failing whatever transfer is under way) or connects again, and the bus
// removes or enumerates the device as it does for any port.
std::shared_ptr<devio::Provider> simulatedStack(const char* image,
                                                std::shared_ptr<model::Recorder> recorder) {
    auto stack = std::make_shared<DriverStack>();
    if (stack->driver.object() == nullptr) return devio::makeEmptyProvider();
    auto bus = std::make_unique<usb::SimulatedBus>(stack->driver.object());
    usb::SimulatedBus* simulated = bus.get();
    stack->bus = std::move(bus);
    auto provider = providerOver(stack);
    stack->cable = std::make_unique<CableWatch>(image, [recorder, simulated](CableState state) {
        if (state == CableState::Unplugged)
            recorder->unplug();
        else
            recorder->plugIn();
        simulated->waitForHub();
    });
    if (stack->cable->initial() == CableState::Unplugged) recorder->unplug();
    simulated->plugIn(recorder);
    return provider;
}

void routeDriverDebugOutput() {
    // The driver's debug lines are for someone watching the "kernel debugger":
    // on standard error when VXR250_DEBUG is set, otherwise nowhere, so that
    // neither the program's standard output nor a tool's error line carries them.
    const char* debug = std::getenv("VXR250_DEBUG");
    kernel::setDebugOutput(debug != nullptr && *debug != '\0' ? kernel::DebugOutput::StandardError
                                                              : kernel::DebugOutput::Nowhere);
}

}  // namespace

std::shared_ptr<devio::Provider> makeDeviceStack(const ProblemReport& report) {
    routeDriverDebugOutput();
    const char* image = std::getenv("VXR250_SIMULATOR");
    if (image == nullptr || *image == '\0') return libusbStack();
    std::shared_ptr<model::Recorder> recorder =
        openSimulator(image, report ? report : ProblemReport(printOnStandardError));
    if (!recorder) return devio::makeEmptyProvider();
    return simulatedStack(image, std::move(recorder));
}

void installDeviceStack(ProblemReport report) {
    devio::setDefaultProviderFactory([report] { return makeDeviceStack(report); });
}

void offerDeviceStack() {
    devio::offerDefaultProviderFactory([] { return makeDeviceStack(); });
}

std::string unusableRecorderReason() {
    const char* image = std::getenv("VXR250_SIMULATOR");
    if (image != nullptr && *image != '\0') return {};
    for (const usb::RecorderFound& recorder : usb::surveyRecorders().recorders)
        if (std::string reason = usb::unusableReason(recorder); !reason.empty()) return reason;
    return {};
}

// The simulated cable's file is replaced whole on every pull and plug, so
// its inode tells one plugging from the next; a file never written is a
// cable never pulled.
std::optional<std::uint64_t> recorderPlugging() {
    const char* image = std::getenv("VXR250_SIMULATOR");
    if (image == nullptr || *image == '\0') return usb::pluggedRecorderAddress();
    if (readCableState(image) == CableState::Unplugged) return std::nullopt;
    struct stat cable {};
    if (::stat(cableFileOf(image).c_str(), &cable) != 0) return 0;
    return static_cast<std::uint64_t>(cable.st_ino);
}

void abandonStuckTransfers() noexcept {
    usb::abandonStuckTransfers();
}

}  // namespace vox::stack
