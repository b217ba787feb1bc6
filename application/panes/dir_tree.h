#pragma once
// The PC folder tree: Desktop, My Documents and My Computer (its drives and
// their folders). Folders are read when they are expanded; choosing one
// makes it the working directory and lists it in the PC list.

#include <QByteArray>
#include <QTreeWidget>
#include <string>
#include <vector>

#include "application/panes/pane_window.h"
#include "application/panes/pc_drives.h"

namespace vox::app {

class CPelmarchDoc;

class CDirTree : public vox::panes::PaneWindow<QTreeWidget> {
  public:
    // How often the path walk reads a folder again when a name is missing
    // from it before it stops at the last folder reached.
    static constexpr int kPathRereads = 1;

    explicit CDirTree(CPelmarchDoc& doc, QWidget* parent = nullptr,
                      vox::panes::DriveSource drives = vox::panes::mountedDrives);
    ~CDirTree() override;

    // Selects the folder `path` (absolute), walking down from My Computer. A
    // path that is not an existing folder is cut back to one that is.
    void selectPath(const std::string& path);
    // Selects the child folder `name` of the selected item.
    void selectChild(const QByteArray& name);
    // Selects the selected item's parent and scrolls it to the top.
    void selectParent();

    // The folder an item stands for, ending with '/'; empty for My Computer
    // and placeholders.
    std::string itemPath(const QTreeWidgetItem* item) const;

    QTreeWidgetItem* desktopItem() const { return desktop_; }
    QTreeWidgetItem* documentsItem() const { return documents_; }
    QTreeWidgetItem* computerItem() const { return computer_; }
    const std::string& documentsPath() const { return documentsPath_; }
    const std::vector<std::string>& driveStrings() const { return driveStrings_; }

  protected:
    LResult handleMessage(Message message, WParam wParam, LParam lParam) override;
    void showEvent(QShowEvent* event) override;
    bool event(QEvent* event) override;

  private:
    void build();
    QTreeWidgetItem* addRoot(const QString& name, const QIcon& icon, int kind,
                             const std::string& path);
    void fillChildren(QTreeWidgetItem* item);
    void fillDrives();
    void fillFolders(QTreeWidgetItem* item);
    void emptyChildren(QTreeWidgetItem* item);
    void collapsed(QTreeWidgetItem* item);
    void selectionChanged(QTreeWidgetItem* current, QTreeWidgetItem* previous);
    void walkTo(QTreeWidgetItem* start, const std::vector<QByteArray>& names);
    QTreeWidgetItem* childNamed(QTreeWidgetItem* item, const QByteArray& name) const;
    void mediaChanged(const std::string& root);
    void refreshDrive(QTreeWidgetItem* item, const vox::panes::PcDrive& drive);

    CPelmarchDoc& doc_;
    vox::panes::DriveSource drives_;
    QTreeWidgetItem* desktop_ = nullptr;
    QTreeWidgetItem* documents_ = nullptr;
    QTreeWidgetItem* computer_ = nullptr;
    std::string desktopPath_;
    std::string documentsPath_;
    std::vector<std::string> driveStrings_;
    bool built_ = false;
    bool walking_ = false;
    bool reverting_ = false;
};

}  // namespace vox::app
