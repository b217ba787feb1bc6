#pragma once
// The simulated recorder's USB cable, worked from outside the process that
// holds its image. "voxctl sim unplug IMAGE" and "voxctl sim plug IMAGE"
// leave the cable's state in a small file beside the image (IMAGE.cable,
// holding "unplugged" or "plugged"); the process that holds the image
// watches that file with inotify and pulls or plugs its recorder, so the bus
// reports the removal or the arrival as it would for a real cable. A process
// that opens the image while the file says "unplugged" starts without the
// recorder.

#include <filesystem>
#include <functional>
#include <string>
#include <thread>

namespace vox::stack {

enum class CableState { Plugged, Unplugged };

std::filesystem::path cableFileOf(const std::filesystem::path& image);

// Plugged unless the file says "unplugged" (an absent file is a cable that
// was never pulled).
CableState readCableState(const std::filesystem::path& image);

// Replaces the cable file whole: written under a temporary name of our own
// beside it and renamed over it, so a watcher never reads half a state. On
// failure nothing is left behind and `error` says why.
bool writeCableState(const std::filesystem::path& image, CableState state, std::string& error);

// Watches an image's cable file and calls `changed` (on the watch's own
// thread) with every state that differs from the one before. The state the
// file held when the watch started is initial(); changes made from then on
// are all seen.
class CableWatch {
  public:
    CableWatch(const std::filesystem::path& image, std::function<void(CableState)> changed);
    // Stops the watch; `changed` is not called once this returned.
    ~CableWatch();
    CableWatch(const CableWatch&) = delete;
    CableWatch& operator=(const CableWatch&) = delete;

    // False when the folder cannot be watched (the reason went to stderr).
    bool watching() const { return inotify_ >= 0; }
    CableState initial() const { return initial_; }

  private:
    void run();
    bool cableFileTouched();

    std::filesystem::path image_;
    std::string cableName_;
    std::function<void(CableState)> changed_;
    int inotify_ = -1;
    int stop_ = -1;  // an eventfd that ends the watch
    CableState initial_ = CableState::Plugged;
    std::thread thread_;
};

}  // namespace vox::stack
