#include "SessionSocket.h"

#include <QDir>

#include <pwd.h>
#include <unistd.h>

namespace remote {

// Qt's fallback where the session has no runtime folder, named the way
// QStandardPaths names it, without creating it or warning about it: a client
// only looks, and the window creates it when it listens.
QString sessionRuntimeFolder()
{
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty())
        return runtime;
    const passwd* user = getpwuid(getuid());
    const QString userName =
        user ? QString::fromLocal8Bit(user->pw_name) : QString::number(getuid());
    return QDir::tempPath() + QStringLiteral("/runtime-") + userName;
}

QString sessionSocketPath(const QString& programName)
{
    return QDir(sessionRuntimeFolder())
        .filePath(QStringLiteral("%1-%2").arg(programName).arg(getuid()));
}

} // namespace remote
