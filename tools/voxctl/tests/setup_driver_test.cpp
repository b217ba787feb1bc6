// voxctl setup-driver, run as a user would, on a temporary root folder.

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>

#include "tools/voxctl/tests/voxctl_process.h"

namespace vox::voxctl::testing {
namespace {

TEST(SetupDriver, DryRunPrintsWhatItWouldInstallAndRunAndChangesNothing) {
    VoxctlSandbox sandbox;
    const std::string root = sandbox.folder() + "/system";
    std::filesystem::create_directories(root + "/run/udev");
    const Finished dry = sandbox.run({"setup-driver", "--dry-run", "--root", root});
    ASSERT_EQ(dry.status, 0) << dry.err;
    EXPECT_NE(dry.out.find("/60-vxr250.rules as " + root + "/etc/udev/rules.d/60-vxr250.rules\n"),
              std::string::npos)
        << dry.out;
    EXPECT_NE(dry.out.find("would install "), std::string::npos) << dry.out;
    const auto reload = dry.out.find("would run udevadm control --reload-rules\n");
    const auto trigger = dry.out.find("would run udevadm trigger --subsystem-match=usb\n");
    ASSERT_NE(reload, std::string::npos) << dry.out;
    ASSERT_NE(trigger, std::string::npos) << dry.out;
    EXPECT_LT(reload, trigger);
    EXPECT_FALSE(std::filesystem::exists(root + "/etc"));
}

TEST(SetupDriver, RefusesWhileUdevIsBusyOrThePackageIsMissing) {
    VoxctlSandbox sandbox;
    const std::string root = sandbox.folder() + "/system";
    std::filesystem::create_directories(root + "/run/udev");
    writeFile(root + "/run/udev/queue", "");
    const Finished busy = sandbox.run({"setup-driver", "--dry-run", "--root", root});
    EXPECT_EQ(busy.status, 4);
    EXPECT_NE(busy.err.find("udev is still handling device events"), std::string::npos) << busy.err;

    const Finished missing = sandbox.run({"setup-driver", "--dry-run", "--root", sandbox.folder(),
                                          "--inf", sandbox.pcPath("none.inf")});
    EXPECT_EQ(missing.status, 7);
    EXPECT_NE(missing.err.find("was not installed"), std::string::npos) << missing.err;
    EXPECT_EQ(missing.out.find("would run"), std::string::npos) << missing.out;
}

// Runs voxctl as a normal user (dropping to "nobody" when the test runs as
// root) and gives its exit status and both outputs together.
Finished runAsNormalUser(const std::string& arguments) {
    const std::string asUser =
        geteuid() == 0 ? "setpriv --reuid=65534 --regid=65534 --clear-groups " : "";
    FILE* child = popen((asUser + VOXCTL_PATH + " " + arguments + " 2>&1").c_str(), "r");
    Finished finished;
    if (child == nullptr) return finished;
    char buffer[512];
    for (std::size_t got; (got = std::fread(buffer, 1, sizeof buffer, child)) > 0;)
        finished.out.append(buffer, got);
    const int status = pclose(child);
    finished.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return finished;
}

TEST(SetupDriver, SaysClearlyThatItNeedsRoot) {
    VoxctlSandbox sandbox;
    const Finished refused = runAsNormalUser("setup-driver --root " + sandbox.folder());
    EXPECT_EQ(refused.status, 2) << refused.out;
    EXPECT_NE(refused.out.find("needs root"), std::string::npos) << refused.out;
    EXPECT_NE(refused.out.find("sudo voxctl setup-driver"), std::string::npos) << refused.out;
    EXPECT_FALSE(std::filesystem::exists(sandbox.folder() + "/etc"));

    const Finished dry = runAsNormalUser("setup-driver --dry-run --root /nonexistent");
    EXPECT_EQ(dry.status, 0) << dry.out;
    EXPECT_NE(dry.out.find("would run udevadm trigger --subsystem-match=usb"), std::string::npos)
        << dry.out;
}

}  // namespace
}  // namespace vox::voxctl::testing
