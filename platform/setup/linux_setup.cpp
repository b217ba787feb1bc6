#include "platform/setup/linux_setup.h"

#include <sys/utsname.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <thread>

#include "platform/setup/ascii_case.h"
#include "platform/setup/inf_file.h"

namespace vox::setup {

namespace fs = std::filesystem;

namespace {

// INF files are a few kilobytes; anything far larger is not one.
constexpr std::uintmax_t kLargestInf = 1 << 20;

std::optional<std::string> readSmallFile(const fs::path& path, std::uintmax_t limit) {
    std::error_code error;
    const auto size = fs::file_size(path, error);
    if (error || size > limit) return std::nullopt;
    std::ifstream in(path, std::ios::binary);
    if (!in) return std::nullopt;
    std::ostringstream text;
    text << in.rdbuf();
    if (in.bad()) return std::nullopt;
    return text.str();
}

// A sysfs attribute of four hex digits ("0dab\n").
std::optional<unsigned> hexWord(const fs::path& path) {
    const auto text = readSmallFile(path, 64);
    if (!text) return std::nullopt;
    const std::string digits = text->substr(0, text->find_first_of("\r\n"));
    if (digits.empty() || digits.size() > 4 ||
        digits.find_first_not_of("0123456789abcdefABCDEF") != std::string::npos)
        return std::nullopt;
    return static_cast<unsigned>(std::stoul(digits, nullptr, 16));
}

std::string usbId(const char* format, unsigned a, unsigned b, unsigned c = 0) {
    char id[48];
    std::snprintf(id, sizeof id, format, a, b, c);
    return id;
}

std::optional<DeviceRecord> sysfsDevice(const fs::path& folder) {
    const auto vendor = hexWord(folder / "idVendor");
    const auto product = hexWord(folder / "idProduct");
    if (!vendor || !product) return std::nullopt;  // an interface or a port, not a device
    DeviceRecord record;
    const std::string plain = usbId("USB\\VID_%04X&PID_%04X", *vendor, *product);
    if (const auto revision = hexWord(folder / "bcdDevice"))
        record.hardwareIds.push_back(
            usbId("USB\\VID_%04X&PID_%04X&REV_%04X", *vendor, *product, *revision));
    record.hardwareIds.push_back(plain);
    record.instanceId = plain + "\\" + folder.filename().string();
    if (const auto name = readSmallFile(folder / "product", 4096))
        record.description = name->substr(0, name->find_first_of("\r\n"));
    record.configFlags = 0;
    return record;
}

std::string joined(const std::vector<std::string>& argv) {
    std::string line;
    for (const std::string& arg : argv) line += (line.empty() ? "" : " ") + arg;
    return line;
}

}  // namespace

LinuxSetup::LinuxSetup(LinuxSetupOptions options) : options_(std::move(options)) {}

fs::path LinuxSetup::rulesFolder() const {
    return options_.root / "etc/udev/rules.d";
}

void LinuxSetup::tell(const std::string& line) const {
    if (options_.report) options_.report(line);
}

std::optional<OsVersion> LinuxSetup::version() {
    OsVersion linux{kPlatformLinux, 0, 0};
    utsname names{};
    if (uname(&names) == 0) std::sscanf(names.release, "%u.%u", &linux.major, &linux.minor);
    return linux;
}

std::optional<std::vector<DeviceRecord>> LinuxSetup::devices(const DeviceQuery& query) {
    std::vector<DeviceRecord> set;
    if (!query.className.empty() && !equalsIgnoringCase(query.className, "USB")) return set;
    std::error_code error;
    fs::directory_iterator folder(options_.root / "sys/bus/usb/devices", error);
    if (error) return set;  // no USB bus, so no USB devices
    std::vector<fs::path> entries;
    for (const auto& entry : folder) entries.push_back(entry.path());
    std::sort(entries.begin(), entries.end());
    for (const fs::path& entry : entries)
        if (auto record = sysfsDevice(entry)) set.push_back(std::move(*record));
    return set;
}

bool LinuxSetup::installFile(const fs::path& source, const fs::path& target, bool newerOnly) {
    std::error_code error;
    if (newerOnly && fs::exists(target, error) &&
        fs::last_write_time(target, error) >= fs::last_write_time(source, error))
        return true;
    if (options_.dryRun) {
        tell("would install " + source.string() + " as " + target.string());
        return true;
    }
    const auto content = readSmallFile(source, kLargestInf);
    if (!content) return false;
    // Written beside the target and renamed over it, so udev never reads a
    // half-written rule and a failed copy leaves the old one in place.
    const fs::path staged = target.string() + ".new";
    {
        std::ofstream out(staged, std::ios::binary | std::ios::trunc);
        out << *content;
        out.close();
        if (!out) {
            fs::remove(staged, error);
            return false;
        }
    }
    fs::permissions(staged,
                    fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read |
                        fs::perms::others_read,
                    error);
    if (!error) fs::rename(staged, target, error);
    if (error) {
        std::error_code ignored;
        fs::remove(staged, ignored);
        return false;
    }
    tell("installed " + source.string() + " as " + target.string());
    return true;
}

bool LinuxSetup::installSectionFiles(const std::string& infPath, const std::string& section,
                                     bool newerOnly) {
    const auto text = readSmallFile(infPath, kLargestInf);
    if (!text) return false;
    const auto entries = InfFile(*text).filesOf(section);
    if (!entries || entries->empty()) return false;
    const fs::path from = fs::path(infPath).parent_path();
    std::error_code error;
    // Every source must be there before anything is replaced.
    for (const InfCopyEntry& entry : *entries)
        if (!fs::is_regular_file(from / entry.source, error)) return false;
    if (!options_.dryRun) {
        fs::create_directories(rulesFolder(), error);
        if (error) return false;
    }
    for (const InfCopyEntry& entry : *entries)
        if (!installFile(from / entry.source, rulesFolder() / entry.target, newerOnly))
            return false;
    return true;
}

bool LinuxSetup::run(const std::vector<std::string>& argv) {
    if (options_.dryRun) {
        tell("would run " + joined(argv));
        return true;
    }
    const int status = options_.runCommand(argv);
    tell("ran " + joined(argv) + " (exit status " + std::to_string(status) + ")");
    return status == 0;
}

bool LinuxSetup::reloadDeviceRules() {
    return run({"udevadm", "control", "--reload-rules"});
}

bool LinuxSetup::triggerUsbDevices() {
    return run({"udevadm", "trigger", "--subsystem-match=usb"});
}

WaitOutcome LinuxSetup::waitNoPendingInstallEvents(std::uint32_t timeoutMs) {
    std::error_code error;
    if (!fs::is_directory(options_.root / "run/udev", error))
        return WaitOutcome{OptionalCall::FunctionMissing, 0};
    const fs::path queue = options_.root / "run/udev/queue";
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (fs::exists(queue, error) && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    return WaitOutcome{OptionalCall::Called, fs::exists(queue, error) ? kWaitTimeout : 0u};
}

// What Linux does not have.

bool LinuxSetup::removeDevice(const std::string&) {
    return false;
}
bool LinuxSetup::deleteDriverKey(const std::string&) {
    return false;
}
bool LinuxSetup::selectDevice(const std::string&) {
    return false;
}
bool LinuxSetup::useSingleInf(const std::string&, const std::string&) {
    return false;
}
std::optional<std::vector<DriverCandidate>> LinuxSetup::compatibleDrivers(const std::string&) {
    return std::nullopt;
}
bool LinuxSetup::selectDriver(const std::string&, std::size_t) {
    return false;
}
bool LinuxSetup::installDevice(const std::string&) {
    return false;
}
OemInfResult LinuxSetup::copyOemInf(const std::string&, OemInfMode) {
    return OemInfResult::Failed;
}
std::string LinuxSetup::windowsInfFolder() {
    return {};
}
bool LinuxSetup::copyFile(const std::string&, const std::string&) {
    return false;
}
bool LinuxSetup::deleteFile(const std::string&) {
    return false;
}
std::optional<std::vector<std::string>> LinuxSetup::subkeys(const std::string&) {
    return std::nullopt;
}
std::optional<std::string> LinuxSetup::stringValue(const std::string&, const std::string&) {
    return std::nullopt;
}
std::optional<std::uint32_t> LinuxSetup::dwordValue(const std::string&, const std::string&) {
    return std::nullopt;
}
bool LinuxSetup::setDwordValue(const std::string&, const std::string&, std::uint32_t) {
    return false;
}
std::optional<std::vector<std::string>> LinuxSetup::enumeratorDeviceIds(const std::string&) {
    return std::nullopt;
}
std::optional<DevNode> LinuxSetup::locateDevNode(const std::string&) {
    return std::nullopt;
}
bool LinuxSetup::reenumerateDevNode(DevNode) {
    return false;
}
std::optional<std::string> LinuxSetup::deviceIdOf(DevNode) {
    return std::nullopt;
}
UpdateOutcome LinuxSetup::updateDriverForPlugAndPlayDevices(messages::WindowHandle,
                                                            const std::string&, const std::string&,
                                                            std::uint32_t) {
    return UpdateOutcome{OptionalCall::LibraryMissing, false};
}

}  // namespace vox::setup
