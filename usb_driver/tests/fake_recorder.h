#pragma once
// A stand-in for the recorder behind the simulated bus that records what
// reaches it and can be told to stall, hold or send short stages.

#include <atomic>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <mutex>
#include <tuple>
#include <vector>

#include "platform/usb/usb_function.h"

namespace vox::vxr250::testing {

using usb::UsbResult;
using usb::UsbStatus;

class FakeRecorder final : public usb::UsbFunction {
  public:
    usb::UsbResult bulkOut(std::span<const std::uint8_t> data) override {
        std::lock_guard lock(mutex_);
        if (!connected_) return {usb::UsbStatus::Disconnected, 0};
        outStages.push_back(data.size());
        written.insert(written.end(), data.begin(), data.end());
        if (stallNextOut) {
            stallNextOut = false;
            return {usb::UsbStatus::Stall, 0};
        }
        return {usb::UsbStatus::Ok, data.size()};
    }

    usb::UsbResult bulkIn(std::span<std::uint8_t> buffer) override {
        std::unique_lock lock(mutex_);
        inStages.push_back(buffer.size());
        if (holdIn) {
            inHeld = true;
            changed_.notify_all();
            changed_.wait(lock, [&] { return !holdIn; });
            inHeld = false;
        }
        if (!connected_) return {usb::UsbStatus::Disconnected, 0};
        if (stallNextIn) {
            stallNextIn = false;
            return {usb::UsbStatus::Stall, 0};
        }
        std::size_t n = buffer.size() < perStage ? buffer.size() : perStage;
        for (std::size_t i = 0; i < n; ++i) buffer[i] = static_cast<std::uint8_t>(nextByte_++);
        return {usb::UsbStatus::Ok, n};
    }

    usb::UsbStatus vendorRequest(std::uint8_t request, std::uint16_t value,
                                 std::uint16_t index) override {
        std::lock_guard lock(mutex_);
        if (!connected_) return usb::UsbStatus::Disconnected;
        vendor.emplace_back(request, value, index);
        return usb::UsbStatus::Ok;
    }

    usb::UsbStatus resetPipe(std::uint8_t endpoint) override {
        std::lock_guard lock(mutex_);
        resets.push_back(endpoint);
        events.push_back(endpoint == 0x83 ? "reset-in" : "reset-out");
        return connected_ ? usb::UsbStatus::Ok : usb::UsbStatus::Disconnected;
    }

    usb::UsbStatus resetPort() override {
        std::lock_guard lock(mutex_);
        ++portResets;
        return connected_ ? usb::UsbStatus::Ok : usb::UsbStatus::Disconnected;
    }

    bool connected() const override {
        std::lock_guard lock(mutex_);
        return connected_;
    }

    void setConnected(bool value) {
        std::lock_guard lock(mutex_);
        connected_ = value;
        changed_.notify_all();
    }

    // Holds every bulk IN transfer until released.
    void hold() {
        std::lock_guard lock(mutex_);
        holdIn = true;
    }
    void waitUntilHeld() {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [&] { return inHeld; });
    }
    void release() {
        std::lock_guard lock(mutex_);
        holdIn = false;
        changed_.notify_all();
    }

    // Read and written by the test while no transfer runs.
    std::vector<std::size_t> outStages;
    std::vector<std::size_t> inStages;
    std::vector<std::uint8_t> written;
    std::vector<std::tuple<std::uint8_t, std::uint16_t, std::uint16_t>> vendor;
    std::vector<std::uint8_t> resets;
    std::vector<const char*> events;
    int portResets = 0;
    std::size_t perStage = 1u << 20;
    bool stallNextIn = false;
    bool stallNextOut = false;

  private:
    mutable std::mutex mutex_;
    std::condition_variable changed_;
    bool connected_ = true;
    bool holdIn = false;
    bool inHeld = false;
    std::uint8_t nextByte_ = 0;
};

}  // namespace vox::vxr250::testing
