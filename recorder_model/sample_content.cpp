#include "recorder_model/sample_content.h"

#include <string>

namespace vox::model {

namespace {

constexpr std::size_t kVoiceBlockBytes = 512;

// Deterministic filler so that images made from the same options match.
std::vector<std::uint8_t> generatedBytes(std::size_t size, std::uint32_t seed) {
    std::vector<std::uint8_t> bytes(size);
    std::uint32_t state = seed * 2654435761u + 1;
    for (auto& byte : bytes) {
        state = state * 1664525u + 1013904223u;
        byte = static_cast<std::uint8_t>(state >> 24);
    }
    return bytes;
}

struct SampleFile {
    const char* folder;
    const char* shortName;
    const char16_t* longName;
    std::size_t size;
};

constexpr SampleFile kSamples[] = {
    {"A", "VOICE001.DVF", u"", 24 * kVoiceBlockBytes},
    {"A", "VOICE002.DVF", u"", 61 * kVoiceBlockBytes},
    {"A", "MEETIN~1.DVF", u"Meeting with the design team.DVF", 140 * kVoiceBlockBytes},
    {"B", "VOICE001.DVF", u"", 37 * kVoiceBlockBytes},
    {"C", "LECTURE1.DVF", u"Lecture 1.DVF", 96 * kVoiceBlockBytes},
    {"MP3", "MORNIN~1.MP3", u"Morning walk.mp3", 180000},
    {"MP3", "SONG.MP3", u"", 95000},
    {"HD", "NOTES.TXT", u"", 1200},
    {"HD", "PHOTO~1.JPG", u"Photo of the whiteboard.jpg", 41000},
};

}  // namespace

void addSampleContent(FlashFileSystem& fileSystem) {
    FatStamp stamp = FatStamp::now();
    std::uint32_t seed = 1;
    for (const auto& sample : kSamples) {
        std::string ignored;  // a store too small for a sample goes without it
        fileSystem.addFile(kMainStore, sample.folder, sample.shortName, sample.longName,
                           generatedBytes(sample.size, seed++), stamp, ignored);
    }
}

}  // namespace vox::model
