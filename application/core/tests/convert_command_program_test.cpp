// Convert through the main window: the request from the PC list, the
// questions, the worker with the recorder's real coder, the Current bar and
// the PC list listed again at the end.

#include <QComboBox>
#include <cmath>

#include "application/core/message_window.h"
#include "application/core/tests/recorder_program_fixture.h"
#include "engine/conversion/conversion_texts.h"
#include "engine/conversion/convert_command.h"
#include "engine/conversion/convert_notify.h"
#include "platform/messages/message_numbers.h"

namespace vox::app::testing {
namespace {

namespace msg = vox::messages;
namespace conv = vox::conversion;

void put16(std::string& out, int value) {
    out += static_cast<char>(value & 0xFF);
    out += static_cast<char>((value >> 8) & 0xFF);
}
void put32(std::string& out, std::uint32_t value) {
    put16(out, static_cast<int>(value & 0xFFFF));
    put16(out, static_cast<int>(value >> 16));
}

// A WAV file of a 440 Hz tone.
std::string wave(int channels, std::uint32_t rate, int samples) {
    std::string data;
    for (int i = 0; i < samples * channels; ++i)
        put16(data, static_cast<int>(8000 * std::sin(i * 2 * 3.14159265 * 440 / rate)));
    std::string file = "RIFF";
    put32(file, static_cast<std::uint32_t>(36 + data.size()));
    file += "WAVEfmt ";
    put32(file, 16);
    put16(file, 1);
    put16(file, channels);
    put32(file, rate);
    put32(file, rate * 2 * channels);
    put16(file, 2 * channels);
    put16(file, 16);
    file += "data";
    put32(file, static_cast<std::uint32_t>(data.size()));
    return file + data;
}

class ConversionSteps final : public MessageObserver {
  public:
    explicit ConversionSteps(CFlashForm& form) : form_(form) { form_.addObserver(this); }
    ~ConversionSteps() override { form_.removeObserver(this); }
    void observe(Message message, WParam wParam, LParam) override {
        if (message != msg::WM_CONVERT_NOTIFY || wParam > conv::CONVERT_FINISHED) return;
        codes.push_back(wParam);
        if (wParam == conv::CONVERT_PROGRESS) {
            busyDuring = busyDuring && form_.button(CFlashForm::kCancel)->isEnabled();
            lastText = form_.currentBar()->text();
        }
    }
    std::vector<WParam> codes;
    bool busyDuring = true;
    QString lastText;

  private:
    CFlashForm& form_;
};

class ConvertProgram : public RecorderProgramTest {
  protected:
    void writeWave(const std::string& name, int channels, std::uint32_t rate, int samples) {
        std::ofstream(pcFolder + name, std::ios::binary) << wave(channels, rate, samples);
    }
    void convert(const std::string& name, WParam direction) {
        selectPcFiles({name});
        frame->post(msg::WM_CONVERT_FILES, direction, 0);  // the PC form posts it
        QCoreApplication::processEvents();
    }
    bool converting() const { return doc->work.converting(); }
};

TEST_F(ConvertProgram, WaveToVoiceFileAndBackWithProgress) {
    writeWave("TALK.WAV", 1, 8000, 8000 * 3);
    doc->dirForm->qualityList()->setCurrentIndex(2);
    doc->dirForm->quality = 2;
    ConversionSteps steps(*form);
    convert("TALK.WAV", 0);
    VOX_TRY_VERIFY_WITH_TIMEOUT(!converting() && !doc->work.busy(), 30000);
    EXPECT_TRUE(boxes.shown.empty());
    ASSERT_TRUE(std::filesystem::exists(pcFolder + "TALK_HQ.DVF"));
    EXPECT_EQ(std::filesystem::file_size(pcFolder + "TALK_HQ.DVF") % 512, 0u);
    ASSERT_GE(steps.codes.size(), 3u);
    EXPECT_EQ(steps.codes.front(), conv::CONVERT_STARTED);
    EXPECT_EQ(steps.codes.back(), conv::CONVERT_FINISHED);
    EXPECT_TRUE(steps.busyDuring);
    EXPECT_TRUE(steps.lastText.endsWith(QStringLiteral("% Complete")));
    EXPECT_TRUE(form->currentBar()->text().isEmpty());
    // The PC list was listed again and shows the new file.
    bool listed = false;
    for (int row = 0; row < pcList->topLevelItemCount(); ++row)
        listed = listed || pcList->rowName(pcList->topLevelItem(row)) == "TALK_HQ.DVF";
    EXPECT_TRUE(listed);

    convert("TALK_HQ.DVF", 1);
    VOX_TRY_VERIFY_WITH_TIMEOUT(!converting() && !doc->work.busy(), 30000);
    ASSERT_TRUE(std::filesystem::exists(pcFolder + "TALK_HQ.WAV"));
    EXPECT_GT(std::filesystem::file_size(pcFolder + "TALK_HQ.WAV"), 46u);
    EXPECT_TRUE(boxes.shown.empty());
}

TEST_F(ConvertProgram, RefusalsAndTheOverwriteQuestion) {
    writePcFile("song.mp3", 100);
    convert("song.mp3", 0);
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].text, QString::fromLatin1(conv::kCannotConvertText));

    writeWave("memo.wav", 1, 8000, 800);
    writePcFile("memo_SP.DVF", 512, 'o');
    doc->dirForm->quality = 1;
    boxes.answers = {BoxAnswer::No};
    convert("memo.wav", 0);
    ASSERT_EQ(boxes.shown.size(), 2u);
    EXPECT_EQ(boxes.shown[1].text.toStdString(), conv::overwriteQuestion(pcFolder + "memo_SP.DVF"));
    EXPECT_EQ(boxes.shown[1].buttons, BoxButtons::YesNo);
    EXPECT_FALSE(converting());
    EXPECT_EQ(std::filesystem::file_size(pcFolder + "memo_SP.DVF"), 512u);
}

// The encode worker's refusal is shown on the GUI thread and leaves the
// program idle, so the next conversion starts normally.
TEST_F(ConvertProgram, AWaveInAnotherFormatIsRefusedAndTheNextConversionRuns) {
    writeWave("stereo.wav", 2, 8000, 800);
    writeWave("mono.wav", 1, 8000, 800);
    doc->dirForm->quality = 1;
    convert("stereo.wav", 0);
    VOX_TRY_VERIFY_WITH_TIMEOUT(!converting() && !doc->work.busy() && !boxes.shown.empty(), 10000);
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].text, QString::fromLatin1(conv::kUnsupportedWaveText));
    EXPECT_FALSE(std::filesystem::exists(pcFolder + "stereo_SP.DVF"));

    convert("mono.wav", 0);
    VOX_TRY_VERIFY_WITH_TIMEOUT(!converting() && !doc->work.busy(), 10000);
    EXPECT_TRUE(std::filesystem::exists(pcFolder + "mono_SP.DVF"));
    EXPECT_EQ(boxes.shown.size(), 1u);
}

}  // namespace
}  // namespace vox::app::testing
