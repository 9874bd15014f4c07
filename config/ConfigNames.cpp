#include "ConfigNames.h"

#include <QDir>
#include <QStandardPaths>

namespace {

int hexDigitValue(QChar c)
{
    const ushort u = c.unicode();
    if (u >= '0' && u <= '9')
        return u - '0';
    if (u >= 'a' && u <= 'f')
        return u - 'a' + 10;
    if (u >= 'A' && u <= 'F')
        return u - 'A' + 10;
    return -1;
}

// A piece of one or two characters that are all hexadecimal digits, else 0.
quint8 hexPieceValue(const QString& piece)
{
    int value = 0;
    for (const QChar c : piece) {
        const int digit = hexDigitValue(c);
        if (digit < 0)
            return 0;
        value = value * 16 + digit;
    }
    return quint8(value);
}

QString productIdText(quint16 productId)
{
    return QStringLiteral("%1").arg(productId, 4, 16, QLatin1Char('0'));
}

} // namespace

QString userFileFolder(const QString& programName)
{
    return QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation) + "/" + programName +
           "/" + kUserFileFolder;
}

QString identityToHex(const DeviceIdentity& identity)
{
    QString text;
    for (const quint8 byte : identity)
        text += QStringLiteral("%1").arg(byte, 2, 16, QLatin1Char('0'));
    return text;
}

DeviceIdentity identityFromHex(const QString& text)
{
    DeviceIdentity identity{};
    for (size_t i = 0; i < identity.size(); ++i) {
        const int position = int(i) * 2;
        if (position >= text.size())
            break;
        identity[i] = hexPieceValue(text.mid(position, 2));
    }
    return identity;
}

quint16 hexTextToId(const QString& text)
{
    int i = 0;
    while (i < text.size() && text.at(i).isSpace())
        ++i;
    bool negative = false;
    if (i < text.size() && (text.at(i) == QLatin1Char('+') || text.at(i) == QLatin1Char('-')))
        negative = text.at(i++) == QLatin1Char('-');
    // "0x" counts as a prefix only when a digit follows; "0xz" reads as 0.
    if (i + 2 < text.size() && text.at(i) == QLatin1Char('0') &&
        (text.at(i + 1) == QLatin1Char('x') || text.at(i + 1) == QLatin1Char('X')) &&
        hexDigitValue(text.at(i + 2)) >= 0)
        i += 2;
    quint16 value = 0; // arithmetic modulo 2^16 keeps exactly the low 16 bits
    for (; i < text.size(); ++i) {
        const int digit = hexDigitValue(text.at(i));
        if (digit < 0)
            break;
        value = quint16(value * 16 + digit);
    }
    return negative ? quint16(-value) : value;
}

QString defaultFileName(quint16 vendorId, quint16 productId)
{
    return QStringLiteral("VID-%1&PID-%2.json")
        .arg(QString::number(vendorId, 16), productIdText(productId));
}

QString userFileName(quint16 vendorId, quint16 productId, const DeviceIdentity& identity)
{
    return QStringLiteral("VID-%1&PID-%2&UUID-%3.json")
        .arg(QString::number(vendorId, 16), productIdText(productId), identityToHex(identity));
}

QStringList listConfigFileNames(const QString& folder)
{
    const QStringList names = QDir(folder).entryList(QDir::Files, QDir::Name);
    QStringList jsonNames;
    for (const QString& name : names) {
        if (name.endsWith(QLatin1String(".json")))
            jsonNames << name;
    }
    return jsonNames;
}
