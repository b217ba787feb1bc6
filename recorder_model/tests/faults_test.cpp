// Each fault the recorder can be told to show, and the text form tests and
// tools set them with.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "recorder_model/tests/wire.h"

namespace vox::model::testing {
namespace {

using namespace std::chrono_literals;

const Bytes kIdentify = block({0x59});

std::size_t filesIn(Recorder& recorder, const char* folder) {
    return recorder.fileSystem().folder('M', folder)->children.size();
}

TEST(RecorderFaults, UnplugAfterBytesCutsTheTransferThatCrossesTheMark) {
    Recorder recorder;
    Host host(recorder);
    host.listFolder("A");
    recorder.faults().unplugAfterBytes(64 + 100);
    host.begin();
    EXPECT_EQ(host.write(createBlock('M', "CUT     DVF", u"", 100000)).status, usb::UsbStatus::Ok);
    host.end();
    host.await();
    EXPECT_EQ(host.read(64).size(), 64u);  // exactly on the mark
    host.end();
    host.beginData();
    auto result = host.write(Bytes(32768, 1));
    EXPECT_EQ(result.status, usb::UsbStatus::Disconnected);
    EXPECT_EQ(result.transferred, 36u);
    EXPECT_FALSE(recorder.connected());
    EXPECT_EQ(host.begin(), usb::UsbStatus::Disconnected);
    recorder.plugIn();
    EXPECT_EQ(host.query(kIdentify)[2], 0x22);  // the mark was used up
    EXPECT_EQ(filesIn(recorder, "A"), 0u);
}

TEST(RecorderFaults, UnplugAtANamedStep) {
    struct Step {
        const char* name;
        int failingBlock;  // which data block write fails, or 0
    };
    for (auto [step, failingBlock] :
         {Step{"create-reply", 0}, Step{"data-block:3", 3}, Step{"data-block:1", 1}}) {
        SCOPED_TRACE(step);
        Recorder recorder;
        Host host(recorder);
        host.listFolder("A");
        recorder.faults().unplugAt(step);
        auto reply = host.query(createBlock('M', "STEP    DVF", u"", 100000));
        if (failingBlock == 0) {
            EXPECT_EQ(host.lastStatus, usb::UsbStatus::Disconnected);
            EXPECT_TRUE(reply.empty());
        } else {
            ASSERT_EQ(reply[4], 0);
            host.end();
            host.beginData();
            for (int block = 1; block < failingBlock; ++block)
                EXPECT_EQ(host.write(Bytes(32768, 1)).status, usb::UsbStatus::Ok);
            EXPECT_EQ(host.write(Bytes(32768, 1)).status, usb::UsbStatus::Disconnected);
        }
        EXPECT_FALSE(recorder.connected());
        recorder.plugIn();
        EXPECT_EQ(filesIn(recorder, "A"), 0u);  // nothing half-written
    }

    Recorder recorder({.sampleContent = true});
    Host host(recorder);
    host.listFolder("A");
    recorder.faults().unplugAt("read-block:2");
    auto reply = host.query(block(cat({{'M', 0x52}, text("MEETIN~1DVF")}), 0));
    ASSERT_EQ(reply[5], 0x52);
    EXPECT_EQ(host.read(32768).size(), 32768u);
    EXPECT_EQ(host.read(32768).size(), 0u);
    EXPECT_EQ(host.lastStatus, usb::UsbStatus::Disconnected);

    recorder.plugIn();
    recorder.faults().unplugAt("list-stream");
    EXPECT_TRUE(host.listFolder("A").empty());
    EXPECT_FALSE(recorder.connected());
}

TEST(RecorderFaults, CorruptReadBlockChangesOneByteOfOneReadOnce) {
    Recorder recorder({.sampleContent = true});
    Host host(recorder);
    host.listFolder("A");
    // A recording of three transfer blocks, the second of which is hit.
    Bytes recording(71680);
    for (std::size_t i = 0; i < recording.size(); ++i)
        recording[i] = static_cast<std::uint8_t>(i * 7 + i / 251);
    ASSERT_EQ(host.create('M', "LONGMEMODVF", u"", recording), 0);
    auto fetch = [&] {
        auto reply = host.query(block(cat({{'M', 0x52}, text("LONGMEMODVF")}), 0));
        EXPECT_EQ(reply[5], 0x52);
        Bytes body;
        for (int i = 0; i < 3; ++i) {
            const Bytes part = host.read(32768);
            body.insert(body.end(), part.begin(), part.end());
        }
        host.end();
        return body;
    };
    const Bytes clean = fetch();
    recorder.faults().corruptReadBlock(2);
    const Bytes corrupted = fetch();
    ASSERT_EQ(corrupted.size(), clean.size());
    std::size_t differing = 0;
    for (std::size_t i = 0; i < clean.size(); ++i)
        if (clean[i] != corrupted[i]) {
            ++differing;
            EXPECT_EQ(i, 32768u);
            EXPECT_EQ(corrupted[i], static_cast<std::uint8_t>(~clean[i]));
        }
    EXPECT_EQ(differing, 1u);
    EXPECT_EQ(fetch(), clean) << "the fault bites once";
    // The stored file itself is untouched.
    EXPECT_FALSE(recorder.faults().corruptBlock());
}

TEST(RecorderFaults, StaleReplyComesBeforeTheNextReply) {
    Recorder recorder;
    Host host(recorder);
    recorder.faults().queueStaleReply();
    auto stale = host.query(kIdentify);
    ASSERT_EQ(stale.size(), 64u);
    EXPECT_EQ(stale[0], 0x23);
    EXPECT_NE(stale[2], 0x22);
    EXPECT_EQ(host.read(64)[2], 0x22);  // the real reply follows
    host.end();
    EXPECT_EQ(host.query(kIdentify)[2], 0x22);  // only once
}

TEST(RecorderFaults, RefuseNextCreateOnce) {
    Recorder recorder;
    Host host(recorder);
    host.listFolder("C");
    recorder.faults().refuseNextCreate();
    EXPECT_EQ(host.create('M', "ONE     DVF", u"", Bytes(5, 1)), 1);
    EXPECT_EQ(host.create('M', "ONE     DVF", u"", Bytes(5, 1)), 0);
}

TEST(RecorderFaults, ShortStagesLimitEveryInTransfer) {
    Recorder recorder;
    Host host(recorder);
    recorder.faults().setShortStages(50);
    host.begin();
    host.write(block({0x90, 0x53}));
    host.end();
    host.await();
    Bytes buffer(192);
    auto first = recorder.bulkIn(buffer);
    EXPECT_EQ(first.transferred, 50u);
    EXPECT_EQ(host.read(192).size(), 142u);
}

TEST(RecorderFaults, SlowBusDelaysEveryTransfer) {
    Recorder recorder;
    recorder.faults().setSlowBus(30ms);
    auto start = std::chrono::steady_clock::now();
    Host(recorder).query(kIdentify);  // five transfers
    EXPECT_GE(std::chrono::steady_clock::now() - start, 150ms);
}

TEST(RecorderFaults, FullSpeedTimingIsModelledAndUnplugInterruptsIt) {
    Recorder recorder({.fullSpeedTiming = true});
    Host host(recorder);
    host.query(kIdentify);
    // Three vendor requests (a frame each) and two 64-byte transfers of one
    // packet each, at 19 packets to the frame.
    EXPECT_EQ(recorder.modelledBusTime(), 3ms + 2 * (std::chrono::nanoseconds(1ms) / 19));

    host.end();
    host.listFolder("HD");
    ASSERT_EQ(host.query(createBlock('M', "BIG     BIN", u"", 1 << 20))[4], 0);
    host.end();
    host.beginData();
    std::thread unplugger([&] {
        std::this_thread::sleep_for(20ms);
        recorder.unplug();
    });
    // A megabyte takes 16384 packets, about 860 ms at full speed.
    auto result = recorder.bulkOut(Bytes(1 << 20, 0));
    unplugger.join();
    EXPECT_EQ(result.status, usb::UsbStatus::Disconnected);
}

TEST(RecorderFaults, ParseAcceptsTheListAndRejectsAllOfABadOne) {
    Faults faults;
    std::string error;
    ASSERT_TRUE(
        faults.parse("unplug-after-bytes=100000, refuse-next-create,stale-reply,"
                     "short-stages=64,slow-us=500,unplug-at=data-block:3,corrupt-read-block=2",
                     error))
        << error;
    EXPECT_EQ(faults.byteBudget(), 100000u);
    EXPECT_TRUE(faults.takeRefuseCreate());
    EXPECT_TRUE(faults.takeStaleReply());
    EXPECT_EQ(faults.shortStage(), 64u);
    EXPECT_EQ(faults.slowBus(), 500us);
    EXPECT_FALSE(faults.takeUnplugAt("data-block:2"));
    EXPECT_TRUE(faults.takeUnplugAt("data-block:3"));
    EXPECT_EQ(faults.corruptBlock(), 2u);

    Faults untouched;
    for (const char* bad :
         {"short-stages=64,unplug-at=nowhere", "slow-us=fast", "wobble", "stale-reply=1",
          "short-stages=0", "unplug-after-bytes=", "corrupt-read-block=0", "corrupt-read-block"}) {
        SCOPED_TRACE(bad);
        error.clear();
        EXPECT_FALSE(untouched.parse(bad, error));
        EXPECT_FALSE(error.empty());
        EXPECT_EQ(untouched.shortStage(), 0u);
    }
    EXPECT_TRUE(untouched.parse("", error));
}

}  // namespace
}  // namespace vox::model::testing
