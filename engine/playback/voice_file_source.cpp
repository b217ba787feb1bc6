#include "engine/playback/voice_file_source.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace vox::playback {
namespace {

using conversion::kDvfBlockBytes;

// Blocks the decoder runs through before a seek's target block, so that its
// filters and pitch memory hold the recording's own history again.
constexpr std::uint64_t kSettleBlocks = 1;

std::uint64_t fileBytes(std::FILE* file) {
    if (std::fseek(file, 0, SEEK_END) != 0) return 0;
    const long bytes = std::ftell(file);
    return bytes > 0 ? static_cast<std::uint64_t>(bytes) : 0;
}

}  // namespace

std::unique_ptr<VoiceFileSource> VoiceFileSource::open(const std::string& path,
                                                       const conversion::VoiceCodec& codec,
                                                       std::string& error) {
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) {
        error = path + ": " + std::strerror(errno);
        return nullptr;
    }
    const std::uint64_t blocks = (fileBytes(file) + kDvfBlockBytes - 1) / kDvfBlockBytes;
    std::unique_ptr<VoiceFileSource> source(new VoiceFileSource(file, codec, blocks));
    // The first two blocks give the sample counts every block has.
    if (blocks == 0 || !source->decoder_ || !source->decodeBlock(0) || source->decoded_.empty()) {
        error = "\"" + path + "\" is not a voice file.";
        return nullptr;
    }
    source->firstBlockSamples_ = source->decoded_.size();
    if (blocks > 1 && source->decodeBlock(1)) source->blockSamples_ = source->decoded_.size();
    source->length_ = source->firstSampleOf(blocks);
    source->seek(0);
    return source;
}

VoiceFileSource::VoiceFileSource(std::FILE* file, conversion::VoiceCodec codec,
                                 std::uint64_t blocks)
    : file_(file), codec_(std::move(codec)), blocks_(blocks) {
    if (codec_.openDecoder) decoder_ = codec_.openDecoder();
    decoded_.reserve(conversion::kDecoderSampleRoom);
}

VoiceFileSource::~VoiceFileSource() {
    std::fclose(file_);
}

std::uint64_t VoiceFileSource::firstSampleOf(std::uint64_t block) const {
    if (block == 0) return 0;
    return firstBlockSamples_ + (block - 1) * blockSamples_;
}

bool VoiceFileSource::decodeBlock(std::uint64_t index) {
    decoded_.clear();
    cursor_ = 0;
    if (index >= blocks_) return false;
    // A short last block is decoded with zeros after its bytes, as a
    // conversion to WAV decodes it.
    std::uint8_t block[kDvfBlockBytes] = {};
    if (std::fseek(file_, static_cast<long>(index * kDvfBlockBytes), SEEK_SET) != 0 ||
        std::fread(block, 1, sizeof block, file_) == 0)
        return false;
    decoded_.resize(conversion::kDecoderSampleRoom);
    const int count =
        std::clamp(decoder_->decode(block, decoded_.data()), 0, conversion::kDecoderSampleRoom);
    decoded_.resize(static_cast<std::size_t>(count));
    nextBlock_ = index + 1;
    return true;
}

std::size_t VoiceFileSource::read(std::int16_t* samples, std::size_t room) {
    std::size_t filled = 0;
    while (filled < room) {
        if (cursor_ == decoded_.size() && !decodeBlock(nextBlock_)) break;
        const std::size_t take = std::min(room - filled, decoded_.size() - cursor_);
        std::copy_n(decoded_.begin() + static_cast<std::ptrdiff_t>(cursor_), take,
                    samples + filled);
        cursor_ += take;
        filled += take;
    }
    return filled;
}

void VoiceFileSource::seek(std::uint64_t sample) {
    decoder_ = codec_.openDecoder();
    decoded_.clear();
    cursor_ = 0;
    nextBlock_ = blocks_;
    if (sample >= length_) return;
    const std::uint64_t target =
        sample < firstBlockSamples_ ? 0 : 1 + (sample - firstBlockSamples_) / blockSamples_;
    if (target > 0) {
        decodeBlock(0);
        for (std::uint64_t settle =
                 std::max<std::uint64_t>(1, target - std::min(target, kSettleBlocks));
             settle < target; ++settle)
            decodeBlock(settle);
    }
    if (decodeBlock(target))
        cursor_ = std::min<std::size_t>(decoded_.size(), sample - firstSampleOf(target));
}

}  // namespace vox::playback
