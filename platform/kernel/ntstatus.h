#pragma once
// Status values and the basic integer types of the kernel layer, with the
// numbers the Windows kernel gives them.

#include <cstddef>
#include <cstdint>

namespace vox::kernel {

using NTSTATUS = std::int32_t;
using LONG = std::int32_t;
using ULONG = std::uint32_t;
using USHORT = std::uint16_t;
using UCHAR = std::uint8_t;
using BOOLEAN = std::uint8_t;
using ULONG_PTR = std::uintptr_t;
using PVOID = void*;
using WCHAR = char16_t;
using CCHAR = signed char;

constexpr BOOLEAN TRUE = 1;
constexpr BOOLEAN FALSE = 0;

constexpr NTSTATUS ntStatus(std::uint32_t value) {
    return static_cast<NTSTATUS>(value);
}

constexpr NTSTATUS STATUS_SUCCESS = 0;
constexpr NTSTATUS STATUS_TIMEOUT = 0x102;
constexpr NTSTATUS STATUS_PENDING = 0x103;
constexpr NTSTATUS STATUS_DEVICE_BUSY = ntStatus(0x80000011);
constexpr NTSTATUS STATUS_UNSUCCESSFUL = ntStatus(0xC0000001);
constexpr NTSTATUS STATUS_INVALID_PARAMETER = ntStatus(0xC000000D);
constexpr NTSTATUS STATUS_NO_SUCH_DEVICE = ntStatus(0xC000000E);
constexpr NTSTATUS STATUS_INVALID_DEVICE_REQUEST = ntStatus(0xC0000010);
constexpr NTSTATUS STATUS_MORE_PROCESSING_REQUIRED = ntStatus(0xC0000016);
constexpr NTSTATUS STATUS_BUFFER_TOO_SMALL = ntStatus(0xC0000023);
constexpr NTSTATUS STATUS_OBJECT_NAME_NOT_FOUND = ntStatus(0xC0000034);
constexpr NTSTATUS STATUS_OBJECT_NAME_COLLISION = ntStatus(0xC0000035);
constexpr NTSTATUS STATUS_DELETE_PENDING = ntStatus(0xC0000056);
constexpr NTSTATUS STATUS_INSUFFICIENT_RESOURCES = ntStatus(0xC000009A);
constexpr NTSTATUS STATUS_DEVICE_DATA_ERROR = ntStatus(0xC000009C);
constexpr NTSTATUS STATUS_DEVICE_NOT_CONNECTED = ntStatus(0xC000009D);
constexpr NTSTATUS STATUS_NOT_SUPPORTED = ntStatus(0xC00000BB);
constexpr NTSTATUS STATUS_CANCELLED = ntStatus(0xC0000120);
constexpr NTSTATUS STATUS_DEVICE_CONFIGURATION_ERROR = ntStatus(0xC0000182);
constexpr NTSTATUS STATUS_DEVICE_REMOVED = ntStatus(0xC00002B6);
// What a completion routine returns to let completion go on upwards.
constexpr NTSTATUS STATUS_CONTINUE_COMPLETION = STATUS_SUCCESS;

constexpr bool NT_SUCCESS(NTSTATUS status) {
    return status >= 0;
}

// The kernel's answer to a broken rule: the caller is faulty and going on
// would corrupt memory. Prints the check's name and aborts.
[[noreturn]] void KeBugCheck(const char* what);

}  // namespace vox::kernel
