// Voice files as the player reads them, on the sample recordings: the
// length a whole decode gives, reads from the start equal to a plain decode,
// seeks that leave exactly the rest of the recording, and files that are
// not voice files.

#include "engine/playback/voice_file_source.h"

#include <gtest/gtest.h>

#include "device_library/tests/temp_dir.h"
#include "engine/playback/audio_source.h"
#include "recorder_model/sample_recordings.h"

namespace vox::playback {
namespace {

using devsys::testing::TempDir;

// The recording decoded in one go, block by block, as a conversion does.
std::vector<std::int16_t> decodedWhole(std::span<const std::uint8_t> bytes) {
    const auto decoder = conversion::recorderVoiceCodec().openDecoder();
    std::vector<std::int16_t> samples;
    std::vector<std::int16_t> block(conversion::kDecoderSampleRoom);
    for (std::size_t at = 0; at < bytes.size(); at += conversion::kDvfBlockBytes) {
        std::uint8_t padded[conversion::kDvfBlockBytes] = {};
        std::copy_n(bytes.begin() + static_cast<std::ptrdiff_t>(at),
                    std::min<std::size_t>(sizeof padded, bytes.size() - at), padded);
        const int count = decoder->decode(padded, block.data());
        samples.insert(samples.end(), block.begin(), block.begin() + count);
    }
    return samples;
}

std::vector<std::int16_t> readAll(AudioSource& source) {
    std::vector<std::int16_t> samples;
    std::int16_t chunk[700];
    while (const std::size_t got = source.read(chunk, std::size(chunk)))
        samples.insert(samples.end(), chunk, chunk + got);
    return samples;
}

TEST(VoiceFileSource, ReadsAndSeeksTheSampleRecordings) {
    TempDir folder;
    for (const char* name : {"A/MEETING.DVF", "B/CALLBANK.DVF", "C/LECTURE1.DVF"}) {
        SCOPED_TRACE(name);
        const std::span<const std::uint8_t> bytes = model::sampleRecording(name);
        ASSERT_FALSE(bytes.empty());
        const std::string path = folder.file("voice.DVF", {bytes.begin(), bytes.end()});
        OpenedSource opened = openRecording(path, conversion::recorderVoiceCodec());
        ASSERT_TRUE(opened.source) << opened.error;
        AudioSource& source = *opened.source;

        const std::vector<std::int16_t> whole = decodedWhole(bytes);
        EXPECT_EQ(source.length(), whole.size());
        EXPECT_EQ(readAll(source), whole);

        // Inside the first block, inside later blocks, the last sample, past the end.
        for (std::uint64_t target : {std::uint64_t{17}, whole.size() / 2, whole.size() / 2 + 333,
                                     whole.size() - 1, whole.size() + 5}) {
            source.seek(target);
            const std::vector<std::int16_t> rest = readAll(source);
            EXPECT_EQ(rest.size(), whole.size() - std::min<std::uint64_t>(target, whole.size()))
                << "after a seek to " << target;
        }
        source.seek(0);
        EXPECT_EQ(readAll(source), whole);
    }
}

TEST(VoiceFileSource, RefusesFilesThatAreNotRecordings) {
    TempDir folder;
    const auto codec = conversion::recorderVoiceCodec();
    EXPECT_FALSE(openRecording(folder.file("empty.DVF", {}), codec).source);
    EXPECT_FALSE(
        openRecording(folder.file("text.DVF", std::vector<std::uint8_t>(1024, 'x')), codec).source);
    const OpenedSource missing = openRecording((folder / "none.DVF").string(), codec);
    EXPECT_FALSE(missing.source);
    EXPECT_NE(missing.error.find("none.DVF"), std::string::npos);
    // A RIFF file that holds no PCM audio.
    std::vector<std::uint8_t> riff(64, 0);
    std::copy_n("RIFF", 4, riff.begin());
    EXPECT_FALSE(openRecording(folder.file("odd.wav", riff), codec).source);
}

}  // namespace
}  // namespace vox::playback
