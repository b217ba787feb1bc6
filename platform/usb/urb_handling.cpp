// The URBs a port's physical device answers.

#include <cstring>

#include "platform/usb/port_device.h"

namespace vox::usb {

using namespace vox::kernel;
namespace {

// A pipe handle names the configuration it was made for and the endpoint,
// so a handle from before a reconfiguration is refused.
USBD_PIPE_HANDLE pipeHandle(ULONG generation, UCHAR endpoint) {
    return reinterpret_cast<USBD_PIPE_HANDLE>((static_cast<std::uintptr_t>(generation) + 1) << 8 |
                                              endpoint);
}

const PortDevice::Pipe* findPipe(PortDevice& device, USBD_PIPE_HANDLE handle) {
    if (!device.configured) return nullptr;
    for (const PortDevice::Pipe& pipe : device.pipes) {
        if (pipeHandle(device.generation, pipe.endpoint) == handle) return &pipe;
    }
    return nullptr;
}

NTSTATUS fail(URB* urb, USBD_STATUS usbStatus, NTSTATUS status) {
    urb->UrbHeader.Status = usbStatus;
    return status;
}

NTSTATUS fromResult(PortDevice& device, URB* urb, UsbStatus result) {
    switch (result) {
        case UsbStatus::Ok:
            urb->UrbHeader.Status = USBD_STATUS_SUCCESS;
            return STATUS_SUCCESS;
        case UsbStatus::Stall:
            return fail(urb, USBD_STATUS_STALL_PID, STATUS_UNSUCCESSFUL);
        case UsbStatus::Disconnected:
            break;
    }
    if (device.noticedUnplug) device.noticedUnplug();
    return fail(urb, USBD_STATUS_DEVICE_GONE, STATUS_DEVICE_NOT_CONNECTED);
}

// The buffer a transfer names, by address or by descriptor.
std::uint8_t* transferBuffer(PVOID address, MDL* mdl, ULONG length, bool& valid) {
    valid = true;
    if (length == 0) return nullptr;
    if (mdl != nullptr) {
        if (length > MmGetMdlByteCount(mdl)) valid = false;
        return static_cast<std::uint8_t*>(MmGetMdlVirtualAddress(mdl));
    }
    if (address == nullptr) valid = false;
    return static_cast<std::uint8_t*>(address);
}

NTSTATUS getDescriptor(PortDevice& device, URB* urb) {
    auto& request = urb->UrbControlDescriptorRequest;
    if (request.Hdr.Length != kUrbLengthDescriptorRequest)
        return fail(urb, USBD_STATUS_INVALID_PARAMETER, STATUS_INVALID_PARAMETER);
    bool valid = true;
    std::uint8_t* buffer = transferBuffer(request.TransferBuffer, request.TransferBufferMDL,
                                          request.TransferBufferLength, valid);
    if (!valid) return fail(urb, USBD_STATUS_INVALID_PARAMETER, STATUS_INVALID_PARAMETER);
    const UsbResult result =
        device.port->getDescriptor(request.DescriptorType, request.Index, request.LanguageId,
                                   std::span(buffer, request.TransferBufferLength));
    request.TransferBufferLength = static_cast<ULONG>(result.transferred);
    return fromResult(device, urb, result.status);
}

NTSTATUS selectConfiguration(PortDevice& device, URB* urb) {
    auto& select = urb->UrbSelectConfiguration;
    USB_CONFIGURATION_DESCRIPTOR* configuration = select.ConfigurationDescriptor;
    std::lock_guard lock(device.mutex);
    ++device.generation;
    device.configured = false;
    device.pipes.clear();
    if (configuration == nullptr) return fromResult(device, urb, device.port->setConfiguration(0));

    const auto* end = reinterpret_cast<const UCHAR*>(urb) + select.Hdr.Length;
    auto* info = &select.Interface;
    std::vector<PortDevice::Pipe> pipes;
    for (int n = 0; n < configuration->bNumInterfaces; ++n) {
        if (reinterpret_cast<const UCHAR*>(info) + offsetof(USBD_INTERFACE_INFORMATION, Pipes) >
            end) {
            return fail(urb, USBD_STATUS_INVALID_PARAMETER, STATUS_INVALID_PARAMETER);
        }
        USB_INTERFACE_DESCRIPTOR* descriptor =
            USBD_ParseConfigurationDescriptorEx(configuration, configuration, info->InterfaceNumber,
                                                info->AlternateSetting, -1, -1, -1);
        if (descriptor == nullptr || info->NumberOfPipes != descriptor->bNumEndpoints ||
            reinterpret_cast<const UCHAR*>(&info->Pipes[0]) +
                    info->NumberOfPipes * sizeof(USBD_PIPE_INFORMATION) >
                end) {
            return fail(urb, USBD_STATUS_INVALID_PARAMETER, STATUS_INVALID_PARAMETER);
        }
        info->Class = descriptor->bInterfaceClass;
        info->SubClass = descriptor->bInterfaceSubClass;
        info->Protocol = descriptor->bInterfaceProtocol;
        info->InterfaceHandle = descriptor;
        PVOID from = descriptor;
        for (ULONG p = 0; p < info->NumberOfPipes; ++p) {
            auto* endpoint = reinterpret_cast<USB_ENDPOINT_DESCRIPTOR*>(USBD_ParseDescriptors(
                configuration, configuration->wTotalLength, from, USB_ENDPOINT_DESCRIPTOR_TYPE));
            if (endpoint == nullptr)
                return fail(urb, USBD_STATUS_INVALID_PARAMETER, STATUS_INVALID_PARAMETER);
            from = reinterpret_cast<UCHAR*>(endpoint) + endpoint->bLength;
            USBD_PIPE_INFORMATION& pipe = info->Pipes[p];
            pipe.EndpointAddress = endpoint->bEndpointAddress;
            pipe.MaximumPacketSize = endpoint->wMaxPacketSize;
            pipe.Interval = endpoint->bInterval;
            pipe.PipeType =
                static_cast<USBD_PIPE_TYPE>(endpoint->bmAttributes & USB_ENDPOINT_TYPE_MASK);
            pipe.PipeHandle = pipeHandle(device.generation, endpoint->bEndpointAddress);
            pipes.push_back({pipe.EndpointAddress, pipe.PipeType, pipe.MaximumPacketSize,
                             pipe.MaximumTransferSize});
        }
        info = reinterpret_cast<USBD_INTERFACE_INFORMATION*>(reinterpret_cast<UCHAR*>(info) +
                                                             info->Length);
    }
    const UsbStatus result = device.port->setConfiguration(configuration->bConfigurationValue);
    if (result == UsbStatus::Ok) {
        device.configured = true;
        device.pipes = std::move(pipes);
        select.ConfigurationHandle = configuration;
    }
    return fromResult(device, urb, result);
}

NTSTATUS bulkTransfer(PortDevice& device, URB* urb) {
    auto& transfer = urb->UrbBulkOrInterruptTransfer;
    if (transfer.Hdr.Length != kUrbLengthBulkTransfer)
        return fail(urb, USBD_STATUS_INVALID_PARAMETER, STATUS_INVALID_PARAMETER);
    PortDevice::Pipe pipe{};
    {
        std::lock_guard lock(device.mutex);
        const PortDevice::Pipe* found = findPipe(device, transfer.PipeHandle);
        if (found == nullptr)
            return fail(urb, USBD_STATUS_INVALID_PIPE_HANDLE, STATUS_INVALID_PARAMETER);
        pipe = *found;
    }
    const bool in = (pipe.endpoint & 0x80) != 0;
    const bool flaggedIn = (transfer.TransferFlags & USBD_TRANSFER_DIRECTION_IN) != 0;
    if (in != flaggedIn || transfer.TransferBufferLength > pipe.maximumTransfer) {
        return fail(urb, USBD_STATUS_INVALID_PARAMETER, STATUS_INVALID_PARAMETER);
    }
    bool valid = true;
    std::uint8_t* buffer = transferBuffer(transfer.TransferBuffer, transfer.TransferBufferMDL,
                                          transfer.TransferBufferLength, valid);
    if (!valid) return fail(urb, USBD_STATUS_INVALID_PARAMETER, STATUS_INVALID_PARAMETER);
    const ULONG asked = transfer.TransferBufferLength;
    const UsbResult result = device.port->bulkTransfer(pipe.endpoint, std::span(buffer, asked));
    transfer.TransferBufferLength = static_cast<ULONG>(result.transferred);
    if (result.status == UsbStatus::Ok && in && result.transferred < asked &&
        (transfer.TransferFlags & USBD_SHORT_TRANSFER_OK) == 0) {
        return fail(urb, USBD_STATUS_ERROR_SHORT_TRANSFER, STATUS_UNSUCCESSFUL);
    }
    return fromResult(device, urb, result.status);
}

NTSTATUS vendorRequest(PortDevice& device, URB* urb) {
    auto& request = urb->UrbControlVendorClassRequest;
    // The recorder's vendor requests carry no data stage.
    if (request.Hdr.Length != kUrbLengthVendorRequest || request.TransferBufferLength != 0) {
        return fail(urb, USBD_STATUS_INVALID_PARAMETER, STATUS_INVALID_PARAMETER);
    }
    return fromResult(device, urb,
                      device.port->vendorRequest(request.Request, request.Value, request.Index));
}

NTSTATUS resetPipe(PortDevice& device, URB* urb) {
    auto& request = urb->UrbPipeRequest;
    if (request.Hdr.Length != kUrbLengthPipeRequest)
        return fail(urb, USBD_STATUS_INVALID_PARAMETER, STATUS_INVALID_PARAMETER);
    UCHAR endpoint = 0;
    {
        std::lock_guard lock(device.mutex);
        const PortDevice::Pipe* found = findPipe(device, request.PipeHandle);
        if (found == nullptr)
            return fail(urb, USBD_STATUS_INVALID_PIPE_HANDLE, STATUS_INVALID_PARAMETER);
        endpoint = found->endpoint;
    }
    return fromResult(device, urb, device.port->resetPipe(endpoint));
}

}  // namespace

NTSTATUS handleUrb(PortDevice& device, URB* urb) {
    if (urb == nullptr) return STATUS_INVALID_PARAMETER;
    if (device.gone) return fail(urb, USBD_STATUS_DEVICE_GONE, STATUS_DEVICE_NOT_CONNECTED);
    switch (urb->UrbHeader.Function) {
        case URB_FUNCTION_GET_DESCRIPTOR_FROM_DEVICE:
            return getDescriptor(device, urb);
        case URB_FUNCTION_SELECT_CONFIGURATION:
            return selectConfiguration(device, urb);
        case URB_FUNCTION_BULK_OR_INTERRUPT_TRANSFER:
            return bulkTransfer(device, urb);
        case URB_FUNCTION_VENDOR_ENDPOINT:
            return vendorRequest(device, urb);
        case URB_FUNCTION_RESET_PIPE:
            return resetPipe(device, urb);
        default:
            return fail(urb, USBD_STATUS_INVALID_URB_FUNCTION, STATUS_INVALID_PARAMETER);
    }
}

}  // namespace vox::usb
