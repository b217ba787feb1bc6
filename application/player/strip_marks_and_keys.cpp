// The strip's marks, its keys and the foot pedal, as the settings set them.

#include <QClipboard>
#include <QComboBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QShortcut>
#include <QToolButton>

#include "application/player/pedal_reader.h"
#include "application/player/player_settings.h"
#include "application/player/player_strip.h"

namespace vox::app {
namespace {

std::uint64_t millisecondsOf(std::uint64_t sample, int rate) {
    return rate > 0 ? sample * 1000 / static_cast<std::uint64_t>(rate) : 0;
}

}  // namespace

void PlayerStrip::buildMarks() {
    markButton_ = new QToolButton(this);
    markButton_->setText(tr("Mark"));
    markButton_->setAutoRaise(true);
    markList_ = new QComboBox(this);
    markList_->setMinimumContentsLength(5);
    copyButton_ = new QToolButton(this);
    copyButton_->setText(tr("Copy"));
    copyButton_->setAutoRaise(true);
    auto* row = static_cast<QHBoxLayout*>(layout());
    const int beforeName = row->indexOf(name_);
    row->insertWidget(beforeName, copyButton_);
    row->insertWidget(beforeName, markList_);
    row->insertWidget(beforeName, markButton_);

    connect(markButton_, &QToolButton::clicked, this, [this] { addMark(); });
    connect(markList_, &QComboBox::activated, this, [this](int index) { jumpToMark(index); });
    connect(copyButton_, &QToolButton::clicked, this,
            [this] { copyMark(markList_->currentIndex()); });
    auto* markKey = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_M), this);
    connect(markKey, &QShortcut::activated, this, [this] { addMark(); });
    auto* copyKey = new QShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_M), this);
    connect(copyKey, &QShortcut::activated, this, [this] { copyMark(markList_->currentIndex()); });
}

void PlayerStrip::addMark() {
    if (!marks_ || player_.state() == playback::PlayState::Empty) return;
    const std::uint64_t at = millisecondsOf(player_.position(), player_.sampleRate());
    if (!marks_->add(at))
        tell(tr("The mark could not be kept: %1").arg(QString::fromStdString(marks_->file())));
    showMarks();
    const auto& all = marks_->all();
    markList_->setCurrentIndex(
        static_cast<int>(std::lower_bound(all.begin(), all.end(), at) - all.begin()));
}

void PlayerStrip::jumpToMark(int index) {
    if (!marks_ || index < 0 || index >= static_cast<int>(marks_->all().size())) return;
    seekTo(marks_->all()[static_cast<std::size_t>(index)] *
           static_cast<std::uint64_t>(player_.sampleRate()) / 1000);
}

void PlayerStrip::copyMark(int index) {
    if (!marks_ || index < 0 || index >= static_cast<int>(marks_->all().size())) return;
    QGuiApplication::clipboard()->setText(
        QString::fromStdString(playback::markText(marks_->all()[static_cast<std::size_t>(index)])));
}

void PlayerStrip::showMarks() {
    markList_->clear();
    if (marks_)
        for (std::uint64_t mark : marks_->all())
            markList_->addItem(QString::fromStdString(playback::markText(mark)));
    const bool any = markList_->count() > 0;
    markList_->setEnabled(any);
    copyButton_->setEnabled(any);
    markButton_->setEnabled(player_.state() != playback::PlayState::Empty);
}

void PlayerStrip::applySettings() {
    playKey_->setKey(QKeySequence(readText(setting::PlayPauseKey)));
    backKey_->setKey(QKeySequence(readText(setting::SkipBackKey)));
    forwardKey_->setKey(QKeySequence(readText(setting::SkipForwardKey)));
    player_.setRewindOnResume(std::chrono::milliseconds(readInt(setting::RewindOnResumeMs)));
    player_.setSkipStep(std::chrono::milliseconds(std::max(readInt(setting::SkipStepMs), 100)));
    describeControls();

    pedal_ = std::make_unique<PedalReader>(
        [this](playback::PedalAction action) {
            using playback::PedalAction;
            switch (action) {
                case PedalAction::Play:
                    if (player_.state() != playback::PlayState::Playing) playPause();
                    break;
                case PedalAction::Pause:
                    player_.pause();
                    break;
                case PedalAction::SkipBack:
                    skip(-1);
                    break;
                case PedalAction::SkipForward:
                    skip(1);
                    break;
            }
        },
        readInt(setting::PedalHoldToPlay) != 0);
    const QString device = readText(setting::PedalDevice);
    if (!(device.isEmpty() ? pedal_->openKnownPedal() : pedal_->open(device))) pedal_.reset();
}

}  // namespace vox::app
