#include "application/player/mpris_service.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QFile>
#include <QUrl>
#include <QWidget>

#include "application/player/player_strip.h"

namespace vox::app {
namespace {

using playback::PlayState;

const QString kObjectPath = QStringLiteral("/org/mpris/MediaPlayer2");
const QString kPlayerInterface = QStringLiteral("org.mpris.MediaPlayer2.Player");
const QString kServiceName = QStringLiteral("org.mpris.MediaPlayer2.voxerin");

}  // namespace

MprisRoot::MprisRoot(PlayerStrip* strip) : QDBusAbstractAdaptor(strip), strip_(strip) {}

QString MprisRoot::identity() const {
    return QCoreApplication::applicationName();
}

QString MprisRoot::desktopEntry() const {
    return QStringLiteral("voxerin");
}

void MprisRoot::Raise() {
    QWidget* window = strip_->window();
    window->showNormal();
    window->raise();
    window->activateWindow();
}

MprisPlayer::MprisPlayer(PlayerStrip* strip) : QDBusAbstractAdaptor(strip), strip_(strip) {
    connect(strip, &PlayerStrip::playerChanged, this, [this] { announceChanges(); });
    announced_ = {{QStringLiteral("PlaybackStatus"), playbackStatus()},
                  {QStringLiteral("Rate"), rate()},
                  {QStringLiteral("Metadata"), metadata()},
                  {QStringLiteral("CanPlay"), loaded()}};
}

QString MprisPlayer::playbackStatus() const {
    switch (strip_->player().state()) {
        case PlayState::Playing:
            return QStringLiteral("Playing");
        case PlayState::Paused:
            return QStringLiteral("Paused");
        default:
            return QStringLiteral("Stopped");
    }
}

double MprisPlayer::rate() const {
    return strip_->player().speed();
}

void MprisPlayer::setRate(double rate) {
    // A rate of 0 stands for a pause in the protocol.
    if (rate <= 0) return Pause();
    strip_->setSpeed(rate);
}

double MprisPlayer::minimumRate() const {
    return playback::kSlowestSpeed;
}

double MprisPlayer::maximumRate() const {
    return playback::kFastestSpeed;
}

bool MprisPlayer::loaded() const {
    return strip_->player().state() != PlayState::Empty;
}

qlonglong MprisPlayer::microseconds(std::uint64_t sample) const {
    const int rate = strip_->player().sampleRate();
    return rate > 0 ? static_cast<qlonglong>(sample * 1000000 / static_cast<std::uint64_t>(rate))
                    : 0;
}

qlonglong MprisPlayer::position() const {
    return microseconds(strip_->player().position());
}

QDBusObjectPath MprisPlayer::trackId() const {
    return QDBusObjectPath(loaded() ? QStringLiteral("/org/voxerin/track/current")
                                    : QStringLiteral("/org/mpris/MediaPlayer2/TrackList/NoTrack"));
}

QVariantMap MprisPlayer::metadata() const {
    QVariantMap data{{QStringLiteral("mpris:trackid"), QVariant::fromValue(trackId())}};
    if (!loaded()) return data;
    data.insert(QStringLiteral("xesam:title"), QString::fromStdString(strip_->player().title()));
    data.insert(QStringLiteral("mpris:length"), microseconds(strip_->player().length()));
    return data;
}

void MprisPlayer::announceChanges() {
    const QVariantMap now{{QStringLiteral("PlaybackStatus"), playbackStatus()},
                          {QStringLiteral("Rate"), rate()},
                          {QStringLiteral("Metadata"), metadata()},
                          {QStringLiteral("CanPlay"), loaded()}};
    QVariantMap changed;
    for (auto it = now.begin(); it != now.end(); ++it)
        if (announced_.value(it.key()) != it.value()) changed.insert(it.key(), it.value());
    announced_ = now;
    if (changed.isEmpty()) return;
    // CanPause and CanSeek follow CanPlay.
    if (changed.contains(QStringLiteral("CanPlay"))) {
        changed.insert(QStringLiteral("CanPause"), loaded());
        changed.insert(QStringLiteral("CanSeek"), loaded());
    }
    QDBusMessage signal =
        QDBusMessage::createSignal(kObjectPath, QStringLiteral("org.freedesktop.DBus.Properties"),
                                   QStringLiteral("PropertiesChanged"));
    signal << kPlayerInterface << changed << QStringList();
    QDBusConnection::sessionBus().send(signal);
}

void MprisPlayer::Play() {
    if (strip_->player().state() != PlayState::Playing) strip_->playPause();
}

void MprisPlayer::Pause() {
    if (strip_->player().state() == PlayState::Playing) strip_->playPause();
}

void MprisPlayer::PlayPause() {
    strip_->playPause();
}

void MprisPlayer::Stop() {
    strip_->stopPlaying();
}

void MprisPlayer::Seek(qlonglong offsetMicroseconds) {
    const int rate = strip_->player().sampleRate();
    if (rate <= 0) return;
    const qlonglong target = position() + offsetMicroseconds;
    // Past the end is the next track in the protocol; there is none.
    if (target > microseconds(strip_->player().length())) return strip_->stopPlaying();
    strip_->seekTo(target <= 0 ? 0 : static_cast<std::uint64_t>(target) * rate / 1000000);
    emit Seeked(position());
}

void MprisPlayer::SetPosition(const QDBusObjectPath& track, qlonglong positionMicroseconds) {
    const int rate = strip_->player().sampleRate();
    if (track != trackId() || rate <= 0 || positionMicroseconds < 0 ||
        positionMicroseconds > microseconds(strip_->player().length()))
        return;
    strip_->seekTo(static_cast<std::uint64_t>(positionMicroseconds) * rate / 1000000);
    emit Seeked(position());
}

void MprisPlayer::OpenUri(const QString& uri) {
    const QUrl url(uri);
    if (url.isLocalFile()) strip_->playPcFile(QFile::encodeName(url.toLocalFile()).toStdString());
}

bool publishOnSessionBus(PlayerStrip* strip) {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) return false;
    new MprisRoot(strip);
    new MprisPlayer(strip);
    if (!bus.registerObject(kObjectPath, strip)) return false;
    if (bus.registerService(kServiceName)) return true;
    return bus.registerService(kServiceName + QStringLiteral(".instance") +
                               QString::number(QCoreApplication::applicationPid()));
}

}  // namespace vox::app
