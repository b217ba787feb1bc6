// What the strip plays from the lists, and the fetch of a recorder file
// into the cache folder on a thread of its own.

#include <QCoreApplication>
#include <QFile>
#include <QKeyEvent>
#include <QLabel>
#include <QPointer>

#include "application/core/message_boxes.h"
#include "application/core/pelmarch_doc.h"
#include "application/panes/dir_list.h"
#include "application/panes/flash_list.h"
#include "application/player/player_strip.h"
#include "application/resources/resources.h"
#include "engine/import/import_places.h"
#include "engine/playback/recorder_fetch.h"
#include "engine/rules/listed_entry.h"
#include "engine/rules/rule_texts.h"
#include "engine/rules/text_case.h"

namespace vox::app {
namespace {

bool isPlayable(const std::string& name) {
    const auto dot = name.rfind('.');
    if (dot == std::string::npos) return false;
    const std::string extension = rules::upperAscii(name.substr(dot + 1));
    return extension == "DVF" || extension == "WAV";
}

bool isVoiceFile(const rules::ListedFile& file) {
    return rules::upperAscii(file.extension).rfind("DVF", 0) == 0;
}

}  // namespace

void PlayerStrip::watchLists(CDirList* pcList, CFlashList* recorderList) {
    pcList_ = pcList;
    recorderList_ = recorderList;
    for (QObject* list : {static_cast<QObject*>(pcList), static_cast<QObject*>(recorderList)})
        if (list != nullptr) list->installEventFilter(this);
    if (recorderList != nullptr) {
        connect(recorderList, &QTreeWidget::itemDoubleClicked, this, [this](QTreeWidgetItem* row) {
            const int index = recorderList_->indexOfTopLevelItem(row);
            if (index < 0 || index + 2 >= rules::listedEntryCount(doc_.listing)) return;
            const rules::ListedFile file = rules::listedFile(doc_.listing.entries[index + 2]);
            if (isVoiceFile(file)) playRecorderFile(file);
        });
    }
}

bool PlayerStrip::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::FocusIn) lastList_ = watched;
    if (event->type() != QEvent::KeyPress) return QFrame::eventFilter(watched, event);
    const auto* key = static_cast<QKeyEvent*>(event);
    if (key->key() != Qt::Key_Space || key->modifiers() != Qt::NoModifier)
        return QFrame::eventFilter(watched, event);
    lastList_ = watched;
    if (player_.state() == playback::PlayState::Playing) {
        player_.pause();
        return true;
    }
    return playSelectionOf(watched);
}

bool PlayerStrip::playSelectionOf(QObject* list) {
    if (list == nullptr) list = recorderList_;
    if (list == recorderList_ && playSelectedRecorderFile()) return true;
    return list == pcList_ && playSelectedPcFile();
}

bool PlayerStrip::playSelectedPcFile() {
    if (pcList_ == nullptr) return false;
    const std::vector<std::string> names = pcList_->selectedNames();
    if (names.size() != 1 || !isPlayable(names.front())) return false;
    playPcFile(doc_.workingDirectory + names.front());
    return true;
}

bool PlayerStrip::playSelectedRecorderFile() {
    if (recorderList_ == nullptr) return false;
    const QList<QTreeWidgetItem*> rows = recorderList_->selectedItems();
    if (rows.size() != 1) return false;
    const int index = recorderList_->indexOfTopLevelItem(rows.front());
    if (index < 0 || index + 2 >= rules::listedEntryCount(doc_.listing)) return false;
    const rules::ListedFile file = rules::listedFile(doc_.listing.entries[index + 2]);
    if (!isVoiceFile(file)) return false;
    playRecorderFile(file);
    return true;
}

void PlayerStrip::playPcFile(const std::string& path) {
    const auto slash = path.rfind('/');
    const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    startPlaying(path, QFile::decodeName(QByteArray::fromStdString(name)).toStdString(), path);
}

void PlayerStrip::playRecorderFile(const rules::ListedFile& file) {
    if (fetching()) return;
    if (doc_.deviceWorkerRunning()) return tell(vox::res::text(QStringLiteral("busy")));
    if (doc_.deviceLink == nullptr)
        return tell(QString::fromLatin1(rules::texts::kRecorderNotFound));
    player_.unload();
    const std::string title = rules::entryName(file);
    name_->setText(tr("Fetching %1").arg(QString::fromStdString(title)));
    cancelFetch_ = false;
    // The fetch holds the recorder like a download: the other recorder
    // commands meet the busy box until it ends.
    doc_.work.begin(Work::Transfer);
    DeviceContext* link = doc_.deviceLink;
    const QPointer<PlayerStrip> strip(this);
    fetch_ = std::thread([this, strip, link, file, title] {
        const auto progress = [this, strip, title](std::uint32_t done, std::uint32_t total) {
            const int percent = total > 0 ? static_cast<int>(100.0 * done / total) : 0;
            QMetaObject::invokeMethod(this, [strip, title, percent] {
                if (strip && strip->fetching())
                    strip->name_->setText(strip->tr("Fetching %1: %2 %")
                                              .arg(QString::fromStdString(title))
                                              .arg(percent));
            });
        };
        const playback::FetchOutcome outcome = playback::fetchForPlaying(
            link, file, importing::cacheFolder(), progress, &cancelFetch_);
        // A recorder file's marks go with its name and size, not its copy.
        const std::string identity = "recorder:" + file.shortName + ":" + std::to_string(file.size);
        QMetaObject::invokeMethod(this, [strip, outcome, title, identity] {
            if (strip) strip->fetchFinished(outcome.path, outcome.error, title, identity);
        });
    });
}

void PlayerStrip::fetchFinished(const std::string& path, const std::string& error,
                                const std::string& title, const std::string& identity) {
    if (fetch_.joinable()) fetch_.join();
    doc_.work.end(Work::Transfer);
    name_->clear();
    if (!error.empty()) return tell(QString::fromStdString(error));
    startPlaying(path, title, identity);
}

}  // namespace vox::app
