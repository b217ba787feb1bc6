#include "engine/playback/player.h"

#include <algorithm>
#include <array>

namespace vox::playback {
namespace {

constexpr std::size_t kChunk = 1024;

}  // namespace

Player::Player(PlaybackSink& sink) : sink_(sink) {}

Player::~Player() {
    if (sinkStarted_) sink_.halt();
}

void Player::load(std::unique_ptr<AudioSource> source, std::string title) {
    unload();
    source_ = std::move(source);
    title_ = std::move(title);
    stretch_ = std::make_unique<TimeStretch>(source_->sampleRate());
    stretch_->setSpeed(speed_);
    restartAt(0);
    enter(PlayState::Stopped);
}

void Player::unload() {
    if (sinkStarted_) sink_.halt();
    sinkStarted_ = false;
    stretch_.reset();
    source_.reset();
    title_.clear();
    readPosition_ = 0;
    if (state_ != PlayState::Empty) enter(PlayState::Empty);
}

bool Player::play() {
    if (!source_ || state_ == PlayState::Playing) return state_ == PlayState::Playing;
    if (!sinkStarted_) {
        if (!sink_.start(source_->sampleRate())) return false;
        sinkStarted_ = true;
    }
    if (state_ == PlayState::Paused) {
        restartAt(readPosition_ - std::min(readPosition_, samplesIn(rewind_)));
    } else if (readPosition_ >= source_->length()) {
        restartAt(0);
    }
    enter(PlayState::Playing);
    return true;
}

void Player::pause() {
    if (state_ != PlayState::Playing) return;
    restartAt(position());
    enter(PlayState::Paused);
}

void Player::stop() {
    if (!source_) return;
    if (sinkStarted_) sink_.halt();
    sinkStarted_ = false;
    restartAt(0);
    enter(PlayState::Stopped);
}

void Player::seek(std::uint64_t sample) {
    if (source_) restartAt(std::min(sample, source_->length()));
}

void Player::skip(int steps) {
    if (!source_) return;
    const std::uint64_t step = samplesIn(skipStep_);
    const std::uint64_t from = position();
    const std::uint64_t distance = step * static_cast<std::uint64_t>(steps < 0 ? -steps : steps);
    seek(steps < 0 ? from - std::min(from, distance) : from + distance);
}

void Player::setSpeed(double speed) {
    speed = std::clamp(speed, kSlowestSpeed, kFastestSpeed);
    speed_ = speed;
    if (!stretch_ || stretch_->speed() == speed) return;
    // Whatever was stretched at the old speed is dropped and read again.
    const std::uint64_t heard = position();
    stretch_->setSpeed(speed);
    restartAt(heard);
}

void Player::setRewindOnResume(std::chrono::milliseconds rewind) {
    rewind_ = std::clamp(rewind, std::chrono::milliseconds::zero(), kLongestRewindOnResume);
}

std::uint64_t Player::position() const {
    if (!source_) return 0;
    const double lag = stretch_->heldInput() + static_cast<double>(sink_.queued()) * speed();
    const double heard = static_cast<double>(readPosition_) - lag;
    return heard <= 0 ? 0 : std::min(static_cast<std::uint64_t>(heard), source_->length());
}

void Player::pump() {
    if (state_ != PlayState::Playing) return;
    std::array<std::int16_t, kChunk> buffer;
    for (std::size_t room = sink_.room(); room > 0; room = sink_.room()) {
        const std::size_t taken = stretch_->take(buffer.data(), std::min(room, buffer.size()));
        if (taken > 0) {
            sink_.write(buffer.data(), taken);
            continue;
        }
        if (sourceEnded_) break;
        const std::size_t read = source_->read(buffer.data(), buffer.size());
        readPosition_ += read;
        if (read > 0) {
            stretch_->put(buffer.data(), read);
        } else {
            sourceEnded_ = true;
            stretch_->finish();
        }
    }
    if (sourceEnded_ && stretch_->empty() && sink_.queued() == 0) {
        // Played to the end: the output is let go and the position stays
        // at the end until the next play starts over.
        sink_.halt();
        sinkStarted_ = false;
        readPosition_ = source_->length();
        enter(PlayState::Stopped);
    }
}

std::uint64_t Player::samplesIn(std::chrono::milliseconds time) const {
    return static_cast<std::uint64_t>(time.count()) * static_cast<std::uint64_t>(sampleRate()) /
           1000u;
}

void Player::restartAt(std::uint64_t sample) {
    if (sinkStarted_) sink_.discard();
    stretch_->clear();
    source_->seek(sample);
    readPosition_ = sample;
    sourceEnded_ = false;
}

void Player::enter(PlayState state) {
    state_ = state;
    if (onStateChanged) onStateChanged(state);
}

}  // namespace vox::playback
