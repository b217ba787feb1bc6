// One session as a person would have it, with real clicks and keys on the
// buttons and lists and every box answered: a WAV file converted to a voice
// file at HQ, copied into recorder folder "A" (the drop from the PC list
// arrives as the same request the Download button sends), fetched back over
// the PC copy, moved up, deleted, and the recorder formatted.

#include <QComboBox>
#include <cmath>

#include "application/core/tests/recorder_program_fixture.h"
#include "engine/rules/rule_texts.h"
#include "platform/messages/message_numbers.h"

namespace vox::app::testing {
namespace {

namespace msg = vox::messages;

std::string toneWave(int samples) {
    std::string data;
    for (int i = 0; i < samples; ++i) {
        const auto value = static_cast<std::int16_t>(6000 * std::sin(i * 0.3));
        data += static_cast<char>(value & 0xFF);
        data += static_cast<char>((value >> 8) & 0xFF);
    }
    auto le32 = [](std::uint32_t v) {
        return std::string{static_cast<char>(v), static_cast<char>(v >> 8),
                           static_cast<char>(v >> 16), static_cast<char>(v >> 24)};
    };
    const std::string format{1,    0, 1, 0, 0x40, 0x1F, 0, 0, static_cast<char>(0x80),
                             0x3E, 0, 0, 2, 0,    16,   0};
    return "RIFF" + le32(static_cast<std::uint32_t>(36 + data.size())) + "WAVEfmt " + le32(16) +
           format + "data" + le32(static_cast<std::uint32_t>(data.size())) + data;
}

class UserScenario : public RecorderProgramTest {
  protected:
    void click(QWidget* widget) { QTest::mouseClick(widget, Qt::LeftButton); }
    void clickRow(QTreeWidget* tree, int row, Qt::KeyboardModifiers keys = {}) {
        QTreeWidgetItem* item = tree->topLevelItem(row);
        tree->scrollToItem(item);
        QTest::mouseClick(tree->viewport(), Qt::LeftButton, keys,
                          tree->visualItemRect(item).center());
    }
    int pcRow(const std::string& name) {
        for (int row = 0; row < pcList->topLevelItemCount(); ++row)
            if (pcList->rowName(pcList->topLevelItem(row)) == name) return row;
        return -1;
    }
    int recorderRow(const QString& name) {
        for (int row = 0; row < list->topLevelItemCount(); ++row)
            if (list->topLevelItem(row)->text(0) == name) return row;
        return -1;
    }
};

TEST_F(UserScenario, ConvertCopyFetchMoveDeleteAndFormat) {
    std::ofstream(pcFolder + "talk.wav", std::ios::binary) << toneWave(8000 * 2);
    addRecorderFile("A", "EARLIER.DVF", 1024, 5, u"earlier.DVF");
    showPcFolder();

    // Quality HQ, then "Convert to DVF" on talk.wav.
    doc->dirForm->qualityList()->setCurrentIndex(2);
    doc->dirForm->commitChoices();
    ASSERT_GE(pcRow("talk.wav"), 0);
    clickRow(pcList, pcRow("talk.wav"));
    click(doc->dirForm->button(CDirForm::ConvertToDvf));
    VOX_TRY_VERIFY_WITH_TIMEOUT(!doc->work.converting() && !doc->work.busy(), 30000);
    VOX_TRY_VERIFY(pcRow("talk_HQ.DVF") >= 0);
    const auto converted = std::filesystem::file_size(pcFolder + "talk_HQ.DVF");

    // Folder "A" in the recorder tree, then the voice file onto the recorder.
    QTreeWidgetItem* folderA = doc->flashTree->item(CFlashTree::A);
    QTest::mouseClick(doc->flashTree->viewport(), Qt::LeftButton, {},
                      doc->flashTree->visualItemRect(folderA).center());
    ASSERT_EQ(doc->currentFolder, 0);
    clickRow(pcList, pcRow("talk_HQ.DVF"));
    click(form->button(CFlashForm::kDownload));
    waitIdle();
    VOX_TRY_VERIFY(recorderRow(QStringLiteral("talk_HQ.DVF")) >= 0);
    ASSERT_NE(recorderFile("A", "TALK_HQ.DVF"), nullptr);
    EXPECT_EQ(recorderFile("A", "TALK_HQ.DVF")->size(), converted);

    // Fetched back: the PC copy is there, so the user is asked and says OK.
    clickRow(list, recorderRow(QStringLiteral("talk_HQ.DVF")));
    click(form->button(CFlashForm::kUpload));
    waitIdle();
    ASSERT_FALSE(boxes.shown.empty());
    EXPECT_EQ(boxes.shown.back().text.toStdString(),
              rules::fillIn(rules::texts::kOverwriteQuestion, pcFolder + "talk_HQ.DVF"));
    EXPECT_EQ(std::filesystem::file_size(pcFolder + "talk_HQ.DVF"), converted);

    // List Up puts it before the earlier recording.
    ASSERT_EQ(recorderRow(QStringLiteral("talk_HQ.DVF")), 1);
    clickRow(list, 1);
    click(form->button(CFlashForm::kListUp));
    EXPECT_EQ(recorderRow(QStringLiteral("talk_HQ.DVF")), 0);
    EXPECT_EQ(recorderNames("A").front(), "TALK_HQ.DVF");

    // The Delete key in the list, and OK to the question.
    clickRow(list, 0);
    QTest::keyClick(list, Qt::Key_Delete);
    VOX_TRY_VERIFY(!doc->work.hasWorkers() && idle());
    EXPECT_EQ(recorderNames("A"), std::vector<std::string>{"EARLIER.DVF"});
    VOX_TRY_COMPARE(list->topLevelItemCount(), 1);

    // Format, OK to both questions.
    const std::size_t before = boxes.shown.size();
    click(form->button(CFlashForm::kFormat));
    waitIdle(30000);
    ASSERT_EQ(boxes.shown.size(), before + 2);
    EXPECT_TRUE(recorderNames("A").empty());
    VOX_TRY_COMPARE(list->topLevelItemCount(), 0);
    // Two questions about the copy and the delete came before; nothing failed.
    for (const SeenBox& box : boxes.shown)
        EXPECT_NE(box.buttons, BoxButtons::Ok) << box.text.toStdString();
}

}  // namespace
}  // namespace vox::app::testing
