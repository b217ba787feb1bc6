#pragma once
// The file icons every tree and list shares: one small and one large icon
// list, made on the first user's request and kept while any user remains.
// Rows hold indices into the small list.

#include <QFileIconProvider>
#include <QIcon>
#include <QSize>
#include <vector>

class QFileInfo;

namespace vox::panes {

class SystemIcons {
  public:
    enum class Kind { Small, Large };
    // Fixed entries at the front of the list.
    static constexpr int kFileIcon = 0;
    static constexpr int kDocumentIcon = 1;
    static constexpr int kDriveIcon = 2;
    static constexpr int kClosedFolderIcon = 3;
    static constexpr int kOpenFolderIcon = 4;

    // Called by a tree or list at construction and destruction.
    static void acquire();
    static void release();
    static int users();

    // The icon list and the pixel size its icons are drawn at.
    static const std::vector<QIcon>& list();
    static QSize iconSize(Kind kind);

    // Index in the list of the icon of `file` (which need not exist), or of
    // an ordinary file with extension `extension` (".mp3").
    static int indexOf(const QFileInfo& file);
    static int indexOfExtension(const QString& extension);
    static QIcon icon(int index);
    // The name of the type of `file` (which need not exist), as the
    // platform's file-type registry gives it ("MP3 audio"), or "DVF File"
    // for an extension it does not know.
    static QString typeName(const QFileInfo& file);
};

}  // namespace vox::panes
