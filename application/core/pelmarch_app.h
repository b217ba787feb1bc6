#pragma once
// The application object: start-up from process start to the first shown
// window, and the end after the main window has closed.

#include <QString>
#include <QStringList>
#include <array>
#include <functional>
#include <memory>

#include "application/core/device_api.h"
#include "application/core/instance_lock.h"

namespace vox::app {

class CPelmarchDoc;
class CMainFrame;

// What start-up takes from the system; tests replace parts of it.
struct StartupEnvironment {
    std::function<int()> userUiLanguage;
    std::function<int()> ansiCodePage;
    QStringList packFolders;
    DeviceApi deviceApi = libraryDeviceApi();

    static StartupEnvironment system();
};

// The document template: the fields of its document string.
struct DocTemplate {
    QString windowTitle;
    QString documentName;
    QString newFileName;
    QString filterName;
    QString filterExtension;
    QString fileTypeId;
    QString fileTypeName;

    static DocTemplate parse(const QString& documentString);
};

enum ShellText { kShellName, kShellSize, kShellType, kShellDate, kShellNewFolder, kShellTextCount };

// A shell text as the program takes it: from its own strings (this system
// has no shell string table), cut to the length its buffer holds.
QString loadShellText(ShellText which);

class CPelmarchApp {
  public:
    explicit CPelmarchApp(StartupEnvironment environment = StartupEnvironment::system());
    ~CPelmarchApp();
    CPelmarchApp(const CPelmarchApp&) = delete;
    CPelmarchApp& operator=(const CPelmarchApp&) = delete;

    // True to run the event loop; false to end the process at once.
    bool initInstance();
    // Ends the document's work, closes the window's parts and releases the
    // language pack.
    void exitInstance();

    int platformClass() const { return platformClass_; }
    const QString& shellText(ShellText which) const { return shellTexts_[which]; }
    const DocTemplate& docTemplate() const { return template_; }
    // The language pack in use, empty when the built-in resources are.
    const QString& resourcePack() const { return resourcePack_; }
    CPelmarchDoc* document() const { return doc_.get(); }
    CMainFrame* mainFrame() const { return frame_.get(); }

  private:
    void loadShellTexts();

    StartupEnvironment environment_;
    InstanceLock instanceLock_;
    QString resourcePack_;
    int platformClass_ = -1;
    std::array<QString, kShellTextCount> shellTexts_;
    DocTemplate template_;
    std::unique_ptr<CPelmarchDoc> doc_;
    std::unique_ptr<CMainFrame> frame_;
};

}  // namespace vox::app
