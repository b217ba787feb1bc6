#pragma once
// The registry of device interfaces: for each interface class, the
// symbolic links that drivers registered for their devices and whether each
// is enabled. User mode finds devices here ("present interfaces").

#include <functional>
#include <string>
#include <vector>

#include "platform/kernel/io_types.h"

namespace vox::kernel {

struct GUID {
    ULONG Data1;
    USHORT Data2;
    USHORT Data3;
    UCHAR Data4[8];
};

// "640A6544-5077-4EE4-884C-3C713514B23D": upper case, without braces.
std::string guidText(const GUID& guid);
bool parseGuid(std::string_view text, GUID& guid);  // braces optional, any case

// Registers (or finds again) the interface of `physicalDevice` for `cls`;
// `link` gets a pool-allocated copy of its symbolic link, which the caller
// frees with RtlFreeUnicodeString. The device needs an instance id.
NTSTATUS IoRegisterDeviceInterface(DEVICE_OBJECT* physicalDevice, const GUID* cls,
                                   UNICODE_STRING* referenceString, UNICODE_STRING* link);
NTSTATUS IoSetDeviceInterfaceState(UNICODE_STRING* link, BOOLEAN enable);

// Links of the enabled interfaces of `cls`, in registration order.
std::vector<std::u16string> enabledDeviceInterfaces(const GUID& cls);
// The physical device behind the enabled interface whose link starts
// `path`, referenced; `rest` gets what follows the link. Null if none.
DEVICE_OBJECT* resolveDeviceInterface(std::u16string_view path, std::u16string& rest);

// Called after an interface is enabled or disabled. Returns an id.
int subscribeInterfaceChanges(
    std::function<void(const GUID&, std::u16string_view link, bool enabled)> callback);
void unsubscribeInterfaceChanges(int id);

// Drops the interfaces of a device that is deleted (the kernel calls this).
void forgetDeviceInterfaces(DEVICE_OBJECT* physicalDevice);

}  // namespace vox::kernel
