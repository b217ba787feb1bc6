#include "application/player/player_strip.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QShortcut>
#include <QSlider>
#include <QStyle>
#include <QToolButton>

#include "application/core/message_boxes.h"
#include "application/player/audio_device_sink.h"
#include "application/player/pedal_reader.h"
#include "engine/import/import_places.h"

namespace vox::app {
namespace {

using playback::PlayState;

constexpr int kPumpMs = 20;
constexpr double kSpeeds[] = {0.5, 0.75, 1.0, 1.25, 1.5, 1.75, 2.0};
// The slider counts tenths of a second.
constexpr int kSliderUnitsPerSecond = 10;

// "1:05" or "1:02:05".
QString clockText(std::uint64_t seconds) {
    const auto h = seconds / 3600, m = seconds / 60 % 60, s = seconds % 60;
    if (h > 0)
        return QStringLiteral("%1:%2:%3")
            .arg(h)
            .arg(m, 2, 10, QChar('0'))
            .arg(s, 2, 10, QChar('0'));
    return QStringLiteral("%1:%2").arg(m).arg(s, 2, 10, QChar('0'));
}

QToolButton* button(QWidget* parent, QStyle::StandardPixmap icon) {
    auto* made = new QToolButton(parent);
    made->setIcon(parent->style()->standardIcon(icon));
    made->setAutoRaise(true);
    return made;
}

}  // namespace

PlayerStrip::PlayerStrip(CPelmarchDoc& doc, QWidget* parent)
    : QFrame(parent), doc_(doc), player_(playbackSink()) {
    build();
    applySettings();
    player_.onStateChanged = [this](PlayState) { showState(); };
    pump_.setInterval(kPumpMs);
    connect(&pump_, &QTimer::timeout, this, [this] {
        player_.pump();
        showPosition();
    });
    showState();
}

PlayerStrip::~PlayerStrip() {
    cancelFetch_ = true;
    if (fetch_.joinable()) fetch_.join();
    player_.onStateChanged = nullptr;
}

void PlayerStrip::build() {
    setObjectName(QStringLiteral("playerStrip"));
    setFrameShape(QFrame::StyledPanel);
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(6, 2, 6, 2);
    backButton_ = button(this, QStyle::SP_MediaSeekBackward);
    playButton_ = button(this, QStyle::SP_MediaPlay);
    stopButton_ = button(this, QStyle::SP_MediaStop);
    forwardButton_ = button(this, QStyle::SP_MediaSeekForward);
    slider_ = new QSlider(Qt::Horizontal, this);
    time_ = new QLabel(this);
    speed_ = new QComboBox(this);
    for (double speed : kSpeeds) speed_->addItem(QStringLiteral("%1x").arg(speed), speed);
    speed_->setCurrentIndex(speed_->findData(1.0));
    name_ = new QLabel(this);
    // A long recording name is cut at the strip's end (its tooltip holds it
    // whole) rather than widening the window past the screen.
    name_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    name_->setMinimumWidth(0);
    slider_->setMinimumWidth(80);
    for (QWidget* part :
         {static_cast<QWidget*>(backButton_), static_cast<QWidget*>(playButton_),
          static_cast<QWidget*>(stopButton_), static_cast<QWidget*>(forwardButton_)})
        row->addWidget(part);
    row->addWidget(slider_, 2);
    row->addWidget(time_);
    // A drop-down list reads as its current entry; the label says what it is.
    auto* speedLabel = new QLabel(tr("&Speed:"), this);
    speedLabel->setBuddy(speed_);
    row->addWidget(speedLabel);
    row->addWidget(speed_);
    row->addWidget(name_, 1);

    connect(playButton_, &QToolButton::clicked, this, [this] { playPause(); });
    connect(stopButton_, &QToolButton::clicked, this, [this] { stopPlaying(); });
    connect(backButton_, &QToolButton::clicked, this, [this] { skip(-1); });
    connect(forwardButton_, &QToolButton::clicked, this, [this] { skip(1); });
    connect(speed_, &QComboBox::activated, this,
            [this](int index) { setSpeed(speed_->itemData(index).toDouble()); });
    // A drag or a click on the groove moves the player; the pump's updates
    // do not come back here.
    connect(slider_, &QSlider::actionTriggered, this, [this](int) {
        const int units = slider_->sliderPosition();
        seekTo(static_cast<std::uint64_t>(units) * player_.sampleRate() / kSliderUnitsPerSecond);
    });

    buildMarks();
    // The keys work anywhere in the window; which keys, the settings say.
    const auto key = [this](std::function<void()> action) {
        auto* shortcut = new QShortcut(this);
        shortcut->setContext(Qt::WindowShortcut);
        connect(shortcut, &QShortcut::activated, this, std::move(action));
        return shortcut;
    };
    playKey_ = key([this] { playPause(); });
    backKey_ = key([this] { skip(-1); });
    forwardKey_ = key([this] { skip(1); });
}

void PlayerStrip::describeControls() {
    const QString play = playKey_->key().toString(QKeySequence::NativeText);
    const QString back = backKey_->key().toString(QKeySequence::NativeText);
    const QString forward = forwardKey_->key().toString(QKeySequence::NativeText);
    const auto name = [](QWidget* part, const QString& text, const QString& description,
                         const QString& tip) {
        part->setAccessibleName(text);
        part->setAccessibleDescription(description);
        part->setToolTip(tip);
    };
    name(backButton_, tr("Skip back"), tr("Goes back by the skip step"),
         tr("Skip back (%1)").arg(back));
    name(playButton_, tr("Play"), tr("Plays or pauses the recording"),
         tr("Play/Pause (%1; Space in the lists)").arg(play));
    name(stopButton_, tr("Stop"), tr("Stops and goes back to the start"), tr("Stop"));
    name(forwardButton_, tr("Skip forward"), tr("Goes forward by the skip step"),
         tr("Skip forward (%1)").arg(forward));
    name(markButton_, tr("Add mark"), tr("Marks the place heard now"), tr("Add mark (Ctrl+M)"));
    name(markList_, tr("Marks"), tr("Choosing a mark plays from there"), tr("Marks: jump to one"));
    name(copyButton_, tr("Copy mark"), tr("Copies the chosen mark as [hh:mm:ss]"),
         tr("Copy the chosen mark as [hh:mm:ss] (Ctrl+Shift+M)"));
    name(slider_, tr("Position"), tr("Where the recording plays"),
         tr("Position (arrow keys and Page Up/Down when it has the focus)"));
    name(time_, tr("Elapsed and total time"), tr("Elapsed and total time"),
         tr("Elapsed / total time"));
    name(speed_, tr("Speed"), tr("Playing speed; the pitch stays the same"),
         tr("Speed, 0.5x to 2x, the pitch kept"));
    name(name_, tr("File playing"), tr("The recording in the player"), tr("File playing"));
}

void PlayerStrip::playPause() {
    switch (player_.state()) {
        case PlayState::Playing:
            player_.pause();
            return;
        case PlayState::Empty:
            if (!fetching()) playSelectionOf(lastList_);
            return;
        default:
            if (!player_.play()) tell(QString::fromLatin1(playback::kNoAudioOutput));
    }
}

void PlayerStrip::stopPlaying() {
    player_.stop();
    showPosition();
}

void PlayerStrip::skip(int steps) {
    player_.skip(steps);
    showPosition();
}

void PlayerStrip::seekTo(std::uint64_t sample) {
    player_.seek(sample);
    showPosition();
}

// A speed between the list's steps (from the bus) shows as its own entry.
void PlayerStrip::setSpeed(double speed) {
    player_.setSpeed(speed);
    int index = speed_->findData(player_.speed());
    if (index < 0) {
        speed_->addItem(QStringLiteral("%1x").arg(player_.speed()), player_.speed());
        index = speed_->count() - 1;
    }
    speed_->setCurrentIndex(index);
    emit playerChanged();
}

void PlayerStrip::startPlaying(const std::string& path, const std::string& title,
                               const std::string& identity) {
    playback::OpenedSource opened = playback::openRecording(path, conversion::recorderVoiceCodec());
    if (!opened.source) return tell(QString::fromStdString(opened.error));
    player_.load(std::move(opened.source), title);
    player_.setSpeed(speed_->currentData().toDouble());
    name_->setText(QString::fromStdString(title));
    name_->setToolTip(name_->text());
    marks_ = std::make_unique<playback::Marks>(importing::stateFolder() + "/marks", identity);
    if (!marks_->load()) tell(tr("The marks of this recording could not be read."));
    showMarks();
    if (!player_.play()) tell(QString::fromLatin1(playback::kNoAudioOutput));
    showState();
}

void PlayerStrip::showState() {
    const bool playing = player_.state() == PlayState::Playing;
    if (playing)
        pump_.start();
    else
        pump_.stop();
    playButton_->setIcon(
        style()->standardIcon(playing ? QStyle::SP_MediaPause : QStyle::SP_MediaPlay));
    playButton_->setAccessibleName(playing ? tr("Pause") : tr("Play"));
    const bool loaded = player_.state() != PlayState::Empty;
    for (QWidget* part : {static_cast<QWidget*>(stopButton_), static_cast<QWidget*>(backButton_),
                          static_cast<QWidget*>(forwardButton_), static_cast<QWidget*>(slider_)})
        part->setEnabled(loaded);
    if (!loaded) {
        name_->clear();
        name_->setToolTip({});
    }
    markButton_->setEnabled(loaded);
    showPosition();
    emit playerChanged();
}

void PlayerStrip::showPosition() {
    const int rate = std::max(player_.sampleRate(), 1);
    const std::uint64_t length = player_.length();
    const std::uint64_t position = player_.position();
    slider_->setRange(0, static_cast<int>(length * kSliderUnitsPerSecond / rate));
    if (!slider_->isSliderDown())
        slider_->setValue(static_cast<int>(position * kSliderUnitsPerSecond / rate));
    const QString text =
        clockText(position / rate) + QStringLiteral(" / ") + clockText(length / rate);
    time_->setText(text);
    slider_->setAccessibleDescription(tr("Where the recording plays: %1").arg(text));
}

void PlayerStrip::tell(const QString& text) {
    messageBoxes().show(text, BoxButtons::Ok, BoxIcon::Stop);
}

}  // namespace vox::app
