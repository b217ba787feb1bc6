// A process that holds a simulated recorder's image through the device
// stack, as the program does, for the tests that plug and unplug it from
// another process. It reports on standard output, at start and after every
// device-change notice, one line:
//   present=N held=ok|fails|none fresh=ok|fails
// N: recorder interfaces found; held: whether the pipe opened on the first
// recorder it saw still answers; fresh: whether a pipe opened now on the
// first interface answers. It ends when its standard input closes.

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <cstdio>
#include <memory>

#include "platform/devio/device_notifications.h"
#include "platform/devio/devio.h"
#include "platform/stack/device_stack.h"
#include "usb_driver/vxr250_public.h"

namespace {

using vox::devio::DeviceFile;

const vox::devio::InterfaceClass kRecorderClass(vox::vxr250::kRecorderInterfaceClass);

bool answers(DeviceFile& file) {
    std::uint8_t block[64] = {};
    std::uint32_t returned = 0;
    return file.control(vox::vxr250::IOCTL_NOP, block, sizeof block, block, sizeof block, returned);
}

std::unique_ptr<DeviceFile> openFirst(std::size_t& present) {
    auto& provider = vox::devio::provider();
    const auto paths = provider.presentInterfaces(kRecorderClass);
    present = paths.size();
    std::uint32_t error = 0;
    return paths.empty() ? nullptr : provider.open(paths.front() + "\\PIPE00", error);
}

void report(std::unique_ptr<DeviceFile>& held) {
    std::size_t present = 0;
    std::unique_ptr<DeviceFile> fresh = openFirst(present);
    const bool freshAnswers = fresh != nullptr && answers(*fresh);
    const char* heldState = held == nullptr ? "none" : answers(*held) ? "ok" : "fails";
    if (held == nullptr && freshAnswers) held = std::move(fresh);
    std::printf("present=%zu held=%s fresh=%s\n", present, heldState,
                freshAnswers ? "ok" : "fails");
    std::fflush(stdout);
}

}  // namespace

int main() {
    vox::stack::installDeviceStack();
    int wake[2];
    if (::pipe2(wake, O_CLOEXEC | O_NONBLOCK) != 0) return 1;
    // Notices come on the bus's thread, which must not be held up by a
    // search; the main thread does the looking.
    const int subscription = vox::devio::subscribeDeviceChanges([&](unsigned) {
        const char byte = 1;
        (void)!::write(wake[1], &byte, 1);
    });

    std::unique_ptr<DeviceFile> held;
    report(held);
    pollfd watched[2] = {{0, POLLIN, 0}, {wake[0], POLLIN, 0}};
    for (;;) {
        if (::poll(watched, 2, -1) < 0) continue;
        if (watched[0].revents != 0) {
            char discard[64];
            if (::read(0, discard, sizeof discard) <= 0) break;
        }
        if (watched[1].revents != 0) {
            char drained[64];
            while (::read(wake[0], drained, sizeof drained) > 0) {
            }
            report(held);
        }
    }
    // The stack goes first (its removal notices still find the pipe open).
    held.reset();
    vox::devio::installProvider(nullptr);
    vox::devio::unsubscribeDeviceChanges(subscription);
    ::close(wake[0]);
    ::close(wake[1]);
    return 0;
}
