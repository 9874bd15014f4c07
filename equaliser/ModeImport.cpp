#include "ModeImport.h"

#include "GainText.h"
#include "ImportFile.h"
#include "ModeLookup.h"
#include "ModeTransfer.h"

#include <QCoreApplication>

namespace {

QString tr(const char* text)
{
    return QCoreApplication::translate("ModeImport", text);
}

ImportedMode failure(ImportedMode::Problem problem, const QString& error)
{
    ImportedMode imported;
    imported.problem = problem;
    imported.error = error;
    return imported;
}

bool isModeDocument(const QByteArray& bytes)
{
    const QByteArray text = bytes.startsWith("\xEF\xBB\xBF") ? bytes.mid(3) : bytes;
    return text.trimmed().startsWith('{');
}

const char* algorithmOf(SoundPage page)
{
    return page == SoundPage::Surround ? kAlgorithmSurround : kAlgorithmStereo;
}

// The page's bands on this product, or why the page takes no custom mode.
ImportedMode onPage(SoundPage page, const ModeImportTarget& target)
{
    const std::optional<frame::QTable> qTable = customModeQTable(page, target.productId);
    if (!qTable)
        return failure(
            ImportedMode::WrongPage,
            tr("This headset model has no custom modes on the %1 page.").arg(soundPageName(page)));
    ImportedMode imported;
    imported.page = page;
    imported.bands = headsetBands(*qTable, target.sampleRateHz);
    return imported;
}

ImportedMode importDocument(const QByteArray& bytes, const ModeImportTarget& target)
{
    const ModeRead read = readModeJson(bytes);
    if (!read.ok)
        return failure(ImportedMode::BadFile, read.error);
    const SoundPage page = pageOfMode(read.mode);
    if (target.page && *target.page != page)
        return failure(ImportedMode::WrongPage,
                       QStringLiteral("the file holds a mode of the %1 page, not of the %2 page")
                           .arg(soundPageName(page), soundPageName(*target.page)));
    ImportedMode imported = onPage(page, target);
    if (!imported.ok())
        return imported;
    imported.fit.gains = headsetGains(gainsFromText(read.mode.parameter));
    imported.fit.curve = headsetResponse(imported.fit.gains, imported.bands, kFitPoints);
    imported.target = imported.fit.curve;
    return imported;
}

ImportedMode importCorrection(const QByteArray& bytes, const ModeImportTarget& target)
{
    ImportedMode imported = onPage(target.page.value_or(target.shownPage), target);
    if (!imported.ok())
        return imported;
    const CorrectionRead read = readCorrection(bytes, imported.bands.sampleRateHz);
    if (!read.ok)
        return failure(ImportedMode::BadFile, read.error);
    imported.format = read.format;
    imported.target = read.target;
    imported.fit = fitToBands(read.target, imported.bands);
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

ImportedMode importMode(const QByteArray& text, const QString& name, const ModeImportTarget& target)
{
    if (const QString problem = modeNameProblem(name); !problem.isEmpty())
        return failure(ImportedMode::BadName, problem);
    ImportedMode imported =
        isModeDocument(text) ? importDocument(text, target) : importCorrection(text, target);
    if (imported.ok())
        imported.mode = {algorithmOf(imported.page), name, gainsToText(imported.fit.gains)};
    return imported;
}

ImportedMode importModeFile(const QString& path, const QString& name,
                            const ModeImportTarget& target)
{
    const ImportBytes file = readImportFile(path);
    if (!file.error.isEmpty())
        return failure(ImportedMode::BadFile, file.error);
    return importMode(file.bytes, name, target);
}

QString customModeRoomProblem(const QList<CustomRecord>& modes, SoundPage page, const QString& name)
{
    if (customNameTaken(modes, page, name))
        return QStringLiteral("the %1 page has a custom mode called \"%2\" already")
            .arg(soundPageName(page), nameInMessage(name));
    if (shownModes(modes, page).size() >= size_t(kCustomSlotCount))
        return QStringLiteral("the %1 page has no free custom slot (it holds %2); delete one "
                              "first")
            .arg(soundPageName(page))
            .arg(kCustomSlotCount);
    return {};
}
