// The libusb-1.0 functions the libusb bus and `voxctl doctor` call, over the
// stand-in's hub. Their names and behaviour follow libusb's documentation.

#include <cstdlib>
#include <cstring>

#include "platform/stack/tests/libusb_standin/standin.h"
#include "platform/stack/tests/libusb_standin/standin_hub.h"

using vox::usb::standin::Hub;

namespace vox::usb::standin {

void plugIn(std::shared_ptr<model::Recorder> recorder) {
    Hub::instance().plugIn(std::move(recorder));
}

void unplug() {
    Hub::instance().unplug();
}

void settle() {
    Hub::instance().settle();
}

bool setFaults(std::string_view text, std::string& error) {
    StandinFaults faults;
    if (!parseStandinFaults(text, faults, error)) return false;
    Hub::instance().setFaults(faults);
    return true;
}

std::vector<std::string> takeLog() {
    return Hub::instance().takeLog();
}

}  // namespace vox::usb::standin

extern "C" {

STANDIN_EXPORT int libusb_init(libusb_context** context) {
    libusb_context* made = Hub::instance().addContext();
    if (context != nullptr) *context = made;
    return 0;
}

STANDIN_EXPORT void libusb_exit(libusb_context* context) {
    if (context != nullptr) Hub::instance().removeContext(context);
}

STANDIN_EXPORT const libusb_version* libusb_get_version() {
    static const libusb_version version{1, 0, 26, 0, "", "libusb stand-in for tests"};
    return &version;
}

STANDIN_EXPORT const char* libusb_error_name(int code) {
    switch (code) {
        case LIBUSB_SUCCESS:
            return "LIBUSB_SUCCESS";
        case LIBUSB_ERROR_IO:
            return "LIBUSB_ERROR_IO";
        case LIBUSB_ERROR_INVALID_PARAM:
            return "LIBUSB_ERROR_INVALID_PARAM";
        case LIBUSB_ERROR_ACCESS:
            return "LIBUSB_ERROR_ACCESS";
        case LIBUSB_ERROR_NO_DEVICE:
            return "LIBUSB_ERROR_NO_DEVICE";
        case LIBUSB_ERROR_NOT_FOUND:
            return "LIBUSB_ERROR_NOT_FOUND";
        case LIBUSB_ERROR_BUSY:
            return "LIBUSB_ERROR_BUSY";
        case LIBUSB_ERROR_TIMEOUT:
            return "LIBUSB_ERROR_TIMEOUT";
        case LIBUSB_ERROR_OVERFLOW:
            return "LIBUSB_ERROR_OVERFLOW";
        case LIBUSB_ERROR_PIPE:
            return "LIBUSB_ERROR_PIPE";
        case LIBUSB_ERROR_NOT_SUPPORTED:
            return "LIBUSB_ERROR_NOT_SUPPORTED";
        default:
            return "LIBUSB_ERROR_OTHER";
    }
}

STANDIN_EXPORT int libusb_has_capability(uint32_t capability) {
    return capability == LIBUSB_CAP_HAS_CAPABILITY || capability == LIBUSB_CAP_HAS_HOTPLUG;
}

STANDIN_EXPORT int libusb_hotplug_register_callback(libusb_context* context, int events, int flags,
                                                    int vendorId, int productId, int,
                                                    libusb_hotplug_callback_fn callback,
                                                    void* userData,
                                                    libusb_hotplug_callback_handle* handle) {
    const bool ours =
        (vendorId == LIBUSB_HOTPLUG_MATCH_ANY || vendorId == vox::usb::kRecorderVendorId) &&
        (productId == LIBUSB_HOTPLUG_MATCH_ANY || productId == vox::usb::kRecorderProductId);
    const int made =
        Hub::instance().registerCallback({context, 0, ours ? events : 0, callback, userData},
                                         (flags & LIBUSB_HOTPLUG_ENUMERATE) != 0);
    if (handle != nullptr) *handle = made;
    return LIBUSB_SUCCESS;
}

STANDIN_EXPORT void libusb_hotplug_deregister_callback(libusb_context* context,
                                                       libusb_hotplug_callback_handle handle) {
    Hub::instance().deregisterCallback(context, handle);
}

STANDIN_EXPORT ssize_t libusb_get_device_list(libusb_context*, libusb_device*** list) {
    libusb_device* present = Hub::instance().presentDevice();
    auto** devices = static_cast<libusb_device**>(std::calloc(2, sizeof(libusb_device*)));
    if (devices == nullptr) return LIBUSB_ERROR_NO_MEM;
    devices[0] = present;
    *list = devices;
    return present != nullptr ? 1 : 0;
}

STANDIN_EXPORT void libusb_free_device_list(libusb_device** list, int unreference) {
    if (list == nullptr) return;
    for (libusb_device** device = list; *device != nullptr; ++device)
        if (unreference != 0) libusb_unref_device(*device);
    std::free(list);
}

STANDIN_EXPORT libusb_device* libusb_ref_device(libusb_device* device) {
    device->references++;
    return device;
}

STANDIN_EXPORT void libusb_unref_device(libusb_device* device) {
    if (device != nullptr && --device->references == 0) delete device;
}

STANDIN_EXPORT int libusb_get_device_descriptor(libusb_device* device,
                                                libusb_device_descriptor* descriptor) {
    const std::vector<std::uint8_t>& bytes = device->descriptors.device;
    if (bytes.size() < LIBUSB_DT_DEVICE_SIZE) return LIBUSB_ERROR_IO;
    std::memcpy(descriptor, bytes.data(), LIBUSB_DT_DEVICE_SIZE);
    // The descriptor is little-endian, as is every machine the tests run on.
    return 0;
}

STANDIN_EXPORT uint8_t libusb_get_bus_number(libusb_device*) {
    return 1;
}

STANDIN_EXPORT uint8_t libusb_get_device_address(libusb_device* device) {
    return device->address;
}

STANDIN_EXPORT int libusb_get_port_numbers(libusb_device*, uint8_t* numbers, int length) {
    if (length < 1) return LIBUSB_ERROR_OVERFLOW;
    numbers[0] = 1;
    return 1;
}

STANDIN_EXPORT int libusb_open(libusb_device* device, libusb_device_handle** handle) {
    if (Hub::instance().faults().openDenied) return LIBUSB_ERROR_ACCESS;
    {
        std::lock_guard lock(Hub::instance().mutex);
        if (!device->present) return LIBUSB_ERROR_NO_DEVICE;
    }
    *handle = new libusb_device_handle{libusb_ref_device(device), false};
    return 0;
}

STANDIN_EXPORT void libusb_close(libusb_device_handle* handle) {
    if (handle == nullptr) return;
    libusb_unref_device(handle->device);
    delete handle;
}

STANDIN_EXPORT libusb_device* libusb_get_device(libusb_device_handle* handle) {
    return handle->device;
}

STANDIN_EXPORT int libusb_set_auto_detach_kernel_driver(libusb_device_handle* handle, int enable) {
    handle->autoDetach = enable != 0;
    return 0;
}

STANDIN_EXPORT int libusb_kernel_driver_active(libusb_device_handle*, int interface) {
    return interface == 0 && Hub::instance().faults().kernelDriver ? 1 : 0;
}

STANDIN_EXPORT int libusb_claim_interface(libusb_device_handle* handle, int interface) {
    const vox::usb::standin::StandinFaults faults = Hub::instance().faults();
    if (interface != 0) return LIBUSB_ERROR_NOT_FOUND;
    if (faults.claimBusy || (faults.kernelDriver && !handle->autoDetach)) return LIBUSB_ERROR_BUSY;
    return 0;
}

STANDIN_EXPORT int libusb_release_interface(libusb_device_handle*, int) {
    return 0;
}

STANDIN_EXPORT int libusb_control_transfer(libusb_device_handle* handle, uint8_t requestType,
                                           uint8_t request, uint16_t value, uint16_t index,
                                           unsigned char* data, uint16_t length, unsigned int) {
    return Hub::instance().controlTransfer(handle, requestType, request, value, index, data,
                                           length);
}

STANDIN_EXPORT int libusb_clear_halt(libusb_device_handle* handle, unsigned char endpoint) {
    return Hub::instance().clearHalt(handle, endpoint);
}

STANDIN_EXPORT int libusb_reset_device(libusb_device_handle* handle) {
    return Hub::instance().resetDevice(handle);
}

STANDIN_EXPORT libusb_transfer* libusb_alloc_transfer(int isoPackets) {
    const std::size_t size = sizeof(libusb_transfer) + sizeof(libusb_iso_packet_descriptor) *
                                                           static_cast<std::size_t>(isoPackets);
    return static_cast<libusb_transfer*>(std::calloc(1, size));
}

STANDIN_EXPORT void libusb_free_transfer(libusb_transfer* transfer) {
    std::free(transfer);
}

STANDIN_EXPORT int libusb_submit_transfer(libusb_transfer* transfer) {
    return Hub::instance().submit(transfer);
}

STANDIN_EXPORT int libusb_cancel_transfer(libusb_transfer* transfer) {
    return Hub::instance().cancel(transfer);
}

STANDIN_EXPORT int libusb_handle_events_timeout_completed(libusb_context* context, timeval* slice,
                                                          int* completed) {
    Hub::instance().handleEvents(context, slice, completed);
    return 0;
}

STANDIN_EXPORT int libusb_handle_events_timeout(libusb_context* context, timeval* slice) {
    Hub::instance().handleEvents(context, slice, nullptr);
    return 0;
}

}  // extern "C"
