// The player strip in the whole program over the recorder model, with a
// memory sink in place of the audio device: Space plays the selected PC
// file and the slider follows, the speed changes while playing, a double
// click plays a recorder voice file from its fetched copy (at 1.5x too), a
// recorder file is refused with the busy box while a transfer uses the
// recorder, marks and settable keys, and a machine without audio output.

#include "application/player/player_strip.h"

#include <QClipboard>
#include <QComboBox>
#include <QGuiApplication>
#include <QLabel>
#include <QSlider>
#include <QToolButton>

#include "application/core/tests/recorder_program_fixture.h"
#include "application/player/audio_device_sink.h"
#include "application/player/player_settings.h"
#include "application/resources/resources.h"
#include "engine/conversion/wav_writer.h"
#include "platform/messages/message_numbers.h"

namespace vox::app::testing {
namespace {

namespace msg = vox::messages;
using playback::PlayState;

class PlayerStripTest : public RecorderProgramTest {
  protected:
    PlayerStripTest() { installPlaybackSink(&sink); }
    ~PlayerStripTest() override { installPlaybackSink(nullptr); }

    vox::model::RecorderOptions recorderOptions() override {
        vox::model::RecorderOptions options;
        options.sampleContent = true;
        return options;
    }
    void SetUp() override {
        qputenv("XDG_CACHE_HOME", QByteArray::fromStdString(home.path() + "cache"));
        qputenv("XDG_STATE_HOME", QByteArray::fromStdString(home.path() + "state"));
        RecorderProgramTest::SetUp();
        strip = frame->findChild<PlayerStrip*>();
        ASSERT_NE(strip, nullptr);
        slider = strip->findChild<QSlider*>();
        speed = strip->findChild<QComboBox*>();
    }
    void TearDown() override {
        RecorderProgramTest::TearDown();
        qunsetenv("XDG_CACHE_HOME");
        qunsetenv("XDG_STATE_HOME");
    }

    // Three seconds of a 1 kHz tone as an 8 kHz WAV file in the PC folder.
    void writeTone(const std::string& name) {
        conversion::WavWriter writer;
        ASSERT_TRUE(writer.open(pcFolder + name));
        std::vector<std::int16_t> samples(3 * 8000);
        for (std::size_t i = 0; i < samples.size(); ++i)
            samples[i] = static_cast<std::int16_t>(i % 8 < 4 ? 9000 : -9000);
        ASSERT_TRUE(writer.append(samples.data(), samples.size()));
        ASSERT_TRUE(writer.close());
    }
    int recorderRowOf(const QString& name) {
        for (int row = 0; row < list->topLevelItemCount(); ++row)
            if (list->topLevelItem(row)->text(0) == name) return row;
        return -1;
    }

    playback::MemorySink sink;
    PlayerStrip* strip = nullptr;
    QSlider* slider = nullptr;
    QComboBox* speed = nullptr;
};

TEST_F(PlayerStripTest, SpacePlaysTheSelectedPcFileAndTheSliderFollows) {
    writeTone("tone.wav");
    selectPcFiles({"tone.wav"});
    sink.budget = 0;
    pcList->setFocus();
    QTest::keyClick(pcList, Qt::Key_Space);
    ASSERT_EQ(strip->player().state(), PlayState::Playing);
    EXPECT_EQ(slider->maximum(), 30);

    sink.budget = 8000;
    VOX_TRY_COMPARE(slider->value(), 10);
    EXPECT_TRUE(slider->accessibleDescription().contains(QStringLiteral("0:01 / 0:03")))
        << slider->accessibleDescription().toStdString();

    // The speed list, worked from the keyboard while playing.
    speed->setFocus();
    QTest::keyClick(speed, Qt::Key_Down);
    EXPECT_EQ(strip->player().speed(), 1.25);
    EXPECT_EQ(strip->player().state(), PlayState::Playing);
    EXPECT_EQ(strip->player().position(), 8000u);

    // Space pauses; the rest plays to the end once the sink takes it.
    pcList->setFocus();
    QTest::keyClick(pcList, Qt::Key_Space);
    EXPECT_EQ(strip->player().state(), PlayState::Paused);
    QTest::keyClick(pcList, Qt::Key_Space);
    sink.budget = 1u << 20;
    VOX_TRY_COMPARE(strip->player().state(), PlayState::Stopped);
    EXPECT_EQ(slider->value(), 30);
    EXPECT_TRUE(boxes.shown.empty());
}

TEST_F(PlayerStripTest, ADoubleClickPlaysARecorderVoiceFileFromItsFetchedCopy) {
    showRecorderFolder(0);
    const int row = recorderRowOf(QStringLiteral("Meeting with the design team.DVF"));
    ASSERT_GE(row, 0);
    sink.budget = 0;
    const int windowWidth = frame->width();
    const QRect place = list->visualItemRect(list->topLevelItem(row));
    // A double click comes after the click that selects the row.
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, place.center());
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, place.center());
    (void)QTest::qWaitFor([&] { return strip->player().state() == PlayState::Playing; }, 5000);
    for (const auto& box : boxes.shown) ADD_FAILURE() << box.text.toStdString();
    ASSERT_EQ(strip->player().state(), PlayState::Playing);
    EXPECT_EQ(strip->player().title(), "Meeting with the design team.DVF");
    // A long name fits the strip as it is; the window does not grow for it.
    QCoreApplication::processEvents();
    EXPECT_EQ(frame->width(), windowWidth);
    EXPECT_GT(strip->player().length(), 8000u);
    EXPECT_TRUE(
        std::filesystem::exists(home.path() + "cache/voxerin/Meeting with the design team.DVF"));

