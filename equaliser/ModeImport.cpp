#include "ModeImport.h"

#include "CorrectionImport.h"
#include "GainText.h"
#include "ImportFile.h"
#include "ModeLookup.h"
#include "ModeTransfer.h"

namespace {

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
    ImportedMode imported;
    imported.page = page;
    imported.mode = read.mode;
    return imported;
}

ImportedMode importCorrection(const QByteArray& bytes, const ModeImportTarget& target)
{
    const SoundPage page = target.page.value_or(target.shownPage);
    const std::optional<frame::QTable> qTable = customModeQTable(page, target.productId);
    if (!qTable)
        return failure(ImportedMode::WrongPage,
                       QStringLiteral("this headset has no custom modes on the %1 page")
                           .arg(soundPageName(page)));
    const HeadsetBands bands = headsetBands(*qTable, target.sampleRateHz);
    const CorrectionRead read = readCorrection(bytes, bands.sampleRateHz);
    if (!read.ok)
        return failure(ImportedMode::BadFile, read.error);
    ImportedMode imported;
    imported.page = page;
    imported.fit = fitToBands(read.target, bands);
    imported.target = read.target;
    imported.mode = {algorithmOf(page), QString(), gainsToText(imported.fit->gains)};
    return imported;
}

} // namespace

ImportedMode importModeFile(const QString& path, const QString& name,
                            const ModeImportTarget& target)
{
    if (name.trimmed().isEmpty() || name.size() > kMaxModeNameLength)
        return failure(ImportedMode::BadName,
                       QStringLiteral("the name must hold 1 to %1 characters, not all blank")
                           .arg(kMaxModeNameLength));
    const ImportBytes file = readImportFile(path);
    if (!file.error.isEmpty())
        return failure(ImportedMode::BadFile, file.error);
    ImportedMode imported = isModeDocument(file.bytes) ? importDocument(file.bytes, target)
                                                       : importCorrection(file.bytes, target);
    if (imported.ok()) {
        imported.mode.name = name;
        imported.mode.parameter = gainsToText(headsetGains(gainsFromText(imported.mode.parameter)));
    }
    if (!imported.ok() && imported.problem == ImportedMode::BadFile)
        imported.error = QStringLiteral("%1: %2").arg(path, imported.error);
    return imported;
}

QString customModeRoomProblem(const QList<CustomRecord>& modes, SoundPage page, const QString& name)
{
    if (customNameTaken(modes, page, name))
        return QStringLiteral("the %1 page has a custom mode called \"%2\" already")
            .arg(soundPageName(page), name);
    if (shownModes(modes, page).size() >= size_t(kShownCustomModes))
        return QStringLiteral("the %1 page has no free custom slot (it holds %2); delete one "
                              "first")
            .arg(soundPageName(page))
            .arg(kShownCustomModes);
    return {};
}
