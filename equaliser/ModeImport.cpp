#include "ModeImport.h"

#include "GainText.h"
#include "ModeLookup.h"
#include "ModeTransfer.h"

#include <QCoreApplication>

namespace {

QString tr(const char* text)
{
    return QCoreApplication::translate("ModeImport", text);
}

ImportedMode failed(const QString& error)
{
    ImportedMode imported;
    imported.error = error;
    return imported;
}

} // namespace

QString modeNameProblem(const QString& name)
{
    if (name.trimmed().isEmpty())
        return tr("The custom mode needs a name.");
    if (name.size() > kMaxModeNameLength)
        return tr("The name is longer than %1 characters.").arg(kMaxModeNameLength);
    return {};
}

ImportedMode importCorrectionAsMode(const QByteArray& text, const QString& name, SoundPage page,
                                    quint16 productId, int sampleRateHz)
{
    if (const QString problem = modeNameProblem(name); !problem.isEmpty())
        return failed(problem);
    const std::optional<frame::QTable> qTable = customModeQTable(page, productId);
    if (!qTable)
        return failed(
            tr("This headset model has no custom modes on the %1 page.").arg(soundPageName(page)));
    ImportedMode imported;
    imported.bands = headsetBands(*qTable, sampleRateHz);
    const CorrectionRead read = readCorrection(text, imported.bands.sampleRateHz);
    if (!read.ok)
        return failed(read.error);
    imported.format = read.format;
    imported.target = read.target;
    imported.fit = fitToBands(read.target, imported.bands);
    imported.mode.algorithm = page == SoundPage::Surround ? kAlgorithmSurround : kAlgorithmStereo;
    imported.mode.name = name;
    imported.mode.parameter = gainsToText(imported.fit.gains);
    imported.ok = true;
    return imported;
}

ImportedMode importCorrectionFileAsMode(const QString& path, const QString& name, SoundPage page,
                                        quint16 productId, int sampleRateHz)
{
    const ImportBytes file = readImportFile(path);
    if (!file.error.isEmpty())
        return failed(file.error);
    return importCorrectionAsMode(file.bytes, name, page, productId, sampleRateHz);
}
