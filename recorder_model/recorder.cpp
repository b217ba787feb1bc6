#include "recorder_model/recorder.h"

#include <algorithm>

#include "recorder_model/image_file.h"
#include "recorder_model/protocol_engine.h"
#include "recorder_model/sample_content.h"

namespace vox::model {

namespace {

// USB full speed: 64-byte bulk packets, at most 19 of them in a 1 ms frame,
// and one control transfer per frame.
constexpr std::chrono::nanoseconds kFrame = std::chrono::milliseconds(1);
constexpr std::uint64_t kPacketsPerFrame = 19;
// The directory stream carries capacities in 32 bits.
constexpr std::uint64_t kCapacityLimit = 0xFFFFFFFFull / kClusterBytes * kClusterBytes;

std::uint64_t packetsFor(std::size_t bytes) {
    return std::max<std::uint64_t>(1, (bytes + usb::kPacketSize - 1) / usb::kPacketSize);
}

RecorderOptions normalised(RecorderOptions options) {
    options.capacityBytes = std::clamp(options.capacityBytes, kClusterBytes, kCapacityLimit);
    options.altCapacityBytes = std::clamp(options.altCapacityBytes, kClusterBytes, kCapacityLimit);
    options.modelName.resize(7, ' ');
    return options;
}

bool validVersion(const std::string& version) {
    auto digit = [](char c) { return c >= '0' && c <= '9'; };
    return version.size() == 3 && digit(version[0]) && version[1] == '.' && digit(version[2]);
}

std::unique_ptr<FlashFileSystem> freshFileSystem(const RecorderOptions& options) {
    auto made = std::make_unique<FlashFileSystem>(options.capacityBytes, options.altCapacityBytes);
    if (options.sampleContent) addSampleContent(*made);
    return made;
}

// Keeps the image in step with every change the recorder makes; without an
// image there is nothing to keep.
class ImageStorage final : public Storage {
  public:
    ImageStorage(const ImageFile* image, const RecorderOptions& options,
                 FlashFileSystem& fileSystem)
        : image_(image), options_(options), fileSystem_(fileSystem) {}
    bool commit() override {
        std::string error;
        if (!image_ || image_->save(options_, fileSystem_, error)) return true;
        // The change could not be made lasting: go back to what the image holds.
        RecorderOptions stored = options_;
        std::unique_ptr<FlashFileSystem> previous;
        if (image_->load(stored, previous, error)) fileSystem_ = std::move(*previous);
        return false;
    }

