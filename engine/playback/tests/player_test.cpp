// The player on a memory sink: length and pitch at every speed, the rewind
// on resume, seeks and skips, the end of the recording and a machine
// without audio output.

#include "engine/playback/player.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "device_library/tests/temp_dir.h"
#include "engine/conversion/wav_writer.h"
#include "engine/playback/wave_file_source.h"

namespace vox::playback {
namespace {

using namespace std::chrono_literals;
using devsys::testing::TempDir;

constexpr int kRate = 8000;

std::unique_ptr<AudioSource> waveOf(const TempDir& folder,
                                    const std::vector<std::int16_t>& samples) {
    const std::string path = (folder / "recording.wav").string();
    conversion::WavWriter writer;
    EXPECT_TRUE(writer.open(path));
    EXPECT_TRUE(writer.append(samples.data(), samples.size()));
    EXPECT_TRUE(writer.close());
    std::string error;
    std::unique_ptr<AudioSource> source = WaveFileSource::open(path, error);
    EXPECT_TRUE(source) << error;
    return source;
}

std::vector<std::int16_t> tone(double hertz, int seconds) {
    std::vector<std::int16_t> samples(static_cast<std::size_t>(seconds * kRate));
    for (std::size_t i = 0; i < samples.size(); ++i)
        samples[i] = static_cast<std::int16_t>(std::lround(
            12000 * std::sin(2 * std::numbers::pi * hertz * static_cast<double>(i) / kRate)));
    return samples;
}

// Every sample tells where it lies: sample i holds i.
std::vector<std::int16_t> countingUp(int seconds) {
    std::vector<std::int16_t> samples(static_cast<std::size_t>(seconds * kRate));
    for (std::size_t i = 0; i < samples.size(); ++i) samples[i] = static_cast<std::int16_t>(i);
    return samples;
}

// Sign changes per second of what was written.
double zeroCrossingsPerSecond(const std::vector<std::int16_t>& samples) {
    int crossings = 0;
    for (std::size_t i = 1; i < samples.size(); ++i)
        if ((samples[i - 1] < 0) != (samples[i] < 0)) ++crossings;
    return crossings / (static_cast<double>(samples.size()) / kRate);
}

class PlayerTest : public ::testing::Test {
  protected:
    // Plays until the player stops by itself, with a bound on the rounds.
    void playToEnd() {
        ASSERT_TRUE(player.play());
        for (int round = 0; round < 1000 && player.state() == PlayState::Playing; ++round)
            player.pump();
        ASSERT_EQ(player.state(), PlayState::Stopped);
    }
    // Lets the sink take `samples` more.
    void hear(std::size_t samples) {
        sink.budget = samples;
        player.pump();
    }

    TempDir folder;
    MemorySink sink;
    Player player{sink};
};

TEST_F(PlayerTest, EverySpeedKeepsThePitchAndScalesTheLength) {
    const std::vector<std::int16_t> input = tone(1000, 4);
    for (double speed : {0.5, 1.0, 1.5, 2.0}) {
        SCOPED_TRACE(speed);
        sink.written.clear();
        player.load(waveOf(folder, input), "tone");
        player.setSpeed(speed);
        playToEnd();
        const double expected = static_cast<double>(input.size()) / speed;
        EXPECT_NEAR(static_cast<double>(sink.written.size()), expected, expected * 0.01);
        EXPECT_NEAR(zeroCrossingsPerSecond(sink.written), 2000.0, 2000.0 * 0.02);
    }
}

TEST_F(PlayerTest, PlaysToTheEndAndStopsThere) {
    const std::vector<std::int16_t> input = countingUp(2);
    player.load(waveOf(folder, input), "count");
    std::vector<PlayState> told;
    player.onStateChanged = [&](PlayState state) { told.push_back(state); };
    playToEnd();
    // At 1.0x the recording is heard exactly as the file holds it.
    EXPECT_EQ(sink.written, input);
    EXPECT_EQ(player.position(), player.length());
    EXPECT_EQ(told, (std::vector<PlayState>{PlayState::Playing, PlayState::Stopped}));
    EXPECT_EQ(sink.halts, 1);
    player.pump();
    EXPECT_EQ(sink.written.size(), input.size());
    // Play after the end starts over.
    ASSERT_TRUE(player.play());
    hear(1);
    EXPECT_EQ(sink.written.back(), 0);
}

TEST_F(PlayerTest, ResumingRewindsByTheSetTime) {
    player.load(waveOf(folder, countingUp(4)), "count");
    ASSERT_TRUE(player.play());
    hear(3 * kRate);
    player.pause();
    EXPECT_EQ(player.state(), PlayState::Paused);
    EXPECT_EQ(player.position(), 3u * kRate);
    ASSERT_TRUE(player.play());
    EXPECT_EQ(player.position(), 1u * kRate);
    hear(1);
    EXPECT_EQ(sink.written.back(), 1 * kRate);

    // No rewind; a rewind longer than the time played starts at the start;
    // the setting stops at five seconds.
    player.setRewindOnResume(0ms);
    player.pause();
    ASSERT_TRUE(player.play());
    EXPECT_EQ(player.position(), 1u * kRate + 1);
    player.setRewindOnResume(9s);
    EXPECT_EQ(player.rewindOnResume(), 5s);
    player.pause();
    ASSERT_TRUE(player.play());
    EXPECT_EQ(player.position(), 0u);
}

TEST_F(PlayerTest, SeeksAndSkipsLandOnTheirSample) {
    player.load(waveOf(folder, countingUp(4)), "count");
    ASSERT_TRUE(player.play());
    hear(100);
    player.seek(12345);
    EXPECT_EQ(player.position(), 12345u);
    hear(1);
    EXPECT_EQ(sink.written.back(), 12345);

    player.setSkipStep(1s);
    player.skip(-1);
    EXPECT_EQ(player.position(), 12346u - kRate);
    hear(1);
    EXPECT_EQ(sink.written.back(), 12346 - kRate);
    player.skip(2);
    EXPECT_EQ(player.position(), 12347u + kRate);
    player.skip(-10);
    EXPECT_EQ(player.position(), 0u);
    player.skip(10);
    EXPECT_EQ(player.position(), player.length());

    // A seek while stretched lands on its sample too.
    player.setSpeed(1.5);
    player.seek(20000);
    EXPECT_EQ(player.position(), 20000u);
    hear(4000);
    EXPECT_NEAR(static_cast<double>(player.position()), 20000 + 4000 * 1.5, 0.05 * kRate);
}

TEST_F(PlayerTest, ChangingTheSpeedWhilePlayingGoesOnFromTheSampleHeard) {
    player.load(waveOf(folder, tone(1000, 4)), "tone");
    ASSERT_TRUE(player.play());
    hear(kRate);
    player.setSpeed(2.0);
    EXPECT_EQ(player.speed(), 2.0);
    EXPECT_EQ(player.position(), 1u * kRate);
    player.setSpeed(7.0);
    EXPECT_EQ(player.speed(), kFastestSpeed);
    player.setSpeed(0.1);
    EXPECT_EQ(player.speed(), kSlowestSpeed);
}

TEST_F(PlayerTest, WithoutAudioOutputNothingPlays) {
    sink.available = false;
    player.load(waveOf(folder, countingUp(1)), "count");
    EXPECT_FALSE(player.play());
    EXPECT_EQ(player.state(), PlayState::Stopped);
    player.pump();
    EXPECT_TRUE(sink.written.empty());
    Player empty(sink);
    EXPECT_FALSE(empty.play());
}

}  // namespace
}  // namespace vox::playback
