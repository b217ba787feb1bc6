#pragma once
// The devices the installer knows, by the device type a setup program passes.

#include <array>
#include <string_view>

namespace vox::qinst {

// Install section of the driver files in the INF.
constexpr std::string_view kInstallSection = "VX_R250";

// Earlier installs of this maker's drivers carry this word in their device
// description; on Windows 98 and ME failed ones are removed before an install.
constexpr std::string_view kEarlierInstallVendorWord = "TEVRA";

constexpr std::array<int, 3> kDeviceTypes = {1, 2, 3};

// The hardware ID of a device type; empty for a type without one (1 and 2,
// which belong to other products) and for an unknown type.
constexpr std::string_view hardwareIdOf(int deviceType) {
    return deviceType == 3 ? std::string_view("USB\\VID_0DAB&PID_3000") : std::string_view();
}

}  // namespace vox::qinst