  private:
    const ImageFile* image_;
    const RecorderOptions& options_;
    FlashFileSystem& fileSystem_;
};

}  // namespace

Recorder::Recorder(RecorderOptions options)
    : Recorder(normalised(options), freshFileSystem(normalised(options)), nullptr) {}

Recorder::Recorder(RecorderOptions options, std::unique_ptr<FlashFileSystem> fileSystem,
                   std::unique_ptr<ImageFile> image)
    : options_(std::move(options)),
      fileSystem_(std::move(fileSystem)),
      image_(std::move(image)),
      storage_(std::make_unique<ImageStorage>(image_.get(), options_, *fileSystem_)),
      engine_(std::make_unique<ProtocolEngine>(options_, *fileSystem_, faults_, *storage_)) {}

Recorder::~Recorder() = default;

std::unique_ptr<Recorder> Recorder::openImage(const std::filesystem::path& image,
                                              std::string& error, RecorderOptions forNew,
                                              bool* inUse) {
    auto file = ImageFile::lock(image, error, inUse);
    if (!file) return nullptr;
    RecorderOptions options = normalised(forNew);
    std::unique_ptr<FlashFileSystem> fileSystem;
    if (file->exists()) {
        if (!file->load(options, fileSystem, error)) return nullptr;
        options = normalised(options);
    } else {
        if (!validVersion(options.firmwareVersion)) {
            error = "firmware version \"" + options.firmwareVersion + "\" is not of the form 1.5";
            return nullptr;
        }
        fileSystem = freshFileSystem(options);
        if (!file->save(options, *fileSystem, error)) return nullptr;
    }
    return std::unique_ptr<Recorder>(
        new Recorder(std::move(options), std::move(fileSystem), std::move(file)));
}

bool Recorder::createImage(const std::filesystem::path& image, const RecorderOptions& options,
                           std::string& error) {
    auto file = ImageFile::lock(image, error);
    if (!file) return false;
    if (file->exists()) {
        error = "recorder image " + image.string() + " exists already";
        return false;
    }
    if (!validVersion(options.firmwareVersion)) {
        error = "firmware version \"" + options.firmwareVersion + "\" is not of the form 1.5";
        return false;
    }
    auto fixed = normalised(options);
    return file->save(fixed, *freshFileSystem(fixed), error);
}

FlashFileSystem& Recorder::fileSystem() {
    return *fileSystem_;
}

bool Recorder::save(std::string& error) {
    std::lock_guard lock(mutex_);
    return !image_ || image_->save(options_, *fileSystem_, error);
}

std::vector<std::string> Recorder::protocolErrors() const {
    std::lock_guard lock(mutex_);
    return engine_->errors();
}

void Recorder::clearProtocolErrors() {
    std::lock_guard lock(mutex_);
    engine_->clearErrors();
}

void Recorder::unplugLocked() {
    connected_ = false;
    ++plugGeneration_;
    engine_->reset();
    unplugged_.notify_all();
}

void Recorder::unplug() {
    std::lock_guard lock(mutex_);
    unplugLocked();
}

void Recorder::plugIn() {
    std::lock_guard lock(mutex_);
    if (connected_) return;
    connected_ = true;
    engine_->reset();
}

bool Recorder::connected() const {
    std::lock_guard lock(mutex_);
    return connected_;
}

std::chrono::nanoseconds Recorder::modelledBusTime() const {
    std::lock_guard lock(mutex_);
    return busTime_;
}

bool Recorder::occupyBus(std::unique_lock<std::mutex>& lock, std::uint64_t packets) {
    auto cost = packets == 0 ? kFrame
                             : kFrame * static_cast<std::int64_t>(packets) /
                                   static_cast<std::int64_t>(kPacketsPerFrame);
    busTime_ += cost;
    auto extra = faults_.slowBus();
    if (!options_.fullSpeedTiming && extra.count() == 0) return connected_;
    // Scheduled on an absolute clock, so that waking late from one transfer
    // is made up on the next and the total stays true to the bus; only a
    // bus left idle for longer than a frame starts a fresh schedule.
    auto now = std::chrono::steady_clock::now();
    auto start = now - busFreeAt_ > kFrame ? now : busFreeAt_;
    busFreeAt_ = start + (options_.fullSpeedTiming ? cost : std::chrono::nanoseconds(0)) + extra;
    auto generation = plugGeneration_;
    unplugged_.wait_until(lock, busFreeAt_, [&] { return plugGeneration_ != generation; });
    return connected_ && plugGeneration_ == generation;
}

usb::UsbResult Recorder::bulkOut(std::span<const std::uint8_t> data) {
    std::unique_lock lock(mutex_);
    if (!connected_) return {usb::UsbStatus::Disconnected, 0};
    auto budget = faults_.byteBudget();
    bool cut = budget && data.size() > *budget;
    auto taken = cut ? data.first(static_cast<std::size_t>(*budget)) : data;
    auto signal = taken.empty() ? ProtocolEngine::Signal::Ok : engine_->bulkOut(taken);
    faults_.charge(taken.size());
    if (cut) faults_.byteLimitReached();
    if (cut || signal == ProtocolEngine::Signal::Unplug) {
        unplugLocked();
        return {usb::UsbStatus::Disconnected, taken.size()};
    }
    if (!occupyBus(lock, packetsFor(data.size()))) return {usb::UsbStatus::Disconnected, 0};
    if (signal == ProtocolEngine::Signal::Stall) return {usb::UsbStatus::Stall, 0};
    return {usb::UsbStatus::Ok, data.size()};
}

usb::UsbResult Recorder::bulkIn(std::span<std::uint8_t> buffer) {
    std::unique_lock lock(mutex_);
    if (!connected_) return {usb::UsbStatus::Disconnected, 0};
    auto budget = faults_.byteBudget();
    auto allowed = budget && buffer.size() > *budget
                       ? buffer.first(static_cast<std::size_t>(*budget))
                       : buffer;
    std::size_t copied = 0;
    auto signal = engine_->bulkIn(allowed, copied);
    faults_.charge(copied);
    bool cut =
        allowed.size() < buffer.size() && copied == allowed.size() && engine_->replyPending();
    if (cut) faults_.byteLimitReached();
    if (cut || signal == ProtocolEngine::Signal::Unplug) {
        unplugLocked();
        return {usb::UsbStatus::Disconnected,
                signal == ProtocolEngine::Signal::Unplug ? 0 : copied};
    }
    if (!occupyBus(lock, packetsFor(copied))) return {usb::UsbStatus::Disconnected, 0};
    return {usb::UsbStatus::Ok, copied};
}

usb::UsbStatus Recorder::vendorRequest(std::uint8_t request, std::uint16_t value,
                                       std::uint16_t index) {
    std::unique_lock lock(mutex_);
    if (!connected_) return usb::UsbStatus::Disconnected;
    auto signal = engine_->vendorRequest(request, value, index);
    if (!occupyBus(lock, 0)) return usb::UsbStatus::Disconnected;
    return signal == ProtocolEngine::Signal::Stall ? usb::UsbStatus::Stall : usb::UsbStatus::Ok;
}

usb::UsbStatus Recorder::resetPipe(std::uint8_t endpoint) {
    std::unique_lock lock(mutex_);
    if (!connected_) return usb::UsbStatus::Disconnected;
    if (endpoint != usb::kEndpointIn && endpoint != usb::kEndpointOut) return usb::UsbStatus::Stall;
    return occupyBus(lock, 0) ? usb::UsbStatus::Ok : usb::UsbStatus::Disconnected;
}

usb::UsbStatus Recorder::resetPort() {
    std::unique_lock lock(mutex_);
    if (!connected_) return usb::UsbStatus::Disconnected;
    engine_->reset();
    return occupyBus(lock, 0) ? usb::UsbStatus::Ok : usb::UsbStatus::Disconnected;
}

}  // namespace vox::model
