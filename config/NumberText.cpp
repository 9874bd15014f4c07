#include "NumberText.h"

#include <QRegularExpression>

std::optional<int> decimalInRange(const QString& text, int low, int high)
{
    static const QRegularExpression unsignedDigits(QStringLiteral("^[0-9]+$"));
    static const QRegularExpression signedDigits(QStringLiteral("^-?[0-9]+$"));
    const QRegularExpression& form = low < 0 ? signedDigits : unsignedDigits;
    if (!form.match(text).hasMatch())
        return std::nullopt;
    bool ok = false;
    const int value = text.toInt(&ok, 10); // false beyond int
    if (!ok || value < low || value > high)
        return std::nullopt;
    return value;
}

std::optional<quint16> productIdFromText(const QString& text)
{
    static const QRegularExpression hexDigits(QStringLiteral("^[0-9a-fA-F]{1,4}$"));
    if (!hexDigits.match(text).hasMatch())
        return std::nullopt;
    return static_cast<quint16>(text.toUInt(nullptr, 16));
}
