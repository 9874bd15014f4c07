#pragma once

#include "ConfigDocument.h"
#include "ConfigRecord.h"

#include <QJsonObject>
#include <QList>
#include <QString>

#include <functional>

struct ConfigWriteResult
{
    ConfigError error = ConfigError::None;
    QString errorText; // one line naming the file and the cause; empty on success
    bool ok() const { return error == ConfigError::None; }
};

// Changes one part of a document's root object.
using DocumentEdit = std::function<void(QJsonObject& root)>;

// Rereads the file at path, applies edit (none: the document is rewritten
// unchanged) and replaces the file with the whole document in indented,
// key-sorted form. The file is never created, and it is left exactly as it
// was unless the complete new document was stored: a missing, unreadable,
// oversized or invalid file, a root that is not an object, members of the
// wrong type (shapeProblemsOf) and a failed write are all reported through
// the result.
ConfigWriteResult updateConfigFile(const QString& path, const DocumentEdit& edit);

// Stores root at path (creating or replacing the file) in indented,
// key-sorted form; the old file stays whole if the write fails.
ConfigWriteResult saveConfigDocument(const QString& path, const QJsonObject& root);

// Writes the folder holding path to disk, so that a file renamed into it
// (a completed save) is not lost to a power cut. False, with a trace record
// naming the folder and the cause, when that fails.
bool syncFolderOf(const QString& path);

// The edits of the three writable parts of a user document.
// Adds "uuid" as eight hex digits; an existing "uuid" is kept as it is.
void addIdentityIfMissing(QJsonObject& root, const DeviceIdentity& identity);
// Replaces "customMode" with one entry per record, in list order: a
// record's own entry as the file held it while the record is unchanged, its
// entry with the three members set (other members kept) when it changed,
// and a new object of the three members for a new record.
void setCustomModes(QJsonObject& root, const QList<CustomRecord>& modes);
// Sets "algorithm", "mode" and "name" of the "mode" object (created when
// missing or not an object); its other members stay.
void setCurrentMode(QJsonObject& root, const QString& algorithm, const QString& mode,
                    const QString& name);

// Sets the page's record in the "pageMode" object (created when missing);
// the other page's record and any other members stay.
void setPageMode(QJsonObject& root, SoundPage page, const QString& mode, const QString& name);

// A new unit's user document: the model's default document with "uuid" set
// to the unit's identity (replacing a "uuid" the default file may carry, so
// that the file always names the unit it belongs to).
QJsonObject userDocumentFromDefault(QJsonObject defaultRoot, const DeviceIdentity& identity);

// Creates the user file of a new unit from its model's default file.
// AlreadyExists: a user file is there and is left alone. NotFound, Unreadable,
// TooLarge, InvalidJson, NotAnObject, WrongShape: the default file cannot serve, and no
// user file is created. WriteFailed: the user file could not be stored.
ConfigWriteResult createUserFile(const QString& defaultPath, const QString& userPath,
                                 const DeviceIdentity& identity);
