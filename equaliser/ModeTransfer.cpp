#include "ModeTransfer.h"

#include "GainText.h"
#include "ImportFile.h"
#include "ModeLookup.h"
#include "NumberText.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStringList>

#include <algorithm>
#include <cmath>

namespace {

EqGains modeGains(const CustomRecord& mode)
{
    return headsetGains(gainsFromText(mode.parameter));
}

QString filterLine(int band, int gain, uint16_t qTimes1000)
{
    return QStringLiteral("Filter %1: ON PK Fc %2 Hz Gain %3 dB Q %4")
        .arg(band + 1)
        .arg(frame::kBandFrequencies[band])
        .arg(double(gain), 0, 'f', 1)
        .arg(qTimes1000 / 1000.0, 0, 'f', 3);
}

int lineOfOffset(const QByteArray& text, int offset)
{
    return int(text.left(offset).count('\n')) + 1;
}

QString versionProblem(const QJsonValue& version)
{
    if (!version.isDouble() || version.toDouble() < 1 ||
        version.toDouble() != std::floor(version.toDouble()))
        return QStringLiteral("\"version\" must be a whole number from 1");
    if (version.toDouble() > kModeDocumentVersion)
        return QStringLiteral("version %1 is newer than this program reads (%2)")
            .arg(version.toDouble())
            .arg(kModeDocumentVersion);
    return {};
}

QString nameProblem(const QJsonValue& name)
{
    if (!name.isString() || name.toString().trimmed().isEmpty() ||
        name.toString().size() > kMaxModeNameLength)
        return QStringLiteral("\"name\" must be a text of 1 to %1 characters")
            .arg(kMaxModeNameLength);
    return {};
}

QString gainsProblem(const QJsonValue& gains)
{
    if (!gains.isArray() || gains.toArray().size() != kBandCount)
        return QStringLiteral("\"gains\" must be a list of %1 numbers").arg(kBandCount);
    const QJsonArray list = gains.toArray();
    for (int band = 0; band < kBandCount; ++band) {
        const double gain = list[band].toDouble(NAN);
        if (!(gain >= kMinGain && gain <= kMaxGain && gain == std::floor(gain)))
            return QStringLiteral("gain %1 must be a whole number from %2 to %3")
                .arg(band + 1)
                .arg(kMinGain)
                .arg(kMaxGain);
    }
    return {};
}

QString modelProblem(const QJsonObject& document)
{
    if (!document.contains(QLatin1String("model")) ||
        productIdFromText(document.value(QLatin1String("model")).toString()))
        return {};
    return QStringLiteral("\"model\" must be a product ID of up to four hexadecimal digits");
}

// The first thing wrong with the document's members, empty when nothing is.
QString documentProblem(const QJsonObject& document)
{
    if (document.value(QLatin1String("format")).toString() != QLatin1String(kModeDocumentFormat))
        return QStringLiteral("\"format\" is not \"%1\": not a custom mode of this program")
            .arg(kModeDocumentFormat);
    const QString problems[] = {
        versionProblem(document.value(QLatin1String("version"))),
        nameProblem(document.value(QLatin1String("name"))),
        soundPageNamed(document.value(QLatin1String("page")).toString())
            ? QString()
            : QStringLiteral("\"page\" must be \"surround\" or \"stereo\""),
        gainsProblem(document.value(QLatin1String("gains"))),
        modelProblem(document),
    };
    for (const QString& problem : problems) {
        if (!problem.isEmpty())
            return problem;
    }
    return {};
}

CustomRecord modeOfDocument(const QJsonObject& document)
{
    const SoundPage page = *soundPageNamed(document.value(QLatin1String("page")).toString());
    EqGains gains{};
    const QJsonArray list = document.value(QLatin1String("gains")).toArray();
    for (int band = 0; band < kBandCount; ++band)
        gains[band] = list[band].toInt();
    return {page == SoundPage::Surround ? kAlgorithmSurround : kAlgorithmStereo,
            document.value(QLatin1String("name")).toString(), gainsToText(gains)};
}

} // namespace

std::optional<frame::QTable> customModeQTable(SoundPage page, quint16 productId)
{
    return frame::peqQTable(customSlotModeIndex(page, 0, headsetModelOf(productId)), productId);
}

SoundPage pageOfMode(const CustomRecord& mode)
{
    return mode.algorithm == QLatin1String(kAlgorithmSurround) ? SoundPage::Surround
                                                               : SoundPage::Stereo;
}

QByteArray modeToParametricText(const CustomRecord& mode, const QString& modelName,
                                const frame::QTable& qTimes1000)
{
    const EqGains gains = modeGains(mode);
    const int largestBoost = std::max(0, *std::max_element(gains.begin(), gains.end()));
    QStringList lines;
    lines << QStringLiteral("# Velumix custom mode \"%1\" (%2 page) for %3")
                 .arg(mode.name.simplified(), soundPageName(pageOfMode(mode)), modelName);
    lines << QStringLiteral("Preamp: %1 dB").arg(double(-largestBoost), 0, 'f', 1);
    for (int band = 0; band < kBandCount; ++band)
        lines << filterLine(band, gains[band], qTimes1000[band]);
    return (lines.join(QLatin1Char('\n')) + QLatin1Char('\n')).toUtf8();
}

namespace {

QJsonArray gainsArray(const EqGains& gains)
{
    QJsonArray array;
    for (int gain : gains)
        array.append(gain);
    return array;
}

} // namespace

QByteArray modeToJson(const CustomRecord& mode, quint16 productId)
{
    const QJsonObject document{
        {"format", kModeDocumentFormat},
        {"version", kModeDocumentVersion},
        {"name", mode.name},
        {"page", soundPageName(pageOfMode(mode))},
        {"gains", gainsArray(modeGains(mode))},
        {"model", QStringLiteral("%1").arg(productId, 4, 16, QChar('0'))},
    };
    return QJsonDocument(document).toJson(QJsonDocument::Indented);
}

ModeRead readModeJson(const QByteArray& json)
{
    ModeRead read;
    read.error = importSizeError(json.size());
    if (!read.error.isEmpty())
        return read;
    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(json, &parseError);
    if (parseError.error != QJsonParseError::NoError) {
        read.error = QStringLiteral("line %1: %2")
                         .arg(lineOfOffset(json, parseError.offset))
                         .arg(parseError.errorString());
        return read;
    }
    if (!document.isObject()) {
        read.error = QStringLiteral("the document is not a JSON object");
        return read;
    }
    read.error = documentProblem(document.object());
    if (!read.error.isEmpty())
        return read;
    read.mode = modeOfDocument(document.object());
    if (document.object().contains(QLatin1String("model")))
        read.productId =
            productIdFromText(document.object().value(QLatin1String("model")).toString());
    read.ok = true;
    return read;
}

ModeRead readModeFile(const QString& path)
{
    const ImportBytes file = readImportFile(path);
    if (!file.error.isEmpty()) {
        ModeRead read;
        read.error = file.error;
        return read;
    }
    return readModeJson(file.bytes);
}
