#pragma once
// The player on the session bus as an MPRIS2 media player, so that media
// keys, desktop panels and other programs can play, pause, seek and change
// the speed while another window (the word processor) has the focus.

#include <QDBusAbstractAdaptor>
#include <QDBusObjectPath>
#include <QStringList>
#include <QVariantMap>

namespace vox::app {

class PlayerStrip;

// org.mpris.MediaPlayer2: who we are.
class MprisRoot final : public QDBusAbstractAdaptor {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.mpris.MediaPlayer2")
    Q_PROPERTY(bool CanQuit READ canQuit)
    Q_PROPERTY(bool CanRaise READ canRaise)
    Q_PROPERTY(bool HasTrackList READ hasTrackList)
    Q_PROPERTY(QString Identity READ identity)
    Q_PROPERTY(QString DesktopEntry READ desktopEntry)
    Q_PROPERTY(QStringList SupportedUriSchemes READ supportedUriSchemes)
    Q_PROPERTY(QStringList SupportedMimeTypes READ supportedMimeTypes)
  public:
    explicit MprisRoot(PlayerStrip* strip);
    bool canQuit() const { return false; }
    bool canRaise() const { return true; }
    bool hasTrackList() const { return false; }
    QString identity() const;
    QString desktopEntry() const;
    QStringList supportedUriSchemes() const { return {QStringLiteral("file")}; }
    QStringList supportedMimeTypes() const { return {QStringLiteral("audio/x-wav")}; }

  public slots:
    void Raise();
    void Quit() {}

  private:
    PlayerStrip* strip_;
};

// org.mpris.MediaPlayer2.Player: the transport and the speed.
class MprisPlayer final : public QDBusAbstractAdaptor {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.mpris.MediaPlayer2.Player")
    Q_PROPERTY(QString PlaybackStatus READ playbackStatus)
    Q_PROPERTY(double Rate READ rate WRITE setRate)
    Q_PROPERTY(double MinimumRate READ minimumRate)
    Q_PROPERTY(double MaximumRate READ maximumRate)
    Q_PROPERTY(QVariantMap Metadata READ metadata)
    Q_PROPERTY(double Volume READ volume WRITE setVolume)
    Q_PROPERTY(qlonglong Position READ position)
    Q_PROPERTY(bool CanGoNext READ no)
    Q_PROPERTY(bool CanGoPrevious READ no)
    Q_PROPERTY(bool CanPlay READ loaded)
    Q_PROPERTY(bool CanPause READ loaded)
    Q_PROPERTY(bool CanSeek READ loaded)
    Q_PROPERTY(bool CanControl READ yes)
  public:
    explicit MprisPlayer(PlayerStrip* strip);

    QString playbackStatus() const;
    double rate() const;
    void setRate(double rate);
    double minimumRate() const;
    double maximumRate() const;
    QVariantMap metadata() const;
    double volume() const { return 1.0; }
    void setVolume(double) {}
    qlonglong position() const;
    bool no() const { return false; }
    bool yes() const { return true; }
    bool loaded() const;

    // Tells the bus what changed since the last call.
    void announceChanges();

  public slots:
    void Play();
    void Pause();
    void PlayPause();
    void Stop();
    void Next() {}
    void Previous() {}
    void Seek(qlonglong offsetMicroseconds);
    void SetPosition(const QDBusObjectPath& track, qlonglong positionMicroseconds);
    void OpenUri(const QString& uri);

  signals:
    void Seeked(qlonglong positionMicroseconds);

  private:
    QDBusObjectPath trackId() const;
    qlonglong microseconds(std::uint64_t sample) const;

    PlayerStrip* strip_;
    QVariantMap announced_;
};

// Puts the strip on the session bus under org.mpris.MediaPlayer2.voxerin (a
// second program under ".instance<pid>"). False, with nothing registered,
// when there is no session bus.
bool publishOnSessionBus(PlayerStrip* strip);

}  // namespace vox::app
