#pragma once
// A stand-in for libusb-1.0, for tests only (never shipped or installed). It
// implements the libusb functions the libusb bus and `voxctl doctor` call,
// with one recorder model behind them as the device 0DAB:3000 on bus 1, and
// misbehaves on request the ways real USB does.
//
// Linked into a test program ahead of libusb, or loaded ahead of it with
// LD_PRELOAD into the real programs, where the environment drives it:
//   LIBUSB_STANDIN_IMAGE         the recorder's image (created with sample
//                                content when absent); its cable file
//                                (`voxctl sim unplug|plug IMAGE`) plugs and
//                                pulls it, reported through hot-plug
//   LIBUSB_STANDIN_MODEL_FAULTS  the model's own faults (e.g. "short-stages=64")
//   LIBUSB_STANDIN_FAULTS        faults of the USB layer, see parseStandinFaults
//   LIBUSB_STANDIN_LOG           a file that gets a line for each bulk
//                                submission, halt clear, reset and cancel

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#define STANDIN_EXPORT __attribute__((visibility("default")))

namespace vox::model {
class Recorder;
}

namespace vox::usb::standin {

// The recorder arrives (hot-plug "arrived" to every registered callback).
STANDIN_EXPORT void plugIn(std::shared_ptr<model::Recorder> recorder);
// The recorder goes: the model unplugs, transfers fail with "no device"
// and hot-plug reports "left".
STANDIN_EXPORT void unplug();
// Returns once a change of the model's own connection (its faults, its
// plugIn()) and every hot-plug event so far reached the callbacks; a
// context's events must be handled meanwhile (the libusb bus does).
STANDIN_EXPORT void settle();
// Replaces the USB-layer faults; false (nothing changed) when `text` does not parse.
STANDIN_EXPORT bool setFaults(std::string_view text, std::string& error);
// The log lines so far, and forgets them.
STANDIN_EXPORT std::vector<std::string> takeLog();

}  // namespace vox::usb::standin
