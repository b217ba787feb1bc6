#include "platform/usb/usbd.h"

#include <cstddef>
#include <cstring>

namespace vox::usb {

using namespace vox::kernel;
namespace {

constexpr ULONG kUsbdTag = poolTag("USBD");

ULONG interfaceInformationSize(ULONG pipes) {
    const ULONG oneOrMore = pipes == 0 ? 1 : pipes;
    return static_cast<ULONG>(offsetof(USBD_INTERFACE_INFORMATION, Pipes) +
                              oneOrMore * sizeof(USBD_PIPE_INFORMATION));
}

UCHAR* endOf(USB_CONFIGURATION_DESCRIPTOR* configuration) {
    return reinterpret_cast<UCHAR*>(configuration) + configuration->wTotalLength;
}

}  // namespace

void UsbBuildGetDescriptorRequest(URB* urb, UCHAR descriptorType, UCHAR index, USHORT languageId,
                                  PVOID buffer, ULONG bufferLength) {
    std::memset(urb, 0, sizeof(_URB_CONTROL_DESCRIPTOR_REQUEST));
    auto& request = urb->UrbControlDescriptorRequest;
    request.Hdr.Length = kUrbLengthDescriptorRequest;
    request.Hdr.Function = URB_FUNCTION_GET_DESCRIPTOR_FROM_DEVICE;
    request.DescriptorType = descriptorType;
    request.Index = index;
    request.LanguageId = languageId;
    request.TransferBuffer = buffer;
    request.TransferBufferLength = bufferLength;
}

USB_COMMON_DESCRIPTOR* USBD_ParseDescriptors(PVOID begin, ULONG totalLength, PVOID start,
                                             LONG type) {
    auto* at = static_cast<UCHAR*>(start);
    UCHAR* const end = static_cast<UCHAR*>(begin) + totalLength;
    while (at + sizeof(USB_COMMON_DESCRIPTOR) <= end) {
        auto* descriptor = reinterpret_cast<USB_COMMON_DESCRIPTOR*>(at);
        // A zero length would never move on; a length past the end is cut off.
        if (descriptor->bLength < sizeof(USB_COMMON_DESCRIPTOR) || at + descriptor->bLength > end)
            return nullptr;
        if (descriptor->bDescriptorType == type) return descriptor;
        at += descriptor->bLength;
    }
    return nullptr;
}

USB_INTERFACE_DESCRIPTOR* USBD_ParseConfigurationDescriptorEx(
    USB_CONFIGURATION_DESCRIPTOR* configuration, PVOID start, LONG interfaceNumber,
    LONG alternateSetting, LONG interfaceClass, LONG interfaceSubClass, LONG interfaceProtocol) {
    auto* at = static_cast<UCHAR*>(start);
    UCHAR* const end = endOf(configuration);
    while (at < end) {
        auto* found = reinterpret_cast<USB_INTERFACE_DESCRIPTOR*>(USBD_ParseDescriptors(
            configuration, configuration->wTotalLength, at, USB_INTERFACE_DESCRIPTOR_TYPE));
        if (found == nullptr) return nullptr;
        if (found->bLength < sizeof(USB_INTERFACE_DESCRIPTOR)) return nullptr;
        auto matches = [](LONG wanted, UCHAR value) { return wanted == -1 || wanted == value; };
        if (matches(interfaceNumber, found->bInterfaceNumber) &&
            matches(alternateSetting, found->bAlternateSetting) &&
            matches(interfaceClass, found->bInterfaceClass) &&
            matches(interfaceSubClass, found->bInterfaceSubClass) &&
            matches(interfaceProtocol, found->bInterfaceProtocol)) {
            return found;
        }
        at = reinterpret_cast<UCHAR*>(found) + found->bLength;
    }
    return nullptr;
}

ULONG selectConfigurationRequestSize(const USBD_INTERFACE_LIST_ENTRY* list) {
    ULONG size = static_cast<ULONG>(offsetof(_URB_SELECT_CONFIGURATION, Interface));
    for (const USBD_INTERFACE_LIST_ENTRY* entry = list; entry->InterfaceDescriptor != nullptr;
         ++entry) {
        size += interfaceInformationSize(entry->InterfaceDescriptor->bNumEndpoints);
    }
    return size < sizeof(_URB_SELECT_CONFIGURATION)
               ? static_cast<ULONG>(sizeof(_URB_SELECT_CONFIGURATION))
               : size;
}

URB* USBD_CreateConfigurationRequestEx(USB_CONFIGURATION_DESCRIPTOR* configuration,
                                       USBD_INTERFACE_LIST_ENTRY* list) {
    const ULONG size = selectConfigurationRequestSize(list);
    auto* urb = static_cast<URB*>(ExAllocatePoolWithTag(NonPagedPool, size, kUsbdTag));
    if (urb == nullptr) return nullptr;
    auto& select = urb->UrbSelectConfiguration;
    select.Hdr.Length = static_cast<USHORT>(size);
    select.Hdr.Function = URB_FUNCTION_SELECT_CONFIGURATION;
    select.ConfigurationDescriptor = configuration;
    auto* info = &select.Interface;
    for (USBD_INTERFACE_LIST_ENTRY* entry = list; entry->InterfaceDescriptor != nullptr; ++entry) {
        const USB_INTERFACE_DESCRIPTOR* descriptor = entry->InterfaceDescriptor;
        info->Length = static_cast<USHORT>(interfaceInformationSize(descriptor->bNumEndpoints));
        info->InterfaceNumber = descriptor->bInterfaceNumber;
        info->AlternateSetting = descriptor->bAlternateSetting;
        info->NumberOfPipes = descriptor->bNumEndpoints;
        for (ULONG pipe = 0; pipe < info->NumberOfPipes; ++pipe) {
            info->Pipes[pipe].MaximumTransferSize = USBD_DEFAULT_MAXIMUM_TRANSFER_SIZE;
        }
        entry->Interface = info;
        info = reinterpret_cast<USBD_INTERFACE_INFORMATION*>(reinterpret_cast<UCHAR*>(info) +
                                                             info->Length);
    }
    return urb;
}

}  // namespace vox::usb