    // At 1.5x, half a second of output takes the recording on by 0.75 s.
    strip->setSpeed(1.5);
    sink.budget = 4000;
    VOX_TRY_VERIFY(sink.budget == 0);
    EXPECT_NEAR(static_cast<double>(strip->player().position()), 6000.0, 400.0);
    EXPECT_EQ(strip->player().state(), PlayState::Playing);
    EXPECT_TRUE(boxes.shown.empty());
}

TEST_F(PlayerStripTest, ARecorderFileIsRefusedWhileATransferRunsAndAPcFileStillPlays) {
    addRecorderFile("HD", "BIG.BIN", 1u << 20, 5);
    addRecorderFile("HD", "MEMO.DVF", 4096, 5);
    showRecorderFolder(4);
    const int big = recorderRowOf(QStringLiteral("BIG     .BIN"));
    const int memo = recorderRowOf(QStringLiteral("MEMO    .DVF"));
    ASSERT_GE(big, 0);
    ASSERT_GE(memo, 0);
    selectRecorderRows({big});
    recorder->faults().setSlowBus(std::chrono::milliseconds(2));
    request(msg::WM_UPLOAD_FILES);
    ASSERT_TRUE(doc->deviceWorkerRunning());

    selectRecorderRows({memo});
    list->setFocus();
    QTest::keyClick(list, Qt::Key_Space);
    ASSERT_EQ(boxes.count(vox::res::text(QStringLiteral("busy"))), 1);
    EXPECT_EQ(strip->player().state(), PlayState::Empty);
    EXPECT_FALSE(strip->fetching());

    writeTone("tone.wav");
    sink.budget = 0;
    strip->playPcFile(pcFolder + "tone.wav");
    EXPECT_EQ(strip->player().state(), PlayState::Playing);
    recorder->faults().setSlowBus({});
    waitIdle();
}

TEST_F(PlayerStripTest, WhileARecorderFileIsFetchedForPlayingADownloadGetsTheBusyBox) {
    addRecorderFile("HD", "LONG.DVF", 1u << 20, 5);
    addRecorderFile("HD", "BIG.BIN", 4096, 5);
    showRecorderFolder(4);
    const int longFile = recorderRowOf(QStringLiteral("LONG    .DVF"));
    const int big = recorderRowOf(QStringLiteral("BIG     .BIN"));
    ASSERT_GE(longFile, 0);
    ASSERT_GE(big, 0);
    recorder->faults().setSlowBus(std::chrono::milliseconds(2));
    selectRecorderRows({longFile});
    list->setFocus();
    QTest::keyClick(list, Qt::Key_Space);
    ASSERT_TRUE(strip->fetching());
    EXPECT_TRUE(doc->deviceWorkerRunning());

    selectRecorderRows({big});
    request(msg::WM_UPLOAD_FILES);
    EXPECT_EQ(boxes.count(vox::res::text(QStringLiteral("busy"))), 1);

    recorder->faults().setSlowBus({});
    VOX_TRY_VERIFY(!strip->fetching());
    EXPECT_FALSE(doc->deviceWorkerRunning());
}

TEST_F(PlayerStripTest, MarksAndSettableKeysWorkWhilePlaying) {
    writeText(setting::PlayPauseKey, QStringLiteral("F13"));
    strip->applySettings();
    writeTone("tone.wav");
    sink.budget = 0;
    strip->playPcFile(pcFolder + "tone.wav");
    sink.budget = 8000;
    VOX_TRY_COMPARE(strip->player().position(), 8000u);

    QTest::keyClick(frame.get(), Qt::Key_M, Qt::ControlModifier);
    ASSERT_NE(strip->marks(), nullptr);
    EXPECT_EQ(strip->marks()->all(), std::vector<std::uint64_t>{1000});
    QTest::keyClick(frame.get(), Qt::Key_M, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("[00:00:01]"));

    // F13 (a pedal that types keys) pauses; the mark plays from its place.
    QTest::keyClick(frame.get(), Qt::Key_F13);
    EXPECT_EQ(strip->player().state(), PlayState::Paused);
    strip->seekTo(20000);
    strip->jumpToMark(0);
    EXPECT_EQ(strip->player().position(), 8000u);
    int tipsNamingF13 = 0;
    for (QToolButton* button : strip->findChildren<QToolButton*>())
        tipsNamingF13 += button->toolTip().startsWith(QStringLiteral("Play/Pause (F13"));
    EXPECT_EQ(tipsNamingF13, 1);

    // The marks are kept for the next time the file plays.
    strip->stopPlaying();
    strip->playPcFile(pcFolder + "tone.wav");
    EXPECT_EQ(strip->marks()->all(), std::vector<std::uint64_t>{1000});
    EXPECT_TRUE(std::filesystem::is_directory(home.path() + "state/voxerin/marks"));
}

TEST_F(PlayerStripTest, WithoutAnAudioDevicePlaySaysSoInABox) {
    writeTone("tone.wav");
    sink.available = false;
    strip->playPcFile(pcFolder + "tone.wav");
    ASSERT_EQ(boxes.count(QString::fromLatin1(playback::kNoAudioOutput)), 1);
    EXPECT_EQ(strip->player().state(), PlayState::Stopped);
    // The strip's controls are named for screen readers, the keys in their tips.
    for (QToolButton* button : strip->findChildren<QToolButton*>()) {
        EXPECT_FALSE(button->accessibleName().isEmpty());
        EXPECT_FALSE(button->toolTip().isEmpty());
    }
    EXPECT_EQ(slider->accessibleName(), QStringLiteral("Position"));
}

}  // namespace
}  // namespace vox::app::testing
