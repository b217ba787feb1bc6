// Creating the device for a recorder, and the plug-and-play requests.

#include <cstdio>
#include <cstring>
#include <new>

#include "usb_driver/device.h"
#include "usb_driver/vxr250_public.h"

namespace vox::vxr250 {

using namespace vox::kernel;
using namespace vox::usb;
namespace {

constexpr std::size_t kDeviceNameCharacters = 32;

GUID recorderInterfaceClass() {
    GUID guid{RECORDER_INTERFACE_GUID.data1,
              RECORDER_INTERFACE_GUID.data2,
              RECORDER_INTERFACE_GUID.data3,
              {}};
    std::memcpy(guid.Data4, RECORDER_INTERFACE_GUID.data4, sizeof guid.Data4);
    return guid;
}

NTSTATUS signalForwarded(DEVICE_OBJECT*, IRP*, PVOID context) {
    KeSetEvent(static_cast<KEVENT*>(context), 0, FALSE);
    return STATUS_MORE_PROCESSING_REQUIRED;
}

NTSTATUS passDown(DEVICE_EXTENSION* extension, IRP* irp) {
    IoSkipCurrentIrpStackLocation(irp);
    const NTSTATUS status = IoCallDriver(extension->LowerDevice, irp);
    IoReleaseRemoveLock(&extension->RemoveLock, irp);
    return status;
}

// For a request this driver has handled: tell the lower drivers it may go on.
NTSTATUS succeedAndPassDown(DEVICE_EXTENSION* extension, IRP* irp) {
    irp->IoStatus.Status = STATUS_SUCCESS;
    return passDown(extension, irp);
}

NTSTATUS completeAndRelease(DEVICE_EXTENSION* extension, IRP* irp, NTSTATUS status) {
    completeRequest(irp, status, irp->IoStatus.Information);
    IoReleaseRemoveLock(&extension->RemoveLock, irp);
    return status;
}

void freeInterfaceName(DEVICE_EXTENSION* extension) {
    if (extension->InterfaceName.Buffer != nullptr) RtlFreeUnicodeString(&extension->InterfaceName);
}

void freeDeviceName(DEVICE_EXTENSION* extension) {
    if (extension->DeviceName.Buffer != nullptr)
        ExFreePoolWithTag(extension->DeviceName.Buffer, kPoolTag);
    extension->DeviceName = UNICODE_STRING{};
}

void deleteDevice(DEVICE_OBJECT* device) {
    extensionOf(device)->~DEVICE_EXTENSION();
    IoDeleteDevice(device);
}

NTSTATUS handleStart(DEVICE_EXTENSION* extension, IRP* irp) {
    NTSTATUS status = forwardAndWait(extension, irp);
    if (NT_SUCCESS(status)) status = configureDevice(extension);
    if (NT_SUCCESS(status)) {
        IoSetDeviceInterfaceState(&extension->InterfaceName, TRUE);
        extension->State = WORKING;
    }
    return completeAndRelease(extension, irp, status);
}

NTSTATUS handleRemove(DEVICE_EXTENSION* extension, IRP* irp) {
    DEVICE_OBJECT* device = extension->DeviceObject;
    if (extension->InterfaceName.Buffer != nullptr) {
        IoSetDeviceInterfaceState(&extension->InterfaceName, FALSE);
        freeInterfaceName(extension);
    }
    deconfigureDevice(extension);
    extension->State = REMOVED;
    irp->IoStatus.Status = STATUS_SUCCESS;
    IoSkipCurrentIrpStackLocation(irp);
    const NTSTATUS status = IoCallDriver(extension->LowerDevice, irp);
    // Requests still running hold the lock; new ones are refused from here on.
    IoReleaseRemoveLockAndWait(&extension->RemoveLock, irp);
    IoDetachDevice(extension->LowerDevice);
    freeDeviceName(extension);
    deleteDevice(device);
    return status;
}

NTSTATUS handleCapabilities(DEVICE_EXTENSION* extension, IRP* irp) {
    DEVICE_CAPABILITIES* capabilities =
        IoGetCurrentIrpStackLocation(irp)->Parameters.DeviceCapabilities.Capabilities;
    if (capabilities == nullptr || capabilities->Version < 1) return passDown(extension, irp);
    const NTSTATUS status = forwardAndWait(extension, irp);
    if (NT_SUCCESS(status)) {
        capabilities->SurpriseRemovalOK = 1;
        extension->Capabilities = *capabilities;
    }
    return completeAndRelease(extension, irp, status);
}

}  // namespace

NTSTATUS forwardAndWait(DEVICE_EXTENSION* extension, IRP* irp) {
    KEVENT forwarded;
    KeInitializeEvent(&forwarded, NotificationEvent, FALSE);
    IoCopyCurrentIrpStackLocationToNext(irp);
    IoSetCompletionRoutine(irp, &signalForwarded, &forwarded, TRUE, TRUE, TRUE);
    // Pending or not, the completion routine signals once the lower drivers are done.
    IoCallDriver(extension->LowerDevice, irp);
    KeWaitForSingleObject(&forwarded, Executive, KernelMode, FALSE, nullptr);
    return irp->IoStatus.Status;
}

NTSTATUS AddDevice(DRIVER_OBJECT* driver, DEVICE_OBJECT* physicalDevice) {
    DriverGlobals& g = driverGlobals();
    char text[kDeviceNameCharacters + 1];
    std::snprintf(text, sizeof text, "\\DosDevices\\KTR55USB%d",
                  static_cast<int>(InterlockedIncrement(&g.DeviceCounter)));
    const std::u16string name = widen(text);
    UNICODE_STRING deviceName;
    RtlInitUnicodeString(&deviceName, name.c_str());

    DEVICE_OBJECT* device = nullptr;
    NTSTATUS status = IoCreateDevice(driver, sizeof(DEVICE_EXTENSION), &deviceName,
                                     FILE_DEVICE_UNKNOWN, FILE_DEVICE_SECURE_OPEN, FALSE, &device);
    if (!NT_SUCCESS(status)) return status;
    auto* extension = new (device->DeviceExtension) DEVICE_EXTENSION{};
    extension->DeviceObject = device;
    extension->PhysicalDevice = physicalDevice;
    IoInitializeRemoveLock(&extension->RemoveLock, kPoolTag, 0, 0);
    extension->State = STOPPED;
    extension->SavedState = STOPPED;
    extension->MaximumTransfer = kMaximumTransfer;
    KeInitializeSpinLock(&extension->DescriptorLock);

    auto* nameCopy = static_cast<WCHAR*>(
        ExAllocatePoolWithTag(NonPagedPool, deviceName.MaximumLength, kPoolTag));
    if (nameCopy == nullptr) {
        deleteDevice(device);
        return STATUS_INSUFFICIENT_RESOURCES;
    }
    extension->DeviceName = UNICODE_STRING{0, deviceName.MaximumLength, nameCopy};
    RtlCopyUnicodeString(&extension->DeviceName, &deviceName);

    device->Flags |= DO_DIRECT_IO;
    extension->LowerDevice = IoAttachDeviceToDeviceStack(device, physicalDevice);
    if (extension->LowerDevice == nullptr) {
        freeDeviceName(extension);
        deleteDevice(device);
        return STATUS_DEVICE_REMOVED;
    }
    device->Flags |= DO_POWER_PAGABLE;
    const GUID interfaceClass = recorderInterfaceClass();
    status = IoRegisterDeviceInterface(physicalDevice, &interfaceClass, nullptr,
                                       &extension->InterfaceName);
    if (!NT_SUCCESS(status)) {
        freeInterfaceName(extension);
        IoDetachDevice(extension->LowerDevice);
        freeDeviceName(extension);
        deleteDevice(device);
        return status;
    }
    extension->DevicePower = PowerDeviceD0;
    extension->SystemPower = PowerSystemWorking;
    POWER_STATE d0;
    d0.DeviceState = PowerDeviceD0;
    PoSetPowerState(device, DevicePowerState, d0);
    device->Flags &= ~DO_DEVICE_INITIALIZING;
    return STATUS_SUCCESS;
}

NTSTATUS DispatchPnp(DEVICE_OBJECT* device, IRP* irp) {
    DEVICE_EXTENSION* extension = extensionOf(device);
    const NTSTATUS locked = IoAcquireRemoveLock(&extension->RemoveLock, irp);
    if (!NT_SUCCESS(locked)) return completeRequest(irp, locked);

    switch (IoGetCurrentIrpStackLocation(irp)->MinorFunction) {
        case IRP_MN_START_DEVICE:
            return handleStart(extension, irp);
        case IRP_MN_QUERY_STOP_DEVICE:
            if (extension->State == WORKING) extension->State = PENDINGSTOP;
            return succeedAndPassDown(extension, irp);
        case IRP_MN_CANCEL_STOP_DEVICE:
            if (extension->State != PENDINGSTOP) return passDown(extension, irp);
            {
                const NTSTATUS status = forwardAndWait(extension, irp);
                if (NT_SUCCESS(status)) extension->State = WORKING;
                return completeAndRelease(extension, irp, status);
            }
        case IRP_MN_STOP_DEVICE:
            deconfigureDevice(extension);
            extension->State = STOPPED;
            return succeedAndPassDown(extension, irp);
        case IRP_MN_QUERY_REMOVE_DEVICE:
            // The older WDM does not tell the driver about handles it would
            // strand, so the driver refuses while any are open.
            if (driverGlobals().OlderWdm && extension->State == WORKING &&
                extension->OpenCount > 0) {
                return completeAndRelease(extension, irp, STATUS_DEVICE_BUSY);
            }
            extension->SavedState = extension->State;
            extension->State = PENDINGREMOVE;
            return succeedAndPassDown(extension, irp);
        case IRP_MN_CANCEL_REMOVE_DEVICE:
            if (extension->State != PENDINGREMOVE) return passDown(extension, irp);
            {
                const NTSTATUS status = forwardAndWait(extension, irp);
                if (NT_SUCCESS(status)) extension->State = extension->SavedState;
                return completeAndRelease(extension, irp, status);
            }
        case IRP_MN_SURPRISE_REMOVAL:
            IoSetDeviceInterfaceState(&extension->InterfaceName, FALSE);
            extension->State = SURPRISEREMOVED;
            deconfigureDevice(extension);
            return succeedAndPassDown(extension, irp);
        case IRP_MN_REMOVE_DEVICE:
            return handleRemove(extension, irp);
        case IRP_MN_QUERY_CAPABILITIES:
            return handleCapabilities(extension, irp);
        default:
            return passDown(extension, irp);
    }
}

}  // namespace vox::vxr250
