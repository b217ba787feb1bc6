// doctor: whether a real recorder can be used from here, step by step, with
// the fix for each problem found. Exit status 0 only when it can.

#include <CLI/CLI.hpp>
#include <cstdio>
#include <iostream>
#include <memory>
#include <optional>
#include <sstream>

#include "engine/rules/size_text.h"
#include "platform/usb/recorder_access.h"
#include "tools/voxctl/command_error.h"
#include "tools/voxctl/commands.h"
#include "tools/voxctl/listing_output.h"
#include "tools/voxctl/recorder_session.h"

namespace vox::voxctl {

namespace {

using usb::RecorderAccess;
using usb::RecorderFound;

struct DoctorOptions {
    bool json = false;
    std::string root = "/";
};

// What the recorder says about itself once opened.
struct RecorderDetails {
    std::string firmware;
    std::uint64_t capacityBytes = 0;
    std::uint64_t freeBytes = 0;
};

std::optional<RecorderDetails> askRecorder(std::string& failure) {
    try {
        RecorderSession session;
        const rules::RecorderListing top = session.listTop();
        char version[8];
        std::snprintf(version, sizeof version, "%X.%X", session.versionByte() >> 4,
                      session.versionByte() & 0x0F);
        return RecorderDetails{version, top.totalBytes, top.freeBytes};
    } catch (const CommandError& error) {
        failure = error.what();
        return std::nullopt;
    }
}

const char* accessName(RecorderAccess access) {
    switch (access) {
        case RecorderAccess::Usable:
            return "usable";
        case RecorderAccess::NoPermission:
            return "no-permission";
        case RecorderAccess::Busy:
            return "busy";
        case RecorderAccess::Failed:
            break;
    }
    return "failed";
}

std::string idText(std::uint16_t id) {
    char text[8];
    std::snprintf(text, sizeof text, "%04x", id);
    return text;
}

void printSteps(const usb::RecorderSurvey& survey, const std::optional<RecorderDetails>& details,
                const std::string& failure) {
    std::cout << "libusb       " << survey.libusbVersion
              << (survey.usbAvailable ? "" : " (cannot start: no USB access)") << '\n';
    if (survey.recorders.empty())
        std::cout << "recorder     none plugged in\n"
                  << "             fix: plug the recorder in (and switch it on); try another "
                     "cable or port\n";
    for (const RecorderFound& recorder : survey.recorders) {
        std::cout << "recorder     " << idText(recorder.vendorId) << ':'
                  << idText(recorder.productId) << " on bus " << recorder.bus << ", address "
                  << recorder.address << " (" << recorder.node << ")\n";
        std::cout << "device node  "
                  << (recorder.nodeMode.empty() ? std::string("not found") : recorder.nodeMode)
                  << "; udev rule " << (recorder.ruleInstalled ? "installed" : "not installed")
                  << ", " << (recorder.uaccessTagged ? "applied" : "not applied")
                  << " to this device\n";
        std::cout << "access       " << accessName(recorder.access);
        for (const usb::InterfaceHolder& holder : recorder.holders)
            std::cout << "; held by " << holder.name << " (process " << holder.pid << ')';
        if (!recorder.kernelDriver.empty())
            std::cout << "; kernel driver " << recorder.kernelDriver << " bound";
        std::cout << '\n';
        if (recorder.access != RecorderAccess::Usable)
            std::cout << "             fix: " << usb::unusableReason(recorder) << '\n';
    }
    if (details)
        std::cout << "firmware     " << details->firmware << '\n'
                  << "capacity     " << rules::sizeText(details->capacityBytes) << '\n'
                  << "free         " << rules::sizeText(details->freeBytes) << '\n';
    else if (!failure.empty())
        std::cout << "recorder     does not answer: " << failure << '\n'
                  << "             fix: unplug the recorder and plug it in again\n";
    std::cout << (details ? "verdict      the recorder can be used\n"
                          : "verdict      the recorder cannot be used\n");
}

void printJson(const usb::RecorderSurvey& survey, const std::optional<RecorderDetails>& details,
               const std::string& failure) {
    std::ostringstream out;
    out << "{\"libusb\":" << jsonString(survey.libusbVersion)
        << ",\"usbAvailable\":" << (survey.usbAvailable ? "true" : "false") << ",\"recorders\":[";
    for (std::size_t i = 0; i < survey.recorders.size(); ++i) {
        const RecorderFound& r = survey.recorders[i];
        out << (i ? "," : "") << "{\"vendorId\":" << jsonString(idText(r.vendorId))
            << ",\"productId\":" << jsonString(idText(r.productId)) << ",\"bus\":" << r.bus
            << ",\"address\":" << r.address << ",\"node\":" << jsonString(r.node)
            << ",\"nodeMode\":" << jsonString(r.nodeMode)
            << ",\"ruleInstalled\":" << (r.ruleInstalled ? "true" : "false")
            << ",\"uaccessApplied\":" << (r.uaccessTagged ? "true" : "false")
            << ",\"access\":" << jsonString(accessName(r.access)) << ",\"holders\":[";
        for (std::size_t h = 0; h < r.holders.size(); ++h)
            out << (h ? "," : "") << "{\"pid\":" << r.holders[h].pid
                << ",\"name\":" << jsonString(r.holders[h].name) << '}';
        out << "],\"kernelDriver\":" << jsonString(r.kernelDriver)
            << ",\"fix\":" << jsonString(usb::unusableReason(r)) << '}';
    }
    out << "],\"usable\":" << (details ? "true" : "false");
    if (details)
        out << ",\"firmware\":" << jsonString(details->firmware)
            << ",\"capacityBytes\":" << details->capacityBytes
            << ",\"freeBytes\":" << details->freeBytes;
    if (!details && !failure.empty()) out << ",\"failure\":" << jsonString(failure);
    out << "}\n";
    std::cout << out.str();
}

ExitStatus verdictStatus(const usb::RecorderSurvey& survey, bool answered) {
    if (answered) return kExitOk;
    for (const RecorderFound& recorder : survey.recorders)
        if (recorder.access == RecorderAccess::Busy) return kExitBusy;
    for (const RecorderFound& recorder : survey.recorders)
        if (recorder.access == RecorderAccess::Usable) return kExitUsbFailed;
    return kExitNoRecorder;
}

void runDoctor(const DoctorOptions& options) {
    // The survey opens and lets go of each recorder before the session below
    // opens the usable one.
    const usb::RecorderSurvey survey = usb::surveyRecorders(options.root);
    std::optional<RecorderDetails> details;
    std::string failure;
    bool usable = false;
    for (const RecorderFound& recorder : survey.recorders)
        usable = usable || recorder.access == RecorderAccess::Usable;
    if (usable) details = askRecorder(failure);
    if (options.json)
        printJson(survey, details, failure);
    else
        printSteps(survey, details, failure);
    std::cout.flush();
    if (const ExitStatus status = verdictStatus(survey, details.has_value()); status != kExitOk)
        throw CommandError(status, "the recorder cannot be used");
}

}  // namespace

void addDoctorCommand(CLI::App& app) {
    auto options = std::make_shared<DoctorOptions>();
    CLI::App* command = app.add_subcommand(
        "doctor", "Check whether a real recorder can be used, and say how to fix what stops it");
    command->add_flag("--json", options->json, "Print one JSON document instead of the steps");
    command
        ->add_option("--root", options->root,
                     "Root folder of the system whose /proc, /sys, /dev and udev are read")
        ->capture_default_str();
    command->callback([options] { runDoctor(*options); });
}

}  // namespace vox::voxctl
