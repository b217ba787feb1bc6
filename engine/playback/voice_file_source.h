#pragma once
// A ".DVF" voice file read block by block through the decoder. Every block
// after the first decodes to the same number of samples, so a sample's block
// is known without decoding the file; a seek restarts the decoder on the
// first block (which sets the stream's rate) and lets it settle on the block
// before the target before its samples are kept.

#include <cstdio>
#include <memory>
#include <vector>

#include "engine/playback/audio_source.h"

namespace vox::playback {

class VoiceFileSource final : public AudioSource {
  public:
    // Empty with `error` set when the file cannot be read or its first
    // block is not a voice block.
    static std::unique_ptr<VoiceFileSource> open(const std::string& path,
                                                 const conversion::VoiceCodec& codec,
                                                 std::string& error);
    ~VoiceFileSource() override;

    int sampleRate() const override { return 8000; }
    std::uint64_t length() const override { return length_; }
    std::size_t read(std::int16_t* samples, std::size_t room) override;
    void seek(std::uint64_t sample) override;

  private:
    VoiceFileSource(std::FILE* file, conversion::VoiceCodec codec, std::uint64_t blocks);
    // Decodes block `index` into decoded_; false past the end or on a read error.
    bool decodeBlock(std::uint64_t index);
    std::uint64_t firstSampleOf(std::uint64_t block) const;

    std::FILE* file_;
    conversion::VoiceCodec codec_;
    std::unique_ptr<conversion::DecoderStream> decoder_;
    std::uint64_t blocks_;
    std::uint64_t firstBlockSamples_ = 0;
    std::uint64_t blockSamples_ = 0;  // of every block after the first
    std::uint64_t length_ = 0;
    std::uint64_t nextBlock_ = 0;  // the block the next decode reads
    std::vector<std::int16_t> decoded_;
    std::size_t cursor_ = 0;  // next unread sample of decoded_
};

}  // namespace vox::playback
