#pragma once
// Which language pack the program loads at start: "Vxrs<code page>.rcc",
// the code page following from the user's interface language.

#include <QString>
#include <QStringList>

namespace vox::app {

// The Windows language identifier of the user's interface language, from
// the locale's interface languages; 0 when not known.
int userUiLanguage();
// The identifier of a BCP 47 tag such as "en-GB"; 0 for one not in the table.
int languageIdOfTag(const QString& tag);

// 1252 for 0x0409, 932 for 0x0411, 949 for 0x0412; `ansiCodePage` for every
// other identifier, other sublanguages and 0 included.
int packCodePage(int languageId, int ansiCodePage);
QString packFileName(int codePage);

// Folders searched for a pack, in order: the program's own folder, then
// ../share/voxerin beside it.
QStringList packFolders();

// Loads the pack for `languageId` from the first of `folders` that has it.
// Returns the file that was loaded, or an empty text when none was.
QString loadLanguagePack(int languageId, int ansiCodePage, const QStringList& folders);

}  // namespace vox::app
