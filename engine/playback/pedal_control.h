#pragma once
// What a transcription foot pedal does to the player. The middle pedal
// plays while it is held (hold-to-play) or, set so, toggles play and pause;
// the left pedal skips back and the right one forward, once when pressed
// and again every repeat interval while held, with playing held off until
// they are let go. Both skip pedals at once cancel each other out.

#include <chrono>
#include <vector>

namespace vox::playback {

enum class Pedal { Back, Play, Forward };
enum class PedalAction { Play, Pause, SkipBack, SkipForward };

class PedalControl {
  public:
    using Clock = std::chrono::steady_clock;
    static constexpr std::chrono::milliseconds kRepeat{400};

    explicit PedalControl(bool holdToPlay = true) : holdToPlay_(holdToPlay) {}

    std::vector<PedalAction> press(Pedal pedal, Clock::time_point now);
    std::vector<PedalAction> release(Pedal pedal, Clock::time_point now);
    // The repeats of a held skip pedal that are due by `now`.
    std::vector<PedalAction> tick(Clock::time_point now);
    // Whether a tick is wanted (a skip pedal is held).
    bool repeating() const { return skipping() && !(back_ && forward_); }
    bool playing() const { return playing_; }

  private:
    bool skipping() const { return back_ || forward_; }
    // Plays or pauses so that the player plays exactly when it should.
    void settle(std::vector<PedalAction>& actions);

    bool holdToPlay_;
    bool back_ = false;
    bool play_ = false;     // the play pedal is down
    bool toggled_ = false;  // toggle mode: playing was asked for
    bool forward_ = false;
    bool playing_ = false;  // what was last told to the player
    Clock::time_point nextRepeat_{};
};

}  // namespace vox::playback
