#pragma once
// The setup, configuration-manager, registry, file-copy, version and
// driver-update services the driver installer calls, as one interface.
//
// Two providers: WindowsModel (an in-memory Windows 95 to XP machine that
// records every call) and LinuxSetup (sysfs, udev's queue and rules folder).
// Each operation names the Windows calls it stands for. Devices are named by
// their device instance ID ("USB\VID_0DAB&PID_3000\5&1A2B&0&1"), which is
// also the device ID the configuration manager gives; registry paths are
// below HKEY_LOCAL_MACHINE and compare without regard to case.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/messages/message_target.h"

namespace vox::setup {

// GetVersionExA's platform ids, and the one the Linux provider reports
// (outside Windows' own range 0-3).
constexpr std::uint32_t kPlatformWin32Windows = 1;  // 95, 98, ME
constexpr std::uint32_t kPlatformWin32Nt = 2;       // NT 4, 2000, XP
constexpr std::uint32_t kPlatformLinux = 16;

struct OsVersion {
    std::uint32_t platformId = 0;
    std::uint32_t major = 0;
    std::uint32_t minor = 0;
};

// One device of a SetupDiGetClassDevsA set, with the registry properties
// SetupDiGetDeviceRegistryPropertyA reads (absent when the property is).
struct DeviceRecord {
    std::string instanceId;
    std::vector<std::string> hardwareIds;      // SPDRP_HARDWAREID
    std::optional<std::string> description;    // SPDRP_DEVICEDESC
    std::optional<std::uint32_t> configFlags;  // SPDRP_CONFIGFLAGS
};

struct DeviceQuery {
    std::string className;    // "" for every class, else SetupDiClassGuidsFromNameA's name
    bool presentOnly = true;  // DIGCF_PRESENT
};

// One entry of a compatible-driver list (SetupDiEnumDriverInfoA with the
// hardware ID from SetupDiGetDriverInfoDetailA).
struct DriverCandidate {
    std::string description;
    std::string hardwareId;
};

enum class OemInfMode { NoOverwrite, ReplaceOnly };          // SP_COPY_NOOVERWRITE / _REPLACEONLY
enum class OemInfResult { Copied, AlreadyPresent, Failed };  // ERROR_FILE_EXISTS is AlreadyPresent
enum class OptionalCall {
    LibraryMissing,
    FunctionMissing,
    Called
};  // LoadLibraryA / GetProcAddress

constexpr std::uint32_t kWaitTimeout = 258;  // WAIT_TIMEOUT

struct WaitOutcome {
    OptionalCall call = OptionalCall::LibraryMissing;
    std::uint32_t result = 0;  // the wait's result when called
};

struct UpdateOutcome {
    OptionalCall call = OptionalCall::LibraryMissing;
    bool updated = false;  // the update's result when called
};

using DevNode = std::uint32_t;

class SetupServices {
  public:
    virtual ~SetupServices() = default;

    // GetVersionExA.
    virtual std::optional<OsVersion> version() = 0;

    // Device sets: SetupDiClassGuidsFromNameA, SetupDiGetClassDevsA,
    // SetupDiEnumDeviceInfo, SetupDiGetDeviceRegistryPropertyA and
    // SetupDiDestroyDeviceInfoList. Absent when the set cannot be built.
    virtual std::optional<std::vector<DeviceRecord>> devices(const DeviceQuery& query) = 0;
    virtual bool removeDevice(const std::string& instanceId) = 0;     // SetupDiRemoveDevice
    virtual bool deleteDriverKey(const std::string& instanceId) = 0;  // SetupDiDeleteDevRegKey

    // Installing one present device from one INF: SetupDiSetSelectedDevice;
    // SetupDiGetDeviceInstallParamsA and SetupDiSetDeviceInstallParamsA with
    // DI_ENUMSINGLEINF | DI_NOFILECOPY; SetupDiBuildDriverInfoList,
    // SetupDiEnumDriverInfoA and SetupDiGetDriverInfoDetailA;
    // SetupDiSetSelectedDriverA; SetupDiInstallDevice and
    // SetupDiDestroyDriverInfoList.
    virtual bool selectDevice(const std::string& instanceId) = 0;
    virtual bool useSingleInf(const std::string& instanceId, const std::string& infPath) = 0;
    virtual std::optional<std::vector<DriverCandidate>> compatibleDrivers(
        const std::string& instanceId) = 0;
    virtual bool selectDriver(const std::string& instanceId, std::size_t candidate) = 0;
    virtual bool installDevice(const std::string& instanceId) = 0;

    // INF files and driver files.
    virtual OemInfResult copyOemInf(const std::string& infPath,
                                    OemInfMode mode) = 0;  // SetupCopyOEMInfA
    // SetupOpenInfFileA, SetupInitDefaultQueueCallback,
    // SetupInstallFromInfSectionA (SPINST_FILES, SP_COPY_NEWER_ONLY when
    // asked), SetupDefaultQueueCallbackA, SetupCloseInfFile: copies the files
    // the section names from the INF's folder to their destination.
    virtual bool installSectionFiles(const std::string& infPath, const std::string& section,
                                     bool newerOnly) = 0;
    virtual std::string windowsInfFolder() = 0;  // GetWindowsDirectoryA + "\INF"
    virtual bool copyFile(const std::string& source, const std::string& folder) = 0;  // CopyFileA
    virtual bool deleteFile(const std::string& path) = 0;                             // DeleteFileA

    // Registry (RegOpenKeyExA, RegEnumKeyExA, RegQueryValueExA,
    // RegSetValueExA, RegCloseKey). Absent when the key or value is, or has
    // another type.
    virtual std::optional<std::vector<std::string>> subkeys(const std::string& key) = 0;
    virtual std::optional<std::string> stringValue(const std::string& key,
                                                   const std::string& name) = 0;
    virtual std::optional<std::uint32_t> dwordValue(const std::string& key,
                                                    const std::string& name) = 0;
    virtual bool setDwordValue(const std::string& key, const std::string& name,
                               std::uint32_t value) = 0;

    // Configuration manager.
    // CM_Get_Device_ID_List_SizeA + CM_Get_Device_ID_ListA, filtered by enumerator.
    virtual std::optional<std::vector<std::string>> enumeratorDeviceIds(
        const std::string& enumerator) = 0;
    virtual std::optional<DevNode> locateDevNode(
        const std::string& deviceId) = 0;                             // CM_Locate_DevNodeA
    virtual bool reenumerateDevNode(DevNode node) = 0;                // CM_Reenumerate_DevNode
    virtual std::optional<std::string> deviceIdOf(DevNode node) = 0;  // CM_Get_Device_IDA

    // Functions looked up by name at run time: "CMP_WaitNoPendingInstallEvents"
    // in "setupapi.dll" and "UpdateDriverForPlugAndPlayDevicesA" in "newdev.dll".
    virtual WaitOutcome waitNoPendingInstallEvents(std::uint32_t timeoutMs) = 0;
    virtual UpdateOutcome updateDriverForPlugAndPlayDevices(messages::WindowHandle parent,
                                                            const std::string& hardwareId,
                                                            const std::string& infPath,
                                                            std::uint32_t flags) = 0;

    // Linux's device manager: "udevadm control --reload-rules" and
    // "udevadm trigger --subsystem-match=usb". Windows has neither.
    virtual bool reloadDeviceRules() = 0;
    virtual bool triggerUsbDevices() = 0;
};

}  // namespace vox::setup
