// Driver objects, device objects and device stacks.

#include <algorithm>
#include <atomic>
#include <map>
#include <mutex>
#include <new>

#include "platform/kernel/device_interface.h"
#include "platform/kernel/io_manager.h"
#include "platform/kernel/pool.h"

namespace vox::kernel {
namespace {

constexpr ULONG kExtensionTag = poolTag("Devx");

struct LoadedDriver {
    DRIVER_OBJECT* object;
    int loads;
};

// The object manager's view: named devices, loaded drivers, and the one
// lock that keeps device stacks consistent while they change.
struct ObjectDirectory {
    std::recursive_mutex mutex;
    std::map<std::u16string, DEVICE_OBJECT*> namedDevices;  // names in lower case
    std::map<std::u16string, LoadedDriver> drivers;
    std::atomic<long> liveDevices{0};
    UCHAR wdmMajor = 1;
    UCHAR wdmMinor = 0x20;
};

// Never destroyed: drivers and buses torn down by other libraries at
// process exit still reach it after this library's statics are gone.
ObjectDirectory& directory() {
    static ObjectDirectory& instance = *new ObjectDirectory;
    return instance;
}

std::u16string nameKey(std::u16string_view name) {
    std::u16string key(name);
    for (char16_t& c : key) {
        if (c >= u'A' && c <= u'Z') c = static_cast<char16_t>(c + 32);
    }
    return key;
}

NTSTATUS invalidDeviceRequest(DEVICE_OBJECT*, IRP* irp) {
    irp->IoStatus.Status = STATUS_INVALID_DEVICE_REQUEST;
    irp->IoStatus.Information = 0;
    IoCompleteRequest(irp, IO_NO_INCREMENT);
    return STATUS_INVALID_DEVICE_REQUEST;
}

void freeDevice(DEVICE_OBJECT* device) {
    if (device->DeviceExtension != nullptr)
        ExFreePoolWithTag(device->DeviceExtension, kExtensionTag);
    delete device;
    --directory().liveDevices;
}

}  // namespace

DRIVER_OBJECT* IoLoadDriver(const char16_t* name, PDRIVER_INITIALIZE entry,
                            const char16_t* registryPath, NTSTATUS* status) {
    ObjectDirectory& dir = directory();
    std::lock_guard lock(dir.mutex);
    const std::u16string key = nameKey(name);
    if (auto loaded = dir.drivers.find(key); loaded != dir.drivers.end()) {
        ++loaded->second.loads;
        *status = STATUS_SUCCESS;
        return loaded->second.object;
    }
    auto* driver = new DRIVER_OBJECT{};
    driver->DriverExtension = new DRIVER_EXTENSION{driver, nullptr};
    std::fill(std::begin(driver->MajorFunction), std::end(driver->MajorFunction),
              &invalidDeviceRequest);
    RtlInitUnicodeString(&driver->DriverName, name);
    UNICODE_STRING path;
    RtlInitUnicodeString(&path, registryPath);
    *status = entry(driver, &path);
    if (!NT_SUCCESS(*status)) {
        delete driver->DriverExtension;
        delete driver;
        return nullptr;
    }
    dir.drivers.emplace(key, LoadedDriver{driver, 1});
    return driver;
}

void IoUnloadDriver(DRIVER_OBJECT* driver) {
    ObjectDirectory& dir = directory();
    std::lock_guard lock(dir.mutex);
    auto loaded = std::find_if(dir.drivers.begin(), dir.drivers.end(), [driver](const auto& entry) {
        return entry.second.object == driver;
    });
    if (loaded == dir.drivers.end()) KeBugCheck("IoUnloadDriver: driver not loaded");
    if (--loaded->second.loads > 0) return;
    if (driver->DeviceObject != nullptr) KeBugCheck("IoUnloadDriver: driver still has devices");
    if (driver->DriverUnload != nullptr) driver->DriverUnload(driver);
    dir.drivers.erase(loaded);
    delete driver->DriverExtension;
    delete driver;
}

BOOLEAN IoIsWdmVersionAvailable(UCHAR major, UCHAR minor) {
    ObjectDirectory& dir = directory();
    std::lock_guard lock(dir.mutex);
    return (major < dir.wdmMajor || (major == dir.wdmMajor && minor <= dir.wdmMinor)) ? TRUE
                                                                                      : FALSE;
}

void setWdmVersion(UCHAR major, UCHAR minor) {
    ObjectDirectory& dir = directory();
    std::lock_guard lock(dir.mutex);
    dir.wdmMajor = major;
    dir.wdmMinor = minor;
}

NTSTATUS IoCreateDevice(DRIVER_OBJECT* driver, ULONG extensionSize, UNICODE_STRING* name,
                        DEVICE_TYPE type, ULONG characteristics, BOOLEAN, DEVICE_OBJECT** device) {
    *device = nullptr;
    ObjectDirectory& dir = directory();
    std::lock_guard lock(dir.mutex);
    const std::u16string key = name != nullptr ? nameKey(view(*name)) : std::u16string();
    if (!key.empty() && dir.namedDevices.count(key) != 0) return STATUS_OBJECT_NAME_COLLISION;
    PVOID extension = nullptr;
    if (extensionSize != 0) {
        extension = ExAllocatePoolWithTag(NonPagedPool, extensionSize, kExtensionTag);
        if (extension == nullptr) return STATUS_INSUFFICIENT_RESOURCES;
    }
    auto* created = new DEVICE_OBJECT{};
    created->DriverObject = driver;
    created->DeviceType = type;
    created->Characteristics = characteristics;
    created->Flags = DO_DEVICE_INITIALIZING;
    created->StackSize = 1;
    created->DeviceExtension = extension;
    created->ExtensionSize = extensionSize;
    if (name != nullptr) created->Name = std::u16string(view(*name));
    created->NextDevice = driver->DeviceObject;
    driver->DeviceObject = created;
    if (!key.empty()) dir.namedDevices.emplace(key, created);
    ++dir.liveDevices;
    *device = created;
    return STATUS_SUCCESS;
}

void IoDeleteDevice(DEVICE_OBJECT* device) {
    ObjectDirectory& dir = directory();
    // First, so that no one finds the device through its interfaces any more.
    forgetDeviceInterfaces(device);
    bool freeNow = false;
    {
        std::lock_guard lock(dir.mutex);
        if (device->DeletePending) KeBugCheck("IoDeleteDevice: device deleted twice");
        device->DeletePending = true;
        if (!device->Name.empty()) dir.namedDevices.erase(nameKey(device->Name));
        DEVICE_OBJECT** link = &device->DriverObject->DeviceObject;
        while (*link != nullptr && *link != device) link = &(*link)->NextDevice;
        if (*link == device) *link = device->NextDevice;
        freeNow = device->ReferenceCount.load() == 0;
    }
    if (freeNow) freeDevice(device);
}

DEVICE_OBJECT* IoAttachDeviceToDeviceStack(DEVICE_OBJECT* source, DEVICE_OBJECT* target) {
    ObjectDirectory& dir = directory();
    std::lock_guard lock(dir.mutex);
    DEVICE_OBJECT* top = target;
    while (top->AttachedDevice != nullptr) top = top->AttachedDevice;
    if (top->DeletePending) return nullptr;
    top->AttachedDevice = source;
    source->AttachedTo = top;
    ++top->ReferenceCount;  // the lower device stays until detached
    source->StackSize = static_cast<CCHAR>(top->StackSize + 1);
    return top;
}

void IoDetachDevice(DEVICE_OBJECT* lower) {
    {
        std::lock_guard lock(directory().mutex);
        if (lower->AttachedDevice == nullptr) KeBugCheck("IoDetachDevice: nothing attached");
        lower->AttachedDevice->AttachedTo = nullptr;
        lower->AttachedDevice = nullptr;
    }
    ObDereferenceObject(lower);
}

DEVICE_OBJECT* IoGetAttachedDeviceReference(DEVICE_OBJECT* device) {
    ObjectDirectory& dir = directory();
    std::lock_guard lock(dir.mutex);
    DEVICE_OBJECT* top = device;
    while (top->AttachedDevice != nullptr) top = top->AttachedDevice;
    ++top->ReferenceCount;
    return top;
}

DEVICE_OBJECT* IoGetDeviceObjectByName(std::u16string_view name) {
    ObjectDirectory& dir = directory();
    std::lock_guard lock(dir.mutex);
    auto found = dir.namedDevices.find(nameKey(name));
    if (found == dir.namedDevices.end()) return nullptr;
    ++found->second->ReferenceCount;
    return found->second;
}

void ObReferenceObject(DEVICE_OBJECT* device) {
    ++device->ReferenceCount;
}

void ObDereferenceObject(DEVICE_OBJECT* device) {
    bool freeNow = false;
    {
        std::lock_guard lock(directory().mutex);
        const LONG left = --device->ReferenceCount;
        if (left < 0) KeBugCheck("ObDereferenceObject: reference count below zero");
        freeNow = left == 0 && device->DeletePending;
    }
    if (freeNow) freeDevice(device);
}

long liveDeviceObjects() {
    std::lock_guard lock(directory().mutex);
    return directory().liveDevices.load();
}

}  // namespace vox::kernel
