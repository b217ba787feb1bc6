#pragma once
// Decoding imported voice files to WAV files beside them while the next
// recordings are still being copied: one decoding stream per processor
// core, each file run through the conversion batch runner on its own. Each
// WAV is written under a name of ours and takes its own name (never one that
// is taken) only once whole.

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "tools/voxctl/import_run.h"

namespace vox::voxctl {

class WavDecoding {
  public:
    explicit WavDecoding(ImportSummary& summary);
    // Waits for the decodings still running; after Ctrl-C they stop at
    // their next block and leave nothing behind.
    ~WavDecoding();
    WavDecoding(const WavDecoding&) = delete;
    WavDecoding& operator=(const WavDecoding&) = delete;

    // Decodes `dir`/`name`, the file `index` of `files` (a list of the
    // summary's), which gets the WAV's path or, failing, a failed entry.
    void add(std::vector<ImportedFile>& files, std::size_t index, const std::string& dir,
             const std::string& name);
    // Waits for every decoding and enters the results in the summary; after
    // Ctrl-C the decodings stop at their next block, and what they did not
    // make counts as no failure.
    void finish();

  private:
    struct Job {
        std::vector<ImportedFile>* files;
        std::size_t index;
        std::string dir, name;
    };
    struct Result {
        std::vector<ImportedFile>* files;
        std::size_t index;
        std::string wavPath;  // empty when it failed
        std::string error;
        bool cancelled = false;
    };
    void work();
    Result decode(const Job& job);

    ImportSummary& summary_;
    std::mutex mutex_;
    std::condition_variable wake_;
    std::condition_variable workerEnded_;
    std::size_t runningWorkers_ = 0;
    std::deque<Job> jobs_;
    std::vector<Result> results_;
    bool closing_ = false;
    int cancel_ = 0;  // read by the decoders
    std::vector<std::thread> threads_;
};

}  // namespace vox::voxctl
