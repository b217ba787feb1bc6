#pragma once
// How a voxctl command fails: one line of text for stderr and an exit status
// that tells scripts what kind of failure it was.

#include <stdexcept>
#include <string>

namespace vox::voxctl {

enum ExitStatus : int {
    kExitOk = 0,
    kExitInternal = 1,        // an unexpected failure inside voxctl
    kExitUsage = 2,           // the command line is wrong
    kExitNoRecorder = 3,      // no recorder answered
    kExitBusy = 4,            // the recorder link is busy with another operation
    kExitRefused = 5,         // the transfer rules refuse the command (type, room, name)
    kExitNotFound = 6,        // no such file or folder on the recorder
    kExitPcFile = 7,          // a PC file could not be read, written or replaced
    kExitUsbFailed = 8,       // the recorder stopped answering or a block failed
    kExitRecorderSaidNo = 9,  // the recorder refused the command
    kExitNotConfirmed = 10,   // an overwrite or format was not confirmed
    kExitCopyMismatch = 11,   // a checked copy did not read back the same
    kExitMoreThanShown = 12,  // a folder holds more entries than one listing shows
    kExitCancelled = 130,     // Ctrl-C (the transfer was cancelled cleanly)
};

// The exit statuses as --help lists them.
extern const char kExitStatusHelp[];

// The message is kept to one line: the recorder's texts that the program
// shows over two lines are joined with a space.
class CommandError : public std::runtime_error {
  public:
    CommandError(ExitStatus status, const std::string& message)
        : std::runtime_error(oneLine(message)), status_(status) {}
    ExitStatus status() const { return status_; }

  private:
    static std::string oneLine(std::string text) {
        for (char& c : text)
            if (c == '\n') c = ' ';
        while (!text.empty() && text.back() == ' ') text.pop_back();
        return text;
    }
    ExitStatus status_;
};

}  // namespace vox::voxctl
