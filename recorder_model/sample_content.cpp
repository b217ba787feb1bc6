#include "recorder_model/sample_content.h"

#include <string>

#include "recorder_model/sample_recordings.h"

namespace vox::model {

namespace {

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

// A voice file holds the recording `recording` names; any other file `size`
// bytes of filler.
struct SampleFile {
    const char* folder;
    const char* shortName;
    const char16_t* longName;
    const char* recording;
    std::size_t size;
};

constexpr SampleFile kSamples[] = {
    {"A", "VOICE001.DVF", u"", "A/VOICE001.DVF", 0},
    {"A", "VOICE002.DVF", u"", "A/VOICE002.DVF", 0},
    {"A", "MEETIN~1.DVF", u"Meeting with the design team.DVF", "A/MEETING.DVF", 0},
    {"B", "VOICE001.DVF", u"", "B/VOICE001.DVF", 0},
    {"B", "CALLWI~1.DVF", u"Call with the bank.DVF", "B/CALLBANK.DVF", 0},
    {"C", "LECTURE1.DVF", u"Lecture 1.DVF", "C/LECTURE1.DVF", 0},
    {"C", "VOICE001.DVF", u"", "C/VOICE001.DVF", 0},
    {"MP3", "MORNIN~1.MP3", u"Morning walk.mp3", nullptr, 180000},
    {"MP3", "SONG.MP3", u"", nullptr, 95000},
    {"HD", "NOTES.TXT", u"", nullptr, 1200},
    {"HD", "PHOTO~1.JPG", u"Photo of the whiteboard.jpg", nullptr, 41000},
};

}  // namespace

void addSampleContent(FlashFileSystem& fileSystem) {
    FatStamp stamp = FatStamp::now();
    std::uint32_t seed = 1;
    for (const auto& sample : kSamples) {
        std::string ignored;  // a store too small for a sample goes without it
        std::vector<std::uint8_t> bytes;
        if (sample.recording != nullptr) {
            const auto recording = sampleRecording(sample.recording);
            bytes.assign(recording.begin(), recording.end());
        } else {
            bytes = generatedBytes(sample.size, seed++);
        }
        fileSystem.addFile(kMainStore, sample.folder, sample.shortName, sample.longName,
                           std::move(bytes), stamp, ignored);
    }
}

}  // namespace vox::model
