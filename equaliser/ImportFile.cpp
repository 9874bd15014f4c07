#include "ImportFile.h"

#include <QFile>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QString systemError(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

} // namespace

// Opened without waiting, so that a FIFO or a device chosen by mistake
// cannot hang the program, and read only when it is a regular file.
ImportBytes readImportFile(const QString& path)
{
    const int descriptor =
        ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (descriptor < 0)
        return {{}, QStringLiteral("cannot open %1: %2").arg(path, systemError(errno))};
    struct stat status
    {
    };
    if (::fstat(descriptor, &status) != 0 || !S_ISREG(status.st_mode)) {
        ::close(descriptor);
        return {{}, QStringLiteral("cannot open %1: it is not a regular file").arg(path)};
    }
    QFile file;
    if (!file.open(descriptor, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(descriptor);
        return {{}, QStringLiteral("cannot open %1: %2").arg(path, file.errorString())};
    }
    // One byte more than allowed tells a file at the cap from a larger one,
    // also for files whose size the system does not know in advance.
    ImportBytes read{file.read(kMaxImportBytes + 1), {}};
    if (file.error() != QFileDevice::NoError)
        return {{}, QStringLiteral("cannot read %1: %2").arg(path, file.errorString())};
    read.error = importSizeError(read.bytes.size());
    if (!read.error.isEmpty())
        read.bytes.clear();
    return read;
}

QString importSizeError(qint64 size)
{
    if (size <= kMaxImportBytes)
        return {};
    return QStringLiteral("the file is larger than %1 MiB").arg(kMaxImportBytes / (1024 * 1024));
}
