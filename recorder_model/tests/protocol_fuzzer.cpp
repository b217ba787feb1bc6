// Drives a recorder with arbitrary sequences of vendor requests, writes and
// reads; whatever the host does, the recorder must neither crash nor lose
// its footing.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "recorder_model/recorder.h"

using vox::model::Recorder;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const struct {
        std::uint8_t request;
        std::uint16_t value, index;
    } requests[] = {
        {0x0A, 0x0040, 0}, {0x0A, 0, 0xFFFF}, {0x0C, 0, 0}, {0x0B, 0, 0}, {0x0D, 0x0400, 0}};
    Recorder recorder({.capacityBytes = 1 << 20, .sampleContent = true});
    std::vector<std::uint8_t> buffer(32768);
    std::size_t at = 0;
    auto next = [&]() -> std::uint8_t { return at < size ? data[at++] : 0; };
    while (at < size) {
        switch (next() % 5) {
            case 0: {
                auto& r = requests[next() % 5];
                recorder.vendorRequest(r.request, r.value, r.index);
                break;
            }
            case 1: {  // a command block from the input
                std::size_t length = std::min<std::size_t>(next() + 1u, size - at);
                recorder.bulkOut({data + at, length});
                at += length;
                break;
            }
            case 2:  // a data block
                recorder.bulkOut(std::span(buffer).first(4096));
                break;
            case 3:
                recorder.bulkIn(std::span(buffer).first((next() % 64 + 1) * 64u));
                break;
            default:
                if (next() % 2)
                    recorder.unplug();
                else
                    recorder.plugIn();
                break;
        }
    }
    return 0;
}
