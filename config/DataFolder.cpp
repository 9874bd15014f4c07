#include "DataFolder.h"

#include <QCoreApplication>
#include <QDir>

#ifndef VELUMIX_DATA_FROM_BIN
#error "VELUMIX_DATA_FROM_BIN names the data folder relative to the program's folder"
#endif

QString dataFolder()
{
    return QDir::cleanPath(QCoreApplication::applicationDirPath() +
                           QStringLiteral("/" VELUMIX_DATA_FROM_BIN));
}
