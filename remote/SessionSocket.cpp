#include "SessionSocket.h"

#include <QDir>
#include <QStandardPaths>

#include <unistd.h>

namespace remote {

QString sessionRuntimeFolder()
{
    return QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
}

QString sessionSocketPath(const QString& programName)
{
    return QDir(sessionRuntimeFolder())
        .filePath(QStringLiteral("%1-%2").arg(programName).arg(getuid()));
}

} // namespace remote
