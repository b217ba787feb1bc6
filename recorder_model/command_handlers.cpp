// What the recorder does for each command, and the reply it queues.
#include <algorithm>

#include "recorder_model/directory_stream.h"
#include "recorder_model/protocol_engine.h"
#include "recorder_model/recorder.h"

namespace vox::model {

namespace {

constexpr std::uint64_t kDataBlockBytes = 32768;
constexpr std::size_t kCreateLongNameLimit = 65;
constexpr std::size_t kStatusReplyBytes = 192;
// A READ reply echoes the name in its one 64-byte block.
constexpr std::size_t kReadReplyNameLimit = 64 - 11;

constexpr std::uint8_t kCodeFinish = 0x46;
constexpr std::uint8_t kCodeListStore = 0x47;
constexpr std::uint8_t kCodeListFolder = 0x67;
constexpr std::uint8_t kCodeFormat = 0x46;
constexpr std::uint8_t kCodeCreate = 0x90;
constexpr std::uint8_t kCodeRead = 0x52;
constexpr std::uint8_t kCodeDelete = 0x45;
constexpr std::uint8_t kCodeRemoveDir = 0xE1;
constexpr std::uint8_t kCodeMove = 0x50;
constexpr std::uint8_t kCodeRename = 0x4E;
constexpr std::uint8_t kCodeMakeDir = 0xE0;

std::vector<std::uint8_t> replyBlock(std::size_t size, std::initializer_list<std::uint8_t> start) {
    std::vector<std::uint8_t> block(size, 0);
    std::copy(start.begin(), start.end(), block.begin());
    return block;
}

std::vector<std::uint8_t> outcomeBlock(Outcome outcome, std::uint8_t code) {
    return replyBlock(usb::kPacketSize,
                      {0x23, 0x00, 0x04, 0x3A, static_cast<std::uint8_t>(outcome), code, 0x2E});
}

void putBe16(std::vector<std::uint8_t>& block, std::size_t at, std::uint32_t value) {
    block[at] = static_cast<std::uint8_t>(value >> 8);
    block[at + 1] = static_cast<std::uint8_t>(value);
}

std::string withoutTrailingSpaces(std::string_view text) {
    auto last = text.find_last_not_of(' ');
    return std::string(last == std::string_view::npos ? std::string_view()
                                                      : text.substr(0, last + 1));
}

bool asciiEqualIgnoringCase(std::u16string_view wide, std::string_view narrow) {
    auto lower = [](unsigned c) { return c >= 'A' && c <= 'Z' ? c + 32 : c; };
    return wide.size() == narrow.size() &&
           std::equal(wide.begin(), wide.end(), narrow.begin(), [&](char16_t w, char n) {
               return lower(w) == lower(static_cast<unsigned char>(n));
           });
}

}  // namespace

FlashEntry* ProtocolEngine::currentFolder(char store) {
    std::string& path = currentPath_[store];
    FlashEntry* folder = fileSystem_.folder(store, path);
    if (!folder) {  // the folder went away (a format); the top remains
        path.clear();
        folder = fileSystem_.folder(store, path);
    }
    return folder;
}

Outcome ProtocolEngine::changed() {
    return storage_.commit() ? Outcome::Done : Outcome::StorageFailed;
}

void ProtocolEngine::answerOutcome(Outcome outcome, std::uint8_t code, std::string step) {
    setReply(outcomeBlock(outcome, code), std::move(step));
    pendingOutcome_ = outcome;
    follow_ = Follow::OutcomeFinish;
}

void ProtocolEngine::answerListing(FlashEntry& folder, char store, bool withDotEntries,
                                   std::uint8_t code) {
    pendingStream_ = directoryStream(folder, withDotEntries, fileSystem_.totalBytes(store),
                                     fileSystem_.freeBytes(store));
    std::size_t length = pendingStream_.size();
    auto reply = replyBlock(usb::kPacketSize, {0x23, 0x00, 0x06, 0x3A, 0x00, code, 0, 0, 0x2E});
    putBe16(reply, 6, static_cast<std::uint32_t>(length));
    // Padded to exactly what the host reads for this length.
    pendingStream_.resize((length + 1) / usb::kPacketSize * usb::kPacketSize + usb::kPacketSize, 0);
    setReply(std::move(reply), "list-reply");
    follow_ = Follow::ListingFinish;
}

void ProtocolEngine::handle(const command::Identify&) {
    auto reply = replyBlock(usb::kPacketSize, {0x23, 0x00, 0x22, 0x3A});
    // PlayerInfo, bytes 4 to 35: version text at 0..2, model name at 19..25.
    const std::string& version = options_.firmwareVersion;
    std::copy_n(version.begin(), std::min<std::size_t>(version.size(), 3), reply.begin() + 4);
    std::string model = options_.modelName;
    model.resize(7, ' ');
    std::copy(model.begin(), model.end(), reply.begin() + 4 + 19);
    reply[36] = 0x2E;
    setReply(std::move(reply), "identify-reply");
}

void ProtocolEngine::handle(const command::Status&) {
    auto reply =
        replyBlock(kStatusReplyBytes, {0x23, 0x00, kStatusReplyBytes - 3, 0x3A, 0x90, 0x53});
    reply[8] = options_.statusValue;
    reply.back() = 0x2E;
    setReply(std::move(reply), "status-reply");
}

void ProtocolEngine::handle(const command::Finish& finish) {
    std::size_t wanted = follow_ == Follow::ListingFinish ? usb::kPacketSize : 6;
    if (finish.written != wanted) {
        violation("FINISH written as " + std::to_string(finish.written) + " bytes, expected " +
                  std::to_string(wanted));
        return;
    }
    if (follow_ == Follow::ListingFinish) {
        setReply(std::move(pendingStream_), "list-stream");
        pendingStream_.clear();
    } else {
        setReply(outcomeBlock(pendingOutcome_, kCodeFinish), "finish-reply");
    }
    follow_ = Follow::Nothing;
}

void ProtocolEngine::handle(const command::ListStore& list) {
    currentPath_[list.store].clear();
    answerListing(*currentFolder(list.store), list.store, false, kCodeListStore);
}

void ProtocolEngine::handle(const command::ListFolder& list) {
    std::string name = withoutTrailingSpaces(list.name);
    std::string& path = currentPath_[kMainStore];
    std::string next;
    if (name == "..") {
        auto slash = path.rfind('/');
        next = slash == std::string::npos ? std::string() : path.substr(0, slash);
    } else if (name == ".") {
        next = path;
    } else if (fileSystem_.folder(kMainStore, name)) {
        next = name;
    } else if (!path.empty()) {
        next = path + "/" + name;
    }
    FlashEntry* folder = name.empty() ? nullptr : fileSystem_.folder(kMainStore, next);
    if (!folder) {
        // Answered with a refusal, which fails the host's listing check.
        setReply(outcomeBlock(Outcome::NoSuchEntry, kCodeListFolder), "list-reply");
        return;
    }
    path = next;
    answerListing(*folder, kMainStore, true, kCodeListFolder);
}

void ProtocolEngine::handle(const command::Format& format) {
    fileSystem_.format(format.store);
    currentPath_[format.store].clear();
    answerOutcome(changed(), kCodeFormat, "format-reply");
}

void ProtocolEngine::handle(const command::Create& create) {
    FlashEntry* folder = currentFolder(create.store);
    auto name = newerFirmware_ ? ShortName::fromFixed(create.shortName)
                               : ShortName::fromDotted(create.shortName);
    std::uint64_t needed = FlashFileSystem::clustersFor(create.size) * kClusterBytes;
    Outcome outcome = Outcome::Done;
    if (faults_.takeRefuseCreate())
        outcome = Outcome::Refused;
    else if (create.store == kMainStore && currentPath_[kMainStore].empty())
        outcome = Outcome::NotAllowedHere;  // the main store's top holds only its folders
    else if (!name || create.longName.size() > kCreateLongNameLimit)
        outcome = Outcome::BadName;
    else if (folder->childNamed(*name))
        outcome = Outcome::NameExists;
    else if (folder->fileCount() >= kFolderFileLimit)
        outcome = Outcome::FolderFull;
    else if (needed > fileSystem_.freeBytes(create.store))
        outcome = Outcome::StoreFull;
    setReply(outcomeBlock(outcome, kCodeCreate), "create-reply");
    if (outcome != Outcome::Done) return;
    upload_ = Upload{};
    upload_.store = create.store;
    upload_.file.shortName = *name;
    upload_.file.longName = create.longName;
    upload_.file.stamp = create.stamp;
    upload_.size = create.size;
    upload_.bytes.reserve(create.size);
    // The host always ends with a block that is not full, zeros if need be.
    upload_.expected = (create.size / kDataBlockBytes + 1) * kDataBlockBytes;
    follow_ = Follow::Data;
}

bool ProtocolEngine::commitUpload() {
    FlashEntry* folder = currentFolder(upload_.store);
    if (folder->childNamed(upload_.file.shortName) ||
        FlashFileSystem::clustersFor(upload_.size) * kClusterBytes >
            fileSystem_.freeBytes(upload_.store))
        return false;
    upload_.file.content =
        std::make_shared<const std::vector<std::uint8_t>>(std::move(upload_.bytes));
    folder->children.push_back(std::move(upload_.file));
    upload_.committed = storage_.commit();
    return upload_.committed;
}

void ProtocolEngine::handle(const command::Read& read) {
    FlashEntry* folder = currentFolder(read.store);
    FlashEntry* file = read.name.size() <= kReadReplyNameLimit
                           ? folder->childByDisplayName(read.name, newerFirmware_)
                           : nullptr;
    if (!file || file->folder || faults_.refusesRead(file->shortName.plain())) {
        // Refused: the echo at bytes 3-5 does not match, which the host checks.
        setReply(outcomeBlock(Outcome::NoSuchEntry, kCodeRead), "read-reply");
        return;
    }
    std::size_t n = read.name.size();
    auto reply = replyBlock(usb::kPacketSize, {0x23, 0x00, static_cast<std::uint8_t>(n + 8), 0x3A,
                                               static_cast<std::uint8_t>(read.store), kCodeRead});
    std::copy(read.name.begin(), read.name.end(), reply.begin() + 6);
    auto size = static_cast<std::uint32_t>(file->size());
    putBe16(reply, 6 + n, size >> 16);
    putBe16(reply, 8 + n, size & 0xFFFF);
    reply[10 + n] = 0x2E;
    setReply(std::move(reply), "read-reply");
    std::uint64_t blocks =
        std::max<std::uint64_t>(1, (size + kDataBlockBytes - 1) / kDataBlockBytes);
    reply_.body = file->content;
    reply_.bodyLength = static_cast<std::size_t>(blocks * kDataBlockBytes);
}

void ProtocolEngine::handle(const command::Delete& request) {
    FlashEntry* folder = currentFolder(request.store);
    FlashEntry* entry = folder->childByDisplayName(request.name, newerFirmware_);
    Outcome outcome = Outcome::NoSuchEntry;
    if (entry && faults_.takeRefuseDelete()) {
        outcome = Outcome::Refused;
    } else if (entry && entry->folder) {
        outcome = Outcome::NotAllowedHere;
    } else if (entry) {
        folder->children.erase(folder->children.begin() + (entry - folder->children.data()));
        outcome = changed();
    }
    answerOutcome(outcome, kCodeDelete, "command-reply");
}

void ProtocolEngine::handle(const command::RemoveDir& request) {
    FlashEntry* folder = currentFolder(request.store);
    // A folder is named by its listed short name, its plain name or its long name.
    auto named = std::find_if(folder->children.begin(), folder->children.end(), [&](auto& child) {
        auto plain = ShortName::fromDotted(request.name);
        return child.shortName.display(newerFirmware_) == request.name ||
               (plain && child.shortName.sameAs(*plain)) ||
               (!child.longName.empty() && asciiEqualIgnoringCase(child.longName, request.name));
    });
    Outcome outcome = Outcome::Done;
    if (named == folder->children.end() || !named->folder)
        outcome = Outcome::NoSuchEntry;
    else if (request.store == kMainStore && currentPath_[kMainStore].empty())
        outcome = Outcome::NotAllowedHere;  // "A", "B", "C", "MP3" and "HD" stay
    else if (!named->children.empty())
        outcome = Outcome::FolderNotEmpty;
    if (outcome == Outcome::Done) {
        folder->children.erase(named);
        outcome = changed();
    }
    answerOutcome(outcome, kCodeRemoveDir, "command-reply");
}

void ProtocolEngine::handle(const command::Move& move) {
    FlashEntry* folder = currentFolder(move.store);
    FlashEntry* entry = folder->childByDisplayName(move.name, newerFirmware_);
    Outcome outcome = Outcome::NoSuchEntry;
    if (entry && move.position >= folder->children.size()) {
        outcome = Outcome::BadPosition;
    } else if (entry) {
        auto from = folder->children.begin() + (entry - folder->children.data());
        auto to = folder->children.begin() + move.position;
        if (from < to)
            std::rotate(from, from + 1, to + 1);
        else
            std::rotate(to, from, from + 1);
        outcome = changed();
    }
    answerOutcome(outcome, kCodeMove, "command-reply");
}

void ProtocolEngine::handle(const command::Rename& rename) {
    FlashEntry* folder = currentFolder(rename.store);
    FlashEntry* entry = folder->childByDisplayName(rename.currentName, newerFirmware_);
    auto name = ShortName::fromDotted(rename.newShortName);
    FlashEntry* holder = name ? folder->childNamed(*name) : nullptr;
    Outcome outcome = Outcome::Done;
    if (!entry)
        outcome = Outcome::NoSuchEntry;
    else if (!name || rename.newLongName.size() > kLongNameUnitLimit)
        outcome = Outcome::BadName;
    else if (holder && holder != entry)
        outcome = Outcome::NameExists;
    if (outcome == Outcome::Done) {
        entry->shortName = *name;
        entry->longName = rename.newLongName;
        outcome = changed();
    }
    answerOutcome(outcome, kCodeRename, "command-reply");
}

void ProtocolEngine::handle(const command::MakeDir& make) {
    FlashEntry* folder = currentFolder(make.store);
    const std::string& text = make.shortName;
    auto name =
        text[8] == '.' ? ShortName::fromFixed(text.substr(0, 8) + text.substr(9)) : std::nullopt;
    Outcome outcome = Outcome::Done;
    if (make.store == kMainStore && currentPath_[kMainStore].empty())
        outcome = Outcome::NotAllowedHere;
    else if (!name || make.longName.size() > kLongNameUnitLimit)
        outcome = Outcome::BadName;
    else if (folder->childNamed(*name))
        outcome = Outcome::NameExists;
    if (outcome == Outcome::Done) {
        FlashEntry created;
        created.folder = true;
        created.shortName = *name;
        created.longName = make.longName;
        created.stamp = make.stamp;
        folder->children.push_back(std::move(created));
        outcome = changed();
    }
    answerOutcome(outcome, kCodeMakeDir, "command-reply");
}

}  // namespace vox::model
