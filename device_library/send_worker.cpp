// The sending worker: CREATE with the file's names, date and size, then the
// file in 32,768-byte blocks, the last one zero padded (a file that fills
// its last block exactly is followed by a block of zeros).

#include <algorithm>
#include <array>
#include <chrono>
#include <limits>
#include <thread>
#include <vector>

#include "device_library/exchange.h"
#include "device_library/pc_file.h"
#include "device_library/reply_checks.h"
#include "device_library/short_names.h"
#include "device_library/transfers.h"
#include "platform/text/time_text.h"
#include "usb_driver/vxr250_public.h"

namespace vox::devsys {
namespace {

std::string_view lastComponent(std::string_view path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

}  // namespace

void runSendWorker(DeviceLink& link, const TransferJob& job) {
    const Notifier& notify = job.notifier;
    auto file = PcFile::openForReading(job.name);
    if (!file) {
        notify.send(TRANSFER_FINISHED, TRANSFER_FILE_FAILED);
        return;
    }
    const std::uint64_t fileSize = file->size();
    if (fileSize > std::numeric_limits<std::uint32_t>::max()) {  // CREATE carries 32 bits
        notify.send(TRANSFER_FINISHED, TRANSFER_DEVICE_FAILED);
        return;
    }
    const text::LocalTime created = text::localTimeOf(file->creationTime());
    const std::string_view fileName = lastComponent(job.name);
    CreateFields fields;
    fields.store = job.store;
    fields.fatDate = text::fatDate(created);
    fields.fatTime = text::fatTime(created);
    fields.size = static_cast<std::uint32_t>(fileSize);
    fields.shortName = createShortName(fileName, link.versionByte(), link.names());
    fields.longName = createLongName(fileName);
    const auto command = createCommand(fields);
    if (!command) {
        notify.send(TRANSFER_FINISHED, TRANSFER_DEVICE_FAILED);
        return;
    }

    Exchange exchange(link);
    std::array<std::uint8_t, kReplyBlockSize> reply{};
    exchange.request(*command, reply);
    if (!isReplyBlock(reply) || replyOutcome(reply) != 0) {
        file->close();
        exchange.close();
        notify.send(TRANSFER_FINISHED, TRANSFER_DEVICE_FAILED);
        return;
    }
    exchange.control(vxr250::IOCTL_END_COMMAND);
    exchange.control(vxr250::IOCTL_BEGIN_DATA);
    const std::uint32_t total = fields.size;
    notify.sendPointer(TRANSFER_STARTED, &total);

    std::vector<std::uint8_t> block(kDataBlockSize);
    std::uint32_t moved = 0;
    std::uint64_t left = fileSize;
    for (;;) {
        std::fill(block.begin(), block.end(), 0);
        const std::size_t wanted =
            static_cast<std::size_t>(std::min<std::uint64_t>(left, kDataBlockSize));
        const bool readOk = file->readExactly(std::span(block).first(wanted));
        left -= wanted;
        const bool wrote = readOk && exchange.writeData(block);
        moved += static_cast<std::uint32_t>(wanted);
        // Once the last block is out the whole file is on the recorder: a
        // cancel that comes now is too late, and the file is reported sent.
        const bool whole = wrote && wanted != kDataBlockSize;
        if (!wrote || (job.cancel.raised() && !whole)) {
            link.requestResync();
            std::this_thread::sleep_for(kEarlyEndPause);
            file->close();
            exchange.close();
            const int outcome = !readOk ? TRANSFER_FILE_FAILED
                                : wrote ? TRANSFER_CANCELLED
                                        : TRANSFER_DEVICE_FAILED;
            notify.post(TRANSFER_FINISHED, outcome);
            return;
        }
        notify.sendPointer(TRANSFER_PROGRESS, &moved);
        if (wanted != kDataBlockSize) break;
    }
    exchange.control(vxr250::IOCTL_END_COMMAND);
    file->close();
    exchange.close();
    notify.send(TRANSFER_FINISHED, TRANSFER_DONE);
}

}  // namespace vox::devsys
