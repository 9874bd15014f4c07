#include "SaveLeftovers.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

namespace {

bool isSaveLeftoverName(const QString& name)
{
    // QSaveFile's temporary name: the target's name and a dot, then six
    // random characters (letters in Qt 5; digits are allowed for safety).
    static const QRegularExpression pattern(QStringLiteral("^.+\\.json\\.[A-Za-z0-9]{6}$"));
    return pattern.match(name).hasMatch();
}

} // namespace

QStringList removeStaleSaveLeftovers(const QString& folder, int minimumAgeSeconds)
{
    const QDateTime writtenBefore = QDateTime::currentDateTimeUtc().addSecs(-minimumAgeSeconds);
    QStringList removed;
    const QFileInfoList entries =
        QDir(folder).entryInfoList(QDir::Files | QDir::NoSymLinks, QDir::Name);
    for (const QFileInfo& entry : entries) {
        if (!isSaveLeftoverName(entry.fileName()) || entry.lastModified().toUTC() > writtenBefore)
            continue;
        if (QFile::remove(entry.filePath()))
            removed << entry.fileName();
    }
    return removed;
}
