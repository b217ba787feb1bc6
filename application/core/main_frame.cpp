#include "application/core/main_frame.h"

#include <QCloseEvent>
#include <QFile>
#include <QGuiApplication>
#include <QLabel>
#include <QScreen>
#include <QShortcut>
#include <QStatusBar>
#include <QStyle>
#include <QToolBar>
#include <QVBoxLayout>

#include "application/core/app_title.h"
#include "application/core/device_notice_relay.h"
#include "application/core/fixed_splitter.h"
#include "application/core/frame_messages.h"
#include "application/core/mount_watcher.h"
#include "application/core/pelmarch_doc.h"
#include "application/core/window_placement.h"
#include "application/panes/button_keys.h"
#include "application/panes/dir_panes.h"
#include "application/panes/flash_form.h"
#include "application/panes/flash_list.h"
#include "application/panes/flash_tree.h"
#include "application/panes/hover_button.h"
#include "application/panes/status_progress_bar.h"
#include "application/resources/resources.h"
#include "platform/devio/device_notifications.h"
#include "platform/messages/message_numbers.h"

namespace vox::app {

namespace {

constexpr int kFirstCheckMs = 400;
constexpr int kNoticeDebounceMs = 100;
constexpr int kMediaArrivalDelayMs = 3000;
constexpr int kMediaRemovalDelayMs = 500;
constexpr std::array<int, CMainFrame::kStatusPanes> kStatusWidths{100, 70, 200};

// Panes get these sizes when they are made, before the stored sizes apply.
template <typename Pane>
Pane* sized(Pane* pane, int width, int height) {
    pane->resize(width, height);
    return pane;
}

}  // namespace

CMainFrame::CMainFrame(CPelmarchDoc& doc, QWidget* parent) : QMainWindow(parent), doc_(doc) {
    doc.mainFrame = this;
    showDocumentTitle(kUntitled);
    doc_.titleChanged = [this](const std::string& title) { showDocumentTitle(title); };
    placeAtCreation();
    buildBand();
    buildStatusBar();
    buildClientArea();
    addPlayerStrip();
    restoreLayout();

    deviceTimer_.setSingleShot(true);
    connect(&deviceTimer_, &QTimer::timeout, this, [this] { onDeviceTimer(); });
    deviceTimer_.start(kFirstCheckMs);

    // F5 reads both sides again.
    auto* refresh = new QShortcut(QKeySequence(Qt::Key_F5), this);
    connect(refresh, &QShortcut::activated, this, [this] {
        send(WM_COMMAND, kRefreshCommand, 0);
        if (dirList_) dirList_->send(vox::messages::WM_REFRESH_LIST, 0, 0);
    });

    deviceNotices_ = std::make_unique<DeviceNoticeRelay>(this);
    mediaWatcher_ =
        std::make_unique<MountWatcher>([this](const MediaChange& change) { mediaChanged(change); });
}

CMainFrame::~CMainFrame() {
    doc_.titleChanged = nullptr;
    deviceNotices_->close();
    if (doc_.mainFrame == this) doc_.mainFrame = nullptr;
}

void CMainFrame::showDocumentTitle(const std::string& title) {
    setWindowTitle(QFile::decodeName(QByteArray::fromStdString(title)) + QStringLiteral(" - ") +
                   vox::res::text(QStringLiteral("app_title")));
}

void CMainFrame::placeAtCreation() {
    const StoredPlacement stored = readStoredPlacement();
    const QScreen* screen = QGuiApplication::primaryScreen();
    const int icon = style()->pixelMetric(QStyle::PM_LargeIconSize);
    setGeometry(initialGeometry(stored, screen->availableGeometry(), screen->geometry().size(),
                                QSize(icon, icon)));
    firstShowState_ = stored.status;
}

void CMainFrame::showFirstTime() {
    if (firstShowState_ == kShowMaximized)
        showMaximized();
    else
        showNormal();
}

void CMainFrame::buildBand() {
    band_ = addToolBar(QStringLiteral("Band"));
    band_->setMovable(true);  // the band's gripper
    band_->setFloatable(false);
    auto* form = new QWidget(band_);
    auto* layout = new QVBoxLayout(form);
    layout->setContentsMargins(6, 2, 6, 2);
    layout->addWidget(new QLabel(vox::res::text(QStringLiteral("version_band")), form));
    band_->addWidget(form);
}

void CMainFrame::buildClientArea() {
    outer_ = new QSplitter(Qt::Vertical, this);
    pcSide_ = new CFixedSplitter(Qt::Vertical, outer_);
    recorderSide_ = new CFixedSplitter(Qt::Vertical, outer_);

    dirForm_ = sized(new CDirForm(doc_, pcSide_), 100, 100);
    pcSplit_ = new QSplitter(Qt::Horizontal, pcSide_);
    dirTree_ = sized(new CDirTree(doc_, pcSplit_), 300, 100);
    dirList_ = sized(new CDirList(doc_, pcSplit_), 100, 100);

    flashForm_ = sized(new CFlashForm(doc_, recorderSide_), 100, 100);
    recorderSplit_ = new QSplitter(Qt::Horizontal, recorderSide_);
    flashTree_ = sized(new CFlashTree(doc_, recorderSplit_), 200, 100);
    flashList_ = sized(new CFlashList(doc_, recorderSplit_), 100, 100);

    // The first row or column keeps its size; the last one takes the rest.
    for (QSplitter* splitter : {outer_, static_cast<QSplitter*>(pcSide_),
                                static_cast<QSplitter*>(recorderSide_), pcSplit_, recorderSplit_}) {
        splitter->setStretchFactor(0, 0);
        splitter->setStretchFactor(1, 1);
        splitter->setChildrenCollapsible(false);
    }
    setCentralWidget(outer_);
    flashList_->setAccessibleDescription(QStringLiteral("The files of the open recorder folder"));
    flashTree_->setAccessibleDescription(QStringLiteral("The recorder's folders"));
    // The recorder's buttons choose their keys first.
    vox::panes::assignButtonKeys(flashForm_->findChildren<vox::panes::CHoverButton*>() +
                                 dirForm_->findChildren<vox::panes::CHoverButton*>());
}

void CMainFrame::buildStatusBar() {
    QStatusBar* bar = statusBar();
    for (int pane = 0; pane < kStatusPanes; ++pane) {
        auto* label = new QLabel(bar);
        label->setFrameShape(QFrame::Panel);
        label->setFrameShadow(QFrame::Sunken);
        if (pane == 0) {
            label->setMinimumWidth(kStatusWidths[0]);
            bar->addWidget(label, 1);
        } else {
            label->setFixedWidth(kStatusWidths[pane]);
            bar->addPermanentWidget(label);
        }
        statusPanes_[pane] = label;
    }
    // A pane without a name of its own is named by its text, so a screen
    // reader reads and hears each new text; the description says which pane.
    statusPanes_[0]->setAccessibleDescription(QStringLiteral("Status"));
    statusPanes_[1]->setAccessibleDescription(QStringLiteral("Selection size"));
    statusPanes_[2]->setAccessibleDescription(QStringLiteral("Recorder memory"));
    statusPanes_[0]->setText(vox::res::text(QStringLiteral("ready")));
}

LResult CMainFrame::handleMessage(Message message, WParam wParam, LParam lParam) {
    switch (message) {
        case vox::messages::WM_STATUS_INFO:
            onStatusInfo(wParam, lParam);
            return 0;
        case vox::messages::WM_MEMORY_BAR:
            onMemoryBar(wParam);
            return 0;
        case vox::messages::WM_UPLOAD_FILES:
            onUpload();
            return 0;
        case vox::messages::WM_DOWNLOAD_FILES:
            onDownload(wParam, lParam);
            return 0;
        case vox::messages::WM_DELETE_FILES:
            onDelete();
            return 0;
        case vox::messages::WM_MOVE_FILE:
            onMove(wParam != 0);
            return 0;
        case vox::messages::WM_FORMAT_DEVICE:
            onFormat();
            return 0;
        case vox::messages::WM_CONVERT_FILES:
            onConvert(wParam);
            return 0;
        case WM_COMMAND:
            if ((wParam & 0xffff) == kRefreshCommand) doc_.refresh(this);
            return 0;
        case WM_DEVICECHANGE:
            onDeviceChange(static_cast<unsigned>(wParam));
            return 1;
        default:
            return 0;
    }
}

// One device check per burst of device-node notices, 100 ms after the first.
void CMainFrame::onDeviceChange(unsigned event) {
    if (event != vox::devio::kDeviceNodesChanged || timerPending_ != 0) return;
    deviceTimer_.start(kNoticeDebounceMs);
    timerPending_ = 1;
}

void CMainFrame::onDeviceTimer() {
    timerPending_ = 0;
    deviceTimer_.stop();
    send(WM_COMMAND, kRefreshCommand, 0);
}

void CMainFrame::mediaChanged(const MediaChange& change) {
    if (!doc_.dirTree) return;
    doc_.dirTree->postText(vox::messages::WM_MEDIA_CHANGED,
                           change.arrival ? kMediaArrivalDelayMs : kMediaRemovalDelayMs,
                           change.root);
}

// The settings are written on every close request, also on one the document
// then refuses.
void CMainFrame::closeEvent(QCloseEvent* event) {
    saveLayout();
    savePlacement();
    if (doc_.canClose())
        event->accept();
    else
        event->ignore();
}

}  // namespace vox::app
