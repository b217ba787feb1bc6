// One recorder port on the libusb bus, over the libusb stand-in: time limits
// on every stage, recovery from a stalled endpoint, and a stuck stage that
// ends once the user asks to stop.

#include "platform/usb/libusb_port.h"

#include <gtest/gtest.h>
#include <libusb.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <future>
#include <memory>

#include "platform/stack/tests/libusb_standin/standin.h"
#include "platform/usb/stuck_transfers.h"
#include "recorder_model/recorder.h"

namespace vox::usb {
namespace {

using namespace std::chrono_literals;

class LibusbPortTest : public ::testing::Test {
  protected:
    void SetUp() override {
        std::string error;
        ASSERT_TRUE(standin::setFaults("", error)) << error;
        standin::plugIn(recorder_);
        ASSERT_EQ(libusb_init(&context_), 0);
        libusb_device** list = nullptr;
        ASSERT_EQ(libusb_get_device_list(context_, &list), 1);
        libusb_device_handle* handle = nullptr;
        ASSERT_EQ(libusb_open(list[0], &handle), 0);
        ASSERT_EQ(libusb_claim_interface(handle, 0), 0);
        port_ = std::make_unique<LibusbPort>(context_, list[0], handle);
        libusb_free_device_list(list, 1);
        standin::takeLog();
    }
    void TearDown() override {
        port_.reset();
        standin::unplug();
        libusb_exit(context_);
    }

    void setFaults(const char* text) {
        std::string error;
        ASSERT_TRUE(standin::setFaults(text, error)) << error;
    }
    UsbResult readReply() { return port_->bulkTransfer(kEndpointIn, reply_); }
    static bool logged(const std::vector<std::string>& log, const std::string& line) {
        return std::find(log.begin(), log.end(), line) != log.end();
    }

    std::shared_ptr<model::Recorder> recorder_ = std::make_shared<model::Recorder>();
    libusb_context* context_ = nullptr;
    std::unique_ptr<LibusbPort> port_;
    std::array<std::uint8_t, kPacketSize> reply_{};
};

TEST_F(LibusbPortTest, EveryBulkStageGoesOutWithItsTimeLimit) {
    std::array<std::uint8_t, 4096> stage{};
    EXPECT_EQ(readReply().status, UsbStatus::Ok);
    EXPECT_EQ(port_->bulkTransfer(kEndpointIn, stage).status, UsbStatus::Ok);
    EXPECT_EQ(port_->bulkTransfer(kEndpointOut, reply_).status, UsbStatus::Ok);
    const std::vector<std::string> log = standin::takeLog();
    EXPECT_TRUE(logged(log, "bulk 0x83 64 timeout=300000")) << ::testing::PrintToString(log);
    EXPECT_TRUE(logged(log, "bulk 0x83 4096 timeout=10000")) << ::testing::PrintToString(log);
    EXPECT_TRUE(logged(log, "bulk 0x02 64 timeout=10000")) << ::testing::PrintToString(log);
}

TEST_F(LibusbPortTest, AStallClearsTheHaltAndTheNextStageGoesThrough) {
    setFaults("in-after=0:stall");
    EXPECT_EQ(readReply().status, UsbStatus::Stall);
    const std::vector<std::string> log = standin::takeLog();
    EXPECT_TRUE(logged(log, "clear_halt 0x83"));
    EXPECT_FALSE(logged(log, "reset_device"));
    EXPECT_EQ(readReply().status, UsbStatus::Ok);
    EXPECT_TRUE(port_->connected());
}

TEST_F(LibusbPortTest, AHaltThatWillNotClearResetsTheRecorderOnce) {
    setFaults("in-after=0:stall-sticks");
    EXPECT_EQ(readReply().status, UsbStatus::Stall);
    const std::vector<std::string> log = standin::takeLog();
    EXPECT_EQ(std::count(log.begin(), log.end(), "reset_device"), 1);
    EXPECT_EQ(readReply().status, UsbStatus::Ok);
}

TEST_F(LibusbPortTest, TimeoutsOverflowsAndZeroLengthPacketsAreStagesOfTheirOwnKind) {
    setFaults("in-after=0:timeout");
    EXPECT_EQ(readReply().status, UsbStatus::Stall);
    setFaults("in-after=0:overflow");
    EXPECT_EQ(readReply().status, UsbStatus::Stall);
    setFaults("in-after=0:zero");
    const UsbResult zero = readReply();
    EXPECT_EQ(zero.status, UsbStatus::Ok);
    EXPECT_EQ(zero.transferred, 0u);
    EXPECT_TRUE(port_->connected());
}

TEST_F(LibusbPortTest, ARecorderGoneInTheMiddleOfAStageIsDisconnected) {
    setFaults("out-after=0:gone");
    EXPECT_EQ(port_->bulkTransfer(kEndpointOut, reply_).status, UsbStatus::Disconnected);
    EXPECT_FALSE(port_->connected());
    EXPECT_EQ(readReply().status, UsbStatus::Disconnected);
}

TEST_F(LibusbPortTest, AStuckStageEndsWithinASecondOfTheRequestToStop) {
    setFaults("in-after=0:stuck");
    auto stage = std::async(std::launch::async, [this] { return readReply(); });
    EXPECT_EQ(stage.wait_for(300ms), std::future_status::timeout) << "the stage did not hang";
    const auto asked = std::chrono::steady_clock::now();
    abandonStuckTransfers();
    ASSERT_EQ(stage.wait_for(5s), std::future_status::ready) << "the stuck stage never ended";
    EXPECT_LT(std::chrono::steady_clock::now() - asked, 1s);
    EXPECT_EQ(stage.get().status, UsbStatus::Stall);
    EXPECT_TRUE(logged(standin::takeLog(), "cancel"));
}

TEST_F(LibusbPortTest, ARequestToStopLeavesAHealthyStageAlone) {
    recorder_->faults().setSlowBus(150ms);  // slow, but well within the grace time
    auto stage = std::async(std::launch::async, [this] { return readReply(); });
    abandonStuckTransfers();
    EXPECT_EQ(stage.get().status, UsbStatus::Ok);
    EXPECT_FALSE(logged(standin::takeLog(), "cancel"));
}

}  // namespace
}  // namespace vox::usb
