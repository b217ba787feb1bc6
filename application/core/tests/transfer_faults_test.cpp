// Transfers that go wrong on the simulated recorder: pulled out in the
// middle of a batch, a file the recorder refuses, a name whose short name is
// taken, and files of no bytes.

#include <QLabel>
#include <QTest>
#include <set>

#include "application/core/tests/recorder_program_fixture.h"
#include "application/panes/flash_operations.h"
#include "engine/rules/rule_texts.h"
#include "platform/messages/message_numbers.h"

namespace vox::app::testing {
namespace {

namespace msg = vox::messages;

constexpr int kBatch = 99;  // a folder holds no more
constexpr std::size_t kFileBytes = 4000;

std::string numbered(int i, const char* extension) {
    return "N" + std::to_string(i) + extension;
}

class TransferFaults : public RecorderProgramTest {
  protected:
    bool usbFailedShown() const {
        return boxes.count(QString::fromLatin1(rules::texts::kUsbFailed)) == 1;
    }
    // The Refresh that follows a failure finds no recorder.
    void expectRecorderGone() {
        VOX_TRY_COMPARE(doc->deviceLink, nullptr);
        VOX_TRY_COMPARE(frame->statusPane(0)->text(),
                        QString::fromLatin1(rules::texts::kRecorderNotFound));
        EXPECT_FALSE(form->button(CFlashForm::kDownload)->isEnabled());
    }
};

TEST_F(TransferFaults, UnpluggedDuringAnUploadLeavesOnlyWholeFilesOnThePc) {
    for (int i = 0; i < kBatch; ++i) {
        const std::string name = numbered(i, ".BIN");
        addRecorderFile("HD", name, kFileBytes, static_cast<std::uint8_t>(i),
                        std::u16string(name.begin(), name.end()));
    }
    showRecorderFolder(4);
    ASSERT_EQ(list->topLevelItemCount(), kBatch);
    std::vector<int> rows;
    for (int i = 0; i < kBatch; ++i) rows.push_back(i);
    selectRecorderRows(rows);
    recorder->faults().unplugAfterBytes(40 * kFileBytes);

    request(msg::WM_UPLOAD_FILES);
    VOX_TRY_VERIFY_WITH_TIMEOUT(usbFailedShown(), 20000);
    waitIdle();
    expectRecorderGone();

    // Every file on the PC arrived whole, in batch order, and nothing else
    // (no part of the failed one) is there.
    int arrived = 0;
    std::set<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(pcFolder))
        names.insert(entry.path().filename().string());
    while (names.count(numbered(arrived, ".BIN")) != 0) {
        const std::string path = pcFolder + numbered(arrived, ".BIN");
        std::ifstream in(path, std::ios::binary);
        const std::string bytes((std::istreambuf_iterator<char>(in)), {});
        EXPECT_EQ(bytes, std::string(kFileBytes, static_cast<char>(arrived))) << path;
        ++arrived;
    }
    EXPECT_GT(arrived, 0);
    EXPECT_LT(arrived, kBatch);
    EXPECT_EQ(names.size(), static_cast<std::size_t>(arrived));
    EXPECT_EQ(boxes.shown.size(), 1u);
}

TEST_F(TransferFaults, UnpluggedDuringADownloadKeepsTheFilesSentBefore) {
    std::vector<std::string> names;
    for (int i = 0; i < kBatch; ++i) {
        names.push_back(numbered(i, ".bin"));
        std::ofstream(pcFolder + names.back(), std::ios::binary)
            << std::string(kFileBytes, static_cast<char>(i));
    }
    showRecorderFolder(4);
    selectPcFiles(names);
    recorder->faults().unplugAfterBytes(30 * kFileBytes);

    request(msg::WM_DOWNLOAD_FILES);
    VOX_TRY_VERIFY_WITH_TIMEOUT(usbFailedShown(), 20000);
    waitIdle();
    expectRecorderGone();

    // The files went in the PC list's order; those before the failed one
    // are whole, and nothing of the failed one is there.
    const std::vector<std::string> sent = pcList->selectedNames();
    const std::vector<std::string> onRecorder = recorderNames("HD");
    ASSERT_GT(onRecorder.size(), 0u);
    EXPECT_LT(onRecorder.size(), static_cast<std::size_t>(kBatch));
    for (std::size_t i = 0; i < onRecorder.size(); ++i) {
        const vox::model::FlashEntry* file = recorderFile("HD", sent[i]);
        ASSERT_NE(file, nullptr) << sent[i];
        const int fill = std::stoi(sent[i].substr(1));
        EXPECT_EQ(*file->content,
                  std::vector<std::uint8_t>(kFileBytes, static_cast<std::uint8_t>(fill)))
            << sent[i];
    }
    EXPECT_EQ(boxes.shown.size(), 1u);
}

// The recorder refuses the file: the user is told, nothing is on the
// recorder, and the Refresh that follows lists the folder again.
TEST_F(TransferFaults, ARefusedCreateIsReportedAndTheRecorderListedAgain) {
    addRecorderFile("HD", "OLD.BIN", 10, 1, u"old.bin");
    writePcFile("new.bin", 5000);
    showRecorderFolder(4);
    selectPcFiles({"new.bin"});
    recorder->faults().refuseNextCreate();
    request(msg::WM_DOWNLOAD_FILES);
    VOX_TRY_VERIFY(usbFailedShown());
    waitIdle();
    EXPECT_EQ(recorderNames("HD"), std::vector<std::string>{"OLD.BIN"});
    VOX_TRY_COMPARE(list->topLevelItemCount(), 1);
    EXPECT_NE(doc->deviceLink, nullptr);
    EXPECT_TRUE(form->button(CFlashForm::kDownload)->isEnabled());
    EXPECT_TRUE(form->totalBar()->text().isEmpty());
}

// "notes.txt" would be stored as NOTES.TXT, the short name of a file there
// without a long name: a click on Download tells which two files clash, and
// nothing is sent.
TEST_F(TransferFaults, AShortNameTakenByAnotherFileIsToldBeforeAnythingIsSent) {
    addRecorderFile("HD", "NOTES.TXT", 10, 1);
    writePcFile("notes.txt", 5000);
    showRecorderFolder(4);
    selectPcFiles({"notes.txt"});
    QTest::mouseClick(form->button(CFlashForm::kDownload), Qt::LeftButton);
    VOX_TRY_COMPARE(boxes.shown.size(), std::size_t{1});
    EXPECT_EQ(boxes.shown[0].text.toStdString(),
              "Error : \"notes.txt\" would get the same short name on the recorder as "
              "\"NOTES   .TXT\", which is there already; rename one of them.");
    EXPECT_FALSE(usbFailedShown());
    waitIdle();
    EXPECT_EQ(recorderNames("HD"), std::vector<std::string>{"NOTES.TXT"});
    EXPECT_EQ(recorderFile("HD", "NOTES.TXT")->size(), 10u);
}

// A file of no bytes has no blocks to divide by: it is uploaded and its
// bars show it complete.
TEST_F(TransferFaults, AnEmptyRecorderFileIsUploadedWithoutDividingByZero) {
    addRecorderFile("HD", "EMPTY.BIN", 0, 0, u"empty.bin");
    showRecorderFolder(4);
    selectRecorderRows({0});
    request(msg::WM_UPLOAD_FILES);
    waitIdle();
    EXPECT_TRUE(boxes.shown.empty());
    std::error_code error;
    EXPECT_EQ(std::filesystem::file_size(pcFolder + "empty.bin", error), 0u) << error.message();
    EXPECT_EQ(batchText(0, 0, 1, 1), QStringLiteral("100% Complete (1/1)"));
    EXPECT_EQ(percentText(3, 0), QStringLiteral("100% Complete"));
}

}  // namespace
}  // namespace vox::app::testing
