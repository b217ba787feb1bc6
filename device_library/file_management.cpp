#include "device_library/file_management.h"

#include <array>

#include "device_library/command_builder.h"
#include "device_library/exchange.h"
#include "device_library/reply_checks.h"
#include "device_library/short_names.h"
#include "platform/text/time_text.h"

namespace vox::devsys {
namespace {

std::string_view orEmpty(const char* text) {
    return text != nullptr ? text : "";
}

// The command-with-outcome exchange inside the calling frame; the first
// reply is read and not examined, the FINISH reply's outcome counts.
template <typename Build>
int runWithOutcome(DeviceLink& link, DeviceContext* ctx, Build build) {
    if (!link.lock(ctx)) return kNotCarriedOut;
    const std::optional<CommandBlock> command = build();
    int result = kNotCarriedOut;
    if (command) {
        Exchange exchange(link);
        std::array<std::uint8_t, kReplyBlockSize> reply{};
        exchange.request(*command, reply);
        if (const auto outcome = exchange.finish()) result = *outcome;
    }
    link.unlock(ctx);
    return result;
}

}  // namespace

int deleteFile(DeviceLink& link, DeviceContext* ctx, const char* name, int store) {
    return runWithOutcome(link, ctx, [&] { return deleteCommand(store, orEmpty(name)); });
}

int removeDirectory(DeviceLink& link, DeviceContext* ctx, const char* name, int store) {
    return runWithOutcome(link, ctx, [&] { return removeDirectoryCommand(store, orEmpty(name)); });
}

int moveFile(DeviceLink& link, DeviceContext* ctx, const char* name, int position, int store) {
    return runWithOutcome(link, ctx, [&] { return moveCommand(store, orEmpty(name), position); });
}

int renameFile(DeviceLink& link, DeviceContext* ctx, const char* currentName, const char* newName,
               int store) {
    return runWithOutcome(link, ctx, [&] {
        const std::string_view target = orEmpty(newName);
        return renameCommand(store, orEmpty(currentName), renameShortName(target),
                             renameLongName(target));
    });
}

int makeDirectory(DeviceLink& link, DeviceContext* ctx, const char* name, int store) {
    return runWithOutcome(link, ctx, [&] {
        const std::string_view folder = orEmpty(name);
        const text::LocalTime now = text::localTimeNow();
        return makeDirectoryCommand(store, text::fatDate(now), text::fatTime(now),
                                    makeDirectoryShortName(folder), makeDirectoryLongName(folder));
    });
}

}  // namespace vox::devsys
