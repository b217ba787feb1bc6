#include "platform/usb/usb_bus.h"

#include <chrono>

#include "platform/usb/port_device.h"

namespace vox::usb {

using namespace vox::kernel;
namespace {

// How often the hub looks at its ports when nothing woke it: a device that
// reconnects by itself (a model plugged in again) is found within this.
constexpr auto kHubInterval = std::chrono::milliseconds(20);

constexpr std::array<DEVICE_POWER_STATE, 7> kUsbPowerMapping = {
    PowerDeviceUnspecified, PowerDeviceD0, PowerDeviceD2, PowerDeviceD2,
    PowerDeviceD2,          PowerDeviceD3, PowerDeviceD3};

}  // namespace

UsbBus::UsbBus(DRIVER_OBJECT* functionDriver)
    : busDriver_(loadBusDriver()), pnp_(functionDriver), powerMapping_(kUsbPowerMapping) {
    hub_ = std::thread([this] { runHub(); });
}

UsbBus::~UsbBus() {
    shutDown();
    unloadBusDriver(busDriver_);
}

void UsbBus::shutDown() {
    std::unique_lock lock(mutex_);
    if (stopped_) return;
    for (Port& port : ports_) port.pulled = true;
    ++changesRequested_;
    wake_.notify_all();
    handled_.wait(lock, [&] { return changesHandled_ >= changesRequested_; });
    stopping_ = true;
    wake_.notify_all();
    lock.unlock();
    hub_.join();
    stopped_ = true;
}

int UsbBus::addPort(std::shared_ptr<UsbPort> port) {
    std::lock_guard lock(mutex_);
    const int number = nextPort_++;
    ports_.push_back(Port{number, std::move(port), nullptr, false, STATUS_PENDING});
    ++changesRequested_;
    wake_.notify_all();
    return number;
}

void UsbBus::removePort(int number) {
    std::unique_lock lock(mutex_);
    for (Port& port : ports_) {
        if (port.number == number) port.pulled = true;
    }
    const std::uint64_t request = ++changesRequested_;
    wake_.notify_all();
    handled_.wait(lock, [&] { return changesHandled_ >= request; });
}

void UsbBus::portChanged() {
    std::lock_guard lock(mutex_);
    ++changesRequested_;
    wake_.notify_all();
}

void UsbBus::waitForHub() {
    std::unique_lock lock(mutex_);
    const std::uint64_t request = ++changesRequested_;
    wake_.notify_all();
    handled_.wait(lock, [&] { return changesHandled_ >= request; });
}

DEVICE_OBJECT* UsbBus::physicalDevice(int number) {
    std::lock_guard lock(mutex_);
    for (const Port& port : ports_) {
        if (port.number == number && port.device) return port.device->pdo;
    }
    return nullptr;
}

NTSTATUS UsbBus::startStatus(int number) {
    std::lock_guard lock(mutex_);
    for (const Port& port : ports_) {
        if (port.number == number) return port.startStatus;
    }
    return STATUS_NO_SUCH_DEVICE;
}

void UsbBus::setDevicePowerMapping(const std::array<DEVICE_POWER_STATE, 7>& mapping) {
    std::lock_guard lock(mutex_);
    powerMapping_ = mapping;
}

void UsbBus::runHub() {
    std::unique_lock lock(mutex_);
    while (!stopping_) {
        const std::uint64_t seen = changesRequested_;
        handleChanges(lock);
        changesHandled_ = seen;
        handled_.notify_all();
        wake_.wait_for(lock, kHubInterval, [&] { return stopping_ || changesRequested_ != seen; });
    }
}

// Called with the lock held; lets it go around each PnP request, which may
// take long (removal waits for requests in flight) and reach back here.
void UsbBus::handleChanges(std::unique_lock<std::mutex>& lock) {
    for (std::size_t i = 0; i < ports_.size();) {
        Port& port = ports_[i];
        const bool present = !port.pulled && port.port->connected();
        if (present && !port.device) {
            auto device = std::make_shared<PortDevice>();
            device->port = port.port;
            device->noticedUnplug = [this] { portChanged(); };
            device->capabilities.Size = sizeof(DEVICE_CAPABILITIES);
            device->capabilities.Version = 1;
            device->capabilities.Removable = 1;
            device->capabilities.UniqueID = 1;
            for (std::size_t s = 0; s < powerMapping_.size(); ++s)
                device->capabilities.DeviceState[s] = powerMapping_[s];
            if (NT_SUCCESS(createPortDevice(busDriver_, *device))) {
                port.device = device;
                lock.unlock();
                const NTSTATUS started = pnp_.deviceArrived(device->pdo);
                lock.lock();
                ports_[i].startStatus = started;
            }
        } else if (!present && port.device) {
            std::shared_ptr<PortDevice> device = port.device;
            device->gone = true;
            lock.unlock();
            if (device->pdo != nullptr) pnp_.deviceGone(device->pdo);
            lock.lock();
            ports_[i].device.reset();
        }
        if (ports_[i].pulled && !ports_[i].device) {
            ports_.erase(ports_.begin() + static_cast<std::ptrdiff_t>(i));
        } else {
            ++i;
        }
    }
}

}  // namespace vox::usb
