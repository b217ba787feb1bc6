#pragma once
// Several conversions at once: each file is one stream on one thread, and
// the files are shared out over as many threads as the machine runs at once
// (never more threads than files). A file's output is exactly what the same
// file gives converted on its own, and a file that fails leaves the others
// as they would have been.

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

#include "engine/conversion/convert_command.h"
#include "engine/conversion/voice_codec.h"

namespace vox::conversion {

struct BatchJob {
    std::string sourcePath;
    std::string destinationPath;
    ConvertDirection direction = ConvertDirection::WavToDvf;
    int quality = 1;  // the Quality list's index; encoding only
};

struct BatchResult {
    bool converted = false;  // the destination now holds the whole conversion
    bool cancelled = false;  // stopped, or never started, because cancel was raised
    // Why the file was not converted, when the worker or the batch could
    // tell (a refused format, not a voice file, a destination used twice);
    // empty otherwise.
    std::string message;
    // Why the output could not be written (its path and the system's
    // reason), when that was why; empty otherwise.
    std::string failure;
};

struct BatchOptions {
    VoiceCodec codec;
    // Threads to use at most; 0 for one per hardware thread.
    unsigned threads = 0;
    // Called as each file starts (0) and moves on (its percentage), from the
    // converting threads but never two calls at once.
    std::function<void(std::size_t job, int percent)> progress = nullptr;
    // Raised (nonzero) by the caller to stop every file after its current
    // block and start no further one; old outputs then stay as they were.
    int* cancel = nullptr;
};

// Runs every job to its end and returns one result per job, in the jobs'
// order. The calling thread converts too: a batch of one file runs on the
// calling thread alone.
std::vector<BatchResult> runConversionBatch(const std::vector<BatchJob>& jobs,
                                            const BatchOptions& options);

// min(jobs, hardware threads), at least 1; `wanted` 0 means the hardware's.
unsigned batchThreadCount(std::size_t jobs, unsigned wanted);

}  // namespace vox::conversion
