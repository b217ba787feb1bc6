#pragma once
// The USB-layer faults the libusb stand-in can show, from a comma-separated
// text such as "open-access", "claim-busy", "kernel-driver" or
// "in-after=4096:stall,out-after=0:stuck".
//
//   open-access      opening the device fails with LIBUSB_ERROR_ACCESS
//   claim-busy       claiming interface 0 fails with LIBUSB_ERROR_BUSY
//   kernel-driver    a kernel driver is bound to interface 0: claiming fails
//                    with LIBUSB_ERROR_BUSY unless automatic detach is on
//   in-after=N:KIND  the first bulk IN transfer that starts once N bytes came
//   out-after=N:KIND in (went out) ends as KIND, once:
//     gone       the recorder is unplugged (LIBUSB_TRANSFER_NO_DEVICE)
//     stall      the endpoint halts (LIBUSB_TRANSFER_STALL) until cleared
//     stall-sticks  the same, and clearing fails until the device is reset
//     timeout    LIBUSB_TRANSFER_TIMED_OUT at once, nothing moved
//     stuck      never answers: ends at the transfer's own time limit or
//                when cancelled
//     overflow   the data comes, but the transfer says LIBUSB_TRANSFER_OVERFLOW
//     zero       a zero-length packet: completes with 0 bytes (the recorder
//                sends those; an OUT transfer is never cut short that way)

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace vox::usb::standin {

enum class StageFault { Gone, Stall, StallSticks, Timeout, Stuck, Overflow, ZeroLength };

struct StageTrigger {
    std::uint64_t afterBytes = 0;
    StageFault fault = StageFault::Stall;
};

struct StandinFaults {
    bool openDenied = false;
    bool claimBusy = false;
    bool kernelDriver = false;
    std::optional<StageTrigger> in;
    std::optional<StageTrigger> out;
};

// False, with `error` saying why, when the text does not parse.
bool parseStandinFaults(std::string_view text, StandinFaults& faults, std::string& error);

}  // namespace vox::usb::standin
