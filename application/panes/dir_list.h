#pragma once
// The PC list: the files and folders of the working directory (or of the
// folder a listing request names), filtered by the Type pattern of the PC
// form, sorted by the column the user chose. Rows keep the file system's
// bytes of their names beside the text shown, so every name opens, renames
// and deletes as it is.

#include <QByteArray>
#include <QHash>
#include <string>

#include "application/panes/list_view_ex.h"

namespace vox::rules {
struct ListedFile;
}

namespace vox::panes {
struct FolderEntry;
}

namespace vox::app {

class CPelmarchDoc;

class CDirList : public vox::panes::CListViewEx {
    Q_OBJECT
  public:
    // A row's name as the file system has it (column 0), beside the list
    // core's own roles.
    static constexpr int kNameBytesRole = vox::panes::kHeaderArrowRole + 1;
    // The names a new folder may take: the base name, then " (1)" to " (29)".
    static constexpr int kNewFolderNames = 30;

    explicit CDirList(CPelmarchDoc& doc, QWidget* parent = nullptr);
    ~CDirList() override;

    bool ready() const { return ready_; }
    // Lists `folder`, or the working directory when it is empty.
    void listFolder(std::string folder);
    // Makes a new folder in the working directory and starts editing its
    // name; false when no name could be used.
    bool newFolder();
    // Moves the selected rows to the trash after one question.
    void deleteSelected();
    // Opens a row: walks into a folder, hands a file to its program.
    void openRow(QTreeWidgetItem* row);
    // A recorder file was saved in the working directory: its old row (same
    // name, any case) goes and a new row is added at the end.
    void fileArrived(const vox::rules::ListedFile& file);
    // The selected rows' names as the file system has them, in row order.
    std::vector<std::string> selectedNames() const;
    std::string rowName(const QTreeWidgetItem* row) const;

  protected:
    LResult handleMessage(Message message, WParam wParam, LParam lParam) override;
    void showEvent(QShowEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    bool event(QEvent* event) override;
    bool edit(const QModelIndex& index, EditTrigger trigger, QEvent* event) override;
    void commitData(QWidget* editor) override;
    CListViewEx* dropTarget() const override;

  private:
    struct TypeInfo {
        QString name;
        int icon = 0;
    };

    void firstShow();
    QTreeWidgetItem* makeRow(const vox::panes::FolderEntry& entry);
    // Adds the row of `name` in the working directory at the end; none when
    // it is not there.
    QTreeWidgetItem* appendRow(const std::string& name);
    const TypeInfo& typeOf(const vox::panes::FolderEntry& entry);
    bool rename(QTreeWidgetItem* row, const QString& newText);
    QTreeWidgetItem* editedRow_ = nullptr;
    void sendSelectionSummary();
    void sendStatus(WParam wParam, LParam lParam);
    std::string filter() const;

    CPelmarchDoc& doc_;
    bool ready_ = false;
    QHash<QString, TypeInfo> types_;  // by lower-case extension
};

}  // namespace vox::app
