// The pedal's state machine from synthetic event streams: hold-to-play,
// the key repeat of a held pedal, skips with their repeats, playing held off
// while skipping, both skip pedals at once, and the toggle mode.

#include "engine/playback/pedal_control.h"

#include <gtest/gtest.h>

namespace vox::playback {
namespace {

using namespace std::chrono_literals;
using Actions = std::vector<PedalAction>;
using A = PedalAction;

const PedalControl::Clock::time_point t0{};

TEST(PedalControl, HoldToPlayPlaysWhileThePedalIsDown) {
    PedalControl pedal;
    EXPECT_EQ(pedal.press(Pedal::Play, t0), Actions{A::Play});
    EXPECT_EQ(pedal.press(Pedal::Play, t0 + 30ms), Actions{});  // key repeat
    EXPECT_EQ(pedal.tick(t0 + 5s), Actions{});
    EXPECT_EQ(pedal.release(Pedal::Play, t0 + 6s), Actions{A::Pause});
    EXPECT_EQ(pedal.release(Pedal::Play, t0 + 7s), Actions{});
    EXPECT_FALSE(pedal.playing());
}

TEST(PedalControl, ASkipPedalRepeatsWhileHeldAndHoldsPlayingOff) {
    PedalControl pedal;
    pedal.press(Pedal::Play, t0);
    EXPECT_EQ(pedal.press(Pedal::Back, t0 + 1s), (Actions{A::Pause, A::SkipBack}));
    EXPECT_TRUE(pedal.repeating());
    EXPECT_EQ(pedal.tick(t0 + 1s + 399ms), Actions{});
    EXPECT_EQ(pedal.tick(t0 + 1s + 800ms), (Actions{A::SkipBack, A::SkipBack}));
    // Let go while the play pedal is still down: playing goes on.
    EXPECT_EQ(pedal.release(Pedal::Back, t0 + 2s), Actions{A::Play});
    EXPECT_FALSE(pedal.repeating());
    EXPECT_EQ(pedal.tick(t0 + 9s), Actions{});
    // Forward alone, with the play pedal up.
    pedal.release(Pedal::Play, t0 + 10s);
    EXPECT_EQ(pedal.press(Pedal::Forward, t0 + 11s), Actions{A::SkipForward});
    EXPECT_EQ(pedal.release(Pedal::Forward, t0 + 11s + 100ms), Actions{});
}

TEST(PedalControl, BothSkipPedalsCancelEachOther) {
    PedalControl pedal;
    EXPECT_EQ(pedal.press(Pedal::Back, t0), Actions{A::SkipBack});
    EXPECT_EQ(pedal.press(Pedal::Forward, t0 + 100ms), Actions{});
    EXPECT_FALSE(pedal.repeating());
    EXPECT_EQ(pedal.tick(t0 + 3s), Actions{});
    // The one still held starts its repeats afresh.
    EXPECT_EQ(pedal.release(Pedal::Back, t0 + 3s), Actions{});
    EXPECT_EQ(pedal.tick(t0 + 3s + 400ms), Actions{A::SkipForward});
}

TEST(PedalControl, ToggleModePlaysAndPausesOnEachPress) {
    PedalControl pedal(false);
    EXPECT_EQ(pedal.press(Pedal::Play, t0), Actions{A::Play});
    EXPECT_EQ(pedal.release(Pedal::Play, t0 + 1s), Actions{});
    EXPECT_EQ(pedal.press(Pedal::Back, t0 + 2s), (Actions{A::Pause, A::SkipBack}));
    EXPECT_EQ(pedal.release(Pedal::Back, t0 + 2s), Actions{A::Play});
    EXPECT_EQ(pedal.press(Pedal::Play, t0 + 3s), Actions{A::Pause});
}

}  // namespace
}  // namespace vox::playback
