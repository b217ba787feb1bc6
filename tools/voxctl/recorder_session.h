#pragma once
// One command's link to the recorder: made on construction, dropped on
// destruction, with the listings a command starts from, in the form the
// transfer rules take.

#include <memory>
#include <optional>
#include <string>

#include "device_library/qvdevsys.h"
#include "engine/rules/recorder_folder.h"
#include "engine/rules/recorder_listing.h"
#include "platform/stack/device_stack.h"

namespace vox::voxctl {

// A recorder file as named on the command line: "A/MEMO.DVF".
struct RecorderPath {
    rules::RecorderFolder folder;
    std::string name;
};
// Throws a usage error unless `text` is a folder, '/', and a name.
RecorderPath parseRecorderPath(const std::string& text);
bool isRecorderPath(const std::string& text);
// Throws a usage error unless `text` is one of A, B, C, MP3, HD.
rules::RecorderFolder parseFolder(const std::string& text);

// Keeps what the device stack could not set up, for the session that finds
// no recorder to say why instead of "The recorder not found!!!".
void rememberStackProblem(const stack::StackProblem& problem);

// Lets go of the recorder between commands of one process: the device stack
// (and with it the recorder, or the simulated recorder's image) is closed,
// and built again by the next session.
void releaseRecorder();

class RecorderSession {
  public:
    // Throws "The recorder not found!!!" when no recorder answers; when the
    // simulated recorder could not be set up, why: busy for an image another
    // program holds, a usage error for a malformed fault setting.
    RecorderSession();
    ~RecorderSession();
    RecorderSession(const RecorderSession&) = delete;
    RecorderSession& operator=(const RecorderSession&) = delete;

    DeviceContext* link() const { return link_; }

    // Lists `folder` (retrying once, as the recorder pane does); throws when
    // the recorder does not answer or sends something that is not a folder.
    rules::RecorderListing listFolder(rules::RecorderFolder folder);
    // Lists `folder` unless it was the folder listed last: the recorder
    // takes the names of its commands from there.
    void ensureListed(rules::RecorderFolder folder);
    // The store's top level: its folders.
    rules::RecorderListing listTop();
    // The row of `name` in `listing`; throws "no such file" when absent.
    static std::size_t requireFile(const rules::RecorderListing& listing, const RecorderPath& path);

    // The version byte of the last identify (0x15 for firmware 1.5).
    int versionByte() const { return versionByte_; }
    PlayerInfo playerInfo();
    // Throws "USB communicationn failed." when the recorder stopped answering.
    void requireAnswer();

  private:
    rules::RecorderListing list(const char* folderName, bool folderListing);

    DeviceContext* link_ = nullptr;
    int versionByte_ = 0;
    std::optional<rules::RecorderFolder> lastListed_;
    std::unique_ptr<DeviceListing> raw_;
};

}  // namespace vox::voxctl
