#include "engine/rules/upload_plan.h"

#include <set>

#include "engine/rules/rule_texts.h"
#include "engine/rules/text_case.h"
#include "engine/rules/transfer_units.h"

namespace vox::rules {

std::optional<std::string> unsafeNameRefusal(std::string_view name) {
    bool plain = !name.empty() && name != "." && name != "..";
    for (char c : name)
        if (c == '/' || static_cast<unsigned char>(c) < 0x20 || c == 0x7F) plain = false;
    if (plain) return std::nullopt;
    return fillIn(texts::kUnsafeRecorderName, printable(name));
}

std::string joinPcPath(std::string_view folder, std::string_view name) {
    std::string path(folder);
    if (!path.empty() && path.back() != '/') path += '/';
    return path += name;
}

UploadPlan planUpload(std::span<const ListedFile> selection, std::string_view targetFolder,
                      const PcPathExists& exists, const ConfirmOverwrite& confirm,
                      std::string (*pcNameOf)(const ListedFile&)) {
    UploadPlan plan;
    if (selection.size() > kBatchLimit) {
        plan.filesLeftOut = selection.size() - kBatchLimit;
        selection = selection.first(kBatchLimit);
    }
    auto refused = [](std::string message) {
        UploadPlan plan;
        plan.outcome = UploadPlan::Outcome::Refused;
        plan.message = std::move(message);
        return plan;
    };
    std::set<std::string> names;
    for (const ListedFile& file : selection) {
        const std::string name = pcNameOf(file);
        if (auto refusal = unsafeNameRefusal(name)) return refused(std::move(*refusal));
        // Files of one name from several recorder folders would overwrite
        // each other on the PC.
        if (!names.insert(name).second) return refused(fillIn(texts::kSelectedTwice, name));
        std::string pcPath = joinPcPath(targetFolder, name);
        if (exists(pcPath) && !confirm(fillIn(texts::kOverwriteQuestion, pcPath))) {
            UploadPlan declined;
            declined.outcome = UploadPlan::Outcome::Declined;
            return declined;
        }
        const std::uint64_t blocks = blockCount(file.size);
        plan.items.push_back({file.shortName, std::move(pcPath), file.size, blocks});
        plan.totalBlocks += blocks;
    }
    return plan;
}

}  // namespace vox::rules
