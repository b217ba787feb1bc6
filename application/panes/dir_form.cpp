#include "application/panes/dir_form.h"

#include <QApplication>
#include <QComboBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <array>

#include "application/core/pelmarch_doc.h"
#include "application/panes/dir_list.h"
#include "application/panes/dir_tree.h"
#include "application/panes/hover_button.h"
#include "platform/messages/message_numbers.h"

namespace vox::app {

namespace {

using vox::panes::CHoverButton;

// A button's caption ('&' marks the mnemonic; none for the picture), its
// strip, and what a screen reader says of it: a name unique in the window
// and what the button does.
struct ButtonTemplate {
    CDirForm::Control id;
    const char* caption;
    const char* bitmap;
    const char* name;
    const char* description;
};

constexpr std::array<ButtonTemplate, 7> kButtons{{
    {CDirForm::DirButton, "", "bitmaps/134_computer.png", "PC", "Stands for this computer"},
    {CDirForm::UpFolder, "&Up Floder", "bitmaps/146_up_folder.png", "Up one folder on the PC",
     "Opens the folder that holds the open PC folder"},
    {CDirForm::CreateFolder, "&Create Folder", "bitmaps/147_new_folder.png",
     "Create a folder on the PC", "Makes a new folder in the open PC folder"},
    {CDirForm::Delete, "&Delete", "bitmaps/145_delete.png", "Delete on the PC",
     "Moves the selected PC files to the trash, after a question"},
    {CDirForm::ConvertToWave, "&Convert to WAVE", "bitmaps/141_to_wave.png", "Convert to WAVE",
     "Converts the selected PC recordings into WAVE files"},
    {CDirForm::ConvertToDvf, "&Convert to DVF", "bitmaps/150_to_dvf.png", "Convert to DVF",
     "Converts the selected WAVE files into recordings of the chosen quality"},
    {CDirForm::Refresh, "&Refresh", "bitmaps/149_refresh.png", "Refresh the PC list",
     "Reads the open PC folder again"},
}};

QComboBox* dropDownList(QWidget* parent, const QString& name, const QString& description,
                        const QStringList& items) {
    auto* list = new QComboBox(parent);
    list->setEditable(false);
    list->addItems(items);
    list->setAccessibleName(name);
    list->setAccessibleDescription(description);
    return list;
}

}  // namespace

CDirForm::CDirForm(CPelmarchDoc& doc, QWidget* parent) : PaneWindow(parent), doc_(doc) {
    setWindowTitle(QStringLiteral("DirFormView"));
    setAccessibleName(QStringLiteral("PC toolbar"));
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(2, 2, 2, 2);
    row->setSpacing(2);
    for (const ButtonTemplate& item : kButtons) {
        auto* button = new CHoverButton(this);
        button->setAccessibleName(QString::fromLatin1(item.name));
        button->setAccessibleDescription(QString::fromLatin1(item.description));
        // The picture has no caption: its name serves as its tooltip. The
        // others get theirs with their keys.
        button->setCaption(QString::fromLatin1(item.caption));
        if (item.id == DirButton) button->setTooltipText(button->accessibleName());
        connect(button, &QAbstractButton::clicked, this,
                [this, id = item.id] { buttonClicked(id); });
        buttons_[item.id] = button;
        row->addWidget(button);
    }
    row->addSpacing(8);
    quality_ = dropDownList(
        this, QStringLiteral("Quality"),
        QStringLiteral("The quality of the recordings Convert to DVF makes"),
        {QStringLiteral("WAV->LP"), QStringLiteral("WAV->SP"), QStringLiteral("WAV->HQ")});
    type_ = dropDownList(this, QStringLiteral("Type"),
                         QStringLiteral("The kind of file the PC list shows"),
                         {QStringLiteral("*.*"), QStringLiteral("*.mp3"), QStringLiteral("*.wma"),
                          QStringLiteral("*.wav"), QStringLiteral("*.dvf")});
    auto* qualityLabel = new QLabel(QStringLiteral("Quality :"), this);
    qualityLabel->setBuddy(quality_);
    auto* typeLabel = new QLabel(QStringLiteral("Type :"), this);
    typeLabel->setBuddy(type_);
    row->addWidget(qualityLabel);
    row->addWidget(quality_);
    row->addWidget(typeLabel);
    row->addWidget(type_);
    row->addStretch(1);
    connect(type_, &QComboBox::activated, this, [this] {
        commitChoices();
        if (doc_.dirList) doc_.dirList->send(vox::messages::WM_REFRESH_LIST, 0, 0);
    });
    doc_.dirForm = this;
}

CDirForm::~CDirForm() {
    if (doc_.dirForm == this) doc_.dirForm = nullptr;
}

// The pictures are loaded, and the kept choices shown, when the form is
// first shown.
void CDirForm::showEvent(QShowEvent* event) {
    PaneWindow::showEvent(event);
    if (shown_) return;
    shown_ = true;
    for (const ButtonTemplate& item : kButtons)
        buttons_.at(item.id)->loadBitmap(QString::fromUtf8(item.bitmap));
    showChoices();
}

CHoverButton* CDirForm::button(Control id) const {
    const auto found = buttons_.find(id);
    return found == buttons_.end() ? nullptr : found->second;
}

void CDirForm::commitChoices() {
    quality = quality_->currentIndex();
    filter = type_->currentText();
}

// A pattern selects the first item that starts with it, as a drop-down
// list does ("*" shows "*.*").
void CDirForm::showChoices() {
    quality_->setCurrentIndex(quality >= 0 && quality < quality_->count() ? quality : -1);
    type_->setCurrentIndex(type_->findText(filter, Qt::MatchStartsWith));
}

void CDirForm::buttonClicked(Control id) {
    MessageWindow* frame = vox::panes::frameOf(this);
    switch (id) {
        case UpFolder:
            upFolder();
            break;
        case CreateFolder:
            if (doc_.dirList) doc_.dirList->send(vox::messages::WM_NEW_FOLDER, 0, 0);
            break;
        case Delete:
            if (doc_.dirList) {
                QKeyEvent press(QEvent::KeyPress, Qt::Key_Delete, Qt::NoModifier);
                QApplication::sendEvent(doc_.dirList, &press);
            }
            break;
        case ConvertToWave:
            if (frame) frame->post(vox::messages::WM_CONVERT_FILES, 1, 0);
            break;
        case ConvertToDvf:
            commitChoices();
            if (frame) frame->post(vox::messages::WM_CONVERT_FILES, 0, 0);
            break;
        case Refresh:
            if (doc_.dirList) doc_.dirList->send(vox::messages::WM_REFRESH_LIST, 0, 0);
            break;
        default:
            break;
    }
}

void CDirForm::upFolder() {
    if (!doc_.dirTree) return;
    const std::vector<std::string>& drives = doc_.dirTree->driveStrings();
    if (doc_.workingDirectory == "/" ||
        std::find(drives.begin(), drives.end(), doc_.workingDirectory) != drives.end())
        return;
    doc_.dirTree->selectParent();
}

}  // namespace vox::app
