// The player on a session bus of its own (dbus-run-session), driven the way
// desktop widgets drive it, through gdbus: PlayPause toggles, Seek moves,
// Rate changes the speed, Metadata names the file.

#include "application/player/mpris_service.h"

#include <gtest/gtest.h>

#include <QDBusConnection>
#include <QProcess>
#include <QStandardPaths>
#include <QTest>

#include "application/core/pelmarch_doc.h"
#include "application/core/tests/support/gtest_wait.h"
#include "application/core/tests/support/recording_message_boxes.h"
#include "application/panes/tests/temporary_home.h"
#include "application/player/audio_device_sink.h"
#include "application/player/player_strip.h"
#include "engine/conversion/wav_writer.h"

namespace vox::app::testing {
namespace {

using playback::PlayState;

class MprisServiceTest : public ::testing::Test {
  protected:
    void SetUp() override {
        if (!QDBusConnection::sessionBus().isConnected())
            GTEST_SKIP() << "no session bus: run under dbus-run-session";
        if (QStandardPaths::findExecutable(QStringLiteral("gdbus")).isEmpty())
            GTEST_SKIP() << "gdbus (libglib2.0-bin) is not installed";
        installPlaybackSink(&sink);
        strip = std::make_unique<PlayerStrip>(doc);
        ASSERT_TRUE(publishOnSessionBus(strip.get()));
        const std::string path = home.path() + "Interview.wav";
        conversion::WavWriter writer;
        ASSERT_TRUE(writer.open(path));
        const std::vector<std::int16_t> silence(10 * 8000, 0);
        ASSERT_TRUE(writer.append(silence.data(), silence.size()));
        ASSERT_TRUE(writer.close());
        sink.budget = 0;
        strip->playPcFile(path);
        ASSERT_EQ(strip->player().state(), PlayState::Playing);
    }
    void TearDown() override {
        if (!strip) return;
        QDBusConnection::sessionBus().unregisterObject(QStringLiteral("/org/mpris/MediaPlayer2"));
        QDBusConnection::sessionBus().unregisterService(
            QStringLiteral("org.mpris.MediaPlayer2.voxerin"));
        strip.reset();
        installPlaybackSink(nullptr);
    }

    // Runs gdbus against the player while this thread goes on serving the bus.
    QString gdbus(const QStringList& call) {
        QProcess process;
        process.start(
            QStringLiteral("gdbus"),
            QStringList{QStringLiteral("call"), QStringLiteral("--session"),
                        QStringLiteral("--dest"), QStringLiteral("org.mpris.MediaPlayer2.voxerin"),
                        QStringLiteral("--object-path"), QStringLiteral("/org/mpris/MediaPlayer2"),
                        QStringLiteral("--method")} +
                call);
        EXPECT_TRUE(
            QTest::qWaitFor([&] { return process.state() == QProcess::NotRunning; }, 10000));
        EXPECT_EQ(process.exitCode(), 0) << process.readAllStandardError().toStdString();
        return QString::fromUtf8(process.readAllStandardOutput());
    }
    QString property(const QString& name) {
        return gdbus({QStringLiteral("org.freedesktop.DBus.Properties.Get"),
                      QStringLiteral("org.mpris.MediaPlayer2.Player"), name});
    }

    vox::testing::TemporaryHome home;
    RecordingMessageBoxes boxes;
    playback::MemorySink sink;
    CPelmarchDoc doc;
    std::unique_ptr<PlayerStrip> strip;
};

TEST_F(MprisServiceTest, PlayPauseSeekRateAndMetadataReachThePlayer) {
    gdbus({QStringLiteral("org.mpris.MediaPlayer2.Player.PlayPause")});
    EXPECT_EQ(strip->player().state(), PlayState::Paused);
    EXPECT_TRUE(property(QStringLiteral("PlaybackStatus")).contains(QStringLiteral("'Paused'")));
    gdbus({QStringLiteral("org.mpris.MediaPlayer2.Player.PlayPause")});
    EXPECT_EQ(strip->player().state(), PlayState::Playing);

    gdbus({QStringLiteral("org.mpris.MediaPlayer2.Player.Seek"), QStringLiteral("3000000")});
    EXPECT_EQ(strip->player().position(), 3u * 8000);
    EXPECT_TRUE(property(QStringLiteral("Position")).contains(QStringLiteral("3000000")));

    gdbus({QStringLiteral("org.freedesktop.DBus.Properties.Set"),
           QStringLiteral("org.mpris.MediaPlayer2.Player"), QStringLiteral("Rate"),
           QStringLiteral("<1.5>")});
    EXPECT_EQ(strip->player().speed(), 1.5);
    EXPECT_EQ(strip->player().state(), PlayState::Playing);

    const QString metadata = property(QStringLiteral("Metadata"));
    EXPECT_TRUE(metadata.contains(QStringLiteral("'xesam:title': <'Interview.wav'>")))
        << metadata.toStdString();
    EXPECT_TRUE(metadata.contains(QStringLiteral("'mpris:length': <int64 10000000>")))
        << metadata.toStdString();

    gdbus({QStringLiteral("org.mpris.MediaPlayer2.Player.Stop")});
    EXPECT_EQ(strip->player().state(), PlayState::Stopped);
    EXPECT_TRUE(boxes.shown.empty());
}

}  // namespace
}  // namespace vox::app::testing
