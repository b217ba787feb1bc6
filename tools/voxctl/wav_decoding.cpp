#include "tools/voxctl/wav_decoding.h"

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <iostream>

#include "engine/conversion/conversion_batch.h"
#include "engine/import/import_names.h"
#include "engine/import/pc_placement.h"
#include "engine/rules/text_case.h"
#include "tools/voxctl/command_error.h"
#include "tools/voxctl/recorder_fetch.h"
#include "tools/voxctl/transfer_runner.h"

namespace vox::voxctl {

namespace {

constexpr auto kInterruptCheck = std::chrono::milliseconds(100);

}  // namespace

WavDecoding::WavDecoding(ImportSummary& summary) : summary_(summary) {}

WavDecoding::~WavDecoding() {
    if (InterruptGuard::interrupted()) std::atomic_ref<int>(cancel_).store(1);
    finish();
}

void WavDecoding::add(std::vector<ImportedFile>& files, std::size_t index, const std::string& dir,
                      const std::string& name) {
    {
        std::lock_guard lock(mutex_);
        jobs_.push_back({&files, index, dir, name});
        const unsigned cores = std::max(1u, std::thread::hardware_concurrency());
        if (threads_.size() < cores) {
            threads_.emplace_back([this] { work(); });
            ++runningWorkers_;
        }
    }
    wake_.notify_one();
}

void WavDecoding::work() {
    for (;;) {
        std::unique_lock lock(mutex_);
        wake_.wait(lock, [&] { return closing_ || !jobs_.empty(); });
        if (jobs_.empty()) {
            --runningWorkers_;
            workerEnded_.notify_all();
            return;
        }
        const Job job = std::move(jobs_.front());
        jobs_.pop_front();
        lock.unlock();
        Result result = decode(job);
        lock.lock();
        results_.push_back(std::move(result));
    }
}

WavDecoding::Result WavDecoding::decode(const Job& job) {
    Result result{job.files, job.index, {}, {}};
    try {
        OwnFile output(job.dir + "/.voxerin-wav");
        // A batch of one file converts on this thread, one decoder stream of
        // its own, beside the other decodings and the transfers.
        conversion::BatchOptions options;
        options.codec = conversion::recorderVoiceCodec();
        options.threads = 1;
        options.cancel = &cancel_;
        const conversion::BatchResult decoded =
            conversion::runConversionBatch(
                {{job.dir + "/" + job.name, output.path(), conversion::ConvertDirection::DvfToWav}},
                options)
                .front();
        result.cancelled = decoded.cancelled;
        if (!decoded.converted) {
            result.error = decoded.message.empty() ? "it could not be decoded" : decoded.message;
            return result;
        }
        std::string error;
        const auto placed = importing::placeWithoutOverwrite(
            output.path(), job.dir, importing::withExtension(job.name, ".wav"), error);
        if (!placed) {
            result.error = error;
            return result;
        }
        output.release();
        result.wavPath = job.dir + "/" + *placed;
    } catch (const std::exception& error) {
        result.error = error.what();
    }
    return result;
}

void WavDecoding::finish() {
    {
        std::unique_lock lock(mutex_);
        closing_ = true;
        wake_.notify_all();
        // Ctrl-C is looked for while the decoders run, not after them.
        while (runningWorkers_ > 0) {
            if (InterruptGuard::interrupted()) std::atomic_ref<int>(cancel_).store(1);
            workerEnded_.wait_for(lock, kInterruptCheck);
        }
    }
    for (std::thread& thread : threads_) thread.join();
    threads_.clear();
    for (const Result& result : results_) {
        if (result.cancelled) continue;
        ImportedFile& file = (*result.files)[result.index];
        if (!result.wavPath.empty()) {
            file.wavPath = result.wavPath;
            continue;
        }
        summary_.failed.push_back(
            {file.folder, file.recorderName, "no WAV file: " + rules::printable(result.error)});
        std::cerr << "voxctl: " << file.path << ": no WAV file: " << rules::printable(result.error)
                  << '\n';
    }
    results_.clear();
}

}  // namespace vox::voxctl
