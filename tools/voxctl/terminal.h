#pragma once
// What voxctl shows on a terminal: a one-line progress bar for transfers,
// and yes/no questions. Nothing of it appears when stdout is not a terminal,
// so scripted output stays clean.

#include <chrono>
#include <cstdint>
#include <string>

namespace vox::voxctl {

// The device access library writes diagnostic lines to standard output.
// voxctl keeps standard output for its own results: this moves the
// process's standard output aside (to /dev/null) and binds std::cout to the
// original one. Call once, first thing.
void reserveStdoutForResults();
// Lets the library's diagnostic lines through, on stderr.
void showDiagnostics();
// Sends results to /dev/null too, for a process that has left its terminal.
void silenceResults();

bool stdoutIsTerminal();

// Asks `question` (a y/N answer on stdin) when stdin and stdout are a
// terminal; false without asking otherwise.
bool askYesNo(const std::string& question);

// "memo.dvf (1/3)  45% 1.20MB of 2.66MB  350KB/s  0:04 left", redrawn in
// place at most ten times a second.
class ProgressBar {
  public:
    explicit ProgressBar(std::string label);
    ~ProgressBar();
    ProgressBar(const ProgressBar&) = delete;
    ProgressBar& operator=(const ProgressBar&) = delete;

    void start(std::uint64_t totalBytes);
    void update(std::uint64_t doneBytes);
    // For work counted in steps rather than bytes (formatting).
    void updatePercent(int percent);
    // Ends the line; further updates are ignored.
    void finish();

  private:
    void draw(const std::string& figures);

    std::string label_;
    bool shown_;
    bool drawn_ = false;
    std::uint64_t total_ = 0;
    std::chrono::steady_clock::time_point started_;
    std::chrono::steady_clock::time_point lastDrawn_;
};

}  // namespace vox::voxctl
