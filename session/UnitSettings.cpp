#include "UnitSettings.h"

#include "GainText.h"
#include "ModeLookup.h"

#include <algorithm>

namespace {

const QString kNewModeName = QStringLiteral("New Equalizer");

int indexOfPreset(const BuiltInPreset& wanted)
{
    const std::vector<BuiltInPreset>& presets = builtInPresets();
    for (size_t i = 0; i < presets.size(); ++i)
        if (presets[i].page == wanted.page && presets[i].entryIndex == wanted.entryIndex)
            return int(i);
    return -1;
}

} // namespace

int standardPresetIndex(SoundPage page)
{
    return indexOfPreset(standardPreset(page));
}

UnitSettings::UnitSettings()
{
    for (SoundPage each : kSoundPages)
        page(each).choice = ModeChoice::ofPreset(standardPresetIndex(each));
}

bool UnitSettings::offersPreset(int preset) const
{
    if (preset < 0 || preset >= int(builtInPresets().size()))
        return false;
    const BuiltInPreset& entry = builtInPresets()[size_t(preset)];
    return entry.entryIndex < presetEntries[int(entry.page)].size();
}

EqGains UnitSettings::presetGains(int preset) const
{
    if (!offersPreset(preset))
        return {};
    const BuiltInPreset& entry = builtInPresets()[size_t(preset)];
    return headsetGains(parsePresetEntry(presetEntries[int(entry.page)][entry.entryIndex]).gains);
}

int UnitSettings::presetModeIndex(int preset) const
{
    return ::presetModeIndex(builtInPresets()[size_t(preset)], headsetModel);
}

int UnitSettings::slotCount(SoundPage page) const
{
    return int(shownModes(customModes, page).size());
}

const CustomRecord* UnitSettings::slotMode(SoundPage page, int slot) const
{
    for (const ShownMode& shown : shownModes(customModes, page))
        if (shown.slot == slot)
            return shown.record;
    return nullptr;
}

int UnitSettings::customModeIndex(SoundPage page, int slot, CustomSlotUse use) const
{
    return customSlotModeIndex(page, slot, headsetModel, use);
}

bool UnitSettings::nameTaken(SoundPage page, const QString& name, int exceptSlot) const
{
    return customNameTaken(customModes, page, name, exceptSlot);
}

QString UnitSettings::unusedNewModeName(SoundPage page) const
{
    QString name = kNewModeName;
    for (int number = 2; nameTaken(page, name); ++number)
        name = QStringLiteral("%1 %2").arg(kNewModeName).arg(number);
    return name;
}

QList<CustomRecord> UnitSettings::slotModes(SoundPage page) const
{
    QList<CustomRecord> slotList;
    for (const ShownMode& shown : shownModes(customModes, page))
        slotList << *shown.record;
    return slotList;
}

QList<CustomRecord> UnitSettings::withPageSlots(SoundPage page,
                                                const QList<CustomRecord>& slotList) const
{
    const QString algorithm = algorithmOfPage(page);
    QList<CustomRecord> others;
    QList<CustomRecord> unshown;
    int pageModes = 0;
    for (const CustomRecord& mode : customModes) {
        if (mode.algorithm != algorithm)
            others << mode;
        else if (pageModes++ >= kCustomSlotCount)
            unshown << mode;
    }
    return others + slotList.mid(0, kCustomSlotCount) + unshown;
}

QList<CustomRecord> UnitSettings::withModeAdded(SoundPage page, const CustomRecord& mode) const
{
    return withPageSlots(page, slotModes(page) + QList<CustomRecord>{mode});
}

QList<CustomRecord> UnitSettings::withSlotReplaced(SoundPage page, int slot,
                                                   const CustomRecord& mode) const
{
    QList<CustomRecord> slotList = slotModes(page);
    if (slot >= 0 && slot < slotList.size()) {
        const QJsonValue stored = slotList[slot].stored;
        slotList[slot] = mode;
        slotList[slot].stored = stored;
    }
    return withPageSlots(page, slotList);
}

// The slot's mode goes; a mode of the page no slot showed moves up into the
// last slot, as the file's order has it.
QList<CustomRecord> UnitSettings::withSlotRemoved(SoundPage page, int slot) const
{
    QList<CustomRecord> modes = customModes;
    const QString algorithm = algorithmOfPage(page);
    int pageMode = 0;
    for (auto it = modes.begin(); it != modes.end(); ++it) {
        if (it->algorithm == algorithm && pageMode++ == slot) {
            modes.erase(it);
            break;
        }
    }
    return modes;
}

std::optional<ModeChoice> UnitSettings::choiceOfRecord(SoundPage page,
                                                       const PageModeRecord& record) const
{
    if (record.mode == QLatin1String(kModeDefault)) {
        const std::vector<BuiltInPreset>& presets = builtInPresets();
        for (size_t i = 0; i < presets.size(); ++i)
            if (presets[i].page == page && record.name == QLatin1String(presets[i].storedName) &&
                offersPreset(int(i)))
                return ModeChoice::ofPreset(int(i));
        return std::nullopt;
    }
    if (record.mode == QLatin1String(kModeCustom)) {
        for (const ShownMode& shown : shownModes(customModes, page))
            if (shown.record->name == record.name)
                return ModeChoice::ofSlot(shown.slot);
    }
    return std::nullopt;
}

std::optional<ModeChoice> UnitSettings::savedChoice(SoundPage page) const
{
    if (const std::optional<PageModeRecord>& own = saved.pageModes[int(page)])
        return choiceOfRecord(page, *own);
    if (saved.algorithm != QLatin1String(algorithmOfPage(page)))
        return std::nullopt;
    return choiceOfRecord(page, {saved.mode, saved.name});
}

PageModeRecord UnitSettings::recordOf(SoundPage page, const ModeChoice& choice) const
{
    if (choice.kind == ModeChoice::Preset)
        return {kModeDefault, builtInPresets()[size_t(choice.preset)].storedName};
    const CustomRecord* mode = slotMode(page, choice.slot);
    return {kModeCustom, mode ? mode->name : QString()};
}

std::optional<EqGains> UnitSettings::savedGains(SoundPage page, const ModeChoice& choice) const
{
    if (choice.kind == ModeChoice::Preset)
        return presetGains(choice.preset);
    if (choice.kind != ModeChoice::Custom)
        return std::nullopt;
    const CustomRecord* mode = slotMode(page, choice.slot);
    return mode ? headsetGains(gainsFromText(mode->parameter)) : EqGains{};
}

QString UnitSettings::shownSlotName(SoundPage page, int slot) const
{
    const PageSettings& settings = this->page(page);
    if (settings.edited && settings.choice == ModeChoice::ofSlot(slot))
        return settings.editedName;
    const CustomRecord* mode = slotMode(page, slot);
    return mode ? mode->name : QString();
}

ModeName UnitSettings::modeName(SoundPage page) const
{
    const ModeChoice& choice = this->page(page).choice;
    switch (choice.kind) {
    case ModeChoice::Preset:
        return {QStringLiteral("preset"),
                QString::fromUtf8(builtInPresets()[size_t(choice.preset)].caption)};
    case ModeChoice::Custom:
        if (const CustomRecord* mode = slotMode(page, choice.slot))
            return {QStringLiteral("custom"), mode->name};
        break;
    case ModeChoice::CustomList:
        return {QStringLiteral("customize"), {}};
    }
    return {QStringLiteral("unknown"), {}};
}
