#pragma once
// Replacing a recorder file without a moment in which neither copy is whole:
// the new file is sent under a temporary recorder name beside the old one;
// only once it has arrived whole is the old file deleted, the new one given
// the final name and, on firmware that can reorder, the old file's place in
// the play order.

#include <optional>
#include <string>
#include <string_view>

#include "device_library/qvdevsys.h"
#include "engine/rules/download_plan.h"

namespace vox::session {

struct Replacement {
    std::string folderName;  // as QVRefreshDevice takes it
    rules::ReplacedFile old;
};

// The sending worker names the recorder file after the PC file, so the new
// copy is sent through a link of that temporary name to the PC file, in a
// private folder of our own; both go when this does.
class TemporarySendName {
  public:
    static std::optional<TemporarySendName> make(const std::string& pcPath,
                                                 const std::string& recorderName);
    ~TemporarySendName();
    TemporarySendName(TemporarySendName&& other) noexcept;
    TemporarySendName& operator=(TemporarySendName&&) = delete;
    TemporarySendName(const TemporarySendName&) = delete;

    const std::string& path() const { return link_; }

  private:
    TemporarySendName(std::string folder, std::string link)
        : folder_(std::move(folder)), link_(std::move(link)) {}
    std::string folder_;
    std::string link_;
};

// A recorder name that no file of `listing` has, keeping the extension of
// `pcName` (the folders judge files by it).
std::string temporaryRecorderName(const rules::RecorderListing& listing, std::string_view pcName);

// Once the new copy is whole under `temporaryName`: deletes the old file,
// renames the new one to `finalName` and puts it at the old file's place.
// None when all went through, else what was left where, for the user.
std::optional<std::string> completeReplacement(DeviceContext* link, const Replacement& replacement,
                                               const std::string& temporaryName,
                                               const std::string& finalName);

}  // namespace vox::session
