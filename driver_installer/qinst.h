#pragma once
// Qinst: installs the recorder's driver package from its INF file, tells
// whether the recorder is plugged in, and whether the system still has
// installs of its own pending. A setup program calls it; on Linux that is
// "voxctl setup-driver".
//
// Platform codes, worked out from the system's version before every
// install and every device-change check:
//   1     Windows 98          256   Windows 2000
//   2     Windows ME          512   Windows XP or later
//   1024  Linux (the package is a udev rule; see platform/setup/linux_setup.h)
//   0     anything else (95, NT 4, ...): not supported, nothing is installed
//
// Device types: 3 is the recorder (USB\VID_0DAB&PID_3000). Types 1 and 2
// name devices of other products; this build knows no hardware ID for them,
// so they are never found and never installed.

#include <cstdint>

#include "platform/messages/message_target.h"

namespace vox::qinst {

constexpr int kPlatformUnsupported = 0;
constexpr int kPlatformWindows98 = 1;
constexpr int kPlatformWindowsMe = 2;
constexpr int kPlatformWindows2000 = 256;
constexpr int kPlatformWindowsXp = 512;
constexpr int kPlatformLinux = 1024;

constexpr messages::Message kWmDeviceChange = 537;   // WM_DEVICECHANGE
constexpr messages::WParam kDeviceArrival = 0x8000;  // DBT_DEVICEARRIVAL
constexpr std::uint32_t kDeviceTypeDevNode = 1;      // DBT_DEVTYP_DEVNODE

// What a device-change broadcast's lParam points to on Windows 98 and ME
// for a device node (DEV_BROADCAST_DEVNODE); `size` covers the whole record.
struct DevBroadcastDevNode {
    std::uint32_t size;
    std::uint32_t deviceType;
    std::uint32_t reserved;
    std::uint32_t devNode;
};
static_assert(sizeof(DevBroadcastDevNode) == 16);

}  // namespace vox::qinst

#if defined(__GNUC__)
#define QINST_API __attribute__((visibility("default")))
#else
#define QINST_API
#endif

extern "C" {

// 1 when the install ran; 0 when installs are pending, the platform is not
// supported, the type has no hardware ID, or a step failed. When the device
// is plugged in on Windows, the device install's own result.
QINST_API int InstallZIRDevice(const char* infPath, int deviceType,
                               vox::messages::WindowHandle parentWindow);
// 1 if a present device carries the type's hardware ID.
QINST_API int FindZIRDevice(int deviceType);
// 1 if a device-change broadcast (message 537) leaves one of the devices there.
QINST_API int IsZIRDevicePlugged(vox::messages::Message message, vox::messages::WParam wParam,
                                 vox::messages::LParam lParam);
// 1 while the system still has installs pending.
QINST_API int CheckForInProgressInstallations(void);
// Kept for setup programs that call it; does nothing and returns 0.
QINST_API int CopyHIDDriverFilesFromMasterINF(const char* first, const char* second);

}  // extern "C"
