#include "platform/usb/recorder_access.h"

#include <libusb.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <system_error>

#include "platform/usb/recorder_descriptors.h"

namespace vox::usb {
namespace fs = std::filesystem;
namespace {

// `absolute` ("/proc/...") below the survey's root.
fs::path below(const fs::path& root, const std::string& absolute) {
    return root / absolute.substr(1);
}

std::string firstLine(const fs::path& file) {
    std::ifstream in(file);
    std::string line;
    std::getline(in, line);
    return line;
}

std::string modeText(const fs::path& node) {
    struct stat status {};
    if (::stat(node.c_str(), &status) != 0) return {};
    char text[64];
    const mode_t m = status.st_mode;
    std::snprintf(text, sizeof text, "%c%c%c%c%c%c%c%c%c%c %u:%u", S_ISCHR(m) ? 'c' : '-',
                  m & S_IRUSR ? 'r' : '-', m & S_IWUSR ? 'w' : '-', m & S_IXUSR ? 'x' : '-',
                  m & S_IRGRP ? 'r' : '-', m & S_IWGRP ? 'w' : '-', m & S_IXGRP ? 'x' : '-',
                  m & S_IROTH ? 'r' : '-', m & S_IWOTH ? 'w' : '-', m & S_IXOTH ? 'x' : '-',
                  static_cast<unsigned>(status.st_uid), static_cast<unsigned>(status.st_gid));
    return text;
}

bool ruleInstalled(const fs::path& root) {
    std::error_code error;
    for (const char* folder :
         {"/etc/udev/rules.d/", "/usr/lib/udev/rules.d/", "/lib/udev/rules.d/"})
        if (fs::exists(below(root, folder + std::string(kRecorderRuleFile)), error)) return true;
    return false;
}

// udev's database entry of a USB device node (character major 189) lists
// the tags applied to it as "G:" lines, those in force as "Q:" lines.
bool uaccessTagged(const fs::path& root, int bus, int address) {
    const int minor = (bus - 1) * 128 + (address - 1);
    std::ifstream in(below(root, "/run/udev/data/c189:" + std::to_string(minor)));
    for (std::string line; std::getline(in, line);)
        if (line == "G:uaccess" || line == "Q:uaccess") return true;
    return false;
}

// The processes other than this one with the device node open, and
// whether this one has.
std::vector<InterfaceHolder> holdersOf(const fs::path& root, const std::string& node,
                                       bool& heldHere) {
    std::vector<InterfaceHolder> holders;
    std::error_code error;
    const int self = static_cast<int>(::getpid());
    for (const fs::directory_entry& process : fs::directory_iterator(below(root, "/proc"), error)) {
        const std::string pidText = process.path().filename().string();
        if (pidText.find_first_not_of("0123456789") != std::string::npos) continue;
        const int pid = std::stoi(pidText);
        std::error_code unreadable;  // another user's process: nothing to see
        for (const fs::directory_entry& fd :
             fs::directory_iterator(process.path() / "fd", unreadable)) {
            std::error_code link;
            if (fs::read_symlink(fd.path(), link).string() != node) continue;
            if (pid == self)
                heldHere = true;
            else
                holders.push_back({pid, firstLine(process.path() / "comm")});
            break;
        }
    }
    return holders;
}

// The driver bound to interface 0, from the device's sysfs name
// ("1-4.2:1.0": bus, the ports on the way, configuration and interface).
std::string kernelDriverOf(const fs::path& root, libusb_device* device, int bus) {
    std::uint8_t ports[8];
    const int depth = libusb_get_port_numbers(device, ports, sizeof ports);
    if (depth <= 0) return {};
    std::string name = std::to_string(bus) + "-";
    for (int i = 0; i < depth; ++i) name += (i ? "." : "") + std::to_string(ports[i]);
    std::error_code error;
    const fs::path driver =
        fs::read_symlink(below(root, "/sys/bus/usb/devices/" + name + ":1.0/driver"), error);
    return error ? std::string() : driver.filename().string();
}

void tryOpening(libusb_device* device, RecorderFound& found) {
    libusb_device_handle* handle = nullptr;
    int result = libusb_open(device, &handle);
    if (result == 0) {
        // As the bus does it: a kernel driver is detached for the claim and
        // attached again on release.
        libusb_set_auto_detach_kernel_driver(handle, 1);
        result = libusb_claim_interface(handle, 0);
        if (result == 0) libusb_release_interface(handle, 0);
        libusb_close(handle);
    }
    found.access = result == 0                     ? RecorderAccess::Usable
                   : result == LIBUSB_ERROR_ACCESS ? RecorderAccess::NoPermission
                   : result == LIBUSB_ERROR_BUSY   ? RecorderAccess::Busy
                                                   : RecorderAccess::Failed;
    if (result != 0) found.libusbError = libusb_error_name(result);
}

bool isRecorder(libusb_device* device, libusb_device_descriptor& descriptor) {
    return libusb_get_device_descriptor(device, &descriptor) == 0 &&
           descriptor.idVendor == kRecorderVendorId && descriptor.idProduct == kRecorderProductId;
}

}  // namespace

RecorderSurvey surveyRecorders(const fs::path& root) {
    RecorderSurvey survey;
    const libusb_version* version = libusb_get_version();
    survey.libusbVersion = std::to_string(version->major) + "." + std::to_string(version->minor) +
                           "." + std::to_string(version->micro);
    libusb_context* context = nullptr;
    if (libusb_init(&context) != 0) return survey;
    survey.usbAvailable = true;
    libusb_device** list = nullptr;
    const ssize_t count = libusb_get_device_list(context, &list);
    for (ssize_t i = 0; i < count; ++i) {
        libusb_device_descriptor descriptor{};
        if (!isRecorder(list[i], descriptor)) continue;
        RecorderFound found;
        found.vendorId = descriptor.idVendor;
        found.productId = descriptor.idProduct;
        found.bus = libusb_get_bus_number(list[i]);
        found.address = libusb_get_device_address(list[i]);
        char node[32];
        std::snprintf(node, sizeof node, "/dev/bus/usb/%03d/%03d", found.bus, found.address);
        found.node = node;
        tryOpening(list[i], found);
        found.nodeMode = modeText(below(root, found.node));
        found.ruleInstalled = ruleInstalled(root);
        found.uaccessTagged = uaccessTagged(root, found.bus, found.address);
        if (found.access != RecorderAccess::Usable) {
            found.holders = holdersOf(root, found.node, found.heldHere);
            found.kernelDriver = kernelDriverOf(root, list[i], found.bus);
        }
        survey.recorders.push_back(std::move(found));
    }
    if (list != nullptr) libusb_free_device_list(list, 1);
    libusb_exit(context);
    return survey;
}

std::optional<std::uint16_t> pluggedRecorderAddress() {
    libusb_context* context = nullptr;
    if (libusb_init(&context) != 0) return std::nullopt;
    std::optional<std::uint16_t> address;
    libusb_device** list = nullptr;
    const ssize_t count = libusb_get_device_list(context, &list);
    for (ssize_t i = 0; i < count && !address; ++i) {
        libusb_device_descriptor descriptor{};
        if (isRecorder(list[i], descriptor))
            address = static_cast<std::uint16_t>(libusb_get_bus_number(list[i]) << 8 |
                                                 libusb_get_device_address(list[i]));
    }
    if (list != nullptr) libusb_free_device_list(list, 1);
    libusb_exit(context);
    return address;
}

std::string unusableReason(const RecorderFound& recorder) {
    switch (recorder.access) {
        case RecorderAccess::Usable:
            return {};
        case RecorderAccess::NoPermission:
            if (!recorder.ruleInstalled)
                return "The recorder is plugged in, but you may not use it: its udev rule is not "
                       "installed (run \"sudo voxctl setup-driver\", then unplug the recorder and "
                       "plug it in again).";
            return "The recorder is plugged in, but you may not use it yet: unplug it and plug it "
                   "in again.";
        case RecorderAccess::Busy:
            if (recorder.heldHere && recorder.holders.empty()) return {};
            if (!recorder.holders.empty())
                return "The recorder is plugged in, but another program is using it: " +
                       recorder.holders.front().name + " (process " +
                       std::to_string(recorder.holders.front().pid) + "). Close it and try again.";
            if (!recorder.kernelDriver.empty())
                return "The recorder is plugged in, but the system's " + recorder.kernelDriver +
                       " driver holds it. Unplug it and plug it in again.";
            return "The recorder is plugged in, but another program is using it. Close it and try "
                   "again.";
        case RecorderAccess::Failed:
            break;
    }
    return "The recorder is plugged in, but it cannot be opened (" + recorder.libusbError +
           "). Unplug it and plug it in again.";
}

}  // namespace vox::usb
