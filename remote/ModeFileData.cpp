#include "ModeFileData.h"

#include "CommandData.h"
#include "GainText.h"
#include "ModeTransfer.h"

#include <cmath>

namespace remote {

Result importFailure(const ImportedMode& imported, const QString& path)
{
    if (imported.problem == ImportedMode::BadFile)
        return Result::failure(ExitUsage, QStringLiteral("%1: %2").arg(path, imported.error));
    const int exit = imported.problem == ImportedMode::WrongPage ? ExitNoConfiguration : ExitUsage;
    return Result::failure(exit, imported.error);
}

Result noRoomFailure(const QString& problem)
{
    return Result::failure(ExitNoConfiguration, problem);
}

QJsonObject importedModeData(const ImportedMode& imported)
{
    QJsonObject data = chosenModeData(imported.page, imported.mode.name);
    data.insert("gains", gainsData(gainsFromText(imported.mode.parameter)));
    // Hundredths of a dB are as fine as a person reads it.
    data.insert("maxErrorDb", std::round(imported.fit.maxErrorDb * 100) / 100);
    return data;
}

Result exportedModeResult(const CustomRecord& mode, const QString& format, quint16 productId,
                          const QString& modelName)
{
    QByteArray text;
    if (format == QLatin1String("json")) {
        text = modeToJson(mode, productId);
    } else {
        const std::optional<frame::QTable> qTable = customModeQTable(pageOfMode(mode), productId);
        if (!qTable)
            return Result::failure(
                ExitNoConfiguration,
                QStringLiteral("product %1 has no Q table for this page").arg(idDigits(productId)));
        text = modeToParametricText(mode, modelName, *qTable);
    }
    return Result::success(QJsonObject{{"format", format}, {"text", QString::fromUtf8(text)}});
}

} // namespace remote
