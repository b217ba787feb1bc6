#include "platform/kernel/device_interface.h"

#include <cstdio>
#include <cstring>
#include <map>
#include <mutex>

#include "platform/kernel/io_manager.h"
#include "platform/kernel/pool.h"

namespace vox::kernel {
namespace {

constexpr ULONG kLinkTag = poolTag("IoDi");

struct InterfaceEntry {
    GUID cls;
    DEVICE_OBJECT* device;
    std::u16string link;
    bool enabled;
};

struct InterfaceRegistry {
    std::mutex mutex;
    std::vector<InterfaceEntry> entries;
    int nextSubscriber = 1;
    std::map<int, std::function<void(const GUID&, std::u16string_view, bool)>> subscribers;
};

// Never destroyed: drivers and buses torn down by other libraries at
// process exit still reach it after this library's statics are gone.
InterfaceRegistry& registry() {
    static InterfaceRegistry& instance = *new InterfaceRegistry;
    return instance;
}

bool sameGuid(const GUID& a, const GUID& b) {
    return std::memcmp(&a, &b, sizeof(GUID)) == 0;
}

std::u16string lowerCase(std::u16string text) {
    for (char16_t& c : text) {
        if (c >= u'A' && c <= u'Z') c = static_cast<char16_t>(c + 32);
    }
    return text;
}

NTSTATUS copyToPool(std::u16string_view text, UNICODE_STRING* out) {
    const std::size_t bytes = (text.size() + 1) * sizeof(WCHAR);
    auto* buffer = static_cast<WCHAR*>(ExAllocatePoolWithTag(PagedPool, bytes, kLinkTag));
    if (buffer == nullptr) return STATUS_INSUFFICIENT_RESOURCES;
    std::memcpy(buffer, text.data(), text.size() * sizeof(WCHAR));
    out->Buffer = buffer;
    out->Length = static_cast<USHORT>(text.size() * sizeof(WCHAR));
    out->MaximumLength = static_cast<USHORT>(bytes);
    return STATUS_SUCCESS;
}

}  // namespace

std::string guidText(const GUID& guid) {
    char text[37];
    std::snprintf(text, sizeof text, "%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X", guid.Data1,
                  guid.Data2, guid.Data3, guid.Data4[0], guid.Data4[1], guid.Data4[2],
                  guid.Data4[3], guid.Data4[4], guid.Data4[5], guid.Data4[6], guid.Data4[7]);
    return text;
}

bool parseGuid(std::string_view text, GUID& guid) {
    if (text.size() == 38 && text.front() == '{' && text.back() == '}') text = text.substr(1, 36);
    if (text.size() != 36 || text[8] != '-' || text[13] != '-' || text[18] != '-' ||
        text[23] != '-') {
        return false;
    }
    auto hex = [&](std::size_t at, std::size_t digits, std::uint64_t& value) {
        value = 0;
        for (std::size_t i = 0; i < digits; ++i) {
            const char c = text[at + i];
            int digit = c >= '0' && c <= '9'   ? c - '0'
                        : c >= 'a' && c <= 'f' ? c - 'a' + 10
                        : c >= 'A' && c <= 'F' ? c - 'A' + 10
                                               : -1;
            if (digit < 0) return false;
            value = value << 4 | static_cast<std::uint64_t>(digit);
        }
        return true;
    };
    std::uint64_t value = 0;
    if (!hex(0, 8, value)) return false;
    guid.Data1 = static_cast<ULONG>(value);
    if (!hex(9, 4, value)) return false;
    guid.Data2 = static_cast<USHORT>(value);
    if (!hex(14, 4, value)) return false;
    guid.Data3 = static_cast<USHORT>(value);
    constexpr std::size_t kByteAt[8] = {19, 21, 24, 26, 28, 30, 32, 34};
    for (std::size_t i = 0; i < 8; ++i) {
        if (!hex(kByteAt[i], 2, value)) return false;
        guid.Data4[i] = static_cast<UCHAR>(value);
    }
    return true;
}

NTSTATUS IoRegisterDeviceInterface(DEVICE_OBJECT* physicalDevice, const GUID* cls,
                                   UNICODE_STRING* referenceString, UNICODE_STRING* link) {
    if (physicalDevice == nullptr || physicalDevice->InstanceId.empty())
        return STATUS_INVALID_DEVICE_REQUEST;
    // \\?\usb#vid_0dab&pid_3000#sim0#{640a6544-5077-4ee4-884c-3c713514b23d}
    std::u16string name = u"\\\\?\\" + physicalDevice->InstanceId;
    for (std::size_t i = 4; i < name.size(); ++i) {
        if (name[i] == u'\\') name[i] = u'#';
    }
    name += u"#{" + widen(guidText(*cls)) + u"}";
    if (referenceString != nullptr && referenceString->Length != 0)
        name += u"\\" + std::u16string(view(*referenceString));
    name = lowerCase(name);

    InterfaceRegistry& reg = registry();
    std::lock_guard lock(reg.mutex);
    bool known = false;
    for (const InterfaceEntry& entry : reg.entries) known = known || entry.link == name;
    if (!known) reg.entries.push_back(InterfaceEntry{*cls, physicalDevice, name, false});
    return copyToPool(name, link);
}

NTSTATUS IoSetDeviceInterfaceState(UNICODE_STRING* link, BOOLEAN enable) {
    InterfaceRegistry& reg = registry();
    std::vector<std::function<void(const GUID&, std::u16string_view, bool)>> callbacks;
    GUID cls{};
    std::u16string name = lowerCase(std::u16string(view(*link)));
    {
        std::lock_guard lock(reg.mutex);
        InterfaceEntry* found = nullptr;
        for (InterfaceEntry& entry : reg.entries) {
            if (entry.link == name) found = &entry;
        }
        if (found == nullptr) return STATUS_OBJECT_NAME_NOT_FOUND;
        if (found->enabled == (enable != FALSE)) return STATUS_SUCCESS;
        found->enabled = enable != FALSE;
        cls = found->cls;
        for (const auto& entry : reg.subscribers) callbacks.push_back(entry.second);
    }
    for (const auto& callback : callbacks) callback(cls, name, enable != FALSE);
    return STATUS_SUCCESS;
}

std::vector<std::u16string> enabledDeviceInterfaces(const GUID& cls) {
    InterfaceRegistry& reg = registry();
    std::lock_guard lock(reg.mutex);
    std::vector<std::u16string> links;
    for (const InterfaceEntry& entry : reg.entries) {
        if (entry.enabled && sameGuid(entry.cls, cls)) links.push_back(entry.link);
    }
    return links;
}

DEVICE_OBJECT* resolveDeviceInterface(std::u16string_view path, std::u16string& rest) {
    InterfaceRegistry& reg = registry();
    std::lock_guard lock(reg.mutex);
    for (const InterfaceEntry& entry : reg.entries) {
        if (!entry.enabled || path.size() < entry.link.size()) continue;
        if (!equalNames(path.substr(0, entry.link.size()), entry.link)) continue;
        const std::u16string_view after = path.substr(entry.link.size());
        if (!after.empty() && after.front() != u'\\') continue;
        rest = std::u16string(after);
        ObReferenceObject(entry.device);
        return entry.device;
    }
    return nullptr;
}

int subscribeInterfaceChanges(
    std::function<void(const GUID&, std::u16string_view, bool)> callback) {
    InterfaceRegistry& reg = registry();
    std::lock_guard lock(reg.mutex);
    const int id = reg.nextSubscriber++;
    reg.subscribers.emplace(id, std::move(callback));
    return id;
}

void unsubscribeInterfaceChanges(int id) {
    InterfaceRegistry& reg = registry();
    std::lock_guard lock(reg.mutex);
    reg.subscribers.erase(id);
}

void forgetDeviceInterfaces(DEVICE_OBJECT* physicalDevice) {
    InterfaceRegistry& reg = registry();
    std::lock_guard lock(reg.mutex);
    std::erase_if(reg.entries, [physicalDevice](const InterfaceEntry& entry) {
        return entry.device == physicalDevice;
    });
}

}  // namespace vox::kernel
