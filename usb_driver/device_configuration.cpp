// Configuring the recorder when it starts, and unconfiguring it.

#include <algorithm>
#include <cstring>

#include "usb_driver/device.h"

namespace vox::vxr250 {

using namespace vox::kernel;
using namespace vox::usb;
namespace {

constexpr ULONG kStringBufferBytes = 256;

NTSTATUS readDescriptor(DEVICE_EXTENSION* extension, UCHAR type, UCHAR index, USHORT language,
                        PVOID buffer, ULONG length, ULONG* returned) {
    auto* urb = static_cast<URB*>(
        ExAllocatePoolWithTag(NonPagedPool, sizeof(_URB_CONTROL_DESCRIPTOR_REQUEST), kPoolTag));
    if (urb == nullptr) return STATUS_INSUFFICIENT_RESOURCES;
    UsbBuildGetDescriptorRequest(urb, type, index, language, buffer, length);
    const NTSTATUS status = submitUrb(extension, urb);
    *returned = NT_SUCCESS(status) ? urb->UrbControlDescriptorRequest.TransferBufferLength : 0;
    ExFreePoolWithTag(urb, kPoolTag);
    return status;
}

// Reads string `index` in the device's first language into a counted,
// NUL-terminated pool string; false when the device gives none.
bool readString(DEVICE_EXTENSION* extension, UCHAR index, UNICODE_STRING* text) {
    *text = UNICODE_STRING{};
    auto* buffer =
        static_cast<UCHAR*>(ExAllocatePoolWithTag(NonPagedPool, kStringBufferBytes, kPoolTag));
    if (buffer == nullptr) return false;
    ULONG returned = 0;
    if (extension->LanguageId == 0 &&
        NT_SUCCESS(readDescriptor(extension, USB_STRING_DESCRIPTOR_TYPE, 0, 0, buffer,
                                  kStringBufferBytes, &returned)) &&
        returned >= 4) {
        extension->LanguageId = static_cast<USHORT>(buffer[2] | buffer[3] << 8);
    }
    bool read =
        NT_SUCCESS(readDescriptor(extension, USB_STRING_DESCRIPTOR_TYPE, index,
                                  extension->LanguageId, buffer, kStringBufferBytes, &returned)) &&
        returned >= 2;
    if (read) {
        // bLength says how long the string is, but never more than arrived.
        const ULONG bytes = std::min<ULONG>(buffer[0], returned);
        const ULONG characters = bytes >= 2 ? (bytes - 2) / 2 : 0;
        auto* characterBuffer = static_cast<WCHAR*>(
            ExAllocatePoolWithTag(NonPagedPool, (characters + 1) * sizeof(WCHAR), kPoolTag));
        read = characterBuffer != nullptr;
        if (read) {
            std::memcpy(characterBuffer, buffer + 2, characters * sizeof(WCHAR));
            characterBuffer[characters] = 0;
            *text = UNICODE_STRING{static_cast<USHORT>(characters * sizeof(WCHAR)),
                                   static_cast<USHORT>((characters + 1) * sizeof(WCHAR)),
                                   characterBuffer};
        }
    }
    ExFreePoolWithTag(buffer, kPoolTag);
    return read;
}

void printString(DEVICE_EXTENSION* extension, UCHAR index, const char* line) {
    if (index == 0) return;
    UNICODE_STRING text;
    if (!readString(extension, index, &text)) return;
    DbgPrint(line, text.Buffer);
    ExFreePoolWithTag(text.Buffer, kPoolTag);
}

bool endpointIs(const USB_ENDPOINT_DESCRIPTOR* endpoint, UCHAR address) {
    return endpoint != nullptr && endpoint->bLength >= sizeof(USB_ENDPOINT_DESCRIPTOR) &&
           endpoint->bEndpointAddress == address &&
           (endpoint->bmAttributes & USB_ENDPOINT_TYPE_MASK) == USB_ENDPOINT_TYPE_BULK &&
           endpoint->wMaxPacketSize == 64;
}

// The recorder's interface has exactly the out endpoint 0x02 and then the
// in endpoint 0x83, both bulk with 64-byte packets.
bool hasRecorderEndpoints(USB_CONFIGURATION_DESCRIPTOR* configuration,
                          USB_INTERFACE_DESCRIPTOR* interface) {
    if (interface->bNumEndpoints != 2) return false;
    auto* first = reinterpret_cast<USB_ENDPOINT_DESCRIPTOR*>(USBD_ParseDescriptors(
        configuration, configuration->wTotalLength, interface, USB_ENDPOINT_DESCRIPTOR_TYPE));
    if (!endpointIs(first, 0x02)) return false;
    auto* second = reinterpret_cast<USB_ENDPOINT_DESCRIPTOR*>(USBD_ParseDescriptors(
        configuration, configuration->wTotalLength,
        reinterpret_cast<UCHAR*>(first) + first->bLength, USB_ENDPOINT_DESCRIPTOR_TYPE));
    return endpointIs(second, 0x83);
}

NTSTATUS readConfiguration(DEVICE_EXTENSION* extension, USB_CONFIGURATION_DESCRIPTOR** out) {
    *out = nullptr;
    USB_CONFIGURATION_DESCRIPTOR head{};
    ULONG returned = 0;
    NTSTATUS status = readDescriptor(extension, USB_CONFIGURATION_DESCRIPTOR_TYPE, 0, 0, &head,
                                     sizeof head, &returned);
    if (!NT_SUCCESS(status)) return status;
    // A descriptor shorter than its own header cannot be the recorder's.
    if (returned < sizeof head || head.wTotalLength < sizeof head)
        return STATUS_DEVICE_CONFIGURATION_ERROR;
    auto* full = static_cast<USB_CONFIGURATION_DESCRIPTOR*>(
        ExAllocatePoolWithTag(NonPagedPool, head.wTotalLength, kPoolTag));
    if (full == nullptr) return STATUS_INSUFFICIENT_RESOURCES;
    status = readDescriptor(extension, USB_CONFIGURATION_DESCRIPTOR_TYPE, 0, 0, full,
                            head.wTotalLength, &returned);
    if (NT_SUCCESS(status) &&
        (returned != head.wTotalLength || full->wTotalLength != head.wTotalLength)) {
        status = STATUS_DEVICE_CONFIGURATION_ERROR;
    }
    if (!NT_SUCCESS(status)) {
        ExFreePoolWithTag(full, kPoolTag);
        return status;
    }
    *out = full;
    return STATUS_SUCCESS;
}

NTSTATUS selectInterface(DEVICE_EXTENSION* extension, USB_CONFIGURATION_DESCRIPTOR* configuration) {
    USB_INTERFACE_DESCRIPTOR* interface =
        USBD_ParseConfigurationDescriptorEx(configuration, configuration, -1, -1, -1, -1, -1);
    if (interface == nullptr) return STATUS_DEVICE_CONFIGURATION_ERROR;
    printString(extension, interface->iInterface, "KTR55USB - Selecting interface named %ws\n");

    USBD_INTERFACE_LIST_ENTRY list[2] = {{interface, nullptr}, {nullptr, nullptr}};
    URB* urb = USBD_CreateConfigurationRequestEx(configuration, list);
    if (urb == nullptr) return STATUS_INSUFFICIENT_RESOURCES;
    if (!hasRecorderEndpoints(configuration, interface)) {
        ExFreePool(urb);
        return STATUS_DEVICE_CONFIGURATION_ERROR;
    }
    USBD_INTERFACE_INFORMATION* info = list[0].Interface;
    for (ULONG pipe = 0; pipe < info->NumberOfPipes; ++pipe)
        info->Pipes[pipe].MaximumTransferSize = kMaximumTransfer;
    extension->MaximumTransfer = kMaximumTransfer;
    const NTSTATUS status = submitUrb(extension, urb);
    if (NT_SUCCESS(status)) {
        extension->ConfigurationHandle = urb->UrbSelectConfiguration.ConfigurationHandle;
        for (ULONG pipe = 0; pipe < info->NumberOfPipes; ++pipe) {
            if (info->Pipes[pipe].EndpointAddress == 0x02)
                extension->OutPipe = info->Pipes[pipe].PipeHandle;
            if (info->Pipes[pipe].EndpointAddress == 0x83)
                extension->InPipe = info->Pipes[pipe].PipeHandle;
        }
    }
    ExFreePool(urb);
    return status;
}

}  // namespace

NTSTATUS configureDevice(DEVICE_EXTENSION* extension) {
    ULONG returned = 0;
    NTSTATUS status =
        readDescriptor(extension, USB_DEVICE_DESCRIPTOR_TYPE, 0, 0, &extension->DeviceDescriptor,
                       sizeof extension->DeviceDescriptor, &returned);
    if (!NT_SUCCESS(status)) return status;
    if (returned != sizeof extension->DeviceDescriptor) return STATUS_DEVICE_DATA_ERROR;
    const USB_DEVICE_DESCRIPTOR& device = extension->DeviceDescriptor;
    printString(extension, device.iManufacturer, "KTR55USB - Configuring device from %ws\n");
    printString(extension, device.iProduct, "KTR55USB - Product is %ws\n");
    printString(extension, device.iSerialNumber, "KTR55USB - Serial number is %ws\n");

    USB_CONFIGURATION_DESCRIPTOR* configuration = nullptr;
    status = readConfiguration(extension, &configuration);
    if (!NT_SUCCESS(status)) return status;
    printString(extension, configuration->iConfiguration,
                "KTR55USB - Selecting configuration named %ws\n");
    status = selectInterface(extension, configuration);
    if (!NT_SUCCESS(status)) {
        ExFreePoolWithTag(configuration, kPoolTag);
        return status;
    }
    KIRQL old;
    KeAcquireSpinLock(&extension->DescriptorLock, &old);
    USB_CONFIGURATION_DESCRIPTOR* previous = extension->ConfigurationDescriptor;
    extension->ConfigurationDescriptor = configuration;
    KeReleaseSpinLock(&extension->DescriptorLock, old);
    if (previous != nullptr) ExFreePoolWithTag(previous, kPoolTag);
    return STATUS_SUCCESS;
}

void deconfigureDevice(DEVICE_EXTENSION* extension) {
    if (extension->State == WORKING) {
        auto* urb = static_cast<URB*>(
            ExAllocatePoolWithTag(NonPagedPool, sizeof(_URB_SELECT_CONFIGURATION), kPoolTag));
        if (urb != nullptr) {
            urb->UrbSelectConfiguration.Hdr.Length = sizeof(_URB_SELECT_CONFIGURATION);
            urb->UrbSelectConfiguration.Hdr.Function = URB_FUNCTION_SELECT_CONFIGURATION;
            urb->UrbSelectConfiguration.ConfigurationDescriptor = nullptr;
            submitUrb(extension, urb);
            ExFreePoolWithTag(urb, kPoolTag);
        }
    }
    KIRQL old;
    KeAcquireSpinLock(&extension->DescriptorLock, &old);
    USB_CONFIGURATION_DESCRIPTOR* kept = extension->ConfigurationDescriptor;
    extension->ConfigurationDescriptor = nullptr;
    KeReleaseSpinLock(&extension->DescriptorLock, old);
    if (kept != nullptr) ExFreePoolWithTag(kept, kPoolTag);
}

}  // namespace vox::vxr250
