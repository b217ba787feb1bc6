#include "engine/playback/time_stretch.h"

#include <SoundTouch.h>

#include <algorithm>
#include <cmath>

namespace vox::playback {
namespace {

constexpr float kFullScale = 32768.0f;

bool passesThrough(double speed) {
    return speed == 1.0;
}

}  // namespace

TimeStretch::TimeStretch(int sampleRate) : stretcher_(std::make_unique<soundtouch::SoundTouch>()) {
    stretcher_->setSampleRate(static_cast<unsigned>(sampleRate));
    stretcher_->setChannels(1);
    // Speech: the quick seek keeps the processor time small, and the
    // anti-alias filter only matters when the rate (pitch) changes.
    stretcher_->setSetting(SETTING_USE_QUICKSEEK, 1);
    stretcher_->setSetting(SETTING_USE_AA_FILTER, 0);
}

TimeStretch::~TimeStretch() = default;

void TimeStretch::setSpeed(double speed) {
    speed_ = speed;
    stretcher_->setTempo(speed);
}

void TimeStretch::put(const std::int16_t* samples, std::size_t count) {
    if (passesThrough(speed_)) {
        passed_.insert(passed_.end(), samples, samples + count);
        return;
    }
    floats_.resize(count);
    std::transform(samples, samples + count, floats_.begin(),
                   [](std::int16_t value) { return static_cast<float>(value) / kFullScale; });
    stretcher_->putSamples(floats_.data(), static_cast<unsigned>(count));
}

std::size_t TimeStretch::take(std::int16_t* samples, std::size_t room) {
    if (passesThrough(speed_)) {
        const std::size_t count = std::min(room, passed_.size());
        std::copy_n(passed_.begin(), count, samples);
        passed_.erase(passed_.begin(), passed_.begin() + static_cast<std::ptrdiff_t>(count));
        return count;
    }
    floats_.resize(room);
    const unsigned count = stretcher_->receiveSamples(floats_.data(), static_cast<unsigned>(room));
    std::transform(floats_.begin(), floats_.begin() + count, samples, [](float value) {
        const float scaled = std::round(value * kFullScale);
        return static_cast<std::int16_t>(std::clamp(scaled, -32768.0f, 32767.0f));
    });
    return count;
}

void TimeStretch::finish() {
    if (!passesThrough(speed_)) stretcher_->flush();
}

void TimeStretch::clear() {
    passed_.clear();
    stretcher_->clear();
}

double TimeStretch::heldInput() const {
    if (passesThrough(speed_)) return static_cast<double>(passed_.size());
    return stretcher_->numUnprocessedSamples() + stretcher_->numSamples() * speed_;
}

bool TimeStretch::empty() const {
    return passed_.empty() && stretcher_->numSamples() == 0;
}

}  // namespace vox::playback
