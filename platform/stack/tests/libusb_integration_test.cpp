// The device library's integration suite over the libusb path: the recorder
// model behind the libusb stand-in, the libusb bus, VXR250 on top and the
// kernel provider in user mode, as a user with a real recorder runs them.

#include "device_library/tests/integration_suite.h"
#include "platform/stack/kernel_provider.h"
#include "platform/stack/tests/libusb_standin/standin.h"
#include "platform/usb/libusb_bus.h"
#include "usb_driver/vxr250.h"

namespace vox::devsys::testing {
namespace {

struct LibusbPath {
    vxr250::DriverLoad driver;
    usb::LibusbBus bus{driver.object()};
};

RecorderRig makeLibusbRig(const model::RecorderOptions& options) {
    RecorderRig rig;
    rig.recorder = std::make_shared<model::Recorder>(options);
    std::string error;
    usb::standin::setFaults("", error);
    usb::standin::plugIn(rig.recorder);
    auto path = std::make_shared<LibusbPath>();
    usb::LibusbBus* bus = &path->bus;
    // A model unplugged or plugged in by a test reaches the bus as hot-plug
    // events, which are through before the library looks for the recorder.
    rig.provider = std::make_shared<stack::KernelProvider>(path, [bus] {
        usb::standin::settle();
        bus->openArrivals();
        bus->waitForHub();
    });
    return rig;
}

INSTANTIATE_TEST_SUITE_P(Libusb, RecorderIntegrationTest,
                         ::testing::Values(RigKind{"Libusb", makeLibusbRig}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace vox::devsys::testing
