#include "ImportFile.h"

#include <QFile>

ImportBytes readImportFile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {{}, QStringLiteral("cannot open %1: %2").arg(path, file.errorString())};
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
