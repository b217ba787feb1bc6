#include "engine/rules/download_plan.h"

#include <optional>
#include <set>

#include "engine/rules/rule_texts.h"
#include "engine/rules/size_text.h"
#include "engine/rules/text_case.h"
#include "engine/rules/transfer_units.h"

namespace vox::rules {

namespace {

DownloadPlan refused(std::string message) {
    DownloadPlan plan;
    plan.outcome = DownloadPlan::Outcome::Refused;
    plan.message = std::move(message);
    return plan;
}

}  // namespace

std::string pcExtension(std::string_view pcPath) {
    const std::string_view name = pcFileName(pcPath);
    const std::size_t dot = name.rfind('.');
    return dot == std::string_view::npos ? std::string() : upperAscii(name.substr(dot));
}

DownloadPlan planDownload(const RecorderListing& listing, RecorderFolder folder,
                          std::span<const PcFile> selection, const ConfirmOverwrite& confirm,
                          Replacing replacing) {
    DownloadPlan plan;
    // Files past the batch limit are not looked at. (Since a folder holds
    // fewer files than a batch, such a selection always ends up refused.)
    if (selection.size() > kBatchLimit) selection = selection.first(kBatchLimit);
    std::vector<std::optional<ReplacedFile>> replaced;
    std::size_t filesReplaced = 0;
    std::set<std::string> namesSent;
    for (const PcFile& file : selection) {
        if (file.isDirectory || file.size == 0) return refused(texts::kNotAFile);
        // Two PC files of one name would leave two recorder files of that name.
        if (!namesSent.insert(upperAscii(pcFileName(file.path))).second)
            return refused(fillIn(texts::kSelectedTwice, pcFileName(file.path)));
        const std::optional<std::size_t> existing = findFile(listing, pcFileName(file.path));
        replaced.emplace_back();
        if (existing) {
            if (!confirm(fillIn(texts::kOverwriteQuestion, file.path))) {
                DownloadPlan declined;
                declined.outcome = DownloadPlan::Outcome::Declined;
                return declined;
            }
            replaced.back() = ReplacedFile{listing.files[*existing].shortName, *existing};
            ++filesReplaced;
        }
        if (auto refusal = extensionRefusal(folder, pcExtension(file.path)))
            return refused(std::move(*refusal));
        plan.totalBlocks += blockCount(file.size);
        ++plan.filesSent;
    }

    // A replaced file leaves the folder once its successor is in, so it
    // does not count against the folder's limit.
    const std::size_t filesAfter = listing.files.size() - filesReplaced + plan.filesSent;
    if (filesAfter > kFolderFileLimit) return refused(texts::kFolderFull);

    // Compared in kilobytes; a replaced file's space is not counted as free,
    // since what the recorder gives back depends on its own rounding (and
    // both copies are on it for a while).
    const std::int64_t overKilobytes = static_cast<std::int64_t>(plan.totalBlocks * 32) -
                                       static_cast<std::int64_t>(listing.freeBytes / 1024);
    if (overKilobytes > 0)
        return refused(fillIn(texts::kNotEnoughSpace,
                              sizeText(static_cast<std::uint64_t>(overKilobytes) * 1024)));

    // Files are replaced one at a time, so for a moment the folder holds one
    // file more than in the end.
    const bool roomForBoth = filesReplaced == 0 || filesAfter + 1 <= kFolderFileLimit;
    if (!roomForBoth && replacing == Replacing::KeepOldUntilNewIsWhole) {
        DownloadPlan noRoom;
        noRoom.outcome = DownloadPlan::Outcome::NoRoomForBothCopies;
        noRoom.message = texts::kNoRoomForBothCopies;
        return noRoom;
    }
    for (std::size_t i = 0; i < selection.size(); ++i) {
        const PcFile& file = selection[i];
        DownloadAction send{DownloadAction::Kind::SendPcFile, file.path, blockCount(file.size), {}};
        if (replaced[i] && !roomForBoth)
            plan.actions.push_back(
                {DownloadAction::Kind::DeleteRecorderFile, replaced[i]->shortName, 0, {}});
        else
            send.replaces = replaced[i];
        plan.actions.push_back(std::move(send));
    }
    return plan;
}

}  // namespace vox::rules
