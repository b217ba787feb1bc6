#include "platform/stack/tests/libusb_standin/standin_hub.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>

#include "platform/usb/libusb_port.h"

namespace vox::usb::standin {
namespace {

// A transfer's outcome from the model's.
libusb_transfer_status statusOf(UsbStatus status) {
    switch (status) {
        case UsbStatus::Ok:
            return LIBUSB_TRANSFER_COMPLETED;
        case UsbStatus::Stall:
            return LIBUSB_TRANSFER_STALL;
        case UsbStatus::Disconnected:
            break;
    }
    return LIBUSB_TRANSFER_NO_DEVICE;
}

}  // namespace

const char* environmentValue(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr && *value != '\0' ? value : nullptr;
}

Hub& Hub::instance() {
    // Never destroyed: its thread may still wait on it while the process ends.
    static Hub* hub = new Hub;
    return *hub;
}

libusb_context* Hub::addContext() {
    std::unique_lock lock(mutex);
    if (contexts_++ == 0) {
        lock.unlock();
        openImageFromEnvironment();
    }
    return new libusb_context;
}

void Hub::removeContext(libusb_context* context) {
    std::unique_lock lock(mutex);
    std::erase_if(callbacks_, [context](const HotplugCallback& c) { return c.context == context; });
    delete context;
    if (--contexts_ == 0 && !image_.empty()) {
        // The image is closed with the last context, as a real device is let go.
        unplugLocked();
        image_.clear();
        standbyRecorder_.reset();
        for (const HotplugEvent& event : hotplugEvents_)
            if (--event.device->references == 0) delete event.device;
        hotplugEvents_.clear();
    }
}

libusb_device* Hub::presentDevice() {
    std::lock_guard lock(mutex);
    if (device_ == nullptr) return nullptr;
    device_->references++;
    return device_;
}

void Hub::plugIn(std::shared_ptr<model::Recorder> recorder) {
    std::lock_guard lock(mutex);
    unplugLocked();
    recorder->plugIn();
    standbyRecorder_ = std::move(recorder);
    attachLocked(true);
}

void Hub::attachLocked(bool announce) {
    device_ = new libusb_device;
    device_->address = nextAddress_++;
    device_->recorder = standbyRecorder_;
    device_->descriptors = recorderDescriptors(u"STANDIN", DescriptorVariant::Recorder);
    halted_.clear();
    haltSticks_ = false;
    if (announce) queueHotplug(device_, LIBUSB_HOTPLUG_EVENT_DEVICE_ARRIVED);
}

void Hub::unplug() {
    std::lock_guard lock(mutex);
    unplugLocked();
}

void Hub::unplugLocked() {
    if (device_ == nullptr) return;
    device_->present = false;
    device_->recorder->unplug();
    queueHotplug(device_, LIBUSB_HOTPLUG_EVENT_DEVICE_LEFT);
    if (--device_->references == 0) delete device_;
    device_ = nullptr;
    changed.notify_all();
}

void Hub::setFaults(const StandinFaults& faults) {
    std::lock_guard lock(mutex);
    faults_ = faults;
    bytesIn_ = bytesOut_ = 0;
}

StandinFaults Hub::faults() {
    std::lock_guard lock(mutex);
    return faults_;
}

void Hub::queueHotplug(libusb_device* device, libusb_hotplug_event event) {
    device->references++;
    hotplugEvents_.push_back({device, event});
    changed.notify_all();
}

int Hub::registerCallback(const HotplugCallback& callback, bool enumerate) {
    std::unique_lock lock(mutex);
    HotplugCallback registered = callback;
    registered.handle = nextCallback_++;
    callbacks_.push_back(registered);
    libusb_device* present = enumerate ? device_ : nullptr;
    if (present == nullptr || (registered.events & LIBUSB_HOTPLUG_EVENT_DEVICE_ARRIVED) == 0)
        return registered.handle;
    present->references++;
    lock.unlock();
    // libusb reports the devices present from inside the registration.
    registered.callback(registered.context, present, LIBUSB_HOTPLUG_EVENT_DEVICE_ARRIVED,
                        registered.userData);
    libusb_unref_device(present);
    return registered.handle;
}

void Hub::deregisterCallback(libusb_context* context, int handle) {
    std::lock_guard lock(mutex);
    std::erase_if(callbacks_, [&](const HotplugCallback& c) {
        return c.context == context && c.handle == handle;
    });
}

int Hub::submit(libusb_transfer* transfer) {
    std::lock_guard lock(mutex);
    if (transfer->type != LIBUSB_TRANSFER_TYPE_BULK) return LIBUSB_ERROR_NOT_SUPPORTED;
    if (!transfer->dev_handle->device->present) return LIBUSB_ERROR_NO_DEVICE;
    char line[80];
    std::snprintf(line, sizeof line, "bulk 0x%02x %d timeout=%u", transfer->endpoint,
                  transfer->length, transfer->timeout);
    recordLocked(line);
    submitted_.push_back({transfer});
    if (!worker_.joinable()) {
        worker_ = std::thread([this] { runTransfers(); });
        worker_.detach();
    }
    changed.notify_all();
    return 0;
}

int Hub::cancel(libusb_transfer* transfer) {
    std::lock_guard lock(mutex);
    recordLocked("cancel");
    for (PendingTransfer& pending : submitted_) {
        if (pending.transfer == transfer) pending.cancelled = true;
    }
    if (running_ != nullptr && running_->transfer == transfer) running_->cancelled = true;
    changed.notify_all();
    return 0;
}

void Hub::runTransfers() {
    std::unique_lock lock(mutex);
    while (true) {
        changed.wait(lock, [this] { return !submitted_.empty(); });
        PendingTransfer pending = submitted_.front();
        submitted_.pop_front();
        running_ = &pending;
        carryOut(lock, pending);
        running_ = nullptr;
        completed_.push_back(pending.transfer);
        changed.notify_all();
    }
}

void Hub::carryOut(std::unique_lock<std::mutex>& lock, PendingTransfer& pending) {
    libusb_transfer* transfer = pending.transfer;
    libusb_device* device = transfer->dev_handle->device;
    const bool in = (transfer->endpoint & LIBUSB_ENDPOINT_IN) != 0;
    transfer->actual_length = 0;
    if (pending.cancelled) {
        transfer->status = LIBUSB_TRANSFER_CANCELLED;
        return;
    }
    if (!device->present) {
        transfer->status = LIBUSB_TRANSFER_NO_DEVICE;
        return;
    }
    if (halted_.count(transfer->endpoint) != 0) {
        transfer->status = LIBUSB_TRANSFER_STALL;
        return;
    }
    std::optional<StageTrigger>& trigger = in ? faults_.in : faults_.out;
    std::optional<StageFault> fault;
    if (trigger && (in ? bytesIn_ : bytesOut_) >= trigger->afterBytes) {
        fault = trigger->fault;
        trigger.reset();
    }
    transfer->status = LIBUSB_TRANSFER_COMPLETED;
    if (fault == StageFault::Gone) {
        unplugLocked();
        transfer->status = LIBUSB_TRANSFER_NO_DEVICE;
        return;
    }
    if (fault == StageFault::Stall || fault == StageFault::StallSticks) {
        halted_.insert(transfer->endpoint);
        haltSticks_ = fault == StageFault::StallSticks;
        transfer->status = LIBUSB_TRANSFER_STALL;
        return;
    }
    if (fault == StageFault::Timeout) {
        transfer->status = LIBUSB_TRANSFER_TIMED_OUT;
        return;
    }
    if (fault == StageFault::ZeroLength) return;
    if (fault == StageFault::Stuck) {
        recordLocked(in ? "stuck in" : "stuck out");
        const auto gaveUp = [&] { return pending.cancelled || !device->present; };
        if (transfer->timeout == 0) {
            changed.wait(lock, gaveUp);
        } else if (!changed.wait_for(lock, std::chrono::milliseconds(transfer->timeout), gaveUp)) {
            transfer->status = LIBUSB_TRANSFER_TIMED_OUT;
            return;
        }
        transfer->status = device->present ? LIBUSB_TRANSFER_CANCELLED : LIBUSB_TRANSFER_NO_DEVICE;
        return;
    }
    std::shared_ptr<model::Recorder> recorder = device->recorder;
    const std::span<std::uint8_t> buffer(transfer->buffer,
                                         static_cast<std::size_t>(transfer->length));
    lock.unlock();
    const UsbResult result = in ? recorder->bulkIn(buffer) : recorder->bulkOut(buffer);
    lock.lock();
    transfer->actual_length = static_cast<int>(result.transferred);
    (in ? bytesIn_ : bytesOut_) += result.transferred;
    transfer->status = statusOf(result.status);
    if (result.status == UsbStatus::Disconnected && device_ == device) unplugLocked();
    if (fault == StageFault::Overflow && transfer->status == LIBUSB_TRANSFER_COMPLETED)
        transfer->status = LIBUSB_TRANSFER_OVERFLOW;
}

void Hub::handleEvents(libusb_context* context, const timeval* slice, int* completed) {
    const auto until = Clock::now() + std::chrono::seconds(slice->tv_sec) +
                       std::chrono::microseconds(slice->tv_usec);
    std::unique_lock lock(mutex);
    // The flag is set by a completion callback, maybe on another thread.
    const auto done = [completed] {
        return completed != nullptr && std::atomic_ref<int>(*completed).load() != 0;
    };
    while (!done()) {
        if (Clock::now() >= nextLook_) {
            followRecorderLocked();
            if (!image_.empty()) {
                lock.unlock();
                followCable();
                lock.lock();
            }
            nextLook_ = Clock::now() + kLookInterval;
        }
        if (!hotplugEvents_.empty()) {
            const HotplugEvent event = hotplugEvents_.front();
            hotplugEvents_.pop_front();
            ++delivering_;
            std::vector<HotplugCallback> callbacks;
            for (const HotplugCallback& c : callbacks_)
                if ((c.events & event.event) != 0) callbacks.push_back(c);
            lock.unlock();
            for (const HotplugCallback& c : callbacks)
                c.callback(c.context, event.device, event.event, c.userData);
            libusb_unref_device(event.device);
            lock.lock();
            --delivering_;
            changed.notify_all();
            continue;
        }
        if (!completed_.empty()) {
            libusb_transfer* transfer = completed_.front();
            completed_.pop_front();
            lock.unlock();
            transfer->callback(transfer);
            lock.lock();
            changed.notify_all();
            continue;
        }
        const auto wakeAt = std::min(until, nextLook_);
        if (Clock::now() >= until) return;
        changed.wait_until(lock, wakeAt);
    }
    (void)context;
}

int Hub::clearHalt(libusb_device_handle* handle, std::uint8_t endpoint) {
    std::lock_guard lock(mutex);
    char line[32];
    std::snprintf(line, sizeof line, "clear_halt 0x%02x", endpoint);
    recordLocked(line);
    if (!handle->device->present) return LIBUSB_ERROR_NO_DEVICE;
    if (haltSticks_) return LIBUSB_ERROR_PIPE;
    halted_.erase(endpoint);
    handle->device->recorder->resetPipe(endpoint);
    return 0;
}

int Hub::resetDevice(libusb_device_handle* handle) {
    std::lock_guard lock(mutex);
    recordLocked("reset_device");
    if (!handle->device->present) return LIBUSB_ERROR_NO_DEVICE;
    halted_.clear();
    haltSticks_ = false;
    handle->device->recorder->resetPort();
    return 0;
}

int Hub::controlTransfer(libusb_device_handle* handle, std::uint8_t requestType,
                         std::uint8_t request, std::uint16_t value, std::uint16_t index,
                         unsigned char* data, std::uint16_t length) {
    std::unique_lock lock(mutex);
    libusb_device* device = handle->device;
    if (!device->present) return LIBUSB_ERROR_NO_DEVICE;
    if (requestType == LIBUSB_ENDPOINT_IN && request == LIBUSB_REQUEST_GET_DESCRIPTOR) {
        const auto type = static_cast<std::uint8_t>(value >> 8);
        const auto which = static_cast<std::uint8_t>(value & 0xFF);
        std::vector<std::uint8_t> bytes;
        if (type == LIBUSB_DT_DEVICE && which == 0) bytes = device->descriptors.device;
        if (type == LIBUSB_DT_CONFIG && which == 0) bytes = device->descriptors.configuration;
        if (type == LIBUSB_DT_STRING) bytes = stringDescriptor(device->descriptors, which);
        if (bytes.empty()) return LIBUSB_ERROR_PIPE;
        const std::size_t n = std::min<std::size_t>(bytes.size(), length);
        if (n != 0) std::memcpy(data, bytes.data(), n);
        return static_cast<int>(n);
    }
    if (requestType != kVendorToEndpoint || length != 0) return LIBUSB_ERROR_PIPE;
    std::shared_ptr<model::Recorder> recorder = device->recorder;
    lock.unlock();
    const UsbStatus status = recorder->vendorRequest(request, value, index);
    if (status == UsbStatus::Ok) return 0;
    return status == UsbStatus::Stall ? LIBUSB_ERROR_PIPE : LIBUSB_ERROR_NO_DEVICE;
}

void Hub::recordLocked(std::string line) {
    if (const char* file = environmentValue("LIBUSB_STANDIN_LOG")) {
        std::ofstream out(file, std::ios::app);
        out << line << '\n';
    }
    log_.push_back(std::move(line));
}

std::vector<std::string> Hub::takeLog() {
    std::lock_guard lock(mutex);
    std::vector<std::string> lines;
    lines.swap(log_);
    return lines;
}

}  // namespace vox::usb::standin
