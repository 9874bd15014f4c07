#pragma once
// Files a person chooses to import are read whole, but never more than a
// small cap, and only regular files: a wrong choice (a video, /dev/zero, a
// FIFO nobody writes to) gets a message, not a hang.

#include <QByteArray>
#include <QString>

constexpr qint64 kMaxImportBytes = 1024 * 1024;

struct ImportBytes
{
    QByteArray bytes;
    QString error; // set when the file could not be read or is too large
};

// The file's bytes, or why not (missing, not a regular file, unreadable,
// too large).
ImportBytes readImportFile(const QString& path);
// The message for bytes beyond kMaxImportBytes, empty when they fit.
QString importSizeError(qint64 size);
