#pragma once
// A model of the VX-R250 recorder's side of its USB command protocol: it
// answers command blocks, streams directory listings and file bodies, takes
// file data, keeps a flash file system, persists it in an image file and can
// be told to misbehave (see Faults).

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <mutex>
#include <span>
#include <string>
#include <vector>

#include "platform/usb/usb_function.h"
#include "recorder_model/faults.h"
#include "recorder_model/flash_file_system.h"

namespace vox::model {

struct RecorderOptions {
    std::string firmwareVersion = "1.5";          // "0.9" gives the older firmware's naming rules
    std::string modelName = "QZ-410T";            // 7 characters, PlayerInfo bytes 19-25
    std::uint64_t capacityBytes = 64ull << 20;    // main store, accounted in 16 KiB clusters
    std::uint64_t altCapacityBytes = 4ull << 20;  // the second, small store 'S'
    std::uint8_t statusValue = 1;                 // what a STATUS query reports
    bool sampleContent = false;                   // a few plausible files in each folder
    bool fullSpeedTiming = false;                 // take as long as USB full speed would
};

class ProtocolEngine;
class ImageFile;
class Storage;

class Recorder final : public usb::UsbFunction {
  public:
    // In memory, freshly formatted (with sample content when asked).
    explicit Recorder(RecorderOptions options = {});
    ~Recorder() override;
    Recorder(const Recorder&) = delete;
    Recorder& operator=(const Recorder&) = delete;

    // Opens an image file, creating it from `forNew` when it does not exist.
    // The image stays locked while the recorder lives, like a claimed USB
    // device; a second opener gets null and "recorder image ... is in use by
    // another program" (naming it where Linux tells), and `inUse` set. A
    // damaged image, or a path that is not an image file, gives null and
    // says why.
    static std::unique_ptr<Recorder> openImage(const std::filesystem::path& image,
                                               std::string& error, RecorderOptions forNew = {},
                                               bool* inUse = nullptr);
    static bool createImage(const std::filesystem::path& image, const RecorderOptions& options,
                            std::string& error);

    // Direct access for tests and seeding, while no exchange runs. Changes
    // made here reach the image with save().
    FlashFileSystem& fileSystem();
    bool save(std::string& error);
    const RecorderOptions& options() const { return options_; }

    Faults& faults() { return faults_; }
    // Violations of the protocol seen so far, as texts; the recorder answers
    // them by not replying.
    std::vector<std::string> protocolErrors() const;
    void clearProtocolErrors();

    void unplug();
    void plugIn();
    bool connected() const override;
    // Sum of the bus time the transfers so far would take at USB full speed.
    std::chrono::nanoseconds modelledBusTime() const;

    usb::UsbResult bulkOut(std::span<const std::uint8_t> data) override;
    usb::UsbResult bulkIn(std::span<std::uint8_t> buffer) override;
    usb::UsbStatus vendorRequest(std::uint8_t request, std::uint16_t value,
                                 std::uint16_t index) override;
    usb::UsbStatus resetPipe(std::uint8_t endpoint) override;
    usb::UsbStatus resetPort() override;

  private:
    Recorder(RecorderOptions options, std::unique_ptr<FlashFileSystem> fileSystem,
             std::unique_ptr<ImageFile> image);
    // Holds the bus for a transfer of `packets` packets (0: a control
    // transfer) and returns whether the recorder is still plugged in after it.
    bool occupyBus(std::unique_lock<std::mutex>& lock, std::uint64_t packets);
    void unplugLocked();

    RecorderOptions options_;
    Faults faults_;
    mutable std::mutex mutex_;
    std::condition_variable unplugged_;
    std::unique_ptr<FlashFileSystem> fileSystem_;
    std::unique_ptr<ImageFile> image_;
    std::unique_ptr<Storage> storage_;
    std::unique_ptr<ProtocolEngine> engine_;
    bool connected_ = true;
    std::uint64_t plugGeneration_ = 0;
    std::chrono::nanoseconds busTime_{0};
    std::chrono::steady_clock::time_point busFreeAt_{};
};

}  // namespace vox::model
