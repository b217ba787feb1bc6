#include "application/core/resource_pack.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QLocale>
#include <array>
#include <utility>

#include "application/resources/resources.h"

namespace vox::app {

namespace {

// Interface languages by tag, as Windows numbers them.
constexpr std::array<std::pair<const char*, int>, 24> kLanguageIds{{
    {"en-US", 0x0409}, {"en-GB", 0x0809}, {"en-AU", 0x0C09}, {"en-CA", 0x1009}, {"ja-JP", 0x0411},
    {"ko-KR", 0x0412}, {"zh-TW", 0x0404}, {"zh-CN", 0x0804}, {"zh-HK", 0x0C04}, {"de-DE", 0x0407},
    {"de-AT", 0x0C07}, {"de-CH", 0x0807}, {"fr-FR", 0x040C}, {"fr-CA", 0x0C0C}, {"it-IT", 0x0410},
    {"es-ES", 0x0C0A}, {"es-MX", 0x080A}, {"pt-BR", 0x0416}, {"pt-PT", 0x0816}, {"nl-NL", 0x0413},
    {"ru-RU", 0x0419}, {"pl-PL", 0x0415}, {"cs-CZ", 0x0405}, {"el-GR", 0x0408},
}};

int firstUiLanguage() {
    const QStringList tags = QLocale::system().uiLanguages();
    return tags.isEmpty() ? 0 : languageIdOfTag(tags.first());
}

}  // namespace

int languageIdOfTag(const QString& tag) {
    for (const auto& [name, id] : kLanguageIds)
        if (tag.compare(QLatin1String(name), Qt::CaseInsensitive) == 0) return id;
    return 0;
}

// On Linux the user's interface language is the locale's first one.
int userUiLanguage() {
    return firstUiLanguage();
}

int packCodePage(int languageId, int ansiCodePage) {
    switch (languageId) {
        case 0x0409:
            return 1252;
        case 0x0411:
            return 932;
        case 0x0412:
            return 949;
        default:
            return ansiCodePage;
    }
}

QString packFileName(int codePage) {
    return QStringLiteral("Vxrs%1.rcc").arg(codePage);
}

QStringList packFolders() {
    const QString own = QCoreApplication::applicationDirPath();
    return {own, QDir::cleanPath(own + QStringLiteral("/../share/voxerin"))};
}

QString loadLanguagePack(int languageId, int ansiCodePage, const QStringList& folders) {
    const QString name = packFileName(packCodePage(languageId, ansiCodePage));
    for (const QString& folder : folders) {
        const QString file = QDir(folder).filePath(name);
        if (QFileInfo::exists(file) && vox::res::loadPack(file)) return file;
    }
    return {};
}

}  // namespace vox::app
