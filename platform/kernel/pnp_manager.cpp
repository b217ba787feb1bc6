#include "platform/kernel/pnp_manager.h"

namespace vox::kernel {
namespace {

void prepareCapabilities(IO_STACK_LOCATION* location, PVOID capabilities) {
    location->Parameters.DeviceCapabilities.Capabilities =
        static_cast<DEVICE_CAPABILITIES*>(capabilities);
}

bool stackHasFunctionDriver(DEVICE_OBJECT* physicalDevice) {
    DEVICE_OBJECT* top = IoGetAttachedDeviceReference(physicalDevice);
    const bool attached = top != physicalDevice;
    ObDereferenceObject(top);
    return attached;
}

}  // namespace

PnpManager::PnpManager(DRIVER_OBJECT* functionDriver) : functionDriver_(functionDriver) {}

NTSTATUS PnpManager::sendLocked(DEVICE_OBJECT* physicalDevice, UCHAR minorFunction,
                                DEVICE_CAPABILITIES* capabilities) {
    return sendToStackAndWait(physicalDevice, IRP_MJ_PNP, minorFunction, &prepareCapabilities,
                              capabilities);
}

NTSTATUS PnpManager::send(DEVICE_OBJECT* physicalDevice, UCHAR minorFunction) {
    std::lock_guard lock(serial_);
    return sendLocked(physicalDevice, minorFunction, nullptr);
}

NTSTATUS PnpManager::queryCapabilities(DEVICE_OBJECT* physicalDevice,
                                       DEVICE_CAPABILITIES* capabilities) {
    std::lock_guard lock(serial_);
    return sendLocked(physicalDevice, IRP_MN_QUERY_CAPABILITIES, capabilities);
}

NTSTATUS PnpManager::deviceArrived(DEVICE_OBJECT* physicalDevice) {
    NTSTATUS status;
    {
        std::lock_guard lock(serial_);
        physicalDevice->Flags &= ~DO_DEVICE_INITIALIZING;
        status = functionDriver_->DriverExtension->AddDevice(functionDriver_, physicalDevice);
        if (NT_SUCCESS(status)) {
            DEVICE_CAPABILITIES capabilities{};
            capabilities.Size = sizeof capabilities;
            capabilities.Version = 1;
            capabilities.Address = ULONG(-1);
            capabilities.UINumber = ULONG(-1);
            sendLocked(physicalDevice, IRP_MN_QUERY_CAPABILITIES, &capabilities);
            status = sendLocked(physicalDevice, IRP_MN_START_DEVICE, nullptr);
            if (!NT_SUCCESS(status)) sendLocked(physicalDevice, IRP_MN_REMOVE_DEVICE, nullptr);
        }
    }
    notifyChange();
    return status;
}

void PnpManager::deviceGone(DEVICE_OBJECT* physicalDevice) {
    {
        std::lock_guard lock(serial_);
        if (stackHasFunctionDriver(physicalDevice))
            sendLocked(physicalDevice, IRP_MN_SURPRISE_REMOVAL, nullptr);
        sendLocked(physicalDevice, IRP_MN_REMOVE_DEVICE, nullptr);
    }
    notifyChange();
}

NTSTATUS PnpManager::stopDevice(DEVICE_OBJECT* physicalDevice) {
    std::lock_guard lock(serial_);
    NTSTATUS status = sendLocked(physicalDevice, IRP_MN_QUERY_STOP_DEVICE, nullptr);
    if (!NT_SUCCESS(status)) {
        sendLocked(physicalDevice, IRP_MN_CANCEL_STOP_DEVICE, nullptr);
        return status;
    }
    return sendLocked(physicalDevice, IRP_MN_STOP_DEVICE, nullptr);
}

NTSTATUS PnpManager::removeDevice(DEVICE_OBJECT* physicalDevice) {
    NTSTATUS status;
    {
        std::lock_guard lock(serial_);
        status = sendLocked(physicalDevice, IRP_MN_QUERY_REMOVE_DEVICE, nullptr);
        if (!NT_SUCCESS(status)) {
            sendLocked(physicalDevice, IRP_MN_CANCEL_REMOVE_DEVICE, nullptr);
            return status;
        }
        status = sendLocked(physicalDevice, IRP_MN_REMOVE_DEVICE, nullptr);
    }
    notifyChange();
    return status;
}

void PnpManager::setDeviceChangeListener(std::function<void()> listener) {
    std::lock_guard lock(listenerMutex_);
    listener_ = std::move(listener);
}

void PnpManager::notifyChange() {
    std::function<void()> listener;
    {
        std::lock_guard lock(listenerMutex_);
        listener = listener_;
    }
    if (listener) listener();
}

}  // namespace vox::kernel
