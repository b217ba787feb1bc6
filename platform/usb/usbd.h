#pragma once
// The USB driver interface: descriptors, USB request blocks (URBs) and the
// USBD helper calls a client driver uses to parse descriptors and build a
// select-configuration request.

#include <cstdint>

#include "platform/kernel/wdm.h"

namespace vox::usb {

constexpr kernel::ULONG IOCTL_INTERNAL_USB_SUBMIT_URB = 0x220003;
constexpr kernel::ULONG IOCTL_INTERNAL_USB_RESET_PORT = 0x220007;

constexpr kernel::UCHAR USB_DEVICE_DESCRIPTOR_TYPE = 0x01;
constexpr kernel::UCHAR USB_CONFIGURATION_DESCRIPTOR_TYPE = 0x02;
constexpr kernel::UCHAR USB_STRING_DESCRIPTOR_TYPE = 0x03;
constexpr kernel::UCHAR USB_INTERFACE_DESCRIPTOR_TYPE = 0x04;
constexpr kernel::UCHAR USB_ENDPOINT_DESCRIPTOR_TYPE = 0x05;

constexpr kernel::UCHAR USB_ENDPOINT_TYPE_MASK = 0x03;
constexpr kernel::UCHAR USB_ENDPOINT_TYPE_CONTROL = 0x00;
constexpr kernel::UCHAR USB_ENDPOINT_TYPE_BULK = 0x02;
constexpr kernel::UCHAR USB_ENDPOINT_TYPE_INTERRUPT = 0x03;

#pragma pack(push, 1)
struct USB_COMMON_DESCRIPTOR {
    kernel::UCHAR bLength;
    kernel::UCHAR bDescriptorType;
};

struct USB_DEVICE_DESCRIPTOR {
    kernel::UCHAR bLength;
    kernel::UCHAR bDescriptorType;
    kernel::USHORT bcdUSB;
    kernel::UCHAR bDeviceClass;
    kernel::UCHAR bDeviceSubClass;
    kernel::UCHAR bDeviceProtocol;
    kernel::UCHAR bMaxPacketSize0;
    kernel::USHORT idVendor;
    kernel::USHORT idProduct;
    kernel::USHORT bcdDevice;
    kernel::UCHAR iManufacturer;
    kernel::UCHAR iProduct;
    kernel::UCHAR iSerialNumber;
    kernel::UCHAR bNumConfigurations;
};
static_assert(sizeof(USB_DEVICE_DESCRIPTOR) == 18);

struct USB_CONFIGURATION_DESCRIPTOR {
    kernel::UCHAR bLength;
    kernel::UCHAR bDescriptorType;
    kernel::USHORT wTotalLength;
    kernel::UCHAR bNumInterfaces;
    kernel::UCHAR bConfigurationValue;
    kernel::UCHAR iConfiguration;
    kernel::UCHAR bmAttributes;
    kernel::UCHAR MaxPower;
};
static_assert(sizeof(USB_CONFIGURATION_DESCRIPTOR) == 9);

struct USB_INTERFACE_DESCRIPTOR {
    kernel::UCHAR bLength;
    kernel::UCHAR bDescriptorType;
    kernel::UCHAR bInterfaceNumber;
    kernel::UCHAR bAlternateSetting;
    kernel::UCHAR bNumEndpoints;
    kernel::UCHAR bInterfaceClass;
    kernel::UCHAR bInterfaceSubClass;
    kernel::UCHAR bInterfaceProtocol;
    kernel::UCHAR iInterface;
};
static_assert(sizeof(USB_INTERFACE_DESCRIPTOR) == 9);

struct USB_ENDPOINT_DESCRIPTOR {
    kernel::UCHAR bLength;
    kernel::UCHAR bDescriptorType;
    kernel::UCHAR bEndpointAddress;
    kernel::UCHAR bmAttributes;
    kernel::USHORT wMaxPacketSize;
    kernel::UCHAR bInterval;
};
static_assert(sizeof(USB_ENDPOINT_DESCRIPTOR) == 7);

struct USB_STRING_DESCRIPTOR {
    kernel::UCHAR bLength;
    kernel::UCHAR bDescriptorType;
    kernel::WCHAR bString[1];
};
#pragma pack(pop)

// URB functions.
constexpr kernel::USHORT URB_FUNCTION_SELECT_CONFIGURATION = 0x0000;
constexpr kernel::USHORT URB_FUNCTION_BULK_OR_INTERRUPT_TRANSFER = 0x0009;
constexpr kernel::USHORT URB_FUNCTION_GET_DESCRIPTOR_FROM_DEVICE = 0x000B;
constexpr kernel::USHORT URB_FUNCTION_VENDOR_ENDPOINT = 0x0019;
constexpr kernel::USHORT URB_FUNCTION_RESET_PIPE = 0x001E;

// The block lengths the driver and the bus agree on for each function (the
// sizes of the 32-bit block layouts, which the recorder's driver fills in).
constexpr kernel::USHORT kUrbLengthBulkTransfer = 72;
constexpr kernel::USHORT kUrbLengthVendorRequest = 80;
constexpr kernel::USHORT kUrbLengthDescriptorRequest = 80;
constexpr kernel::USHORT kUrbLengthPipeRequest = 24;

constexpr kernel::ULONG USBD_TRANSFER_DIRECTION_IN = 0x01;
constexpr kernel::ULONG USBD_SHORT_TRANSFER_OK = 0x02;
constexpr kernel::ULONG USBD_DEFAULT_MAXIMUM_TRANSFER_SIZE = 4096;

using USBD_STATUS = kernel::LONG;
constexpr USBD_STATUS USBD_STATUS_SUCCESS = 0;
constexpr USBD_STATUS USBD_STATUS_STALL_PID = kernel::ntStatus(0xC0000004);
constexpr USBD_STATUS USBD_STATUS_ERROR_SHORT_TRANSFER = kernel::ntStatus(0xC0000012);
constexpr USBD_STATUS USBD_STATUS_INVALID_URB_FUNCTION = kernel::ntStatus(0x80000200);
constexpr USBD_STATUS USBD_STATUS_INVALID_PARAMETER = kernel::ntStatus(0x80000300);
constexpr USBD_STATUS USBD_STATUS_INVALID_PIPE_HANDLE = kernel::ntStatus(0x80000600);
constexpr USBD_STATUS USBD_STATUS_DEVICE_GONE = kernel::ntStatus(0xC0007000);

using USBD_PIPE_HANDLE = kernel::PVOID;
using USBD_CONFIGURATION_HANDLE = kernel::PVOID;
using USBD_INTERFACE_HANDLE = kernel::PVOID;

enum USBD_PIPE_TYPE : std::int32_t {
    UsbdPipeTypeControl = 0,
    UsbdPipeTypeIsochronous = 1,
    UsbdPipeTypeBulk = 2,
    UsbdPipeTypeInterrupt = 3,
};

struct USBD_PIPE_INFORMATION {
    kernel::USHORT MaximumPacketSize;
    kernel::UCHAR EndpointAddress;
    kernel::UCHAR Interval;
    USBD_PIPE_TYPE PipeType;
    USBD_PIPE_HANDLE PipeHandle;
    kernel::ULONG MaximumTransferSize;
    kernel::ULONG PipeFlags;
};

struct USBD_INTERFACE_INFORMATION {
    kernel::USHORT Length;
    kernel::UCHAR InterfaceNumber;
    kernel::UCHAR AlternateSetting;
    kernel::UCHAR Class;
    kernel::UCHAR SubClass;
    kernel::UCHAR Protocol;
    kernel::UCHAR Reserved;
    USBD_INTERFACE_HANDLE InterfaceHandle;
    kernel::ULONG NumberOfPipes;
    USBD_PIPE_INFORMATION Pipes[1];
};

struct USBD_INTERFACE_LIST_ENTRY {
    USB_INTERFACE_DESCRIPTOR* InterfaceDescriptor;
    USBD_INTERFACE_INFORMATION* Interface;
};

struct _URB_HEADER {
    kernel::USHORT Length;
    kernel::USHORT Function;
    USBD_STATUS Status;
    kernel::PVOID UsbdDeviceHandle;
    kernel::ULONG UsbdFlags;
};

struct _URB_SELECT_CONFIGURATION {
    _URB_HEADER Hdr;
    USB_CONFIGURATION_DESCRIPTOR* ConfigurationDescriptor;  // null: unconfigure
    USBD_CONFIGURATION_HANDLE ConfigurationHandle;
    USBD_INTERFACE_INFORMATION Interface;  // followed by further pipes and interfaces
};

struct _URB_CONTROL_DESCRIPTOR_REQUEST {
    _URB_HEADER Hdr;
    kernel::PVOID Reserved;
    kernel::ULONG Reserved0;
    kernel::ULONG TransferBufferLength;  // in: room; out: bytes returned
    kernel::PVOID TransferBuffer;
    kernel::MDL* TransferBufferMDL;
    kernel::PVOID UrbLink;
    kernel::USHORT Reserved1;
    kernel::UCHAR Index;
    kernel::UCHAR DescriptorType;
    kernel::USHORT LanguageId;
    kernel::USHORT Reserved2;
};

struct _URB_BULK_OR_INTERRUPT_TRANSFER {
    _URB_HEADER Hdr;
    USBD_PIPE_HANDLE PipeHandle;
    kernel::ULONG TransferFlags;
    kernel::ULONG TransferBufferLength;  // in: stage length; out: bytes moved
    kernel::PVOID TransferBuffer;
    kernel::MDL* TransferBufferMDL;
    kernel::PVOID UrbLink;
};

struct _URB_CONTROL_VENDOR_OR_CLASS_REQUEST {
    _URB_HEADER Hdr;
    kernel::PVOID Reserved;
    kernel::ULONG TransferFlags;
    kernel::ULONG TransferBufferLength;
    kernel::PVOID TransferBuffer;
    kernel::MDL* TransferBufferMDL;
    kernel::PVOID UrbLink;
    kernel::UCHAR RequestTypeReservedBits;
    kernel::UCHAR Request;
    kernel::USHORT Value;
    kernel::USHORT Index;
    kernel::USHORT Reserved1;
};

struct _URB_PIPE_REQUEST {
    _URB_HEADER Hdr;
    USBD_PIPE_HANDLE PipeHandle;
    kernel::ULONG Reserved;
};

union URB {
    _URB_HEADER UrbHeader;
    _URB_SELECT_CONFIGURATION UrbSelectConfiguration;
    _URB_CONTROL_DESCRIPTOR_REQUEST UrbControlDescriptorRequest;
    _URB_BULK_OR_INTERRUPT_TRANSFER UrbBulkOrInterruptTransfer;
    _URB_CONTROL_VENDOR_OR_CLASS_REQUEST UrbControlVendorClassRequest;
    _URB_PIPE_REQUEST UrbPipeRequest;
};

// Fills a descriptor request (device, configuration or string descriptor).
void UsbBuildGetDescriptorRequest(URB* urb, kernel::UCHAR descriptorType, kernel::UCHAR index,
                                  kernel::USHORT languageId, kernel::PVOID buffer,
                                  kernel::ULONG bufferLength);

// Finds the first interface descriptor in `configuration` that matches the
// given fields (-1 matches anything), searching from `start`. Never reads
// beyond wTotalLength.
USB_INTERFACE_DESCRIPTOR* USBD_ParseConfigurationDescriptorEx(
    USB_CONFIGURATION_DESCRIPTOR* configuration, kernel::PVOID start, kernel::LONG interfaceNumber,
    kernel::LONG alternateSetting, kernel::LONG interfaceClass, kernel::LONG interfaceSubClass,
    kernel::LONG interfaceProtocol);
// Finds the next descriptor of `type` in [start, begin + totalLength).
USB_COMMON_DESCRIPTOR* USBD_ParseDescriptors(kernel::PVOID begin, kernel::ULONG totalLength,
                                             kernel::PVOID start, kernel::LONG type);
// Builds (from pool) a select-configuration request for the interfaces of
// `list` (ended by an entry with a null descriptor) and points each entry's
// Interface at its part of the request. Null when the pool is exhausted.
URB* USBD_CreateConfigurationRequestEx(USB_CONFIGURATION_DESCRIPTOR* configuration,
                                       USBD_INTERFACE_LIST_ENTRY* list);
// The size of a select-configuration request with these interfaces.
kernel::ULONG selectConfigurationRequestSize(const USBD_INTERFACE_LIST_ENTRY* list);

}  // namespace vox::usb
