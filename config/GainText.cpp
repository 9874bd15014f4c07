#include "GainText.h"

#include <QRegularExpression>
#include <QStringList>

#include <algorithm>

namespace {

int fieldValue(const QString& field)
{
    bool ok = false;
    const int value = field.trimmed().toInt(&ok, 10);
    return ok ? value : 0;
}

// Only the first twenty pieces of an entry are looked at: enough for a name
// and ten gains with their separators, and a bound on hostile entries.
constexpr int kPresetPiecesRead = 20;

} // namespace

QString gainsToText(const EqGains& gains)
{
    QStringList fields;
    for (const int gain : gains)
        fields << QString::number(gain);
    return fields.join(QLatin1Char(','));
}

EqGains headsetGains(EqGains gains)
{
    for (int& gain : gains)
        gain = std::clamp(gain, kMinGain, kMaxGain);
    return gains;
}

EqGains headsetGains(const QVector<int>& gains)
{
    EqGains bands{};
    for (int band = 0; band < kBandCount && band < gains.size(); ++band)
        bands[size_t(band)] = gains[band];
    return headsetGains(bands);
}

EqGains gainsFromText(const QString& text)
{
    EqGains gains{};
    const QStringList fields = text.split(QLatin1Char(','));
    for (int band = 0; band < kBandCount && band < fields.size(); ++band)
        gains[size_t(band)] = fieldValue(fields.at(band));
    return gains;
}

QString presetEntry(const QString& name, const QString& parameter)
{
    return name + QLatin1String("_'") + parameter + QLatin1Char('\'');
}

ParsedPresetEntry parsePresetEntry(const QString& entry)
{
    static const QRegularExpression separators(QStringLiteral("[_',']"));
    const QStringList pieces = entry.split(separators);
    ParsedPresetEntry parsed;
    bool haveName = false;
    for (int i = 0; i < pieces.size() && i < kPresetPiecesRead; ++i) {
        const QString piece = pieces.at(i).trimmed();
        if (piece.isEmpty())
            continue;
        if (!haveName) {
            parsed.name = piece;
            haveName = true;
        } else if (parsed.gains.size() < kBandCount) {
            parsed.gains << fieldValue(piece);
        }
    }
    return parsed;
}
