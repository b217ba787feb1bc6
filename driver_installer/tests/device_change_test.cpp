// Whether a device-change broadcast leaves the recorder plugged in, on both
// Windows families, and finding it by hardware ID.

#include <gtest/gtest.h>

#include "driver_installer/qinst.h"
#include "driver_installer/tests/windows_fixture.h"

namespace vox::qinst::testing {
namespace {

using Edition = setup::WindowsModel::Edition;

messages::LParam pointerTo(const DevBroadcastDevNode& record) {
    return reinterpret_cast<messages::LParam>(&record);
}

TEST(FindDevice, MatchesAnyHardwareIdIgnoringCase) {
    WindowsMachine machine(Edition::WindowsXp);
    EXPECT_FALSE(machine.installer.findDevice(3));
    machine.model.addDevice({"USB\\VID_0DAB&PID_3000\\7",
                             {"usb\\vid_0dab&pid_3000&rev_0100", "usb\\vid_0dab&pid_3000"},
                             "USB Device",
                             0});
    EXPECT_TRUE(machine.installer.findDevice(3));
    EXPECT_FALSE(machine.installer.findDevice(1));
    EXPECT_FALSE(machine.installer.findDevice(2));
    EXPECT_FALSE(machine.installer.findDevice(4));
    machine.model.unplug("USB\\VID_0DAB&PID_3000\\7");
    EXPECT_FALSE(machine.installer.findDevice(3));
}

TEST(DevicePlugged, OnlyTheDeviceChangeMessageCounts) {
    for (Edition edition : {Edition::Windows98, Edition::WindowsXp, Edition::Windows95}) {
        WindowsMachine machine(edition);
        machine.plugRecorder();
        DevBroadcastDevNode arrival{16, kDeviceTypeDevNode, 0,
                                    *machine.model.locateDevNode(kRecorderInstance)};
        // Windows 95 is not supported, so never reports the recorder.
        EXPECT_EQ(machine.installer.isPlugged(kWmDeviceChange, kDeviceArrival, pointerTo(arrival)),
                  edition != Edition::Windows95);
        EXPECT_FALSE(
            machine.installer.isPlugged(kWmDeviceChange + 1, kDeviceArrival, pointerTo(arrival)));
    }
}

TEST(DevicePlugged, WindowsXpLooksAmongPresentDevicesWhateverTheBroadcast) {
    WindowsMachine machine(Edition::WindowsXp);
    EXPECT_FALSE(machine.installer.isPlugged(kWmDeviceChange, kDeviceArrival, 0));
    machine.plugRecorder();
    // Checked before any install: the platform is worked out on the spot.
    EXPECT_TRUE(machine.installer.isPlugged(kWmDeviceChange, 0x8004, 0));
    EXPECT_EQ(machine.installer.platformCode(), kPlatformWindowsXp);
    EXPECT_TRUE(machine.model.logged("SetupDiGetClassDevsA ALLCLASSES PRESENT"));
}

TEST(DevicePlugged, Windows9xNeedsTheArrivalOfTheRecordersDeviceNode) {
    WindowsMachine machine(Edition::WindowsMe);
    machine.model.addDevice(
        {"usb\\vid_0dab&pid_3000\\5&9", {"usb\\vid_0dab&pid_3000"}, "USB Device", 0});
    const setup::DevNode recorder = *machine.model.locateDevNode("usb\\vid_0dab&pid_3000\\5&9");
    const setup::DevNode hub = *machine.model.locateDevNode("USB\\ROOT_HUB\\4&11&0");

    const DevBroadcastDevNode arrival{16, kDeviceTypeDevNode, 0, recorder};
    EXPECT_TRUE(machine.installer.isPlugged(kWmDeviceChange, kDeviceArrival, pointerTo(arrival)));
    EXPECT_FALSE(machine.installer.isPlugged(kWmDeviceChange, 0x8004,
                                             pointerTo(arrival)));  // removal complete
    const DevBroadcastDevNode hubArrival{16, kDeviceTypeDevNode, 0, hub};
    EXPECT_FALSE(
        machine.installer.isPlugged(kWmDeviceChange, kDeviceArrival, pointerTo(hubArrival)));
    const DevBroadcastDevNode volume{16, 2, 0, recorder};  // a volume, not a device node
    EXPECT_FALSE(machine.installer.isPlugged(kWmDeviceChange, kDeviceArrival, pointerTo(volume)));
    const DevBroadcastDevNode headerOnly{12, kDeviceTypeDevNode, 0, recorder};
    EXPECT_FALSE(
        machine.installer.isPlugged(kWmDeviceChange, kDeviceArrival, pointerTo(headerOnly)));
    EXPECT_FALSE(machine.installer.isPlugged(kWmDeviceChange, kDeviceArrival, 0));
}

}  // namespace
}  // namespace vox::qinst::testing
