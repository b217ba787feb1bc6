#pragma once
// The program's resources: the string table and the bitmaps. Built-in ones
// are compiled in under ":/vox/"; a language pack (a Qt resource file with
// translated strings and images under the same names) can be loaded at start,
// and from then on every name it holds is taken from it.

#include <QImage>
#include <QString>

namespace vox::res {

// Loads the pack in `file`; false (and the built-ins kept) when it does not load.
bool loadPack(const QString& file);
// Releases the pack, if one is loaded.
void unloadPack();
bool packLoaded();

// Resource path of `name` ("strings/strings.tsv", "bitmaps/139.png"): the
// pack's when it holds the name, else the built-in one.
QString path(const QString& name);
// Text of string-table entry `key`; empty when the table has none.
QString text(const QString& key);
QImage image(const QString& name);

}  // namespace vox::res
