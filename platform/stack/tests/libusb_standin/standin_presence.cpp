// The stand-in's recorder coming and going: the image the environment names,
// its cable file, and a model that unplugs or plugs itself in.

#include <cstdio>
#include <cstdlib>

#include "platform/stack/simulator_cable.h"
#include "platform/stack/tests/libusb_standin/standin_hub.h"

namespace vox::usb::standin {
void Hub::openImageFromEnvironment() {
    const char* image = environmentValue("LIBUSB_STANDIN_IMAGE");
    std::string error;
    StandinFaults faults;
    if (const char* text = environmentValue("LIBUSB_STANDIN_FAULTS");
        text != nullptr && !parseStandinFaults(text, faults, error)) {
        std::fprintf(stderr, "LIBUSB_STANDIN_FAULTS: %s\n", error.c_str());
        std::abort();  // a test run on other faults than asked for is no test
    }
    setFaults(faults);
    if (image == nullptr) return;
    model::RecorderOptions forNew;
    forNew.sampleContent = true;
    std::shared_ptr<model::Recorder> recorder = model::Recorder::openImage(image, error, forNew);
    if (!recorder) {
        std::fprintf(stderr, "LIBUSB_STANDIN_IMAGE: %s\n", error.c_str());
        return;
    }
    if (const char* text = environmentValue("LIBUSB_STANDIN_MODEL_FAULTS");
        text != nullptr && !recorder->faults().parse(text, error)) {
        std::fprintf(stderr, "LIBUSB_STANDIN_MODEL_FAULTS: %s\n", error.c_str());
        std::abort();
    }
    const bool plugged = stack::readCableState(image) == stack::CableState::Plugged;
    std::lock_guard lock(mutex);
    image_ = image;
    cablePlugged_ = plugged;
    nextLook_ = Clock::now() + kLookInterval;
    if (!plugged) recorder->unplug();
    standbyRecorder_ = std::move(recorder);
    if (plugged) attachLocked(false);  // found by enumeration, not announced
}

void Hub::settle() {
    std::unique_lock lock(mutex);
    followRecorderLocked();
    changed.notify_all();
    changed.wait(lock, [this] { return hotplugEvents_.empty() && delivering_ == 0; });
}

void Hub::followRecorderLocked() {
    if (device_ != nullptr && !device_->recorder->connected()) {
        unplugLocked();
        return;
    }
    if (device_ != nullptr || !standbyRecorder_ || !standbyRecorder_->connected()) return;
    if (!image_.empty() && !cablePlugged_) return;
    attachLocked(true);
}

void Hub::followCable() {
    std::shared_ptr<model::Recorder> recorder;
    std::filesystem::path image;
    {
        std::lock_guard lock(mutex);
        nextLook_ = Clock::now() + kLookInterval;
        image = image_;
        recorder = standbyRecorder_;
    }
    if (image.empty() || !recorder) return;
    const bool plugged = stack::readCableState(image) == stack::CableState::Plugged;
    std::unique_lock lock(mutex);
    if (plugged == cablePlugged_) return;
    cablePlugged_ = plugged;
    lock.unlock();
    if (plugged)
        plugIn(recorder);
    else
        unplug();
}

}  // namespace vox::usb::standin
