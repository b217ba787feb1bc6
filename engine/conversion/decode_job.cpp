#include <algorithm>
#include <cerrno>
#include <vector>

#include "engine/conversion/conversion_job.h"
#include "engine/conversion/conversion_texts.h"
#include "engine/conversion/progress.h"
#include "engine/conversion/replacing_output.h"
#include "engine/conversion/wav_writer.h"

namespace vox::conversion {
namespace {

std::uint64_t fileLength(std::FILE* file) {
    if (std::fseek(file, 0, SEEK_END) != 0) return 0;
    const long length = std::ftell(file);
    std::rewind(file);
    return length > 0 ? static_cast<std::uint64_t>(length) : 0;
}

enum class Decoded { Whole, NotVoice, Failed };

// Decodes `source` block by block into `destination`; CONVERT_STARTED goes
// out once the first block has proved to be voice: an empty file, or one
// whose first block gives no samples, is not a voice file.
Decoded decodeBlocks(const ConversionJob& job, std::FILE* source, WavWriter& destination) {
    const std::uint64_t length = fileLength(source);
    std::uint64_t position = 0;
    const std::unique_ptr<DecoderStream> decoder =
        job.codec.openDecoder ? job.codec.openDecoder() : nullptr;
    if (!decoder) return Decoded::Failed;
    if (length == 0) return Decoded::NotVoice;
    std::vector<std::int16_t> samples(kDecoderSampleRoom);
    while (position < length) {
        // A short last block is decoded with zeros after the bytes read.
        std::uint8_t block[kDvfBlockBytes] = {};
        const std::size_t got = std::fread(block, 1, sizeof block, source);
        if (got == 0) return Decoded::Failed;
        const int count = std::clamp(decoder->decode(block, samples.data()), 0, kDecoderSampleRoom);
        if (position == 0) {
            if (count == 0) return Decoded::NotVoice;
            sendStarted(job.notify);
        }
        if (!destination.append(samples.data(), static_cast<std::size_t>(count)))
            return Decoded::Failed;
        position += got;
        if (position >= length) break;
        if (got != sizeof block || cancelRaised(job)) return Decoded::Failed;
        sendProgress(job.notify, position, length);
    }
    return Decoded::Whole;
}

}  // namespace

int runDecodeJob(const ConversionJob& job) {
    const FinishedNotice finished{job.notify};
    std::FILE* source = std::fopen(job.sourcePath.c_str(), "rb");
    if (source == nullptr) return 0;
    // The output is made first, so that nothing is decoded for a folder
    // that cannot take it; it only replaces the destination when whole.
    ReplacingOutput output(job.destinationPath);
    WavWriter destination;
    if (!destination.open(output.create())) {
        reportWriteFailure(job, errno);
        std::fclose(source);
        return 0;
    }
    errno = 0;
    const Decoded decoded = decodeBlocks(job, source, destination);
    int cause = errno;
    std::fclose(source);
    if (decoded == Decoded::NotVoice) {
        if (job.showMessage) job.showMessage("\"" + job.sourcePath + "\"" + kNotVoiceFileText);
        return 0;
    }
    const bool closed = destination.close();
    if (decoded == Decoded::Whole && !closed) cause = errno;
    if (decoded == Decoded::Whole && closed && output.commit()) return 1;
    reportWriteFailure(job, decoded == Decoded::Whole && closed ? errno : cause);
    return 0;
}

std::unique_ptr<vox::messages::Worker> startDecodeWorker(ConversionJob job) {
    return std::make_unique<vox::messages::Worker>(
        [job = std::move(job)] { return runDecodeJob(job); });
}

}  // namespace vox::conversion
