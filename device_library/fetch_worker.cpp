// The fetching worker: READ, then the file in 32,768-byte blocks (at least
// one, also for an empty file). The data goes to a new file of the worker's
// own beside the target, which replaces the target only once the whole file
// has arrived, so a failed or cancelled fetch leaves the PC file as it was
// and never touches a file it did not make.

#include <array>
#include <chrono>
#include <cstdio>
#include <thread>
#include <vector>

#include "device_library/exchange.h"
#include "device_library/pc_file.h"
#include "device_library/reply_checks.h"
#include "device_library/transfers.h"
#include "usb_driver/vxr250_public.h"

namespace vox::devsys {

void runFetchWorker(DeviceLink& link, const TransferJob& job) {
    const Notifier& notify = job.notifier;
    const std::string& target = job.secondName;
    std::string temporary;
    auto file = PcFile::createBeside(target, temporary);
    if (!file) {
        notify.send(TRANSFER_FINISHED, TRANSFER_FILE_FAILED);
        return;
    }
    auto abandon = [&](int outcome, bool posted) {
        file->close();
        std::remove(temporary.c_str());
        if (posted) {
            notify.post(TRANSFER_FINISHED, outcome);
        } else {
            notify.send(TRANSFER_FINISHED, outcome);
        }
    };

    const auto command = readCommand(job.store, job.name);
    if (!command) {
        abandon(TRANSFER_DEVICE_FAILED, false);
        return;
    }
    Exchange exchange(link);
    std::array<std::uint8_t, kReplyBlockSize> reply{};
    exchange.request(*command, reply);
    const auto announced = readReplySize(reply, job.store, job.name.size());
    if (!announced) {
        exchange.close();
        abandon(TRANSFER_DEVICE_FAILED, false);
        return;
    }
    const std::uint32_t size = *announced;
    notify.sendPointer(TRANSFER_STARTED, &size);

    std::vector<std::uint8_t> block(kDataBlockSize);
    auto earlyEnd = [&](int outcome) {
        link.requestResync();
        std::this_thread::sleep_for(kEarlyEndPause);
        exchange.close();
        abandon(outcome, true);
    };
    std::uint64_t got = kDataBlockSize;
    while (got < size) {
        const bool readOk = exchange.readData(block);
        const bool stored = readOk && file->write(block);
        if (!stored || job.cancel.raised()) {
            earlyEnd(!readOk   ? TRANSFER_DEVICE_FAILED
                     : !stored ? TRANSFER_FILE_FAILED
                               : TRANSFER_CANCELLED);
            return;
        }
        const auto progress = static_cast<std::uint32_t>(got);
        notify.sendPointer(TRANSFER_PROGRESS, &progress);
        got += kDataBlockSize;
    }
    // The last block; the cancel flag is not looked at while it arrives.
    if (!exchange.readData(block)) {
        earlyEnd(TRANSFER_DEVICE_FAILED);
        return;
    }
    const std::size_t remainder = static_cast<std::size_t>(size + kDataBlockSize - got);
    if (!file->write(std::span(block).first(remainder)) || !file->close()) {
        earlyEnd(TRANSFER_FILE_FAILED);
        return;
    }
    notify.sendPointer(TRANSFER_PROGRESS, &size);
    exchange.control(vxr250::IOCTL_END_COMMAND);
    exchange.close();
    if (job.cancel.raised()) {
        std::remove(temporary.c_str());
        notify.post(TRANSFER_FINISHED, TRANSFER_CANCELLED);
        return;
    }
    if (std::rename(temporary.c_str(), target.c_str()) != 0) {
        std::remove(temporary.c_str());
        notify.post(TRANSFER_FINISHED, TRANSFER_FILE_FAILED);
        return;
    }
    notify.post(TRANSFER_FINISHED, TRANSFER_DONE);
}

}  // namespace vox::devsys
