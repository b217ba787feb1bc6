#include "application/player/audio_device_sink.h"

#include <QAudioDevice>
#include <QAudioFormat>
#include <QAudioSink>
#include <QMediaDevices>

namespace vox::app {
namespace {

constexpr std::size_t kSampleBytes = sizeof(std::int16_t);
// About a quarter of a second at 8 kHz: short enough for a pause or a seek
// to be heard at once, long enough to ride out a busy interface thread.
constexpr qsizetype kBufferBytes = 4096;

playback::PlaybackSink* installed = nullptr;

}  // namespace

AudioDeviceSink::AudioDeviceSink() = default;
AudioDeviceSink::~AudioDeviceSink() {
    halt();
}

bool AudioDeviceSink::start(int sampleRate) {
    halt();
    const QAudioDevice device = QMediaDevices::defaultAudioOutput();
    if (device.isNull()) return false;
    QAudioFormat format;
    format.setSampleRate(sampleRate);
    format.setChannelCount(1);
    format.setSampleFormat(QAudioFormat::Int16);
    if (!device.isFormatSupported(format)) return false;
    output_ = std::make_unique<QAudioSink>(device, format);
    output_->setBufferSize(kBufferBytes);
    feed_ = output_->start();
    if (feed_ == nullptr || output_->error() != QAudio::NoError) {
        halt();
        return false;
    }
    return true;
}

std::size_t AudioDeviceSink::room() const {
    if (!output_ || feed_ == nullptr) return 0;
    return static_cast<std::size_t>(output_->bytesFree()) / kSampleBytes;
}

void AudioDeviceSink::write(const std::int16_t* samples, std::size_t count) {
    if (feed_ == nullptr) return;
    feed_->write(reinterpret_cast<const char*>(samples), static_cast<qint64>(count * kSampleBytes));
}

std::size_t AudioDeviceSink::queued() const {
    if (!output_) return 0;
    const qsizetype held = output_->bufferSize() - output_->bytesFree();
    return held > 0 ? static_cast<std::size_t>(held) / kSampleBytes : 0;
}

void AudioDeviceSink::discard() {
    if (!output_) return;
    output_->reset();
    feed_ = output_->start();
}

void AudioDeviceSink::halt() {
    if (output_) output_->stop();
    output_.reset();
    feed_ = nullptr;
}

playback::PlaybackSink& playbackSink() {
    if (installed != nullptr) return *installed;
    static AudioDeviceSink device;
    return device;
}

void installPlaybackSink(playback::PlaybackSink* sink) {
    installed = sink;
}

}  // namespace vox::app
