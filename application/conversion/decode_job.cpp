#include <algorithm>

#include "application/conversion/conversion_job.h"
#include "application/conversion/progress.h"
#include "application/conversion/wav_writer.h"

namespace vox::conversion {
namespace {

std::uint64_t fileLength(std::FILE* file) {
    if (std::fseek(file, 0, SEEK_END) != 0) return 0;
    const long length = std::ftell(file);
    std::rewind(file);
    return length > 0 ? static_cast<std::uint64_t>(length) : 0;
}

// Decodes `source` block by block into `destination`; true when the whole
// file was read and every sample written.
bool decodeBlocks(const ConversionJob& job, std::FILE* source, WavWriter& destination) {
    const std::uint64_t length = fileLength(source);
    std::uint64_t position = 0;
    job.codec.initDecoder();
    while (position < length) {
        // A short last block is decoded with zeros after the bytes read.
        std::uint8_t block[kDvfBlockBytes] = {};
        const std::size_t got = std::fread(block, 1, sizeof block, source);
        if (got == 0) return false;
        std::int16_t samples[kDecoderSampleRoom];
        int count = 0;
        job.codec.voiceDecoder(block, samples, &count);
        count = std::clamp(count, 0, kDecoderSampleRoom);
        if (!destination.append(samples, static_cast<std::size_t>(count))) return false;
        position += got;
        if (position >= length) break;
        if (got != sizeof block) return false;
        sendProgress(job.notify, position, length);
    }
    return true;
}

}  // namespace

int runDecodeJob(const ConversionJob& job) {
    const FinishedNotice finished{job.notify};
    std::FILE* source = std::fopen(job.sourcePath.c_str(), "rb");
    if (source == nullptr) return 0;
    WavWriter destination;
    if (!destination.open(job.destinationPath)) {
        std::fclose(source);
        return 0;
    }
    sendStarted(job.notify);
    const bool complete = decodeBlocks(job, source, destination);
    std::fclose(source);
    const bool closed = destination.close();
    return complete && closed ? 1 : 0;
}

std::unique_ptr<vox::messages::Worker> startDecodeWorker(ConversionJob job) {
    return std::make_unique<vox::messages::Worker>(
        [job = std::move(job)] { return runDecodeJob(job); });
}

}  // namespace vox::conversion
