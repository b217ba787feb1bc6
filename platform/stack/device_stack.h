#pragma once
// The device stack a process reaches the recorder through, and its
// installation as the device I/O layer's default provider.
//
// With VXR250_SIMULATOR naming an image file, the bus is a simulated one with
// a recorder model on that image (created with sample content when the file
// does not exist); VXR250_SIMULATOR_FAULTS, when set as well, is handed to
// the model's fault injection (e.g. "unplug-after-bytes=100000"). Otherwise
// the bus is the libusb one, which finds a real recorder or none. Either
// way the VXR250 driver is loaded on the kernel layer above the bus, devices
// are found and opened as interfaces of the recorder's class, and arrivals
// and removals on the bus reach the device-change subscribers. The driver's
// debug lines go to standard error when VXR250_DEBUG is set, else nowhere.

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "platform/devio/devio.h"

namespace vox::stack {

// Why a simulated recorder could not be set up.
enum class StackFault {
    ImageInUse,     // another program holds the image (the message names it where it can)
    ImageUnusable,  // damaged, or not an image file (a folder, a device, a dangling link)
    BadSetting,     // VXR250_SIMULATOR_FAULTS does not parse
};

struct StackProblem {
    StackFault fault;
    std::string message;  // one line, starting with the setting it concerns
};

// Where problems go; an empty one prints them on standard error.
using ProblemReport = std::function<void(const StackProblem&)>;

// Builds the stack the environment selects. Never null: a stack that cannot
// be built (an image in use or damaged, a malformed fault setting, no
// driver) finds no device, and says why through `report`.
std::shared_ptr<devio::Provider> makeDeviceStack(const ProblemReport& report = {});

// Makes makeDeviceStack the default provider: the stack is built on the
// first device access, so a process that never touches the recorder never
// opens the image or the USB bus. Front ends call this once at start.
void installDeviceStack(ProblemReport report = {});
// The same, unless the process has chosen its default already: the device
// access library calls this on its first use, so that any program loading it
// reaches the recorder without knowing of the stack.
void offerDeviceStack();

// Why a recorder that is plugged in cannot be used (no permission, another
// program or a kernel driver holding it), with what to do; empty when none
// is plugged in, when it can be used, or when the simulator is in use.
// Opens the recorder for a moment: call it while the stack found none.
std::string unusableRecorderReason();

// Which plugging-in of the recorder is there now, seen without opening it
// or its image: none when no recorder is plugged in; a value that changes
// when the recorder is pulled and plugged in again, however quickly. For a
// process that waits for the recorder without holding it.
std::optional<std::uint64_t> recorderPlugging();

// The user asked to stop: a transfer to a real recorder that is still
// waiting a moment later is cancelled, so that an operation on a recorder
// that stopped answering ends at once. Safe in a signal handler.
void abandonStuckTransfers() noexcept;

}  // namespace vox::stack
