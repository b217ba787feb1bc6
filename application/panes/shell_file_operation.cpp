#include "application/panes/shell_file_operation.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "application/core/message_boxes.h"
#include "application/panes/desktop_trash.h"
#include "application/panes/folder_entries.h"
#include "application/resources/resources.h"
#include "engine/rules/rule_texts.h"

namespace vox::panes {

namespace fs = std::filesystem;

namespace {

// A copy never replaces anything, and one that fails part way leaves
// nothing of itself behind.
void copyWhole(const fs::path& source, const fs::path& target, std::error_code& code) {
    if (fs::exists(fs::symlink_status(target, code))) {
        code = std::make_error_code(std::errc::file_exists);
        return;
    }
    fs::copy(source, target, fs::copy_options::recursive, code);
    if (!code) return;
    std::error_code ignored;
    fs::remove_all(target, ignored);
}

}  // namespace

void PathList::growTo(std::size_t capacity) {
    auto grown = std::make_unique<char[]>(capacity);
    if (buffer_) std::memcpy(grown.get(), buffer_.get(), used_ + 1);
    buffer_ = std::move(grown);
    capacity_ = capacity;
}

void PathList::append(std::string_view path) {
    const std::size_t needed = used_ + path.size() + 2;
    if (capacity_ < needed) growTo(needed);
    std::copy(path.begin(), path.end(), buffer_.get() + used_);
    used_ += path.size();
    buffer_[used_++] = '\0';
    buffer_[used_] = '\0';
}

void PathList::reserve(std::size_t size) {
    const std::size_t capacity = std::max(size, used_) + 1;
    if (capacity > capacity_) growTo(capacity);
}

void PathList::clear() {
    buffer_.reset();
    capacity_ = 0;
    used_ = 0;
}

std::vector<std::string> PathList::paths() const {
    std::vector<std::string> out;
    for (std::size_t at = 0; at < used_;) {
        out.emplace_back(buffer_.get() + at);
        at += out.back().size() + 1;
    }
    return out;
}

void ShellFileOperation::setTitle(std::string_view title) {
    title_ = title.empty() ? nullptr : std::make_unique<std::string>(title);
}

int ShellFileOperation::run(FileOperation operation) {
    switch (operation) {
        case FileOperation::Move:
            return moveOrCopy(true);
        case FileOperation::Copy:
            return moveOrCopy(false);
        case FileOperation::Delete:
            return deleteItems();
        case FileOperation::Rename:
            return renameItem();
    }
    return 1;
}

int ShellFileOperation::runOne(QWidget* owner, FileOperation operation, std::string_view source,
                               std::string_view destination, unsigned flags,
                               std::string_view title) {
    ShellFileOperation op;
    op.setOwner(owner);
    op.source().append(source);
    op.destination().append(destination);
    op.setFlags(flags);
    op.setTitle(title);
    return op.run(operation);
}

void ShellFileOperation::tell(const std::string& text) const {
    vox::app::messageBoxes().show(QString::fromLocal8Bit(text), vox::app::BoxButtons::Ok,
                                  vox::app::BoxIcon::Stop);
}

bool ShellFileOperation::confirmDelete(std::size_t count) const {
    if ((flags_ & kNoConfirmation) != 0) return true;
    const std::string question = vox::rules::fillIn(
        vox::res::text(QStringLiteral("trash_question")).toStdString(), std::to_string(count));
    return vox::app::messageBoxes().show(QString::fromStdString(question),
                                         vox::app::BoxButtons::YesNo,
                                         vox::app::BoxIcon::None) == vox::app::BoxAnswer::Yes;
}

// Items go to the trash with undo allowed, else they are removed for good.
// Every item is tried; the first failure is told.
int ShellFileOperation::deleteItems() {
    const std::vector<std::string> items = source_.paths();
    if (items.empty() || !confirmDelete(items.size())) return 1;
    int failed = 0;
    for (const std::string& item : items) {
        std::string error;
        bool done = false;
        if ((flags_ & kAllowUndo) != 0) {
            done = moveToDesktopTrash(item, error);
        } else {
            std::error_code code;
            done = fs::remove_all(fs::path(item), code) != static_cast<std::uintmax_t>(-1) && !code;
            error = code.message();
        }
        if (!done && failed++ == 0)
            tell(vox::rules::fillIn(
                vox::rules::fillIn(vox::res::text(QStringLiteral("delete_failed")).toStdString(),
                                   item),
                error));
    }
    return failed == 0 ? 0 : 1;
}

// The new name never replaces an existing item. A name that differs only in
// case may be the same item on a file system that ignores case; that one is
// renamed in place.
int ShellFileOperation::renameItem() {
    const std::vector<std::string> from = source_.paths();
    const std::vector<std::string> to = destination_.paths();
    if (from.empty() || to.empty()) return 1;
    int error = renameWithoutReplacing(from[0], to[0]);
    if (error == EEXIST) {
        struct stat a {
        }, b{};
        const bool sameItem = ::lstat(from[0].c_str(), &a) == 0 &&
                              ::lstat(to[0].c_str(), &b) == 0 && a.st_dev == b.st_dev &&
                              a.st_ino == b.st_ino;
        if (sameItem) error = ::rename(from[0].c_str(), to[0].c_str()) == 0 ? 0 : errno;
    }
    if (error == 0) return 0;
    tell(vox::rules::fillIn(
        vox::rules::fillIn(vox::res::text(QStringLiteral("rename_failed")).toStdString(), from[0]),
        std::strerror(error)));
    return 1;
}

// Each source goes to its own destination with kMultiDestFiles, else into
// the one destination folder. Nothing existing is replaced.
int ShellFileOperation::moveOrCopy(bool move) {
    const std::vector<std::string> from = source_.paths();
    const std::vector<std::string> to = destination_.paths();
    const bool oneEach = (flags_ & kMultiDestFiles) != 0;
    if (from.empty() || to.empty() || (oneEach && to.size() < from.size())) return 1;
    int failed = 0;
    for (std::size_t i = 0; i < from.size(); ++i) {
        const fs::path source(from[i]);
        const fs::path target = oneEach ? fs::path(to[i]) : fs::path(to[0]) / source.filename();
        std::error_code code;
        if (move) {
            const int error = renameWithoutReplacing(source.string(), target.string());
            code = std::error_code(error, std::generic_category());
            if (error == EXDEV) {
                code.clear();
                copyWhole(source, target, code);
                if (!code) fs::remove_all(source, code);
            }
        } else {
            copyWhole(source, target, code);
        }
        if (code && failed++ == 0)
            tell(vox::rules::fillIn(
                vox::rules::fillIn(vox::res::text(QStringLiteral("copy_failed")).toStdString(),
                                   from[i]),
                code.message()));
    }
    return failed == 0 ? 0 : 1;
}

}  // namespace vox::panes
