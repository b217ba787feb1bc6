#pragma once
// Runs the built voxctl as a child process against a simulated recorder in a
// temporary folder, the way a user or a script runs it.

#include <sys/types.h>

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace vox::voxctl::testing {

struct Finished {
    int status = -1;  // exit status, or minus the signal that ended the process
    std::string out;
    std::string err;
};

class VoxctlSandbox {
  public:
    VoxctlSandbox();
    ~VoxctlSandbox();
    VoxctlSandbox(const VoxctlSandbox&) = delete;
    VoxctlSandbox& operator=(const VoxctlSandbox&) = delete;

    const std::string& folder() const { return folder_; }
    const std::string& image() const { return image_; }
    // A folder for PC files inside the sandbox.
    std::string pcPath(const std::string& name) const { return folder_ + "/pc/" + name; }

    // Extra environment for every run ("" removes a variable).
    void setEnvironment(const std::string& name, const std::string& value) {
        environment_[name] = value;
    }

    Finished run(const std::vector<std::string>& arguments);
    pid_t start(const std::vector<std::string>& arguments);
    Finished wait(pid_t child);
    // What a child still running has written to its standard output so far.
    std::string outputSoFar(pid_t child) const;
    // Waits until `child` handles SIGINT, SIGTERM and SIGHUP itself (it is
    // inside a transfer or conversion).
    bool waitUntilCatchingInterrupt(pid_t child);

  private:
    std::string folder_;
    std::string image_;
    std::map<std::string, std::string> environment_;
    int runs_ = 0;
    std::map<pid_t, std::pair<std::string, std::string>> outputs_;
};

// Points the sandbox's runs at the libusb path instead of the simulator:
// the libusb stand-in at `standin` loaded ahead of libusb, with the
// sandbox's image behind it.
void reachThroughLibusbStandin(VoxctlSandbox& sandbox, const std::string& standin);

// A 64 KiB file system mounted on `folder` (made here) while this lives:
// a disk that fills at once. Mounting takes root; `error` says why not.
class SmallFileSystem {
  public:
    explicit SmallFileSystem(std::string folder);
    ~SmallFileSystem();
    SmallFileSystem(const SmallFileSystem&) = delete;
    SmallFileSystem& operator=(const SmallFileSystem&) = delete;
    bool mounted() const { return error_.empty(); }
    const std::string& error() const { return error_; }

  private:
    std::string folder_;
    std::string error_;
};

std::string readFile(const std::string& path);
void writeFile(const std::string& path, const std::string& content);
// Deterministic content of `bytes` bytes that differs from file to file.
std::string patternBytes(std::size_t bytes, unsigned seed);
bool exists(const std::string& path);
// A canonical 44-byte-header PCM WAV of `samples` samples of a square wave.
std::string wave(int channels, std::uint32_t rate, int samples);
// The plain names in `folder`, sorted.
std::vector<std::string> namesIn(const std::string& folder);

}  // namespace vox::voxctl::testing
