#include "engine/conversion/conversion_batch.h"

#include <algorithm>
#include <atomic>
#include <mutex>
#include <thread>

#include "engine/conversion/conversion_job.h"
#include "engine/conversion/conversion_texts.h"
#include "engine/conversion/convert_notify.h"
#include "engine/conversion/file_identity.h"

namespace vox::conversion {
namespace {

// Takes a worker's notices on the worker's own thread and hands its starts
// and percentages to the batch's progress callback.
class ProgressRelay final : public messages::MessageTarget {
  public:
    ProgressRelay(const BatchOptions& options, std::mutex& mutex, std::size_t job)
        : options_(options), mutex_(mutex), job_(job) {}

    messages::LResult send(messages::Message message, messages::WParam code,
                           messages::LParam lParam) override {
        if (message != WM_CONVERT_NOTIFY || !options_.progress) return 0;
        if (code == CONVERT_STARTED) report(0);
        if (code == CONVERT_PROGRESS) report(*reinterpret_cast<const int*>(lParam));
        return 0;
    }
    // The workers only send.
    void post(messages::Message, messages::WParam, messages::LParam) override {}

  private:
    void report(int percent) {
        const std::lock_guard lock(mutex_);
        options_.progress(job_, percent);
    }

    const BatchOptions& options_;
    std::mutex& mutex_;
    std::size_t job_;
};

// Why each job may not run beside the others (empty when it may): two
// outputs to one file would leave only one of them, and an output replacing
// another job's input would change that input while it is read.
std::vector<std::string> conflicts(const std::vector<BatchJob>& jobs) {
    std::vector<std::string> sources, destinations, refusals(jobs.size());
    for (const BatchJob& job : jobs) {
        sources.push_back(fileIdentity(job.sourcePath));
        destinations.push_back(fileIdentity(job.destinationPath));
    }
    for (std::size_t i = 0; i < jobs.size(); ++i) {
        const auto earlier = destinations.begin() + static_cast<std::ptrdiff_t>(i);
        if (std::find(destinations.begin(), earlier, destinations[i]) != earlier) {
            refusals[i] = "\"" + jobs[i].destinationPath + "\"" + kDestinationTwiceText;
            continue;
        }
        if (sources[i] == destinations[i]) {
            refusals[i] = "\"" + jobs[i].destinationPath + "\"" + kDestinationIsItsSourceText;
            continue;
        }
        for (std::size_t other = 0; other < jobs.size(); ++other)
            if (other != i && sources[other] == destinations[i])
                refusals[i] = "\"" + jobs[i].destinationPath + "\"" + kDestinationIsSourceText;
    }
    return refusals;
}

BatchResult convertOne(const BatchJob& batchJob, std::size_t index, const BatchOptions& options,
                       std::mutex& progressMutex) {
    BatchResult result;
    ProgressRelay relay(options, progressMutex, index);
    ConversionJob job;
    job.sourcePath = batchJob.sourcePath;
    job.destinationPath = batchJob.destinationPath;
    job.quality = batchJob.quality;
    job.notify = &relay;
    job.codec = options.codec;
    job.showMessage = [&result](const std::string& text) { result.message = text; };
    job.reportFailure = [&result](const std::string& text) { result.failure = text; };
    // No interface thread waits to repaint between blocks.
    job.yieldAfterBlock = std::chrono::milliseconds(0);
    job.cancel = options.cancel;
    if (cancelRaised(job)) {
        result.cancelled = true;
        return result;
    }
    result.converted = (batchJob.direction == ConvertDirection::WavToDvf ? runEncodeJob(job)
                                                                         : runDecodeJob(job)) == 1;
    result.cancelled = !result.converted && cancelRaised(job);
    return result;
}

}  // namespace

unsigned batchThreadCount(std::size_t jobs, unsigned wanted) {
    if (wanted == 0) wanted = std::max(1u, std::thread::hardware_concurrency());
    return static_cast<unsigned>(std::max<std::size_t>(1, std::min<std::size_t>(jobs, wanted)));
}

std::vector<BatchResult> runConversionBatch(const std::vector<BatchJob>& jobs,
                                            const BatchOptions& options) {
    std::vector<BatchResult> results(jobs.size());
    const std::vector<std::string> refusals = conflicts(jobs);
    std::atomic<std::size_t> next{0};
    std::mutex progressMutex;
    const auto work = [&] {
        for (std::size_t i = next++; i < jobs.size(); i = next++) {
            if (!refusals[i].empty())
                results[i].message = refusals[i];
            else
                results[i] = convertOne(jobs[i], i, options, progressMutex);
        }
    };
    {
        // Joined at the end of this scope, before the results are handed back.
        std::vector<std::jthread> helpers;
        for (unsigned t = 1; t < batchThreadCount(jobs.size(), options.threads); ++t)
            helpers.emplace_back(work);
        work();
    }
    return results;
}

}  // namespace vox::conversion
