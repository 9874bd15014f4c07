#include "ConfigDocument.h"

#include <QFile>
#include <QFileInfo>
#include <QJsonParseError>

namespace {

LoadedDocument failure(ConfigError error, const QString& text)
{
    LoadedDocument result;
    result.error = error;
    result.errorText = text;
    return result;
}

// The offset of the byte that broke the document. For these errors the parser
// has already stepped over that byte when it stops, and its offset is one past.
int offendingByteOffset(const QJsonParseError& parseError)
{
    switch (parseError.error) {
    case QJsonParseError::IllegalValue:
    case QJsonParseError::UnterminatedObject:
    case QJsonParseError::UnterminatedArray:
    case QJsonParseError::MissingNameSeparator:
    case QJsonParseError::MissingValueSeparator:
    case QJsonParseError::MissingObject:
        return qMax(0, parseError.offset - 1);
    default:
        return parseError.offset;
    }
}

} // namespace

LoadedDocument loadConfigDocument(const QString& path)
{
    const QFileInfo info(path);
    if (!info.exists())
        return failure(ConfigError::NotFound, QStringLiteral("%1: no such file").arg(path));
    if (!info.isFile())
        return failure(ConfigError::Unreadable, QStringLiteral("%1: not a regular file").arg(path));

    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return failure(ConfigError::Unreadable,
                       QStringLiteral("%1: cannot open: %2").arg(path, file.errorString()));
    // One byte more than allowed tells an oversized file from one of exactly the limit.
    const QByteArray data = file.read(kMaxConfigFileSize + 1);
    if (file.error() != QFileDevice::NoError)
        return failure(ConfigError::Unreadable,
                       QStringLiteral("%1: cannot read: %2").arg(path, file.errorString()));
    if (data.size() > kMaxConfigFileSize)
        return failure(
            ConfigError::TooLarge,
            QStringLiteral("%1: larger than %2 bytes").arg(path).arg(kMaxConfigFileSize));
    return parseConfigDocument(data, path);
}

LoadedDocument parseConfigDocument(const QByteArray& data, const QString& origin)
{
    QJsonParseError parseError;
    LoadedDocument result;
    result.document = QJsonDocument::fromJson(data, &parseError);
    if (parseError.error != QJsonParseError::NoError)
        return failure(ConfigError::InvalidJson, QStringLiteral("%1: invalid JSON at offset %2: %3")
                                                     .arg(origin)
                                                     .arg(offendingByteOffset(parseError))
                                                     .arg(parseError.errorString()));
    return result;
}
