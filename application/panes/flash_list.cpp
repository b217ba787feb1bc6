#include "application/panes/flash_list.h"

#include <QDateTime>
#include <QDropEvent>
#include <QFileInfo>
#include <QHeaderView>
#include <QKeyEvent>
#include <cstring>

#include "application/core/message_boxes.h"
#include "application/core/pelmarch_doc.h"
#include "application/core/selection_summary.h"
#include "application/panes/desktop_drop.h"
#include "application/panes/dir_panes.h"
#include "application/panes/flash_form.h"
#include "application/panes/pane_keys.h"
#include "application/panes/system_icons.h"
#include "application/resources/resources.h"
#include "engine/rules/listed_entry.h"
#include "engine/rules/recorder_folder.h"
#include "engine/rules/size_text.h"
#include "engine/session/folder_reader.h"
#include "platform/messages/message_numbers.h"
#include "platform/stack/device_stack.h"
#include "platform/text/conversion.h"
#include "platform/text/time_text.h"

namespace vox::app {

namespace {

using vox::panes::SystemIcons;
namespace msg = vox::messages;

QString fromAnsi(const std::string& text) {
    const std::u16string wide = vox::text::toWide(text);
    return QString::fromUtf16(wide.data(), static_cast<qsizetype>(wide.size()));
}

// Short date, one space, time without seconds, as the user's locale writes them.
QString dateText(const vox::text::LocalTime& time) {
    return QString::fromLocal8Bit(vox::text::shortDateText(time) + " " +
                                  vox::text::timeTextWithoutSeconds(time));
}

vox::text::LocalTime asLocalTime(const rules::RecorderDate& date) {
    return {date.year, date.month, date.day, date.hour, date.minute, date.second};
}

// The extension field without its space padding.
QString extensionOf(const rules::ListedFile& file) {
    std::string extension = file.extension;
    while (!extension.empty() && extension.back() == ' ') extension.pop_back();
    return fromAnsi(extension);
}

}  // namespace

CFlashList::CFlashList(CPelmarchDoc& doc, QWidget* parent) : CListViewEx(parent), doc_(doc) {
    doc.flashList = this;
    setWindowTitle(QStringLiteral("FlashListView"));
    setAccessibleName(QStringLiteral("Recorder list"));
    SystemIcons::acquire();
    setIconSize(SystemIcons::iconSize(SystemIcons::Kind::Small));
    core().insertColumn(0, vox::res::text(QStringLiteral("shell_name")), Qt::AlignLeft, 200);
    core().insertColumn(1, vox::res::text(QStringLiteral("shell_size")), Qt::AlignRight, 100);
    core().insertColumn(2, vox::res::text(QStringLiteral("shell_type")), Qt::AlignLeft, 100);
    core().insertColumn(3, vox::res::text(QStringLiteral("shell_date")), Qt::AlignLeft, 100);
    header()->setSectionsMovable(true);
    setDropMessage(msg::WM_UPLOAD_FILES);
    viewport()->setAcceptDrops(true);  // files from the desktop, on the rows only
    connect(this, &QTreeWidget::itemSelectionChanged, this, [this] { sendSelectionSummary(); });
    connect(this, &QTreeWidget::itemClicked, this, [this] { sendSelectionSummary(); });
}

CFlashList::~CFlashList() {
    SystemIcons::release();
}

void CFlashList::listFolder(int index) {
    clear();
    sendStatus(vox::res::text(QStringLiteral("refresh_device")));
    if (!doc_.checkDevice()) {
        reportDeviceState(0);
        explainMissingRecorder();
        return;
    }
    if (index < 0 || index >= kFolderCount) index = doc_.currentFolder;
    if (index < 0) index = static_cast<int>(rules::RecorderFolder::Mp3);
    if (const session::ListingRead read = readListing(index); read != session::ListingRead::Read)
        return listingFailed(session::listingFailureCode(read));
    listedFolder_ = static_cast<rules::RecorderFolder>(index);
    sendToFrame(msg::WM_MEMORY_BAR, 0, 0);

    const int count = rules::listedEntryCount(doc_.listing);
    for (int k = 2; k < count; ++k) {
        const rules::ListedFile file = rules::listedFile(doc_.listing.entries[k]);
        const QString extension = QStringLiteral(".") + extensionOf(file);
        const int icon = SystemIcons::indexOfExtension(extension);
        addRow(fromAnsi(rules::entryName(file)),
               QString::fromStdString(rules::kilobyteColumnText(file.size)), extension,
               icon == 0 ? SystemIcons::kDocumentIcon : icon,
               dateText(asLocalTime(rules::shownDate(file.date))));
    }
    reportDeviceState(1);
    setFocus(Qt::OtherFocusReason);
    sendIdleStatus();
}

// "Ready", unless the folder holds more entries than its listing carries:
// then the rows are not all, and the status bar keeps saying so.
void CFlashList::sendIdleStatus() {
    if (!rules::listingIsCut(doc_.listing)) return sendToFrame(msg::WM_STATUS_INFO, 0, 0);
    sendStatus(QString::fromStdString(
        rules::moreThanShownText(std::string(rules::folderLabel(listedFolder_)),
                                 static_cast<std::size_t>(topLevelItemCount()))));
}

// A recorder that is plugged in but cannot be used says why, in the status
// bar each time and in a box the first time this list meets that reason;
// else the recorder is simply not found.
void CFlashList::explainMissingRecorder() {
    const QString reason = QString::fromStdString(vox::stack::unusableRecorderReason());
    if (reason.isEmpty()) return sendStatus(vox::res::text(QStringLiteral("recorder_not_found")));
    sendStatus(reason);
    if (reasonsExplained_.contains(reason)) return;
    reasonsExplained_.append(reason);
    messageBoxes().show(reason, BoxButtons::Ok, BoxIcon::Stop);
}

// The folder's listing into the document's, read the way every front end
// reads a folder.
session::ListingRead CFlashList::readListing(int folder) {
    const std::string fallback =
        rules::folderListingName(static_cast<rules::RecorderFolder>(folder));
    const char* name = doc_.folderNames[folder] ? doc_.folderNames[folder] : fallback.c_str();
    return session::readListing(doc_.deviceApi().refreshDevice, doc_.deviceLink, name, true,
                                doc_.listing);
}

// A failed listing leaves nothing of the recorder behind: no rows, no
// listing (also when the recorder form already shows the recorder as
// missing), and no memory bar.
void CFlashList::listingFailed(const char* reason) {
    clear();
    reportDeviceState(0);
    std::memset(&doc_.listing, 0, sizeof doc_.listing);
    sendToFrame(msg::WM_MEMORY_BAR, 0, 0);
    messageBoxes().show(vox::res::text(QStringLiteral("usb_failed")) + QString::fromLatin1(reason) +
                            vox::res::text(QStringLiteral("reconnect")),
                        BoxButtons::Ok, BoxIcon::None);
}

void CFlashList::addRow(const QString& name, const QString& size, const QString& extension,
                        int iconIndex, const QString& date) {
    auto* row = new QTreeWidgetItem(this);
    row->setText(0, name);
    row->setText(1, size);
    row->setTextAlignment(1, Qt::AlignRight | Qt::AlignVCenter);
    row->setText(2, SystemIcons::typeName(QFileInfo(QStringLiteral("file") + extension)));
    row->setText(3, date);
    row->setIcon(0, SystemIcons::icon(iconIndex));
    row->setData(0, vox::panes::kImageIndexRole, iconIndex);
}

void CFlashList::addPcFile(const QString& path) {
    const QFileInfo file(path);
    const int icon = SystemIcons::indexOf(file);
    const QDateTime written = file.lastModified();
    addRow(
        file.fileName(),
        QString::fromStdString(rules::kilobyteColumnText(static_cast<std::uint64_t>(file.size()))),
        file.suffix().isEmpty() ? QStringLiteral(".") : QStringLiteral(".") + file.suffix(),
        icon <= 0 ? SystemIcons::kDocumentIcon : icon,
        dateText(vox::text::localTimeOf(written.toSecsSinceEpoch())));
}

void CFlashList::sendSelectionSummary() {
    const QList<QTreeWidgetItem*> selected = selectedItems();
    if (selected.isEmpty()) return sendIdleStatus();
    SelectionSummary summary{0, static_cast<std::int32_t>(selected.size()), 0, 0, 0};
    const int count = rules::listedEntryCount(doc_.listing);
    for (QTreeWidgetItem* row : selected) {
        const int entry = indexOfTopLevelItem(row) + 2;
        if (entry < count) summary.bytes += doc_.listing.entries[entry].size;
    }
    sendToFrame(msg::WM_STATUS_INFO, kSelectionSummaryInfo,
                reinterpret_cast<vox::app::LParam>(&summary));
}

void CFlashList::reportDeviceState(int state) {
    if (doc_.flashForm) doc_.flashForm->send(msg::WM_DEVICE_STATE, state, 0);
}

// The text travels as UTF-8 and lives until the main window has handled it.
void CFlashList::sendStatus(const QString& text) {
    const QByteArray bytes = text.toUtf8();
    sendToFrame(msg::WM_STATUS_INFO, 0, reinterpret_cast<vox::app::LParam>(bytes.constData()));
}

void CFlashList::sendToFrame(vox::app::Message message, vox::app::WParam wParam,
                             vox::app::LParam lParam) {
    if (doc_.mainFrame) doc_.mainFrame->send(message, wParam, lParam);
}

vox::app::LResult CFlashList::handleMessage(vox::app::Message message, vox::app::WParam wParam,
                                            vox::app::LParam) {
    if (message != msg::WM_REFRESH_LIST) return 0;
    listFolder(-1);
    const int row = static_cast<int>(wParam);
    if (row != 0 && row < topLevelItemCount()) {
        setCurrentItem(topLevelItem(row));
        setFocus(Qt::OtherFocusReason);
    }
    return 0;
}

bool CFlashList::event(QEvent* event) {
    if (vox::panes::isPlainTab(event)) {
        if (doc_.dirTree) doc_.dirTree->setFocus(Qt::TabFocusReason);
        return true;
    }
    return CListViewEx::event(event);
}

void CFlashList::keyPressEvent(QKeyEvent* event) {
    const bool control = event->modifiers() == Qt::ControlModifier;
    if (control && (event->key() == Qt::Key_Up || event->key() == Qt::Key_Down)) {
        sendToFrame(msg::WM_MOVE_FILE, event->key() == Qt::Key_Up ? 1 : 0, 0);
        event->accept();
        return;
    }
    if (event->key() == Qt::Key_Delete) {
        sendToFrame(msg::WM_DELETE_FILES, 0, 0);
        event->accept();
        return;
    }
    CListViewEx::keyPressEvent(event);
}

// With nothing selected, the first row gets the focus mark so that the keys
// have a row to start from.
void CFlashList::focusInEvent(QFocusEvent* event) {
    CListViewEx::focusInEvent(event);
    if (doc_.deviceWorkerRunning() || topLevelItemCount() == 0 || !selectedItems().isEmpty())
        return;
    selectionModel()->setCurrentIndex(model()->index(0, 0), QItemSelectionModel::NoUpdate);
}

vox::panes::CListViewEx* CFlashList::dropTarget() const {
    return doc_.dirList;
}

void CFlashList::dragEnterEvent(QDragEnterEvent* event) {
    dragMoveEvent(event);
}

void CFlashList::dragMoveEvent(QDragMoveEvent* event) {
    if (vox::panes::desktopFilesIn(*event))
        vox::panes::acceptAsCopy(*event);
    else
        event->ignore();
}

// The download reads the paths while the message is handled.
void CFlashList::dropEvent(QDropEvent* event) {
    std::optional<vox::panes::DroppedFiles> files = vox::panes::desktopFilesIn(*event);
    if (!files) return event->ignore();
    vox::panes::acceptAsCopy(*event);
    sendToFrame(msg::WM_DOWNLOAD_FILES, vox::panes::kDroppedFiles,
                reinterpret_cast<vox::app::LParam>(&*files));
}

}  // namespace vox::app
