#include "SessionSocket.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>

#include <sys/stat.h>
#include <unistd.h>

namespace remote {

namespace {

// The fallback for a session without a usable $XDG_RUNTIME_DIR: in the
// user's own cache folder, where no other user can place anything.
QString privateFallbackFolder()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation) +
           QStringLiteral("/velumix-runtime");
}

QString inRuntimeFolder(const QString& name)
{
    return QDir(sessionRuntimeFolder()).filePath(name);
}

} // namespace

QString runtimeFolderProblem(const QString& path)
{
    struct stat status
    {
    };
    if (::lstat(QFile::encodeName(path).constData(), &status) != 0)
        return QStringLiteral("%1 does not exist").arg(path);
    if (!S_ISDIR(status.st_mode))
        return QStringLiteral("%1 is not a folder").arg(path);
    if (status.st_uid != ::getuid())
        return QStringLiteral("%1 belongs to another user (uid %2)").arg(path).arg(status.st_uid);
    if ((status.st_mode & 0077) != 0)
        return QStringLiteral("%1 is open to other users (mode %2)")
            .arg(path)
            .arg(status.st_mode & 0777, 4, 8, QChar('0'));
    return {};
}

QString sessionRuntimeFolder()
{
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty() && runtimeFolderProblem(runtime).isEmpty())
        return runtime;
    return privateFallbackFolder();
}

RuntimeFolder readySessionRuntimeFolder()
{
    const QString folder = sessionRuntimeFolder();
    if (folder == privateFallbackFolder() && !QFileInfo::exists(folder)) {
        QDir().mkpath(QFileInfo(folder).path());
        ::mkdir(QFile::encodeName(folder).constData(), 0700);
    }
    return {folder, runtimeFolderProblem(folder)};
}

QString sessionSocketPath(const QString& programName)
{
    return inRuntimeFolder(QStringLiteral("%1-%2").arg(programName).arg(::getuid()));
}

QString sessionLockPath(const QString& programName)
{
    return inRuntimeFolder(QStringLiteral("%1-%2.lock").arg(programName).arg(::getuid()));
}

} // namespace remote
