#pragma once
// The recorder list: the files of the current recorder folder with their
// name, size, type and date, one listing call per refresh. Row i shows entry
// i + 2 of the document's listing (entries 0 and 1 are "." and "..").

#include <QString>
#include <QStringList>

#include "application/panes/list_view_ex.h"
#include "engine/rules/recorder_folder.h"
#include "engine/session/folder_reader.h"

namespace vox::app {

class CPelmarchDoc;

class CFlashList : public vox::panes::CListViewEx {
    Q_OBJECT
  public:
    explicit CFlashList(CPelmarchDoc& doc, QWidget* parent = nullptr);
    ~CFlashList() override;

    // Lists folder `index` (-1: the current folder) into the rows and reports
    // the outcome to the recorder form and the status bar.
    void listFolder(int index);
    // Appends the row of a PC file that has just reached the recorder.
    void addPcFile(const QString& path);
    // Tells the status bar what is selected.
    void sendSelectionSummary();

  protected:
    vox::app::LResult handleMessage(vox::app::Message message, vox::app::WParam wParam,
                                    vox::app::LParam lParam) override;
    bool event(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    CListViewEx* dropTarget() const override;
    // Files dragged here from the desktop's file manager.
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

  private:
    void addRow(const QString& name, const QString& size, const QString& extension, int iconIndex,
                const QString& date);
    session::ListingRead readListing(int folder);
    void listingFailed(const char* reason);
    void explainMissingRecorder();
    void sendIdleStatus();
    void reportDeviceState(int state);
    void sendStatus(const QString& text);
    void sendToFrame(vox::app::Message message, vox::app::WParam wParam, vox::app::LParam lParam);

    CPelmarchDoc& doc_;
    rules::RecorderFolder listedFolder_ = rules::RecorderFolder::Mp3;
    QStringList reasonsExplained_;  // the reasons a box has told already
};

}  // namespace vox::app
