#pragma once
// Saving a configuration file goes through QSaveFile, which writes the whole
// new document to "<name>.json.XXXXXX" beside the file (six random letters)
// and renames it over the file when done, unless the file system can hold
// the new content unnamed until then. A program killed in the middle leaves
// that temporary file behind, full size, and nothing else ever removes it.

#include <QString>
#include <QStringList>

// A save takes milliseconds; a leftover this old belongs to no running save.
constexpr int kStaleSaveLeftoverSeconds = 10;

// Removes from folder the temporary files of interrupted saves of its
// "*.json" files that were last written at least minimumAgeSeconds ago, and
// returns their names. Anything else in the folder is left alone; a missing
// folder has nothing to remove. Names tell the leftovers apart, and a
// person's own "x.json.backup" looks like one: use this only on the
// program's own folders.
QStringList removeStaleSaveLeftovers(const QString& folder,
                                     int minimumAgeSeconds = kStaleSaveLeftoverSeconds);
