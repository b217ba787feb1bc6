#include "platform/usb/libusb_bus.h"

#include <libusb.h>

#include <cstdio>

#include "platform/usb/libusb_port.h"
#include "platform/usb/recorder_descriptors.h"

namespace vox::usb {

namespace {

int hotplugCallback(libusb_context*, libusb_device* device, libusb_hotplug_event event, void* bus) {
    auto* self = static_cast<LibusbBus*>(bus);
    if (event == LIBUSB_HOTPLUG_EVENT_DEVICE_ARRIVED) self->noticeArrival(device);
    if (event == LIBUSB_HOTPLUG_EVENT_DEVICE_LEFT) self->noticeDeparture(device);
    return 0;
}

bool isRecorder(libusb_device* device) {
    libusb_device_descriptor descriptor{};
    return libusb_get_device_descriptor(device, &descriptor) == 0 &&
           descriptor.idVendor == kRecorderVendorId && descriptor.idProduct == kRecorderProductId;
}

}  // namespace

LibusbBus::LibusbBus(kernel::DRIVER_OBJECT* functionDriver) : UsbBus(functionDriver) {
    const int result = libusb_init(&context_);
    if (result != 0) {
        std::fprintf(stderr, "USB is not available (%s): no recorder can be found\n",
                     libusb_error_name(result));
        context_ = nullptr;
        return;
    }
    hotplug_ =
        libusb_has_capability(LIBUSB_CAP_HAS_HOTPLUG) != 0 &&
        libusb_hotplug_register_callback(
            context_,
            static_cast<libusb_hotplug_event>(LIBUSB_HOTPLUG_EVENT_DEVICE_ARRIVED |
                                              LIBUSB_HOTPLUG_EVENT_DEVICE_LEFT),
            LIBUSB_HOTPLUG_ENUMERATE, kRecorderVendorId, kRecorderProductId,
            LIBUSB_HOTPLUG_MATCH_ANY, &hotplugCallback, this, &hotplugHandle_) == LIBUSB_SUCCESS;
    if (!hotplug_) {
        libusb_device** list = nullptr;
        const ssize_t count = libusb_get_device_list(context_, &list);
        for (ssize_t i = 0; i < count; ++i) {
            if (isRecorder(list[i])) openRecorder(list[i]);
        }
        if (list != nullptr) libusb_free_device_list(list, 1);
    } else {
        openArrivals();  // those present were reported during registration
    }
    events_ = std::thread([this] { runEvents(); });
    waitForHub();
}

LibusbBus::~LibusbBus() {
    stopping_ = true;
    if (hotplug_) libusb_hotplug_deregister_callback(context_, hotplugHandle_);
    if (events_.joinable()) events_.join();
    shutDown();
    ports_.clear();
    {
        std::lock_guard lock(mutex_);
        for (libusb_device* device : arrived_) libusb_unref_device(device);
        arrived_.clear();
    }
    if (context_ != nullptr) libusb_exit(context_);
}

void LibusbBus::noticeArrival(libusb_device* device) {
    std::lock_guard lock(mutex_);
    arrived_.push_back(libusb_ref_device(device));
}

void LibusbBus::noticeDeparture(libusb_device* device) {
    {
        std::lock_guard lock(mutex_);
        for (const auto& port : ports_) {
            if (port->device() == device) port->markGone();
        }
    }
    portChanged();
}

void LibusbBus::openRecorder(libusb_device* device) {
    libusb_device_handle* handle = nullptr;
    if (libusb_open(device, &handle) != 0) {
        std::fprintf(stderr, "A recorder is plugged in but cannot be opened (no permission?)\n");
        return;
    }
    libusb_set_auto_detach_kernel_driver(handle, 1);
    if (libusb_claim_interface(handle, 0) != 0) {
        std::fprintf(stderr, "A recorder is plugged in but another program is using it\n");
        libusb_close(handle);
        return;
    }
    auto port = std::make_shared<LibusbPort>(context_, device, handle);
    {
        std::lock_guard lock(mutex_);
        ports_.push_back(port);
    }
    addPort(port);
}

void LibusbBus::runEvents() {
    if (context_ == nullptr || !hotplug_) return;
    while (!stopping_) {
        timeval interval{0, 100000};
        libusb_handle_events_timeout_completed(context_, &interval, nullptr);
        openArrivals();
    }
}

void LibusbBus::openArrivals() {
    std::vector<libusb_device*> arrived;
    {
        std::lock_guard lock(mutex_);
        arrived.swap(arrived_);
    }
    for (libusb_device* device : arrived) {
        openRecorder(device);
        libusb_unref_device(device);
    }
}

}  // namespace vox::usb
