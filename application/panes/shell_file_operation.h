#pragma once
// The file operations of the PC pane, in the shape its callers know from the
// shell: a record with an owner window, an operation, a source and a
// destination list of paths, flags and a progress title, run in one go.
// Paths are the file system's own bytes, so names that are not valid text
// are moved, copied, renamed and deleted like any other.

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

class QWidget;

namespace vox::panes {

enum class FileOperation { Move = 1, Copy = 2, Delete = 3, Rename = 4 };

// Flags, with the shell's values.
inline constexpr unsigned kMultiDestFiles = 0x0001;  // one destination per source
inline constexpr unsigned kNoConfirmation = 0x0010;  // no question before deleting
inline constexpr unsigned kAllowUndo = 0x0040;       // deleted items go to the trash

// Paths as consecutive NUL-terminated strings ended by one more NUL.
class PathList {
  public:
    // Grows the buffer to exactly what the new path needs (used length, the
    // path, its NUL and the closing NUL) when it is too small.
    void append(std::string_view path);
    // Makes room for `size` bytes and the closing NUL; never drops a path
    // already held.
    void reserve(std::size_t size);
    void clear();

    std::vector<std::string> paths() const;
    std::size_t capacity() const { return capacity_; }
    std::size_t used() const { return used_; }
    const char* data() const { return buffer_.get(); }

  private:
    void growTo(std::size_t capacity);

    std::unique_ptr<char[]> buffer_;
    std::size_t capacity_ = 0;
    std::size_t used_ = 0;
};

class ShellFileOperation {
  public:
    PathList& source() { return source_; }
    PathList& destination() { return destination_; }
    void setFlags(unsigned flags) { flags_ = flags; }
    unsigned flags() const { return flags_; }
    // Message boxes of the operation are shown over `owner`.
    void setOwner(QWidget* owner) { owner_ = owner; }
    // An empty title leaves none.
    void setTitle(std::string_view title);
    const std::string* title() const { return title_.get(); }

    // Carries out the operation; 0 when every item was done, else non-zero
    // (and the user has been told what failed, or declined the question).
    int run(FileOperation operation);

    // Owner, operation, one source and one destination, flags and title in one step.
    static int runOne(QWidget* owner, FileOperation operation, std::string_view source,
                      std::string_view destination, unsigned flags, std::string_view title);

  private:
    bool confirmDelete(std::size_t count) const;
    int deleteItems();
    int renameItem();
    int moveOrCopy(bool move);
    void tell(const std::string& text) const;

    PathList source_;
    PathList destination_;
    unsigned flags_ = 0;
    QWidget* owner_ = nullptr;
    std::unique_ptr<std::string> title_;
};

}  // namespace vox::panes
