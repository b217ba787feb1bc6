#pragma once
// What stands between this user and a recorder plugged in: whether libusb
// sees one, whether its device node may be opened (and, if not, whether the
// udev rule is installed and has been applied to this device), and whether
// another process or a kernel driver holds its interface. `voxctl doctor`
// reports it step by step; the program tells the user why a recorder that
// is plugged in cannot be used.
//
// The files the survey reads (/proc, /sys, /dev, /run/udev and the udev
// rules folders) are read below a root folder, so that tests can point it
// at a tree of their own.

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace vox::usb {

enum class RecorderAccess {
    Usable,        // opened and its interface claimed
    NoPermission,  // the device node may not be opened by this user
    Busy,          // another process or a kernel driver holds the interface
    Failed,        // libusb failed otherwise (see libusbError)
};

struct InterfaceHolder {
    int pid = 0;
    std::string name;  // the process's command name
};

struct RecorderFound {
    std::uint16_t vendorId = 0;
    std::uint16_t productId = 0;
    int bus = 0;
    int address = 0;
    std::string node;  // /dev/bus/usb/BBB/AAA
    RecorderAccess access = RecorderAccess::Failed;
    std::string libusbError;  // libusb's name of the error, when not usable
    std::string nodeMode;     // e.g. "crw-rw---- 0:0", or empty when absent
    bool ruleInstalled = false;
    bool uaccessTagged = false;            // udev applied the rule's tag to this device
    std::vector<InterfaceHolder> holders;  // other processes
    bool heldHere = false;                 // this process has it open itself
    std::string kernelDriver;              // bound to interface 0, or empty
};

struct RecorderSurvey {
    bool usbAvailable = false;  // libusb started
    std::string libusbVersion;  // "1.0.26"
    std::vector<RecorderFound> recorders;
};

// Looks at every recorder present; opens each, claims and releases its
// interface, and says why not where that fails. Call it while no recorder
// is open in this process.
RecorderSurvey surveyRecorders(const std::filesystem::path& root = "/");

// Where the first recorder plugged in sits on the bus (bus << 8 | address),
// found without opening it; none when no recorder is plugged in or libusb
// cannot start. A recorder plugged in again gets a new address.
std::optional<std::uint16_t> pluggedRecorderAddress();

// The one-line reason a recorder that is plugged in cannot be used, and
// what to do about it; empty for a usable one, and for one this process
// holds itself (its own device stack has it open).
std::string unusableReason(const RecorderFound& recorder);

// The rule file's name, as installed into a udev rules folder.
inline constexpr char kRecorderRuleFile[] = "60-vxr250.rules";

}  // namespace vox::usb
