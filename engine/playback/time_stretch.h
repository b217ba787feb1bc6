#pragma once
// Changes the speed of speech without changing its pitch (SoundTouch's
// overlap-add time stretch). At 1.0x the samples pass through untouched, so
// normal playback hears exactly what the file holds.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

namespace soundtouch {
class SoundTouch;
}

namespace vox::playback {

class TimeStretch {
  public:
    explicit TimeStretch(int sampleRate);
    ~TimeStretch();
    TimeStretch(const TimeStretch&) = delete;
    TimeStretch& operator=(const TimeStretch&) = delete;

    // Takes effect for the samples put after it; callers clear() first.
    void setSpeed(double speed);
    double speed() const { return speed_; }

    void put(const std::int16_t* samples, std::size_t count);
    // Moves up to `room` finished samples out.
    std::size_t take(std::int16_t* samples, std::size_t room);
    // The input has ended: whatever is held back becomes output.
    void finish();
    // Drops everything held, as after a seek.
    void clear();
    // Input put but not yet heard, in input samples: how far the output
    // lags behind what was read.
    double heldInput() const;
    bool empty() const;

  private:
    std::unique_ptr<soundtouch::SoundTouch> stretcher_;
    double speed_ = 1.0;
    std::vector<std::int16_t> passed_;  // at 1.0x, samples not yet taken
    std::vector<float> floats_;
};

}  // namespace vox::playback
