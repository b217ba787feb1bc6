#pragma once
// The whole program over the real device access library and a recorder model
// on the direct device provider: the main window is shown, the recorder is
// listed, and the PC list shows a folder of the test's own. Boxes go to a
// double that records them, answers as scripted and can run a step of the
// test's own while a box is "open".

#include <gtest/gtest.h>

#include <QTest>
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "application/core/frame_messages.h"
#include "application/core/main_frame.h"
#include "application/core/message_boxes.h"
#include "application/core/pelmarch_doc.h"
#include "application/core/tests/support/gtest_wait.h"
#include "application/panes/dir_panes.h"
#include "application/panes/flash_form.h"
#include "application/panes/flash_list.h"
#include "application/panes/flash_tree.h"
#include "application/panes/tests/temporary_home.h"
#include "platform/devio/direct_provider.h"
#include "recorder_model/recorder.h"

namespace vox::app::testing {

struct SeenBox {
    QString text;
    BoxButtons buttons;
    BoxIcon icon;
};

class ScriptedBoxes final : public MessageBoxes {
  public:
    ScriptedBoxes() { installMessageBoxes(this); }
    ~ScriptedBoxes() override { installMessageBoxes(nullptr); }

    BoxAnswer show(const QString& text, BoxButtons buttons, BoxIcon icon) override {
        shown.push_back({text, buttons, icon});
        if (whileOpen) whileOpen(text);
        if (answers.empty()) return buttons == BoxButtons::YesNo ? BoxAnswer::Yes : BoxAnswer::Ok;
        const BoxAnswer answer = answers.front();
        answers.erase(answers.begin());
        return answer;
    }
    int count(const QString& text) const {
        int n = 0;
        for (const SeenBox& box : shown) n += box.text == text;
        return n;
    }

    std::vector<SeenBox> shown;
    std::vector<BoxAnswer> answers;
    std::function<void(const QString&)> whileOpen;
};

class RecorderProgramTest : public ::testing::Test {
  protected:
    virtual vox::model::RecorderOptions recorderOptions() { return {}; }

    void SetUp() override {
        ASSERT_TRUE(home.valid());
        provider = std::make_shared<vox::devio::DirectProvider>();
        previous = vox::devio::installProvider(provider);
        recorder = std::make_shared<vox::model::Recorder>(recorderOptions());
        provider->attach(recorder);
        pcFolder = home.path() + "pc/";
        std::filesystem::create_directories(pcFolder);
        doc = std::make_unique<CPelmarchDoc>();
        frame = std::make_unique<CMainFrame>(*doc);
        frame->show();
        VOX_TRY_VERIFY_WITH_TIMEOUT(doc->currentFolder == 3 && doc->deviceLink != nullptr, 5000);
        form = doc->flashForm;
        list = doc->flashList;
        pcList = doc->dirList;
        VOX_TRY_VERIFY(pcList->ready());
        showPcFolder();
    }

    void TearDown() override {
        frame.reset();
        doc.reset();
        vox::devio::installProvider(previous);
    }

    // Adds a file to a recorder folder and lists that folder.
    void addRecorderFile(const std::string& folder, const std::string& shortName, std::size_t bytes,
                         std::uint8_t fill = 7, std::u16string longName = u"") {
        std::string error;
        ASSERT_TRUE(recorder->fileSystem().addFile(
            'M', folder, shortName, longName, std::vector<std::uint8_t>(bytes, fill), {}, error))
            << error;
    }
    void showRecorderFolder(int folder) {
        doc->flashTree->showFolder(folder);
        ASSERT_EQ(doc->currentFolder, folder);
    }
    // The files of a recorder folder, in play order, by plain short name.
    std::vector<std::string> recorderNames(const std::string& folder) {
        std::vector<std::string> names;
        for (const auto& entry : recorder->fileSystem().folder('M', folder)->children)
            names.push_back(entry.shortName.plain());
        return names;
    }
    // The file of that short name, in any case.
    const vox::model::FlashEntry* recorderFile(const std::string& folder, const std::string& name) {
        for (const auto& entry : recorder->fileSystem().folder('M', folder)->children)
            if (QString::fromStdString(entry.shortName.plain())
                    .compare(QString::fromStdString(name), Qt::CaseInsensitive) == 0)
                return &entry;
        return nullptr;
    }

    std::string writePcFile(const std::string& name, std::size_t bytes, char fill = 'x') {
        const std::string path = pcFolder + name;
        std::ofstream(path, std::ios::binary) << std::string(bytes, fill);
        return path;
    }
    void showPcFolder() {
        doc->workingDirectory = pcFolder;
        pcList->listFolder("");
    }
    void selectPcFiles(const std::vector<std::string>& names) {
        showPcFolder();
        pcList->clearSelection();
        for (int row = 0; row < pcList->topLevelItemCount(); ++row) {
            QTreeWidgetItem* item = pcList->topLevelItem(row);
            if (std::find(names.begin(), names.end(), pcList->rowName(item)) != names.end())
                item->setSelected(true);
        }
        ASSERT_EQ(pcList->selectedNames().size(), names.size());
    }
    void selectRecorderRows(const std::vector<int>& rows) {
        list->clearSelection();
        for (int row : rows) list->topLevelItem(row)->setSelected(true);
    }
    bool idle() const { return !doc->deviceWorkerRunning() && !doc->work.busy(); }
    void waitIdle(int ms = 20000) { VOX_TRY_VERIFY_WITH_TIMEOUT(idle(), ms); }
    void request(vox::messages::Message message, WParam wParam = 0, LParam lParam = 0) {
        frame->send(message, wParam, lParam);
    }

    vox::testing::TemporaryHome home;
    ScriptedBoxes boxes;
    std::shared_ptr<vox::devio::DirectProvider> provider;
    std::shared_ptr<vox::devio::Provider> previous;
    std::shared_ptr<vox::model::Recorder> recorder;
    std::string pcFolder;
    std::unique_ptr<CPelmarchDoc> doc;
    std::unique_ptr<CMainFrame> frame;
    CFlashForm* form = nullptr;
    CFlashList* list = nullptr;
    CDirList* pcList = nullptr;
};

}  // namespace vox::app::testing
