// The device library's integration suite over the driver path: the
// recorder model on the simulated bus, VXR250 on top, and the kernel
// provider in user mode.

#include "device_library/tests/integration_suite.h"
#include "platform/stack/kernel_provider.h"
#include "platform/usb/simulated_bus.h"
#include "usb_driver/vxr250.h"

namespace vox::devsys::testing {
namespace {

struct DriverPath {
    vxr250::DriverLoad driver;
    usb::SimulatedBus bus{driver.object()};
};

RecorderRig makeDriverRig(const model::RecorderOptions& options) {
    RecorderRig rig;
    rig.recorder = std::make_shared<model::Recorder>(options);
    auto path = std::make_shared<DriverPath>();
    path->bus.plugIn(rig.recorder);
    usb::SimulatedBus* bus = &path->bus;
    rig.provider = std::make_shared<stack::KernelProvider>(path, [bus] { bus->waitForHub(); });
    return rig;
}

INSTANTIATE_TEST_SUITE_P(Driver, RecorderIntegrationTest,
                         ::testing::Values(RigKind{"Driver", makeDriverRig}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace vox::devsys::testing
