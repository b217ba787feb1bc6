// Installing the project's driver package on Linux (a temporary root), and
// the flat exports over the process-wide installer.

#include <gtest/gtest.h>

#include <fstream>
#include <memory>

#include "driver_installer/installer.h"
#include "driver_installer/process_installer.h"
#include "driver_installer/qinst.h"
#include "driver_installer/tests/windows_fixture.h"
#include "platform/setup/linux_setup.h"
#include "platform/setup/tests/temp_root.h"

namespace vox::qinst::testing {
namespace {

namespace fs = std::filesystem;
using setup::testing::TempRoot;

std::string packagedRule() {
    std::ifstream in(fs::path(packagedInfPath()).parent_path() / "60-vxr250.rules");
    return std::string(std::istreambuf_iterator<char>(in), {});
}

struct LinuxMachine {
    LinuxMachine() {
        fs::create_directories(root.path() / "run/udev");
        setup::LinuxSetupOptions options;
        options.root = root.path();
        options.runCommand = [this](const std::vector<std::string>& argv) {
            commands.push_back(argv[1]);
            return argv[1] == failing ? 1 : 0;
        };
        services = std::make_unique<setup::LinuxSetup>(options);
        installer = std::make_unique<Installer>(*services);
    }
    int install(int type = 3) { return installer->install(packagedInfPath(), type, nullptr); }
    bool ruleInstalled() const {
        return fs::exists(root.path() / "etc/udev/rules.d/60-vxr250.rules");
    }

    TempRoot root;
    std::vector<std::string> commands;
    std::string failing;
    std::unique_ptr<setup::LinuxSetup> services;
    std::unique_ptr<Installer> installer;
};

TEST(LinuxInstall, InstallsTheRuleThenReloadsAndTriggersUdev) {
    LinuxMachine machine;
    EXPECT_EQ(machine.install(), 1);
    EXPECT_EQ(machine.installer->platformCode(), kPlatformLinux);
    EXPECT_EQ(machine.root.read("etc/udev/rules.d/60-vxr250.rules"), packagedRule());
    EXPECT_EQ(machine.commands, (std::vector<std::string>{"control", "trigger"}));
}

TEST(LinuxInstall, StopsWhenUdevIsBusyOrFails) {
    LinuxMachine busy;
    busy.root.write("run/udev/queue", "");
    EXPECT_EQ(busy.install(), 0);
    EXPECT_FALSE(busy.ruleInstalled());
    EXPECT_TRUE(busy.commands.empty());

    for (const char* step : {"control", "trigger"}) {
        LinuxMachine machine;
        machine.failing = step;
        EXPECT_EQ(machine.install(), 0) << step;
        EXPECT_TRUE(machine.ruleInstalled());
    }

    LinuxMachine noPackage;
    EXPECT_EQ(
        noPackage.installer->install((noPackage.root.path() / "none.inf").string(), 3, nullptr), 0);
    EXPECT_TRUE(noPackage.commands.empty());
}

TEST(LinuxInstall, OtherDeviceTypesInstallNothing) {
    for (int type : {1, 2, 4}) {
        LinuxMachine machine;
        EXPECT_EQ(machine.install(type), 0);
        EXPECT_FALSE(machine.ruleInstalled());
    }
}

TEST(LinuxInstall, FindsThePluggedRecorderInSysfs) {
    LinuxMachine machine;
    machine.root.usbDevice("usb1", "1d6b", "0002");
    EXPECT_FALSE(machine.installer->findDevice(3));
    EXPECT_FALSE(machine.installer->isPlugged(kWmDeviceChange, kDeviceArrival, 0));
    machine.root.usbDevice("2-1", "0DAB", "3000");
    EXPECT_TRUE(machine.installer->findDevice(3));
    EXPECT_TRUE(machine.installer->isPlugged(kWmDeviceChange, kDeviceArrival, 0));
    EXPECT_FALSE(machine.installer->isPlugged(kWmDeviceChange + 1, kDeviceArrival, 0));
}

TEST(Exports, WrapTheProcessWideInstallerAndNeverThrow) {
    auto model = std::make_shared<setup::WindowsModel>(setup::WindowsModel::Edition::WindowsXp);
    model->addInf({kInf, {{"VX_R250", {"vxr250.sys"}}}, {kRecorderId}, "VX-R250"});
    model->addFile("C:\\SETUP\\vxr250.sys", "driver");
    useSetupServices(model);

    EXPECT_EQ(InstallZIRDevice(nullptr, 3, nullptr), 0);
    EXPECT_EQ(FindZIRDevice(3), 0);
    EXPECT_EQ(InstallZIRDevice(kInf.c_str(), 3, nullptr), 1);
    EXPECT_TRUE(model->logged("SetupCopyOEMInfA " + kInf + " NOOVERWRITE"));
    model->addDevice({kRecorderInstance, {kRecorderId}, "USB Device", 0});
    EXPECT_EQ(FindZIRDevice(3), 1);
    EXPECT_EQ(IsZIRDevicePlugged(kWmDeviceChange, kDeviceArrival, 0), 1);
    EXPECT_EQ(CheckForInProgressInstallations(), 0);
    model->setPendingInstalls(true);
    EXPECT_EQ(CheckForInProgressInstallations(), 1);
    EXPECT_EQ(CopyHIDDriverFilesFromMasterINF("a", "b"), 0);

    useSetupServices(nullptr);
    EXPECT_EQ(model.use_count(), 1);  // the exports let go of the model
}

}  // namespace
}  // namespace vox::qinst::testing
