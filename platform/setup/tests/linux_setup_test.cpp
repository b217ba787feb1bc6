// The Linux setup services against a fake sysfs and udev folders.

#include "platform/setup/linux_setup.h"

#include <gtest/gtest.h>

#include "platform/setup/tests/temp_root.h"

namespace vox::setup::testing {
namespace {

namespace fs = std::filesystem;

const char* kInf =
    "[Version]\nSignature=\"$CHICAGO$\"\n"
    "[VX_R250]\nCopyFiles=VX_R250.Files\n"
    "[VX_R250.Files]\n60-vxr250.rules\n";

class LinuxSetupTest : public ::testing::Test {
  protected:
    LinuxSetup provider(bool dryRun = false) {
        LinuxSetupOptions options;
        options.root = root.path();
        options.dryRun = dryRun;
        options.runCommand = [this](const std::vector<std::string>& argv) {
            commands.push_back(argv);
            return status;
        };
        options.report = [this](const std::string& line) { reports.push_back(line); };
        return LinuxSetup(options);
    }

    // The package on a medium below the root, and the rule a machine has
    // installed already (none when empty); gives the INF's path.
    std::string stagePackage(const std::string& rule, const std::string& installed = "") {
        root.write("media/vxr250.inf", kInf);
        if (!rule.empty()) root.write("media/60-vxr250.rules", rule);
        if (!installed.empty()) root.write("etc/udev/rules.d/60-vxr250.rules", installed);
        return (root.path() / "media/vxr250.inf").string();
    }

    std::string installedRule() const { return root.read("etc/udev/rules.d/60-vxr250.rules"); }

