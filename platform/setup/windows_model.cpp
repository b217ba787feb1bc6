#include "platform/setup/windows_model.h"

#include <algorithm>
#include <cstdio>

#include "platform/setup/ascii_case.h"

namespace vox::setup {

namespace {

// The USB device class, as setup writes it into a device's driver value.
constexpr const char* kUsbClassGuid = "{36FC9E60-C465-11CF-8056-444553540000}";

std::string folderOf(const std::string& path) {
    const auto slash = path.rfind('\\');
    return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

std::string baseName(const std::string& path) {
    const auto slash = path.rfind('\\');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

bool hasHardwareId(const WindowsModel::Device& device, const std::string& hardwareId) {
    return std::any_of(device.hardwareIds.begin(), device.hardwareIds.end(),
                       [&](const std::string& id) { return equalsIgnoringCase(id, hardwareId); });
}

// The node of a device instance in a const or mutable node list.
template <class Nodes>
auto findNode(Nodes& nodes, const std::string& instanceId) -> decltype(&nodes.front()) {
    for (auto& n : nodes)
        if (equalsIgnoringCase(n.device.instanceId, instanceId)) return &n;
    return nullptr;
}

}  // namespace

WindowsModel::WindowsModel(Edition edition) : edition_(edition) {}

bool WindowsModel::isNt() const {
    return edition_ == Edition::WindowsNt4 || edition_ == Edition::Windows2000 ||
           edition_ == Edition::WindowsXp;
}

std::string WindowsModel::enumKey(const std::string& instanceId) const {
    return (isNt() ? "SYSTEM\\CurrentControlSet\\Enum\\" : "Enum\\") + instanceId;
}

std::string WindowsModel::driverKey(const std::string& driver) const {
    return (isNt() ? "SYSTEM\\CurrentControlSet\\Control\\Class\\"
                   : "System\\CurrentControlSet\\Services\\Class\\") +
           driver;
}

std::string WindowsModel::driversFolder() const {
    const bool winnt = edition_ == Edition::WindowsNt4 || edition_ == Edition::Windows2000;
    return std::string(winnt ? "C:\\WINNT" : "C:\\WINDOWS") + "\\SYSTEM32\\DRIVERS";
}

void WindowsModel::addDevice(Device device) {
    registry_.createKey(enumKey(device.instanceId));
    nodes_.push_back(Node{nextDevNode_++, std::move(device), {}, {}, std::nullopt});
}

void WindowsModel::unplug(const std::string& instanceId) {
    if (Node* found = node(instanceId)) found->device.present = false;
}

const WindowsModel::Device* WindowsModel::device(const std::string& instanceId) const {
    const Node* found = findNode(nodes_, instanceId);
    return found == nullptr ? nullptr : &found->device;
}

WindowsModel::Node* WindowsModel::node(const std::string& instanceId) {
    return findNode(nodes_, instanceId);
}

void WindowsModel::addFile(const std::string& path, std::string content, std::uint64_t stamp) {
    files_[asciiUpper(path)] = File{std::move(content), stamp};
}

void WindowsModel::addInf(Inf description, std::uint64_t stamp) {
    addFile(description.path, "[Version]\r\nSignature=\"$CHICAGO$\"\r\n", stamp);
    const std::string key = asciiUpper(description.path);
    infs_[key] = std::move(description);
}

bool WindowsModel::hasFile(const std::string& path) const {
    return files_.count(asciiUpper(path)) != 0;
}

std::optional<std::string> WindowsModel::fileContent(const std::string& path) const {
    const auto found = files_.find(asciiUpper(path));
    if (found == files_.end()) return std::nullopt;
    return found->second.content;
}

const WindowsModel::Inf* WindowsModel::inf(const std::string& path) const {
    if (!hasFile(path)) return nullptr;
    const auto found = infs_.find(asciiUpper(path));
    return found == infs_.end() ? nullptr : &found->second;
}

void WindowsModel::setSetupApi(bool libraryPresent, bool waitFunctionPresent) {
    setupApiPresent_ = libraryPresent;
    waitFunctionPresent_ = waitFunctionPresent;
}

void WindowsModel::setNewdev(bool libraryPresent, bool updateFunctionPresent) {
    newdevPresent_ = libraryPresent;
    updateFunctionPresent_ = updateFunctionPresent;
}

bool WindowsModel::logged(const std::string& entry) const {
    return std::find(log_.begin(), log_.end(), entry) != log_.end();
}

bool WindowsModel::call(const std::string& entry, const std::string& windowsCall) {
    log_.push_back(entry);
    return failing_.count(windowsCall) == 0;
}

std::optional<OsVersion> WindowsModel::version() {
    if (!call("GetVersionExA", "GetVersionExA")) return std::nullopt;
    switch (edition_) {
        case Edition::Windows95:
            return OsVersion{kPlatformWin32Windows, 4, 0};
        case Edition::Windows98:
            return OsVersion{kPlatformWin32Windows, 4, 10};
        case Edition::WindowsMe:
            return OsVersion{kPlatformWin32Windows, 4, 90};
        case Edition::WindowsNt4:
            return OsVersion{kPlatformWin32Nt, 4, 0};
        case Edition::Windows2000:
            return OsVersion{kPlatformWin32Nt, 5, 0};
        case Edition::WindowsXp:
            return OsVersion{kPlatformWin32Nt, 5, 1};
    }
    return std::nullopt;
}

std::optional<std::vector<DeviceRecord>> WindowsModel::devices(const DeviceQuery& query) {
    const std::string entry = "SetupDiGetClassDevsA " +
                              (query.className.empty() ? "ALLCLASSES" : query.className) +
                              (query.presentOnly ? " PRESENT" : "");
    if (!call(entry, "SetupDiGetClassDevsA")) return std::nullopt;
    std::vector<DeviceRecord> set;
    for (const Node& n : nodes_) {
        const Device& d = n.device;
        if (query.presentOnly && !d.present) continue;
        if (!query.className.empty() && !equalsIgnoringCase(d.className, query.className)) continue;
        set.push_back(DeviceRecord{d.instanceId, d.hardwareIds, d.description, d.configFlags});
    }
    return set;
}

bool WindowsModel::removeDevice(const std::string& instanceId) {
    if (!call("SetupDiRemoveDevice " + instanceId, "SetupDiRemoveDevice")) return false;
    const auto found = std::find_if(nodes_.begin(), nodes_.end(), [&](const Node& n) {
        return equalsIgnoringCase(n.device.instanceId, instanceId);
    });
    if (found == nodes_.end()) return false;
    registry_.deleteTree(enumKey(found->device.instanceId));
    nodes_.erase(found);
    return true;
}

bool WindowsModel::deleteDriverKey(const std::string& instanceId) {
    if (!call("SetupDiDeleteDevRegKey " + instanceId, "SetupDiDeleteDevRegKey")) return false;
    const auto driver = registry_.value(enumKey(instanceId), "Driver");
    if (!driver || !std::holds_alternative<std::string>(*driver)) return false;
    return registry_.deleteTree(driverKey(std::get<std::string>(*driver)));
}

bool WindowsModel::selectDevice(const std::string& instanceId) {
    if (!call("SetupDiSetSelectedDevice " + instanceId, "SetupDiSetSelectedDevice")) return false;
    if (node(instanceId) == nullptr) return false;
    selectedDevice_ = instanceId;
    return true;
}

bool WindowsModel::useSingleInf(const std::string& instanceId, const std::string& infPath) {
    if (!call(
            "SetupDiSetDeviceInstallParamsA " + instanceId + " ENUMSINGLEINF NOFILECOPY " + infPath,
            "SetupDiSetDeviceInstallParamsA"))
        return false;
    Node* found = node(instanceId);
    if (found == nullptr) return false;
    found->singleInf = infPath;
    return true;
}

std::optional<std::vector<DriverCandidate>> WindowsModel::compatibleDrivers(
    const std::string& instanceId) {
    if (!call("SetupDiBuildDriverInfoList " + instanceId + " COMPATDRIVER",
              "SetupDiBuildDriverInfoList"))
        return std::nullopt;
    Node* found = node(instanceId);
    if (found == nullptr) return std::nullopt;
    found->candidates.clear();
    found->selectedDriver.reset();
    // With a single INF set, only that file is searched; otherwise none is
    // known to this model.
    if (const Inf* source = inf(found->singleInf)) {
        for (const std::string& id : source->hardwareIds)
            if (hasHardwareId(found->device, id))
                found->candidates.push_back(DriverCandidate{source->deviceDescription, id});
    }
    return found->candidates;
}

bool WindowsModel::selectDriver(const std::string& instanceId, std::size_t candidate) {
    if (!call("SetupDiSetSelectedDriverA " + instanceId + " " + std::to_string(candidate),
              "SetupDiSetSelectedDriverA"))
        return false;
    Node* found = node(instanceId);
    if (found == nullptr || candidate >= found->candidates.size()) return false;
    found->selectedDriver = candidate;
    return true;
}

void WindowsModel::bindDriver(Node& bound, const std::string& description) {
    char index[8];
    std::snprintf(index, sizeof index, "%04u", nextDriverIndex_++ % 10000);
    const std::string driver = std::string(kUsbClassGuid) + "\\" + index;
    const std::string key = enumKey(bound.device.instanceId);
    registry_.setValue(key, "Class", std::string("USB"));
    registry_.setValue(key, "Driver", driver);
    registry_.setValue(key, "ConfigFlags", std::uint32_t{0});
    registry_.setValue(driverKey(driver), "DriverDesc", description);
    bound.device.configFlags = 0;
}

bool WindowsModel::installDevice(const std::string& instanceId) {
    if (!call("SetupDiInstallDevice " + instanceId, "SetupDiInstallDevice")) return false;
    Node* found = node(instanceId);
    if (found == nullptr || !found->device.present || !found->selectedDriver ||
        !equalsIgnoringCase(selectedDevice_, instanceId))
        return false;
    bindDriver(*found, found->candidates[*found->selectedDriver].description);
    return true;
}

OemInfResult WindowsModel::copyOemInf(const std::string& infPath, OemInfMode mode) {
    const bool replaceOnly = mode == OemInfMode::ReplaceOnly;
    if (!call("SetupCopyOEMInfA " + infPath + (replaceOnly ? " REPLACEONLY" : " NOOVERWRITE"),
              "SetupCopyOEMInfA"))
        return OemInfResult::Failed;
    const Inf* source = inf(infPath);
    if (source == nullptr) return OemInfResult::Failed;
    const std::string name = asciiUpper(baseName(infPath));
    const auto registered = oemInfs_.find(name);
    if (registered == oemInfs_.end()) {
        if (replaceOnly) return OemInfResult::Failed;
        const std::string oemPath =
            windowsInfFolder() + "\\oem" + std::to_string(oemInfs_.size()) + ".inf";
        Inf copy = *source;
        copy.path = oemPath;
        addInf(std::move(copy), files_[asciiUpper(infPath)].stamp);
        oemInfs_[name] = oemPath;
        return OemInfResult::Copied;
    }
    if (!replaceOnly) return OemInfResult::AlreadyPresent;
    Inf copy = *source;
    copy.path = registered->second;
    addInf(std::move(copy), files_[asciiUpper(infPath)].stamp);
    return OemInfResult::Copied;
}

bool WindowsModel::installSectionFiles(const std::string& infPath, const std::string& section,
                                       bool newerOnly) {
    if (!call(
            "SetupInstallFromInfSectionA " + infPath + " " + section + (newerOnly ? " NEWER" : ""),
            "SetupInstallFromInfSectionA"))
        return false;
    const Inf* source = inf(infPath);
    if (source == nullptr) return false;
    const auto listed =
        std::find_if(source->sectionFiles.begin(), source->sectionFiles.end(),
                     [&](const auto& s) { return equalsIgnoringCase(s.first, section); });
    if (listed == source->sectionFiles.end()) return false;
    const std::string from = folderOf(infPath);
    for (const std::string& name : listed->second)
        if (!hasFile(from + "\\" + name)) return false;
    for (const std::string& name : listed->second) {
        const File& file = files_[asciiUpper(from + "\\" + name)];
        const std::string target = driversFolder() + "\\" + name;
        const auto existing = files_.find(asciiUpper(target));
        if (newerOnly && existing != files_.end() && existing->second.stamp >= file.stamp) continue;
        files_[asciiUpper(target)] = file;
    }
    return true;
}

std::string WindowsModel::windowsInfFolder() {
    return folderOf(folderOf(driversFolder())) + "\\INF";
}

bool WindowsModel::copyFile(const std::string& source, const std::string& folder) {
    if (!call("CopyFileA " + source + " " + folder, "CopyFileA")) return false;
    const auto found = files_.find(asciiUpper(source));
    if (found == files_.end()) return false;
    const File copy = found->second;
    files_[asciiUpper(folder + "\\" + baseName(source))] = copy;
    return true;
}

bool WindowsModel::deleteFile(const std::string& path) {
    if (!call("DeleteFileA " + path, "DeleteFileA")) return false;
    return files_.erase(asciiUpper(path)) != 0;
}

std::optional<std::vector<std::string>> WindowsModel::subkeys(const std::string& key) {
    if (!call("RegEnumKeyExA " + key, "RegEnumKeyExA")) return std::nullopt;
    return registry_.subkeys(key);
}

std::optional<std::string> WindowsModel::stringValue(const std::string& key,
                                                     const std::string& name) {
    if (!call("RegQueryValueExA " + key + " " + name, "RegQueryValueExA")) return std::nullopt;
    const auto value = registry_.value(key, name);
    if (!value || !std::holds_alternative<std::string>(*value)) return std::nullopt;
    return std::get<std::string>(*value);
}

std::optional<std::uint32_t> WindowsModel::dwordValue(const std::string& key,
                                                      const std::string& name) {
    if (!call("RegQueryValueExA " + key + " " + name, "RegQueryValueExA")) return std::nullopt;
    const auto value = registry_.value(key, name);
    if (!value || !std::holds_alternative<std::uint32_t>(*value)) return std::nullopt;
    return std::get<std::uint32_t>(*value);
}

bool WindowsModel::setDwordValue(const std::string& key, const std::string& name,
                                 std::uint32_t value) {
    if (!call("RegSetValueExA " + key + " " + name + " " + std::to_string(value), "RegSetValueExA"))
        return false;
    if (!registry_.hasKey(key)) return false;
    registry_.setValue(key, name, value);
    return true;
}

std::optional<std::vector<std::string>> WindowsModel::enumeratorDeviceIds(
    const std::string& enumerator) {
    if (!call("CM_Get_Device_ID_ListA " + enumerator, "CM_Get_Device_ID_ListA"))
        return std::nullopt;
    const std::string prefix = asciiUpper(enumerator) + "\\";
    std::vector<std::string> ids;
    for (const Node& n : nodes_)
        if (n.device.present && asciiUpper(n.device.instanceId).starts_with(prefix))
            ids.push_back(n.device.instanceId);
    return ids;
}

std::optional<DevNode> WindowsModel::locateDevNode(const std::string& deviceId) {
    if (!call("CM_Locate_DevNodeA " + deviceId, "CM_Locate_DevNodeA")) return std::nullopt;
    const Node* found = node(deviceId);
    if (found == nullptr || !found->device.present) return std::nullopt;
    return found->number;
}

bool WindowsModel::reenumerateDevNode(DevNode number) {
    const auto found = std::find_if(nodes_.begin(), nodes_.end(),
                                    [&](const Node& n) { return n.number == number; });
    const std::string name =
        found == nodes_.end() ? std::to_string(number) : found->device.instanceId;
    return call("CM_Reenumerate_DevNode " + name, "CM_Reenumerate_DevNode") &&
           found != nodes_.end();
}

std::optional<std::string> WindowsModel::deviceIdOf(DevNode number) {
    if (!call("CM_Get_Device_IDA " + std::to_string(number), "CM_Get_Device_IDA"))
        return std::nullopt;
    for (const Node& n : nodes_)
        if (n.number == number) return n.device.instanceId;
    return std::nullopt;
}

WaitOutcome WindowsModel::waitNoPendingInstallEvents(std::uint32_t timeoutMs) {
    call("CMP_WaitNoPendingInstallEvents " + std::to_string(timeoutMs),
         "CMP_WaitNoPendingInstallEvents");
    if (!setupApiPresent_) return WaitOutcome{OptionalCall::LibraryMissing, 0};
    if (!waitFunctionPresent_) return WaitOutcome{OptionalCall::FunctionMissing, 0};
    return WaitOutcome{OptionalCall::Called, pendingInstalls_ ? kWaitTimeout : 0u};
}

UpdateOutcome WindowsModel::updateDriverForPlugAndPlayDevices(messages::WindowHandle parent,
                                                              const std::string& hardwareId,
                                                              const std::string& infPath,
                                                              std::uint32_t flags) {
    const bool ok =
        call("UpdateDriverForPlugAndPlayDevicesA " + std::string(parent ? "WINDOW " : "") +
                 hardwareId + " " + infPath + " " + std::to_string(flags),
             "UpdateDriverForPlugAndPlayDevicesA");
    if (!newdevPresent_) return UpdateOutcome{OptionalCall::LibraryMissing, false};
    if (!updateFunctionPresent_) return UpdateOutcome{OptionalCall::FunctionMissing, false};
    const Inf* source = inf(infPath);
    bool updated = false;
    if (ok && source != nullptr &&
        std::any_of(source->hardwareIds.begin(), source->hardwareIds.end(),
                    [&](const std::string& id) { return equalsIgnoringCase(id, hardwareId); })) {
        for (Node& n : nodes_) {
            if (!n.device.present || !hasHardwareId(n.device, hardwareId)) continue;
            bindDriver(n, source->deviceDescription);
            updated = true;
        }
    }
    return UpdateOutcome{OptionalCall::Called, updated};
}

bool WindowsModel::reloadDeviceRules() {
    log_.push_back("udevadm control --reload-rules");
    return false;
}

bool WindowsModel::triggerUsbDevices() {
    log_.push_back("udevadm trigger --subsystem-match=usb");
    return false;
}

}  // namespace vox::setup
