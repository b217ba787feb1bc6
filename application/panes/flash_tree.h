#pragma once
// The recorder tree: the recorder's fixed folders under "MP3 Voice Recorder",
// the three voice folders grouped under "Voice". Choosing a folder lists it
// in the recorder list, unless a device operation is running.

#include <QIcon>
#include <QTreeWidget>
#include <array>

#include "application/panes/pane_window.h"

namespace vox::app {

class CPelmarchDoc;

class CFlashTree : public vox::panes::PaneWindow<QTreeWidget> {
  public:
    // The seven items, in the order the tree keeps their handles.
    enum Item { A, B, C, Mp3, Hd, Voice, Root, kItemCount };

    explicit CFlashTree(CPelmarchDoc& doc, QWidget* parent = nullptr);
    ~CFlashTree() override;

    // Makes `index` the current folder, lists it and selects its item: an
    // index outside 0 to 4 keeps the current folder, and "MP3" is taken
    // while none has been shown.
    void showFolder(int index);
    // The folder an item stands for: its own for the five folders, the
    // current one for "Voice" and the root, "MP3" for no item.
    int folderOf(const QTreeWidgetItem* item) const;

    QTreeWidgetItem* item(Item which) const { return items_[which]; }
    // Blank, closed folder, open folder.
    const std::array<QIcon, 3>& imageList() const { return images_; }
    // "WorkingFlashFolder" as read at creation; the tree opens on "MP3" all the same.
    int storedFolder() const { return storedFolder_; }

  protected:
    bool event(QEvent* event) override;

  private:
    void buildImageList();
    void buildItems();
    void selectionChanged(QTreeWidgetItem* current);
    void selectQuietly(QTreeWidgetItem* target);

    CPelmarchDoc& doc_;
    std::array<QTreeWidgetItem*, kItemCount> items_{};
    std::array<QIcon, 3> images_;
    int storedFolder_ = -1;
    bool selecting_ = false;
};

}  // namespace vox::app