    TempRoot root;
    std::vector<std::vector<std::string>> commands;
    std::vector<std::string> reports;
    int status = 0;
};

TEST_F(LinuxSetupTest, DevicesComeFromSysfsWithWindowsHardwareIds) {
    LinuxSetup setup = provider();
    EXPECT_EQ(setup.devices({})->size(), 0u);  // no USB bus at all

    root.usbDevice("1-2", "0dab", "3000", "VX-R250");
    root.usbDevice("usb1", "1d6b", "0002");
    root.write("sys/bus/usb/devices/1-2:1.0/bInterfaceClass",
               "ff\n");                     // an interface, not a device
    root.usbDevice("1-3", "zz12", "0001");  // unreadable IDs are skipped

    const auto usb = setup.devices({"USB", true});
    ASSERT_TRUE(usb);
    ASSERT_EQ(usb->size(), 2u);
    const DeviceRecord& recorder = (*usb)[0];
    EXPECT_EQ(recorder.instanceId, "USB\\VID_0DAB&PID_3000\\1-2");
    EXPECT_EQ(recorder.hardwareIds, (std::vector<std::string>{"USB\\VID_0DAB&PID_3000&REV_0100",
                                                              "USB\\VID_0DAB&PID_3000"}));
    EXPECT_EQ(recorder.description, "VX-R250");
    EXPECT_EQ((*usb)[1].hardwareIds.back(), "USB\\VID_1D6B&PID_0002");
    EXPECT_EQ(setup.devices({"", true})->size(), 2u);
    EXPECT_TRUE(setup.devices({"Ports", true})->empty());
}

TEST_F(LinuxSetupTest, PendingInstallsAreUdevsQueue) {
    LinuxSetup setup = provider();
    EXPECT_EQ(setup.waitNoPendingInstallEvents(0).call,
              OptionalCall::FunctionMissing);  // udev not running

    fs::create_directories(root.path() / "run/udev");
    WaitOutcome idle = setup.waitNoPendingInstallEvents(0);
    EXPECT_EQ(idle.call, OptionalCall::Called);
    EXPECT_EQ(idle.result, 0u);

    root.write("run/udev/queue", "");
    EXPECT_EQ(setup.waitNoPendingInstallEvents(0).result, kWaitTimeout);
    EXPECT_EQ(setup.waitNoPendingInstallEvents(30).result, kWaitTimeout);
    EXPECT_TRUE(commands.empty());
}

TEST_F(LinuxSetupTest, InstallsTheSectionsFilesIntoTheRulesFolder) {
    LinuxSetup setup = provider();
    ASSERT_TRUE(
        setup.installSectionFiles(stagePackage("rule v2\n", "rule v1\n"), "vx_r250", false));
    EXPECT_EQ(installedRule(), "rule v2\n");
    EXPECT_FALSE(fs::exists(root.path() / "etc/udev/rules.d/60-vxr250.rules.new"));
    const auto perms = fs::status(root.path() / "etc/udev/rules.d/60-vxr250.rules").permissions();
    EXPECT_EQ(perms & fs::perms::all, fs::perms::owner_read | fs::perms::owner_write |
                                          fs::perms::group_read | fs::perms::others_read);
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_NE(reports[0].find("installed "), std::string::npos);
}

TEST_F(LinuxSetupTest, RefusesPackagesThatAreIncompleteOrReachOutsideTheRulesFolder) {
    LinuxSetup setup = provider();
    const std::string inf = (root.path() / "media/vxr250.inf").string();
    EXPECT_FALSE(setup.installSectionFiles(inf, "VX_R250", false));  // no INF
    stagePackage("", "rule v1\n");
    EXPECT_FALSE(setup.installSectionFiles(inf, "VX_R250", false));  // the rule file is missing
    EXPECT_FALSE(setup.installSectionFiles(inf, "OTHER", false));
    root.write("media/60-vxr250.rules", "rule v2\n");
    root.write("media/passwd", "x\n");
    root.write("media/vxr250.inf",
               "[VX_R250]\nCopyFiles=@60-vxr250.rules,Evil\n[Evil]\n../../passwd,passwd\n");
    EXPECT_FALSE(setup.installSectionFiles(inf, "VX_R250", false));
    EXPECT_EQ(installedRule(), "rule v1\n");
    EXPECT_FALSE(fs::exists(root.path() / "etc/passwd"));
}

TEST_F(LinuxSetupTest, NewerOnlyKeepsAnUpToDateRule) {
    LinuxSetup setup = provider();
    const std::string inf = stagePackage("rule v2\n", "rule v3\n");
    const fs::path installed = root.path() / "etc/udev/rules.d/60-vxr250.rules";
    fs::last_write_time(installed, fs::last_write_time(root.path() / "media/60-vxr250.rules") +
                                       std::chrono::hours(1));
    ASSERT_TRUE(setup.installSectionFiles(inf, "VX_R250", true));
    EXPECT_EQ(installedRule(), "rule v3\n");
}

TEST_F(LinuxSetupTest, DryRunChangesNothingAndSaysWhatItWouldDo) {
    LinuxSetup setup = provider(true);
    ASSERT_TRUE(setup.installSectionFiles(stagePackage("rule\n"), "VX_R250", false));
    EXPECT_TRUE(setup.reloadDeviceRules());
    EXPECT_FALSE(fs::exists(root.path() / "etc"));
    EXPECT_TRUE(commands.empty());
    ASSERT_EQ(reports.size(), 2u);
    EXPECT_EQ(reports[0], "would install " + (root.path() / "media/60-vxr250.rules").string() +
                              " as " + (root.path() / "etc/udev/rules.d/60-vxr250.rules").string());
    EXPECT_EQ(reports[1], "would run udevadm control --reload-rules");
}

TEST(CommandRunner, GivesTheExitStatusOrNotStarted) {
    EXPECT_EQ(runCommand({"true"}), 0);
    EXPECT_EQ(runCommand({"sh", "-c", "exit 3"}), 3);
    EXPECT_EQ(runCommand({"/nonexistent/voxerin-no-such-program"}), 127);
    EXPECT_EQ(runCommand({}), 127);
}

}  // namespace
}  // namespace vox::setup::testing
