#include "engine/playback/audio_source.h"

#include <cstdio>
#include <cstring>

#include "engine/playback/voice_file_source.h"
#include "engine/playback/wave_file_source.h"

namespace vox::playback {
namespace {

bool startsAsRiff(const std::string& path) {
    char head[4] = {};
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) return false;
    const bool riff = std::fread(head, 1, sizeof head, file) == sizeof head &&
                      std::memcmp(head, "RIFF", sizeof head) == 0;
    std::fclose(file);
    return riff;
}

}  // namespace

OpenedSource openRecording(const std::string& path, const conversion::VoiceCodec& codec) {
    OpenedSource opened;
    if (startsAsRiff(path))
        opened.source = WaveFileSource::open(path, opened.error);
    else
        opened.source = VoiceFileSource::open(path, codec, opened.error);
    return opened;
}

}  // namespace vox::playback
