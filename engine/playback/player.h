#pragma once
// Plays one recording into a sink: play, pause, stop, seek, skip by a step,
// a speed of 0.5x to 2.0x that keeps the pitch, and a rewind each time
// playback resumes after a pause, so that the listener hears the last words
// again. The front end calls pump() often (every 20 ms or so) on the thread
// that owns the player; nothing here runs on a thread of its own.

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "engine/playback/audio_source.h"
#include "engine/playback/playback_sink.h"
#include "engine/playback/time_stretch.h"

namespace vox::playback {

enum class PlayState { Empty, Stopped, Playing, Paused };

inline constexpr double kSlowestSpeed = 0.5;
inline constexpr double kFastestSpeed = 2.0;
inline constexpr std::chrono::milliseconds kDefaultRewindOnResume{2000};
inline constexpr std::chrono::milliseconds kLongestRewindOnResume{5000};
inline constexpr std::chrono::milliseconds kDefaultSkipStep{5000};
// Said when the sink has no output device to play on.
inline constexpr char kNoAudioOutput[] = "No audio output device was found: nothing can be played.";

class Player {
  public:
    explicit Player(PlaybackSink& sink);
    ~Player();
    Player(const Player&) = delete;
    Player& operator=(const Player&) = delete;

    // Takes a recording to play from its start (Stopped); what played before
    // stops. `title` names it to the listener.
    void load(std::unique_ptr<AudioSource> source, std::string title);
    void unload();

    // From Stopped: from the start (or where a seek put it); from Paused: a
    // little before where it paused. False (nothing changes) when the sink
    // has no output.
    bool play();
    void pause();
    // Back to the start, output released.
    void stop();
    void seek(std::uint64_t sample);
    // Forward (positive) or back (negative) by `steps` skip steps.
    void skip(int steps);
    // Clamped to 0.5x..2.0x; playing goes on from the sample heard last.
    void setSpeed(double speed);
    void setRewindOnResume(std::chrono::milliseconds rewind);
    void setSkipStep(std::chrono::milliseconds step) { skipStep_ = step; }

    // Moves samples into the sink while it has room; at the end of the
    // recording, once the sink has played all, the player stops at the end.
    void pump();

    PlayState state() const { return state_; }
    double speed() const { return stretch_ ? stretch_->speed() : speed_; }
    std::chrono::milliseconds rewindOnResume() const { return rewind_; }
    // The sample being heard now.
    std::uint64_t position() const;
    std::uint64_t length() const { return source_ ? source_->length() : 0; }
    int sampleRate() const { return source_ ? source_->sampleRate() : 0; }
    const std::string& title() const { return title_; }

    // Told after every change of state (not of position).
    std::function<void(PlayState)> onStateChanged;

  private:
    std::uint64_t samplesIn(std::chrono::milliseconds time) const;
    // Starts over at `sample`, dropping what is on its way to the sink.
    void restartAt(std::uint64_t sample);
    void enter(PlayState state);

    PlaybackSink& sink_;
    std::unique_ptr<AudioSource> source_;
    std::unique_ptr<TimeStretch> stretch_;
    std::string title_;
    PlayState state_ = PlayState::Empty;
    double speed_ = 1.0;
    std::chrono::milliseconds rewind_ = kDefaultRewindOnResume;
    std::chrono::milliseconds skipStep_ = kDefaultSkipStep;
    std::uint64_t readPosition_ = 0;  // the source's next sample
    bool sourceEnded_ = false;
    bool sinkStarted_ = false;
};

}  // namespace vox::playback
