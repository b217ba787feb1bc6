#include "application/core/profile.h"

#include <QSettings>

namespace vox::app {

namespace {

QString key(const char* section, const char* name) {
    return QString::fromLatin1(section) + u'/' + QString::fromLatin1(name);
}

}  // namespace

int readInt(const IntSetting& value) {
    const QVariant stored = QSettings().value(key(value.section, value.name));
    bool isNumber = false;
    const int number = stored.toInt(&isNumber);
    return isNumber ? number : value.fallback;
}

void writeInt(const IntSetting& value, int number) {
    QSettings().setValue(key(value.section, value.name), number);
}

QString readText(const TextSetting& value) {
    return QSettings()
        .value(key(value.section, value.name), QString::fromUtf8(value.fallback))
        .toString();
}

void writeText(const TextSetting& value, const QString& text) {
    QSettings().setValue(key(value.section, value.name), text);
}

}  // namespace vox::app
