// order and sort: a folder's whole play order in one command, reached with
// the fewest MOVE commands the recorder needs.

#include <CLI/CLI.hpp>
#include <iostream>
#include <memory>

#include "device_library/firmware.h"
#include "engine/import/play_order.h"
#include "engine/rules/rule_texts.h"
#include "tools/voxctl/command_error.h"
#include "tools/voxctl/commands.h"
#include "tools/voxctl/listing_output.h"
#include "tools/voxctl/recorder_session.h"
#include "tools/voxctl/transfer_runner.h"

namespace vox::voxctl {

namespace {

struct OrderOptions {
    std::string folder;
    std::vector<std::string> names;
    std::string key = "name";
    bool reverse = false;
    bool json = false;
};

using OrderFor = std::function<std::vector<std::size_t>(const rules::RecorderListing&)>;

std::string firmwareText(int versionByte) {
    return std::to_string(versionByte >> 4) + "." + std::to_string(versionByte & 0x0F);
}

void reorder(const OrderOptions& options, const OrderFor& wantedOrder) {
    const rules::RecorderFolder folder = parseFolder(options.folder);
    RecorderSession session;
    const rules::RecorderListing listing = session.listFolder(folder);
    if (!devsys::canReorder(static_cast<std::uint8_t>(session.versionByte())))
        throw CommandError(kExitRefused, "the recorder's firmware " +
                                             firmwareText(session.versionByte()) +
                                             " cannot change the play order (1.0 or later can)");
    const std::vector<std::size_t> wanted = wantedOrder(listing);
    const auto moves = importing::planReorder(wanted);
    if (!moves) throw CommandError(kExitInternal, "the wanted order is not an order of the folder");

    InterruptGuard guard;
    for (const importing::OrderMove& move : *moves) {
        if (InterruptGuard::interrupted())
            throw CommandError(kExitCancelled, rules::texts::kCancelled);
        const std::string& name = listing.files[move.row].shortName;
        const int outcome = QVReplaceFile(session.link(), name.c_str(),
                                          static_cast<int>(move.position), STORE_MAIN);
        if (outcome < 0) throw CommandError(kExitUsbFailed, rules::texts::kUsbFailed);
        if (outcome > 0)
            throw CommandError(kExitRecorderSaidNo, "the recorder refused to move \"" + name +
                                                        "\" (outcome " + std::to_string(outcome) +
                                                        ")");
    }
    // The recorder's own listing says whether the order took.
    const rules::RecorderListing after = session.listFolder(folder);
    bool reached = after.files.size() == wanted.size();
    for (std::size_t i = 0; reached && i < wanted.size(); ++i)
        reached = after.files[i].shortName == listing.files[wanted[i]].shortName;
    if (!reached)
        throw CommandError(kExitRecorderSaidNo,
                           "the recorder's folder does not show the new order");
    if (options.json) {
        std::cout << "{\"moves\":" << moves->size() << ",\"listing\":";
        printListingJson(std::cout, std::string(rules::folderLabel(folder)), after);
        std::cout << "}\n";
    } else {
        printListing(std::cout, after);
        std::cerr << "voxctl: " << moves->size() << " move(s)\n";
    }
}

void orderNamed(const OrderOptions& options) {
    reorder(options, [&](const rules::RecorderListing& listing) {
        std::vector<std::size_t> named;
        for (const std::string& name : options.names)
            named.push_back(
                RecorderSession::requireFile(listing, {parseFolder(options.folder), name}));
        return importing::namedFirstOrder(listing.files.size(), named);
    });
}

void sortFolder(const OrderOptions& options) {
    const importing::SortKey key = options.key == "date"   ? importing::SortKey::Date
                                   : options.key == "size" ? importing::SortKey::Size
                                                           : importing::SortKey::Name;
    reorder(options, [&](const rules::RecorderListing& listing) {
        return importing::sortedOrder(listing, key, options.reverse);
    });
}

}  // namespace

void addOrderCommands(CLI::App& app) {
    auto order = std::make_shared<OrderOptions>();
    CLI::App* orderCommand = app.add_subcommand(
        "order", "Set a folder's play order: the named files first, in that order, then the rest");
    orderCommand->add_option("FOLDER", order->folder, "Recorder folder")->required();
    orderCommand->add_option("NAME", order->names, "Files of that folder")->required();
    orderCommand->add_flag("--json", order->json, "Show the new order as JSON");
    orderCommand->callback([order] { orderNamed(*order); });

    auto sort = std::make_shared<OrderOptions>();
    CLI::App* sortCommand =
        app.add_subcommand("sort", "Sort a folder's play order by name, date or size");
    sortCommand->add_option("FOLDER", sort->folder, "Recorder folder")->required();
    sortCommand->add_option("--by", sort->key, "name, date or size")
        ->check(CLI::IsMember({"name", "date", "size"}))
        ->capture_default_str();
    sortCommand->add_flag("--reverse", sort->reverse, "Largest, newest or last name first");
    sortCommand->add_flag("--json", sort->json, "Show the new order as JSON");
    sortCommand->callback([sort] { sortFolder(*sort); });
}

}  // namespace vox::voxctl
