#include "tools/voxctl/recorder_session.h"

#include <optional>

#include "device_library/firmware.h"
#include "engine/rules/listed_entry.h"
#include "engine/rules/rule_texts.h"
#include "engine/session/folder_reader.h"
#include "engine/session/mount_lock.h"
#include "platform/devio/devio.h"
#include "tools/voxctl/command_error.h"

namespace vox::voxctl {

namespace {

CommandError listingFailed(const char* reason) {
    return CommandError(kExitUsbFailed,
                        std::string(rules::texts::kUsbFailed) + reason + rules::texts::kReconnect);
}

}  // namespace

rules::RecorderFolder parseFolder(const std::string& text) {
    if (auto folder = rules::folderFromLabel(text)) return *folder;
    throw CommandError(kExitUsage, "unknown recorder folder \"" + text +
                                       "\" (the folders are A, B, C, MP3 and HD)");
}

namespace {

// Where the folder part of "FOLDER/NAME" ends; npos when there is no name.
std::size_t folderEnd(const std::string& text) {
    const std::size_t slash = text.find('/');
    return slash != std::string::npos && slash + 1 < text.size() ? slash : std::string::npos;
}

}  // namespace

RecorderPath parseRecorderPath(const std::string& text) {
    const std::size_t slash = folderEnd(text);
    if (slash == std::string::npos)
        throw CommandError(kExitUsage, "\"" + text + "\" is not FOLDER/NAME, e.g. A/MEMO.DVF");
    return {parseFolder(text.substr(0, slash)), text.substr(slash + 1)};
}

bool isRecorderPath(const std::string& text) {
    const std::size_t slash = folderEnd(text);
    return slash != std::string::npos && rules::folderFromLabel(text.substr(0, slash));
}

namespace {

std::optional<stack::StackProblem> stackProblem;

ExitStatus statusFor(stack::StackFault fault) {
    switch (fault) {
        case stack::StackFault::ImageInUse:
            return kExitBusy;
        case stack::StackFault::BadSetting:
            return kExitUsage;
        case stack::StackFault::ImageUnusable:
            break;
    }
    return kExitNoRecorder;
}

}  // namespace

void rememberStackProblem(const stack::StackProblem& problem) {
    stackProblem = problem;
}

void releaseRecorder() {
    devio::installProvider(nullptr);
    stackProblem.reset();
}

RecorderSession::RecorderSession() : raw_(std::make_unique<DeviceListing>()) {
    // A mount holds the recorder for as long as it lives.
    if (auto holder = session::otherMountHolder())
        throw CommandError(kExitBusy, session::mountedBusyText(*holder));
    if (CreateDev(&link_) != 0 || link_ == nullptr) {
        link_ = nullptr;
        if (stackProblem) throw CommandError(statusFor(stackProblem->fault), stackProblem->message);
        throw CommandError(kExitNoRecorder, rules::texts::kRecorderNotFound);
    }
}

RecorderSession::~RecorderSession() {
    if (link_ != nullptr) DestroyDev(link_);
}

rules::RecorderListing RecorderSession::list(const char* folderName, bool folderListing) {
    const session::ListingRead read =
        session::readListing(QVRefreshDevice, link_, folderName, folderListing, *raw_);
    if (read != session::ListingRead::Read) throw listingFailed(session::listingFailureCode(read));
    const int count = rules::listedEntryCount(*raw_);
    // A folder listing starts with the folder's own "." and ".." entries.
    const int first = folderListing ? 2 : 0;
    versionByte_ = raw_->versionByte;
    rules::RecorderListing listing;
    listing.totalBytes = raw_->totalBytes;
    listing.freeBytes = raw_->freeBytes;
    listing.moreThanShown = rules::listingIsCut(*raw_);
    for (int k = first; k < count; ++k) {
        const DeviceEntry& entry = raw_->entries[k];
        if (!folderListing && entry.baseName[0] == '.') continue;
        listing.files.push_back(rules::listedFile(entry));
    }
    return listing;
}

rules::RecorderListing RecorderSession::listFolder(rules::RecorderFolder folder) {
    lastListed_.reset();
    rules::RecorderListing listing = list(rules::folderListingName(folder).c_str(), true);
    lastListed_ = folder;
    return listing;
}

void RecorderSession::ensureListed(rules::RecorderFolder folder) {
    if (lastListed_ != folder) listFolder(folder);
}

rules::RecorderListing RecorderSession::listTop() {
    lastListed_.reset();
    return list(nullptr, false);
}

std::size_t RecorderSession::requireFile(const rules::RecorderListing& listing,
                                         const RecorderPath& path) {
    if (auto row = rules::findTypedName(listing, path.name)) return *row;
    throw CommandError(kExitNotFound, "no file \"" + path.name + "\" in recorder folder " +
                                          std::string(rules::folderLabel(path.folder)));
}

PlayerInfo RecorderSession::playerInfo() {
    PlayerInfo info{};
    if (QVGetPlayerVersion(link_, &info) == 0)
        throw CommandError(kExitUsbFailed, rules::texts::kUsbFailed);
    versionByte_ = devsys::firmwareVersionByte(info);
    return info;
}

void RecorderSession::requireAnswer() {
    if (QVCheckDevice(link_) == 0) throw CommandError(kExitUsbFailed, rules::texts::kUsbFailed);
}

}  // namespace vox::voxctl
