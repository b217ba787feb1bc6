#include "application/panes/flash_form.h"

#include <QApplication>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <cstring>

#include "application/core/message_boxes.h"
#include "application/core/pelmarch_doc.h"
#include "application/panes/flash_list.h"
#include "application/panes/flash_operations.h"
#include "application/panes/flash_tree.h"
#include "application/resources/resources.h"
#include "device_library/firmware.h"
#include "platform/messages/message_numbers.h"

namespace vox::app {

namespace msg = vox::messages;
using vox::panes::CHoverButton;
using vox::panes::TextProgressCtrl;

// A button's caption (a string-table key), strip, and what a screen reader
// says of it: a name unique in the window and what the button does.
struct CFlashForm::ButtonSpec {
    ControlId id;
    const char* captionKey;
    const char* strip;
    const char* name;
    const char* description;
};

CFlashForm::CFlashForm(CPelmarchDoc& doc, QWidget* parent) : PaneWindow(parent), doc_(doc) {
    doc.flashForm = this;
    setWindowTitle(QStringLiteral("FlashFormView"));
    setAccessibleName(QStringLiteral("Recorder form"));
    buildControls();
    operations_ = std::make_unique<FlashOperations>(doc, *this);
}

CFlashForm::~CFlashForm() {
    operations_.reset();  // the workers end while the form still takes their notices
}

void CFlashForm::buildControls() {
    static constexpr ButtonSpec kButtons[] = {
        {kPicture, "flash_picture", "133_recorder", "Recorder",
         "Lit while a recorder is connected"},
        {kDownload, "flash_download", "139_download", "Download to the recorder",
         "Copies the selected PC files into the open recorder folder"},
        {kUpload, "flash_upload", "138_upload", "Upload to the PC",
         "Copies the selected recorder files into the open PC folder"},
        {kFormat, "flash_format", "140_format", "Format the recorder",
         "Erases every recording on the recorder, after a question"},
        {kDelete, "flash_delete", "145_delete", "Delete on the recorder",
         "Deletes the selected recorder files, after a question"},
        {kListUp, "flash_list_up", "142_list_up", "Move up in the recorder list",
         "Moves the selected recorder file one place up"},
        {kListDown, "flash_list_down", "143_list_down", "Move down in the recorder list",
         "Moves the selected recorder file one place down"},
        {kCancel, "flash_cancel", "144_cancel", "Cancel the operation",
         "Stops the running transfer, format or delete"},
    };
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(4, 2, 4, 2);
    for (std::size_t i = 0; i < std::size(kButtons); ++i) {
        const ButtonSpec& spec = kButtons[i];
        auto* made = new CHoverButton(this);
        made->loadBitmap(QStringLiteral("bitmaps/%1.png").arg(QLatin1String(spec.strip)));
        made->setAccessibleName(QString::fromLatin1(spec.name));
        made->setAccessibleDescription(QString::fromLatin1(spec.description));
        // The picture button has no caption of its own ("FlashBtn"): no key,
        // and its name for a tooltip. The others get theirs with their keys.
        if (spec.id == kPicture)
            made->setTooltipText(made->accessibleName());
        else
            made->setCaption(vox::res::text(QString::fromLatin1(spec.captionKey)));
        made->setEnabled(false);
        connect(made, &QAbstractButton::clicked, this, [this, id = spec.id] { clicked(id); });
        buttons_[i] = made;
        ids_[i] = spec.id;
        row->addWidget(made);
        if (spec.id == kPicture) {
            version_ = new QLabel(this);
            version_->setAccessibleName(QStringLiteral("Firmware version"));
            version_->hide();
            row->addWidget(version_);
        }
    }
    auto* bars = new QGridLayout;
    total_ = addBar(bars, 0, "flash_total", QStringLiteral("Total"));
    total_->setAccessibleDescription(QStringLiteral("Progress of the whole operation"));
    current_ = addBar(bars, 1, "flash_current", QStringLiteral("Current"));
    current_->setAccessibleDescription(QStringLiteral("Progress of the current file"));
    bars->setColumnStretch(1, 1);
    row->addLayout(bars, 1);
}

TextProgressCtrl* CFlashForm::addBar(QGridLayout* grid, int row, const char* key,
                                     const QString& name) {
    auto* label = new QLabel(vox::res::text(QString::fromLatin1(key)), this);
    auto* bar = new TextProgressCtrl(this);
    bar->setAccessibleName(name);
    bar->setMinimumHeight(14);
    label->setBuddy(bar);
    grid->addWidget(label, row, 0);
    grid->addWidget(bar, row, 1);
    return bar;
}

CHoverButton* CFlashForm::button(ControlId id) const {
    for (std::size_t i = 0; i < ids_.size(); ++i)
        if (ids_[i] == id) return buttons_[i];
    return nullptr;
}

vox::app::LResult CFlashForm::handleMessage(vox::app::Message message, vox::app::WParam wParam,
                                            vox::app::LParam lParam) {
    switch (message) {
        case msg::WM_DEVICE_STATE:
            deviceState(static_cast<int>(wParam));
            break;
        case msg::WM_ENABLE_CONTROLS:
            enableControls(wParam != 0);
            break;
        case msg::WM_TRANSFER_NOTIFY:
            operations_->onTransferNotice(wParam, lParam);
            break;
        case msg::WM_FORMAT_NOTIFY:
            operations_->onFormatNotice(wParam, lParam);
            break;
        case msg::WM_DELETE_NOTIFY:
            operations_->onDeleteNotice(wParam, lParam);
            break;
        case msg::WM_CONVERT_NOTIFY:
            operations_->onConvertNotice(wParam, lParam);
            break;
        default:
            break;
    }
    return 0;
}

// Only a change of state touches the controls.
void CFlashForm::deviceState(int state) {
    if (state == state_) return;
    state_ = state;
    const bool present = state == 1;
    for (ControlId id : {kDownload, kUpload, kDelete, kFormat, kPicture})
        button(id)->setEnabled(present);
    button(kCancel)->setEnabled(false);
    const bool reorder = present && reorderingFirmware();
    button(kListUp)->setEnabled(reorder);
    button(kListDown)->setEnabled(reorder);
    const int versionByte = doc_.listing.versionByte;
    version_->setText(QStringLiteral("%1.%2")
                          .arg(versionByte >> 4, 0, 16)
                          .arg(versionByte & 0xF, 0, 16)
                          .toUpper());
    version_->setVisible(present);
    if (!present) std::memset(&doc_.listing, 0, sizeof doc_.listing);
}

void CFlashForm::enableControls(bool enable) {
    for (ControlId id : {kDownload, kUpload, kDelete, kFormat}) button(id)->setEnabled(enable);
    button(kCancel)->setEnabled(!enable);
    if (reorderingFirmware()) {
        button(kListUp)->setEnabled(enable);
        button(kListDown)->setEnabled(enable);
    }
    if (doc_.flashTree) doc_.flashTree->setEnabled(enable);
}

bool CFlashForm::reorderingFirmware() const {
    return devsys::canReorder(doc_.listing.versionByte);
}

void CFlashForm::clicked(ControlId id) {
    switch (id) {
        case kDownload:
            return sendToFrame(msg::WM_DOWNLOAD_FILES, 0);
        case kUpload:
            return sendToFrame(msg::WM_UPLOAD_FILES, 0);
        case kFormat:
            if (doc_.deviceWorkerRunning()) {
                messageBoxes().show(vox::res::text(QStringLiteral("busy")), BoxButtons::Ok,
                                    BoxIcon::Stop);
                return;
            }
            return sendToFrame(msg::WM_FORMAT_DEVICE, 0);
        case kDelete:
            if (doc_.flashList) {
                QKeyEvent press(QEvent::KeyPress, Qt::Key_Delete, Qt::NoModifier);
                QApplication::sendEvent(doc_.flashList, &press);
            }
            return;
        case kListUp:
            return sendToFrame(msg::WM_MOVE_FILE, 1);
        case kListDown:
            return sendToFrame(msg::WM_MOVE_FILE, 0);
        case kCancel:
            doc_.setCancel(1);
            return operations_->cancel();
        default:
            return;
    }
}

void CFlashForm::sendToFrame(vox::app::Message message, vox::app::WParam wParam) {
    if (doc_.mainFrame) doc_.mainFrame->send(message, wParam, 0);
}

}  // namespace vox::app
