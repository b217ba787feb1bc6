#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <string>
#include <thread>

#include "engine/conversion/byte_order.h"
#include "engine/conversion/conversion_job.h"
#include "engine/conversion/conversion_texts.h"
#include "engine/conversion/convert_notify.h"
#include "engine/conversion/progress.h"
#include "engine/conversion/replacing_output.h"
#include "engine/conversion/wav_reader.h"

namespace vox::conversion {
namespace {

// The source's layout when the encoder can take it, else why not (the
// error of opening it, or what its format record says).
std::optional<WaveLayout> inspectSource(const std::string& path, std::string& problem) {
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) {
        problem = std::strerror(errno);
        return std::nullopt;
    }
    auto layout = readWaveLayout(file);
    std::fclose(file);
    if (!layout) {
        problem = "not a WAVE file with a format and a data chunk";
    } else if (layout->dataSize == 0 || layout->audioBytes() == 0) {
        problem = "it holds no audio";
    } else if (!isConvertibleWave(*layout)) {
        problem = std::to_string(layout->format.channels) + " channel(s), " +
                  std::to_string(layout->format.samplesPerSec) + " Hz, " +
                  std::to_string(layout->format.avgBytesPerSec) + " bytes a second";
    } else {
        return layout;
    }
    return std::nullopt;
}

// Encodes the audio bytes [position, end) of `source` block by block.
bool encodeAudio(const ConversionJob& job, std::FILE* source, std::FILE* destination,
                 std::uint64_t position, std::uint64_t end) {
    const int mode = encoderModeForQuality(job.quality);
    const std::uint64_t bytesPerCall = 2 * static_cast<std::uint64_t>(samplesPerEncoderCall(mode));
    if (std::fseek(source, static_cast<long>(position), SEEK_SET) != 0) return false;
    const std::unique_ptr<EncoderStream> encoder =
        job.codec.openEncoder ? job.codec.openEncoder() : nullptr;
    if (!encoder) return false;
    for (;;) {
        std::uint8_t bytes[2 * kMaxSamplesPerEncoderCall] = {};
        std::int16_t samples[kMaxSamplesPerEncoderCall];
        std::uint8_t block[kDvfBlockBytes] = {};
        const auto wanted = static_cast<std::size_t>(std::min(bytesPerCall, end - position));
        const std::size_t got = std::fread(bytes, 1, wanted, source);
        if (got == 0) return false;
        // A lone last byte becomes the low byte of a sample, the rest zeros.
        for (int i = 0; i < kMaxSamplesPerEncoderCall; ++i)
            samples[i] = static_cast<std::int16_t>(readLe16(bytes + 2 * i));
        encoder->encode(samples, block, mode);
        if (std::fwrite(block, 1, sizeof block, destination) != sizeof block) return false;
        position += got;
        if (position >= end) return true;
        if (got != wanted) return false;
        if (cancelRaised(job)) return false;
        sendProgress(job.notify, position, end);
        if (job.yieldAfterBlock.count() > 0) std::this_thread::sleep_for(job.yieldAfterBlock);
    }
}

}  // namespace

int encoderModeForQuality(int quality) {
    return quality == 0 || quality == 2 ? quality : 1;
}

int samplesPerEncoderCall(int mode) {
    switch (mode) {
        case 0:
            return 5120;
        case 2:
            return 2240;
        default:
            return 4080;
    }
}

int runEncodeJob(const ConversionJob& job) {
    const FinishedNotice finished{job.notify};
    std::string problem;
    const auto layout = inspectSource(job.sourcePath, problem);
    if (!layout) {
        if (job.reportFailure) job.reportFailure(job.sourcePath + ": " + problem);
        if (job.showMessage) job.showMessage(kUnsupportedWaveText);
        return 0;
    }
    std::FILE* source = std::fopen(job.sourcePath.c_str(), "rb");
    ReplacingOutput output(job.destinationPath);
    std::FILE* destination = source != nullptr ? output.create() : nullptr;
    if (destination == nullptr) {
        if (source != nullptr) {
            reportWriteFailure(job, errno);
            std::fclose(source);
        }
        return 0;
    }
    sendStarted(job.notify);
    errno = 0;
    const bool complete = encodeAudio(job, source, destination, layout->dataOffset,
                                      layout->dataOffset + layout->audioBytes());
    int cause = errno;
    std::fclose(source);
    const bool closed = std::fclose(destination) == 0;
    if (complete && !closed) cause = errno;
    if (complete && closed && output.commit()) return 1;
    reportWriteFailure(job, complete && closed ? errno : cause);
    return 0;
}

void reportWriteFailure(const ConversionJob& job, int cause) {
    if (cause == 0 || !job.reportFailure || cancelRaised(job)) return;
    job.reportFailure(job.destinationPath + ": " + std::strerror(cause));
}

bool cancelRaised(const ConversionJob& job) {
    return job.cancel != nullptr && std::atomic_ref<int>(*job.cancel).load() != 0;
}

std::unique_ptr<vox::messages::Worker> startEncodeWorker(ConversionJob job) {
    return std::make_unique<vox::messages::Worker>(
        [job = std::move(job)] { return runEncodeJob(job); });
}

}  // namespace vox::conversion
