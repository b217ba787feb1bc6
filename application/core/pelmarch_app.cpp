#include "application/core/pelmarch_app.h"

#include <QCoreApplication>

#include "application/core/app_title.h"
#include "application/core/main_frame.h"
#include "application/core/message_boxes.h"
#include "application/core/pelmarch_doc.h"
#include "application/core/resource_pack.h"
#include "application/resources/resources.h"
#include "platform/text/code_page.h"

namespace vox::app {

namespace {

// The class of an NT-family system of version 5.1 or later: the class the
// PC tree's removable-media refresh and the new-folder text expect of a
// current system.
constexpr int kPlatformClass = 5;
constexpr int kColumnTitleChars = 19;
constexpr int kNewFolderChars = 259;

}  // namespace

StartupEnvironment StartupEnvironment::system() {
    return {vox::app::userUiLanguage, vox::text::ansiCodePage, vox::app::packFolders(),
            libraryDeviceApi()};
}

DocTemplate DocTemplate::parse(const QString& documentString) {
    const QStringList fields = documentString.split(u'\n');
    const auto field = [&](int index) { return fields.value(index); };
    return {field(0), field(1), field(2), field(3), field(4), field(5), field(6)};
}

CPelmarchApp::CPelmarchApp(StartupEnvironment environment) : environment_(std::move(environment)) {}

CPelmarchApp::~CPelmarchApp() {
    exitInstance();
}

bool CPelmarchApp::initInstance() {
    QCoreApplication::setOrganizationName(QString::fromUtf8(kSettingsRoot));
    QCoreApplication::setApplicationName(QString::fromUtf8(kAppTitle));

    // Another copy's window cannot be looked up from here; the instance
    // lock is what keeps a second copy out.
    if (!instanceLock_.acquire()) {
        messageBoxes().show(vox::res::text(QStringLiteral("running")), BoxButtons::Ok,
                            BoxIcon::None);
        return false;
    }

    // The user's interface language chooses the language pack.
    const int userLanguage = environment_.userUiLanguage ? environment_.userUiLanguage() : 0;
    resourcePack_ =
        loadLanguagePack(userLanguage, environment_.ansiCodePage(), environment_.packFolders);

    platformClass_ = kPlatformClass;
    loadShellTexts();
    template_ = DocTemplate::parse(vox::res::text(QStringLiteral("doc_template")));

    doc_ = std::make_unique<CPelmarchDoc>(environment_.deviceApi);
    frame_ = std::make_unique<CMainFrame>(*doc_);
    frame_->showFirstTime();
    frame_->repaint();
    return true;
}

void CPelmarchApp::exitInstance() {
    // The recorder form waits for the workers it shows before it goes; the
    // document then releases the link they used.
    frame_.reset();
    if (doc_) doc_->shutdown();
    doc_.reset();
    if (!resourcePack_.isEmpty()) {
        vox::res::unloadPack();
        resourcePack_.clear();
    }
}

QString loadShellText(ShellText which) {
    static const QString keys[kShellTextCount] = {
        QStringLiteral("shell_name"), QStringLiteral("shell_size"), QStringLiteral("shell_type"),
        QStringLiteral("shell_date"), QStringLiteral("shell_new_folder")};
    return vox::res::text(keys[which])
        .left(which == kShellNewFolder ? kNewFolderChars : kColumnTitleChars);
}

void CPelmarchApp::loadShellTexts() {
    for (int which = 0; which < kShellTextCount; ++which)
        shellTexts_[which] = loadShellText(static_cast<ShellText>(which));
}

}  // namespace vox::app
