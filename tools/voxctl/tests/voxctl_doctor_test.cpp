// voxctl doctor over the libusb stand-in, with /proc, /sys, /dev and udev
// read from a tree of the test's own: each thing that keeps a recorder from
// being used, what doctor says about it, and its exit status.

#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <filesystem>

#include "tools/voxctl/tests/voxctl_process.h"

namespace vox::voxctl::testing {
namespace {

namespace fs = std::filesystem;

// The stand-in's recorder is the first device on bus 1, port 1.
constexpr const char* kNode = "/dev/bus/usb/001/002";

class VoxctlDoctor : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_EQ(sandbox.run({"sim", "create", sandbox.image(), "--empty"}).status, 0);
        reachThroughLibusbStandin(sandbox, LIBUSB_STANDIN_PATH);
        fs::create_directories(root + "/dev/bus/usb/001");
        fs::create_directories(root + "/proc");
        writeFile(root + kNode, "");
    }

    Finished doctor(const std::string& faults, bool json = false) {
        sandbox.setEnvironment("LIBUSB_STANDIN_FAULTS", faults);
        std::vector<std::string> arguments{"doctor", "--root", root};
        if (json) arguments.push_back("--json");
        return sandbox.run(arguments);
    }
    void installRule(bool applied) {
        fs::create_directories(root + "/etc/udev/rules.d");
        writeFile(root + "/etc/udev/rules.d/60-vxr250.rules", "# the rule\n");
        fs::create_directories(root + "/run/udev/data");
        // usbfs node 001/002 is character device 189:1.
        writeFile(root + "/run/udev/data/c189:1", applied ? "E:ID_VENDOR=x\nG:uaccess\n" : "");
    }
    void holdNode(int pid, const std::string& name) {
        const std::string process = root + "/proc/" + std::to_string(pid);
        fs::create_directories(process + "/fd");
        fs::create_symlink("/dev/null", process + "/fd/0");
        fs::create_symlink(kNode, process + "/fd/7");
        writeFile(process + "/comm", name + "\n");
    }

    VoxctlSandbox sandbox;
    std::string root = sandbox.folder() + "/system";
};

TEST_F(VoxctlDoctor, NoRecorderPluggedIn) {
    sandbox.setEnvironment("LIBUSB_STANDIN_IMAGE", "");
    const Finished finished = doctor("");
    EXPECT_EQ(finished.status, 3);
    EXPECT_NE(finished.out.find("recorder     none plugged in\n"), std::string::npos)
        << finished.out;
    EXPECT_NE(finished.out.find("verdict      the recorder cannot be used"), std::string::npos);
}

TEST_F(VoxctlDoctor, NoPermissionSaysWhatToInstallOrToReplug) {
    const Finished missing = doctor("open-access");
    EXPECT_EQ(missing.status, 3);
    EXPECT_NE(missing.out.find("udev rule not installed"), std::string::npos) << missing.out;
    EXPECT_NE(missing.out.find("sudo voxctl setup-driver"), std::string::npos) << missing.out;

    installRule(false);
    const Finished notApplied = doctor("open-access");
    EXPECT_EQ(notApplied.status, 3);
    EXPECT_NE(notApplied.out.find("udev rule installed, not applied to this device"),
              std::string::npos)
        << notApplied.out;
    EXPECT_NE(notApplied.out.find("unplug it and plug it in again"), std::string::npos);
    EXPECT_EQ(notApplied.out.find("setup-driver"), std::string::npos);
}

TEST_F(VoxctlDoctor, AnotherProcessHoldingTheRecorderIsNamed) {
    holdNode(4242, "mtp-probe");
    holdNode(4343, "unrelated");
    fs::remove(root + "/proc/4343/fd/7");
    const Finished finished = doctor("claim-busy");
    EXPECT_EQ(finished.status, 4);
    EXPECT_NE(finished.out.find("access       busy; held by mtp-probe (process 4242)\n"),
              std::string::npos)
        << finished.out;
    EXPECT_EQ(finished.out.find("unrelated"), std::string::npos);
}

TEST_F(VoxctlDoctor, AKernelDriverThatWillNotLetGoIsNamed) {
    const std::string interface = root + "/sys/bus/usb/devices/1-1:1.0";
    fs::create_directories(interface);
    fs::create_symlink("../../../../bus/usb/drivers/usb-storage", interface + "/driver");
    const Finished finished = doctor("kernel-driver,claim-busy");
    EXPECT_EQ(finished.status, 4);
    EXPECT_NE(finished.out.find("kernel driver usb-storage bound"), std::string::npos)
        << finished.out;
    EXPECT_NE(finished.out.find("the system's usb-storage driver holds it"), std::string::npos);
}

TEST_F(VoxctlDoctor, AllWellReportsTheRecorderAndParsesAsJson) {
    installRule(true);
    const Finished steps = doctor("");
    EXPECT_EQ(steps.status, 0) << steps.err;
    EXPECT_NE(steps.out.find("udev rule installed, applied to this device"), std::string::npos)
        << steps.out;
    EXPECT_NE(steps.out.find("firmware     1.5\n"), std::string::npos) << steps.out;
    EXPECT_NE(steps.out.find("verdict      the recorder can be used\n"), std::string::npos);

    const Finished json = doctor("", true);
    EXPECT_EQ(json.status, 0);
    QJsonParseError error{};
    const QJsonDocument document =
        QJsonDocument::fromJson(QByteArray::fromStdString(json.out), &error);
    ASSERT_EQ(error.error, QJsonParseError::NoError) << json.out;
    const QJsonObject top = document.object();
    EXPECT_TRUE(top["usable"].toBool());
    EXPECT_EQ(top["firmware"].toString(), "1.5");
    EXPECT_GT(top["capacityBytes"].toDouble(), 0);
    EXPECT_GE(top["capacityBytes"].toDouble(), top["freeBytes"].toDouble());
    const QJsonObject recorder = top["recorders"].toArray().at(0).toObject();
    EXPECT_EQ(recorder["vendorId"].toString(), "0dab");
    EXPECT_EQ(recorder["productId"].toString(), "3000");
    EXPECT_EQ(recorder["node"].toString(), kNode);
    EXPECT_EQ(recorder["access"].toString(), "usable");

    const Finished busy = doctor("claim-busy", true);
    EXPECT_EQ(busy.status, 4);
    const QJsonDocument busyDocument =
        QJsonDocument::fromJson(QByteArray::fromStdString(busy.out), &error);
    ASSERT_EQ(error.error, QJsonParseError::NoError) << busy.out;
    EXPECT_FALSE(busyDocument.object()["usable"].toBool());
    EXPECT_EQ(busyDocument.object()["recorders"].toArray().at(0).toObject()["access"].toString(),
              "busy");
}

}  // namespace
}  // namespace vox::voxctl::testing
