// The main window's layout and placement in the settings.

#include <QGuiApplication>
#include <QLabel>
#include <QScreen>
#include <QVBoxLayout>

#include "application/core/fixed_splitter.h"
#include "application/core/main_frame.h"
#include "application/core/pelmarch_doc.h"
#include "application/core/profile.h"
#include "application/core/window_placement.h"
#include "application/panes/dir_panes.h"
#include "application/panes/flash_form.h"
#include "application/panes/flash_list.h"
#include "application/panes/flash_tree.h"
#include "application/player/mpris_service.h"
#include "application/player/player_strip.h"

namespace vox::app {

namespace {

using SplitPosition = CMainFrame::SplitPosition;

bool vertical(const QSplitter* splitter) {
    return splitter->orientation() == Qt::Vertical;
}

void applyPosition(const SplitPosition& position) {
    const int minimum = readInt(*position.minimum);
    if (vertical(position.splitter))
        position.pane->setMinimumHeight(minimum);
    else
        position.pane->setMinimumWidth(minimum);
    QList<int> sizes = position.splitter->sizes();
    const int total = std::max(0, sizes.value(0) + sizes.value(1));
    const int first = readInt(*position.ideal);
    position.splitter->setSizes({first, std::max(total - first, 1)});
}

void storePosition(const SplitPosition& position) {
    writeInt(*position.ideal, position.splitter->sizes().value(0));
    writeInt(*position.minimum, vertical(position.splitter) ? position.pane->minimumHeight()
                                                            : position.pane->minimumWidth());
}

int showState(const QWidget& window) {
    if (window.isMinimized()) return kShowMinimized;
    if (window.isMaximized()) return kShowMaximized;
    return kShowNormal;
}

}  // namespace

// Outer row 0, the PC tree column, the recorder tree column, the PC form row
// and the recorder form row.
std::array<SplitPosition, 5> CMainFrame::splitPositions() const {
    return {{
        {outer_, pcSide_, &setting::FrameSplit, &setting::FrameSplitMin},
        {pcSplit_, dirTree_, &setting::DirSplit, &setting::DirSplitMin},
        {recorderSplit_, flashTree_, &setting::FlashSplit, &setting::FlashSplitMin},
        {pcSide_, dirForm_, &setting::DToolBar, &setting::DToolBarMin},
        {recorderSide_, flashForm_, &setting::FToolBar, &setting::FToolBarMin},
    }};
}

void CMainFrame::addPlayerStrip() {
    auto* client = new QWidget(this);
    auto* column = new QVBoxLayout(client);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    column->addWidget(takeCentralWidget(), 1);
    playerStrip_ = new PlayerStrip(doc_, client);
    column->addWidget(playerStrip_);
    playerStrip_->watchLists(dirList_, flashList_);
    publishOnSessionBus(playerStrip_);
    setCentralWidget(client);
}

// Applied at the end of creation, once the band and the status bar exist.
void CMainFrame::restoreLayout() {
    for (const SplitPosition& position : splitPositions()) applyPosition(position);
    // MemBarWidth is not read back: the status panes keep their fixed widths.
    dirForm_->quality = readInt(setting::CB_Quality);
    dirForm_->filter = readText(setting::CB_Filter);
}

void CMainFrame::saveLayout() {
    for (const SplitPosition& position : splitPositions()) storePosition(position);
    writeInt(setting::MemBarWidth, statusPanes_[1]->width());
    writeText(setting::WorkingDirectory, QString::fromStdString(doc_.workingDirectory));
    writeInt(setting::WorkingFlashFolder, doc_.currentFolder);
    writeInt(setting::SortCol, dirList_->core().sortValue());
    writeInt(setting::CB_Quality, dirForm_->quality);
    writeText(setting::CB_Filter, dirForm_->filter);
}

void CMainFrame::savePlacement() {
    const QRect workArea = QGuiApplication::primaryScreen()->availableGeometry();
    writeStoredPlacement(placementToStore(showState(*this), normalGeometry(), workArea));
}

}  // namespace vox::app
