#pragma once
// The player's output on the desktop's default audio device (Qt
// Multimedia), fed in push mode from the player's pump. Tests and the
// screenshots put a sink of their own in its place for the whole process.

#include <QIODevice>
#include <memory>

#include "engine/playback/playback_sink.h"

class QAudioSink;

namespace vox::app {

class AudioDeviceSink final : public playback::PlaybackSink {
  public:
    AudioDeviceSink();
    ~AudioDeviceSink() override;

    bool start(int sampleRate) override;
    std::size_t room() const override;
    void write(const std::int16_t* samples, std::size_t count) override;
    std::size_t queued() const override;
    void discard() override;
    void halt() override;

  private:
    std::unique_ptr<QAudioSink> output_;
    QIODevice* feed_ = nullptr;
};

// The sink the player strip plays into: the installed one, else a sink on
// the audio device made on first use.
playback::PlaybackSink& playbackSink();
// Installs `sink` (not owned; null goes back to the audio device).
void installPlaybackSink(playback::PlaybackSink* sink);

}  // namespace vox::app
