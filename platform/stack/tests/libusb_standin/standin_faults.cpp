#include "platform/stack/tests/libusb_standin/standin_faults.h"

#include <charconv>
#include <map>

namespace vox::usb::standin {
namespace {

const std::map<std::string_view, StageFault> kStageFaults{{"gone", StageFault::Gone},
                                                          {"stall", StageFault::Stall},
                                                          {"stall-sticks", StageFault::StallSticks},
                                                          {"timeout", StageFault::Timeout},
                                                          {"stuck", StageFault::Stuck},
                                                          {"overflow", StageFault::Overflow},
                                                          {"zero", StageFault::ZeroLength}};

bool parseTrigger(std::string_view value, StageTrigger& trigger) {
    const auto colon = value.find(':');
    if (colon == std::string_view::npos) return false;
    const std::string_view bytes = value.substr(0, colon);
    const auto [end, failure] =
        std::from_chars(bytes.data(), bytes.data() + bytes.size(), trigger.afterBytes);
    if (failure != std::errc{} || end != bytes.data() + bytes.size()) return false;
    const auto kind = kStageFaults.find(value.substr(colon + 1));
    if (kind == kStageFaults.end()) return false;
    trigger.fault = kind->second;
    return true;
}

}  // namespace

bool parseStandinFaults(std::string_view text, StandinFaults& faults, std::string& error) {
    StandinFaults parsed;
    while (!text.empty()) {
        const auto comma = text.find(',');
        const std::string_view item = text.substr(0, comma);
        text = comma == std::string_view::npos ? std::string_view{} : text.substr(comma + 1);
        if (item.empty()) continue;
        const auto equals = item.find('=');
        const std::string_view name = item.substr(0, equals);
        const std::string_view value =
            equals == std::string_view::npos ? std::string_view{} : item.substr(equals + 1);
        StageTrigger trigger;
        if (item == "open-access") {
            parsed.openDenied = true;
        } else if (item == "claim-busy") {
            parsed.claimBusy = true;
        } else if (item == "kernel-driver") {
            parsed.kernelDriver = true;
        } else if ((name == "in-after" || name == "out-after") && parseTrigger(value, trigger)) {
            (name == "in-after" ? parsed.in : parsed.out) = trigger;
        } else {
            error = "unknown USB fault \"" + std::string(item) + "\"";
            return false;
        }
    }
    faults = parsed;
    return true;
}

}  // namespace vox::usb::standin
