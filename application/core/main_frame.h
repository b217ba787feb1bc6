#pragma once
// The main window: a band with the program's version, the PC side above the
// recorder side (each a toolbar form over a folder tree beside a file list),
// and a status bar of three panes. It keeps its placement and layout in the
// settings, watches for recorders and volumes coming and going, and
// runs the debounced device check on timer 101.

#include <QMainWindow>
#include <QTimer>
#include <array>
#include <memory>
#include <string>
#include <vector>

#include "application/core/message_window.h"

class QLabel;
class QSplitter;
class QToolBar;

namespace vox::panes {
class CProgressBar;
}

namespace vox::app {

class CPelmarchDoc;
class CFixedSplitter;
class CDirForm;
class CDirTree;
class CDirList;
class CFlashForm;
class CFlashTree;
class CFlashList;
class DeviceNoticeRelay;
class MountWatcher;
class PlayerStrip;
struct MediaChange;
struct IntSetting;

class CMainFrame : public QMainWindow, public MessageWindow {
    Q_OBJECT
  public:
    static constexpr int kStatusPanes = 3;

    explicit CMainFrame(CPelmarchDoc& doc, QWidget* parent = nullptr);
    ~CMainFrame() override;

    // Shows the window the first time with the stored show state.
    void showFirstTime();
    // The settings, as the close request writes them.
    void saveLayout();
    void savePlacement();

    // A volume was mounted or unmounted: the PC tree refreshes that drive.
    void mediaChanged(const MediaChange& change);

    // The parts of the window, for the panes and the status display.
    QLabel* statusPane(int index) const { return statusPanes_.at(index); }
    QToolBar* band() const { return band_; }
    QSplitter* outerSplitter() const { return outer_; }
    CFixedSplitter* pcSide() const { return pcSide_; }
    CFixedSplitter* recorderSide() const { return recorderSide_; }
    QSplitter* pcSplitter() const { return pcSplit_; }
    QSplitter* recorderSplitter() const { return recorderSplit_; }
    bool deviceTimerPending() const { return timerPending_ != 0; }
    bool deviceTimerActive() const { return deviceTimer_.isActive(); }
    // The memory bar in status pane 2; null while no recorder is listed.
    vox::panes::CProgressBar* memoryBar() const { return memoryBar_.get(); }

  protected:
    LResult handleMessage(Message message, WParam wParam, LParam lParam) override;
    void closeEvent(QCloseEvent* event) override;

  public:
    // A splitter position kept in the settings: the size of the splitter's
    // first row or column and the minimum that its pane keeps.
    struct SplitPosition {
        QSplitter* splitter;
        QWidget* pane;
        const IntSetting* ideal;
        const IntSetting* minimum;
    };

  private:
    std::array<SplitPosition, 5> splitPositions() const;
    void placeAtCreation();
    void buildBand();
    void buildClientArea();
    void buildStatusBar();
    // The player strip under the panes, listening to the lists' keys.
    void addPlayerStrip();
    void restoreLayout();
    void onDeviceChange(unsigned event);
    void onDeviceTimer();
    void onStatusInfo(WParam info, LParam detail);
    void onMemoryBar(WParam addedBlocks);
    void showDocumentTitle(const std::string& title);

    // The requests the panes send (one file of its own each).
    void onUpload();
    void onDownload(WParam source, LParam dropped);
    void onDelete();
    void onMove(bool up);
    void onFormat();
    void onConvert(WParam direction);
    // Shows the busy box and returns true while a device worker runs.
    bool refuseWhileBusy();
    // The selected recorder list rows, in ascending order.
    std::vector<std::size_t> selectedRecorderRows() const;

    CPelmarchDoc& doc_;
    int firstShowState_ = 1;
    QToolBar* band_ = nullptr;
    QSplitter* outer_ = nullptr;
    CFixedSplitter* pcSide_ = nullptr;
    CFixedSplitter* recorderSide_ = nullptr;
    QSplitter* pcSplit_ = nullptr;
    QSplitter* recorderSplit_ = nullptr;
    CDirForm* dirForm_ = nullptr;
    CDirTree* dirTree_ = nullptr;
    CDirList* dirList_ = nullptr;
    CFlashForm* flashForm_ = nullptr;
    CFlashTree* flashTree_ = nullptr;
    CFlashList* flashList_ = nullptr;
    PlayerStrip* playerStrip_ = nullptr;
    std::array<QLabel*, kStatusPanes> statusPanes_{};
    QTimer deviceTimer_;
    int timerPending_ = 0;
    std::unique_ptr<DeviceNoticeRelay> deviceNotices_;
    std::unique_ptr<MountWatcher> mediaWatcher_;
    std::unique_ptr<vox::panes::CProgressBar> memoryBar_;
};

}  // namespace vox::app
