#include "application/resources/resources.h"

#include <QFile>
#include <QResource>
#include <QTextStream>
#include <map>

namespace vox::res {

namespace {

constexpr char kBuiltinRoot[] = ":/vox/";
constexpr char kPackMapRoot[] = "/vox-pack";

struct State {
    QString packFile;
    std::map<QString, QString> strings;
    bool stringsRead = false;
};

State& state() {
    static State s;
    return s;
}

QString unescape(const QString& raw) {
    QString out;
    out.reserve(raw.size());
    for (qsizetype i = 0; i < raw.size(); ++i) {
        if (raw[i] != u'\\' || i + 1 == raw.size()) {
            out += raw[i];
            continue;
        }
        const QChar next = raw[++i];
        out += next == u'n' ? QChar(u'\n') : next == u't' ? QChar(u'\t') : next;
    }
    return out;
}

void readTable(const QString& file, std::map<QString, QString>& strings) {
    QFile table(file);
    if (!table.open(QIODevice::ReadOnly)) return;
    QTextStream in(&table);
    in.setEncoding(QStringConverter::Utf8);
    while (!in.atEnd()) {
        const QString line = in.readLine();
        const qsizetype tab = line.indexOf(u'\t');
        if (line.startsWith(u'#') || tab <= 0) continue;
        strings[line.left(tab)] = unescape(line.mid(tab + 1));
    }
}

// The built-in table, with the pack's entries over it: an entry a pack
// lacks keeps its built-in text.
void readStrings() {
    State& s = state();
    s.strings.clear();
    s.stringsRead = true;
    const QString name = QStringLiteral("strings/strings.tsv");
    readTable(QString::fromLatin1(kBuiltinRoot) + name, s.strings);
    const QString packed = path(name);
    if (packed.startsWith(QStringLiteral(":/vox-pack/"))) readTable(packed, s.strings);
}

}  // namespace

bool loadPack(const QString& file) {
    unloadPack();
    if (!QResource::registerResource(file, QString::fromLatin1(kPackMapRoot))) return false;
    state().packFile = file;
    state().stringsRead = false;
    return true;
}

void unloadPack() {
    State& s = state();
    if (s.packFile.isEmpty()) return;
    QResource::unregisterResource(s.packFile, QString::fromLatin1(kPackMapRoot));
    s.packFile.clear();
    s.stringsRead = false;
}

bool packLoaded() {
    return !state().packFile.isEmpty();
}

QString path(const QString& name) {
    if (packLoaded()) {
        const QString packed =
            QStringLiteral(":") + QString::fromLatin1(kPackMapRoot) + u'/' + name;
        if (QFile::exists(packed)) return packed;
    }
    return QString::fromLatin1(kBuiltinRoot) + name;
}

QString text(const QString& key) {
    if (!state().stringsRead) readStrings();
    const auto found = state().strings.find(key);
    return found == state().strings.end() ? QString() : found->second;
}

QImage image(const QString& name) {
    return QImage(path(name));
}

}  // namespace vox::res
