#pragma once
// What user mode shares with the VXR250 driver: the device-interface class
// the driver registers for each recorder, the pipe names opened under an
// interface path, and the device control codes with the vendor request that
// each of the command-framing codes becomes on the wire.

#include <array>
#include <cstdint>
#include <optional>
#include <string_view>

namespace vox::vxr250 {

struct Guid {
    std::uint32_t data1;
    std::uint16_t data2;
    std::uint16_t data3;
    std::uint8_t data4[8];
};

// {640A6544-5077-4EE4-884C-3C713514B23D}
inline constexpr Guid RECORDER_INTERFACE_GUID = {
    0x640A6544, 0x5077, 0x4EE4, {0x88, 0x4C, 0x3C, 0x71, 0x35, 0x14, 0xB2, 0x3D}};
// The same class in the registry text form the device I/O layer uses.
inline constexpr std::string_view kRecorderInterfaceClass = "640A6544-5077-4EE4-884C-3C713514B23D";

// Pipe names appended to an interface path after a backslash. Writes go to
// the bulk OUT pipe and reads come from the bulk IN pipe whichever is opened.
inline constexpr std::string_view kOutPipeName = "PIPE00";
inline constexpr std::string_view kInPipeName = "PIPE01";

// Buffered device control codes, device type 0x22, function codes 0 to 7.
inline constexpr std::uint32_t IOCTL_GET_CONFIG_DESCRIPTOR = 0x220000;
inline constexpr std::uint32_t IOCTL_RESET_PORT = 0x220004;
inline constexpr std::uint32_t IOCTL_NOP = 0x220008;
inline constexpr std::uint32_t IOCTL_BEGIN_COMMAND = 0x22000C;
inline constexpr std::uint32_t IOCTL_AWAIT_REPLY = 0x220010;
inline constexpr std::uint32_t IOCTL_BEGIN_DATA = 0x220014;
inline constexpr std::uint32_t IOCTL_VENDOR_0D = 0x220018;
inline constexpr std::uint32_t IOCTL_END_COMMAND = 0x22001C;

struct ControlCodeName {
    std::uint32_t code;
    std::string_view name;
};

inline constexpr std::array<ControlCodeName, 8> kControlCodeNames = {{
    {IOCTL_GET_CONFIG_DESCRIPTOR, "IOCTL_GET_CONFIG_DESCRIPTOR"},
    {IOCTL_RESET_PORT, "IOCTL_RESET_PORT"},
    {IOCTL_NOP, "IOCTL_NOP"},
    {IOCTL_BEGIN_COMMAND, "IOCTL_BEGIN_COMMAND"},
    {IOCTL_AWAIT_REPLY, "IOCTL_AWAIT_REPLY"},
    {IOCTL_BEGIN_DATA, "IOCTL_BEGIN_DATA"},
    {IOCTL_VENDOR_0D, "IOCTL_VENDOR_0D"},
    {IOCTL_END_COMMAND, "IOCTL_END_COMMAND"},
}};

// A vendor-specific request to an endpoint recipient, host to device, with
// no data stage.
struct VendorRequest {
    std::uint32_t code;
    std::uint8_t request;  // bRequest
    std::uint16_t value;   // wValue
    std::uint16_t index;   // wIndex
};

inline constexpr std::array<VendorRequest, 5> kVendorRequests = {{
    {IOCTL_BEGIN_COMMAND, 0x0A, 0x0040, 0x0000},
    {IOCTL_AWAIT_REPLY, 0x0C, 0x0000, 0x0000},
    {IOCTL_BEGIN_DATA, 0x0B, 0x0000, 0x0000},
    {IOCTL_VENDOR_0D, 0x0D, 0x0400, 0x0000},
    {IOCTL_END_COMMAND, 0x0A, 0x0000, 0xFFFF},
}};

// The vendor request a control code stands for, if it stands for one.
constexpr std::optional<VendorRequest> vendorRequestFor(std::uint32_t code) {
    for (const VendorRequest& entry : kVendorRequests) {
        if (entry.code == code) return entry;
    }
    return std::nullopt;
}

constexpr std::string_view controlCodeName(std::uint32_t code) {
    for (const ControlCodeName& entry : kControlCodeNames) {
        if (entry.code == code) return entry.name;
    }
    return {};
}

}  // namespace vox::vxr250
