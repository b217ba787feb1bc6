#pragma once
// The libusb stand-in's state: its contexts and hot-plug callbacks, the one
// recorder behind it, and the transfers in flight, which a thread of its own
// carries out against the model while the callers handle events.

#include <libusb.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <filesystem>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "platform/stack/tests/libusb_standin/standin_faults.h"
#include "platform/usb/recorder_descriptors.h"
#include "recorder_model/recorder.h"

struct libusb_context {
    int unused = 0;
};

struct libusb_device {
    std::atomic<int> references{1};
    std::uint8_t address = 0;
    bool present = true;  // guarded by the hub's mutex
    std::shared_ptr<vox::model::Recorder> recorder;
    vox::usb::DescriptorSet descriptors;
};

struct libusb_device_handle {
    libusb_device* device = nullptr;
    bool autoDetach = false;
};

namespace vox::usb::standin {

using Clock = std::chrono::steady_clock;
// How often the hub looks at the model's connection and the cable file.
inline constexpr std::chrono::milliseconds kLookInterval{50};

// An environment variable's value, or null when it is unset or empty.
const char* environmentValue(const char* name);

struct HotplugCallback {
    libusb_context* context;
    int handle;
    int events;
    libusb_hotplug_callback_fn callback;
    void* userData;
};

struct PendingTransfer {
    libusb_transfer* transfer;
    bool cancelled = false;
};

class Hub {
  public:
    static Hub& instance();

    std::mutex mutex;
    std::condition_variable changed;

    libusb_context* addContext();
    void removeContext(libusb_context* context);
    // The device present, referenced for the caller, or null.
    libusb_device* presentDevice();

    void plugIn(std::shared_ptr<model::Recorder> recorder);
    void unplug();
    void setFaults(const StandinFaults& faults);
    StandinFaults faults();

    int registerCallback(const HotplugCallback& callback, bool enumerate);
    void deregisterCallback(libusb_context* context, int handle);

    int submit(libusb_transfer* transfer);
    int cancel(libusb_transfer* transfer);
    // Runs hot-plug callbacks and completions until `completed` is set or the
    // time is up.
    void handleEvents(libusb_context* context, const timeval* slice, int* completed);

    int clearHalt(libusb_device_handle* handle, std::uint8_t endpoint);
    int resetDevice(libusb_device_handle* handle);
    int controlTransfer(libusb_device_handle* handle, std::uint8_t requestType,
                        std::uint8_t request, std::uint16_t value, std::uint16_t index,
                        unsigned char* data, std::uint16_t length);

    std::vector<std::string> takeLog();
    // Reports a change of the model's own state and returns once every
    // hot-plug event so far has reached its callbacks.
    void settle();

  private:
    Hub() = default;
    void runTransfers();
    void carryOut(std::unique_lock<std::mutex>& lock, PendingTransfer& pending);
    void queueHotplug(libusb_device* device, libusb_hotplug_event event);
    void unplugLocked();
    // The standby recorder becomes the device present.
    void attachLocked(bool announce);
    // Keeps a log line, and appends it to LIBUSB_STANDIN_LOG when set.
    void recordLocked(std::string line);
    // With LIBUSB_STANDIN_IMAGE: opens the model when the first context
    // starts, follows its cable, and closes it with the last context.
    void openImageFromEnvironment();
    void followCable();
    // A model that unplugged or plugged itself in (its faults, a test) is
    // reported as a removal or an arrival, as the cable would be.
    void followRecorderLocked();

    struct HotplugEvent {
        libusb_device* device;
        libusb_hotplug_event event;
    };

    int contexts_ = 0;
    int nextCallback_ = 1;
    std::uint8_t nextAddress_ = 2;
    libusb_device* device_ = nullptr;
    StandinFaults faults_;
    std::set<std::uint8_t> halted_;
    bool haltSticks_ = false;
    std::uint64_t bytesIn_ = 0;
    std::uint64_t bytesOut_ = 0;
    std::vector<HotplugCallback> callbacks_;
    std::deque<HotplugEvent> hotplugEvents_;
    int delivering_ = 0;  // hot-plug events being delivered
    std::deque<PendingTransfer> submitted_;
    PendingTransfer* running_ = nullptr;
    std::deque<libusb_transfer*> completed_;
    std::thread worker_;
    std::vector<std::string> log_;
    std::filesystem::path image_;
    std::shared_ptr<model::Recorder> standbyRecorder_;  // the last plugged in, plugged or not
    bool cablePlugged_ = true;
    std::chrono::steady_clock::time_point nextLook_{};
};

}  // namespace vox::usb::standin
