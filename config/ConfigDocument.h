#pragma once

#include <QByteArray>
#include <QJsonDocument>
#include <QString>

// Why a configuration file could not be read or written.
enum class ConfigError
{
    None,
    NotFound,      // no file at the path
    Unreadable,    // exists but cannot be opened or read (a folder, no permission)
    TooLarge,      // larger than any configuration file can sensibly be
    InvalidJson,   // not a JSON document
    NotAnObject,   // valid JSON whose root is not an object (writer only)
    WrongShape,    // members of types the program cannot read (writer only)
    AlreadyExists, // the file to be created is already there
    WriteFailed,   // the new content could not be stored; the old file is untouched
};

// Configuration files hold a few kilobytes; anything far beyond that is not
// one of ours and is refused instead of being loaded into memory.
constexpr qint64 kMaxConfigFileSize = 1024 * 1024;

struct LoadedDocument
{
    ConfigError error = ConfigError::None;
    QString errorText; // one line naming the file and the cause; empty on success
    QJsonDocument document;
};

// Reads and parses the file at path.
LoadedDocument loadConfigDocument(const QString& path);

// Parses data that came from origin (origin only names the source in errorText).
LoadedDocument parseConfigDocument(const QByteArray& data, const QString& origin);
