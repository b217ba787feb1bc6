#pragma once
// Where the player's samples go: the program's audio device, or memory in
// the tests. The player writes only as much as the sink has room for, so a
// sink never blocks.

#include <cstddef>
#include <cstdint>
#include <limits>
#include <vector>

namespace vox::playback {

class PlaybackSink {
  public:
    virtual ~PlaybackSink() = default;
    // Readies the output for mono 16-bit samples at `sampleRate`; false
    // when there is no output to play on.
    virtual bool start(int sampleRate) = 0;
    // Samples that can be written now.
    virtual std::size_t room() const = 0;
    virtual void write(const std::int16_t* samples, std::size_t count) = 0;
    // Samples written but not yet heard.
    virtual std::size_t queued() const = 0;
    // Drops what is queued (a pause, a seek) and keeps the output ready.
    virtual void discard() = 0;
    // Releases the output.
    virtual void halt() = 0;
};

// Keeps every sample written, and takes `budget` samples in all before it
// is full; everything written counts as heard at once.
class MemorySink final : public PlaybackSink {
  public:
    bool start(int rate) override {
        sampleRate = rate;
        return available;
    }
    std::size_t room() const override { return budget; }
    void write(const std::int16_t* samples, std::size_t count) override {
        written.insert(written.end(), samples, samples + count);
        budget -= count;
    }
    std::size_t queued() const override { return 0; }
    void discard() override {}
    void halt() override { ++halts; }

    bool available = true;  // false: behaves as a machine without audio output
    std::size_t budget = std::numeric_limits<std::size_t>::max();
    int sampleRate = 0;
    int halts = 0;
    std::vector<std::int16_t> written;
};

}  // namespace vox::playback
