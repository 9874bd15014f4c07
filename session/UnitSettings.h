#pragma once
// One headset unit's settings as the program holds them: its presets, its
// custom modes, each page's choice and gains, the edits not yet saved, and
// what the unit's file remembers of the person's last choices. Only the rules
// live here (which slot shows which mode, where a new mode goes, which names
// are free, which saved choice a page comes back to); reading and writing the
// file and talking to the headset belong to the session.

#include "BuiltInPresets.h"
#include "ConfigRecord.h"
#include "Vocabulary.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <array>
#include <optional>
#include <vector>

// What a page has chosen: a built-in preset, the list of custom modes with
// none of them chosen (the "Customize" entry), or one custom mode by its slot.
struct ModeChoice
{
    enum Kind
    {
        Preset,
        CustomList,
        Custom,
    };
    Kind kind = Preset;
    int preset = -1; // with Preset: the index in builtInPresets()
    int slot = -1;   // with Custom: 0 .. kCustomSlotCount - 1

    static ModeChoice ofPreset(int preset) { return {Preset, preset, -1}; }
    static ModeChoice customList() { return {CustomList, -1, -1}; }
    static ModeChoice ofSlot(int slot) { return {Custom, -1, slot}; }
    bool operator==(const ModeChoice& other) const
    {
        return kind == other.kind && preset == other.preset && slot == other.slot;
    }
    bool operator!=(const ModeChoice& other) const { return !(*this == other); }
};

// The index in builtInPresets() of a page's standard preset.
int standardPresetIndex(SoundPage page);

// A page's mode as people and velumixctl name it: kind "preset", "custom",
// "customize" or "unknown", and the name (empty when there is none).
struct ModeName
{
    QString kind;
    QString name;
    bool operator==(const ModeName& other) const
    {
        return kind == other.kind && name == other.name;
    }
    bool operator!=(const ModeName& other) const { return !(*this == other); }
};

struct PageSettings
{
    ModeChoice choice = ModeChoice::ofPreset(standardPresetIndex(SoundPage::Surround));
    // What the page's sliders show: the chosen mode's gains, edits included.
    EqGains gains{};
    // The chosen custom mode's gains or name differ from what is saved.
    bool edited = false;
    // The name being typed for the chosen custom mode.
    QString editedName;
    // The headset was sent this page's choice over the open link.
    bool inForce = false;
    // The mode index of the PEQ frames last sent for the page; -1 before any.
    int sentModeIndex = -1;
};

class UnitSettings
{
public:
    UnitSettings();

    quint16 vendorId = 0;
    quint16 productId = 0;
    DeviceIdentity identity{};
    // The headset model of the product: 1, 2, 3 for the built-in ones, else 0.
    int headsetModel = 0;
    // The unit's user file; empty while no unit is known.
    QString userFile;
    // Why the file could not be read when the unit was loaded (one line
    // naming it and the cause); empty when it could.
    QString fileProblem;
    // Each page's preset entries (ConfigRecord's form), by SoundPage.
    std::array<QStringList, 2> presetEntries;
    // Both pages' custom modes in file order; a page's first five show in
    // its slotList, any more stay in the file unseen.
    QList<CustomRecord> customModes;
    // The file's record of the last choice overall and of each page's.
    ConfigRecord saved;
    std::array<PageSettings, 2> pages;

    PageSettings& page(SoundPage page) { return pages[int(page)]; }
    const PageSettings& page(SoundPage page) const { return pages[int(page)]; }

    // Presets
    // Whether the unit's entries hold the preset (builtInPresets() index).
    bool offersPreset(int preset) const;
    // The preset's gains from its entry, as the headset takes them.
    EqGains presetGains(int preset) const;
    int presetModeIndex(int preset) const;

    // Custom slotList
    int slotCount(SoundPage page) const;
    // The mode slot `slot` shows; null for an empty slot.
    const CustomRecord* slotMode(SoundPage page, int slot) const;
    int customModeIndex(SoundPage page, int slot,
                        CustomSlotUse use = CustomSlotUse::Selected) const;
    // Whether another shown mode of the page (not `exceptSlot`) has the name.
    bool nameTaken(SoundPage page, const QString& name, int exceptSlot = -1) const;
    // "New Equalizer", or with the first number from 2 on that no mode of
    // the page has.
    QString unusedNewModeName(SoundPage page) const;
    // The list with the page's slotList holding `slotList` (in slot order) behind
    // the other page's modes; modes of the page that no slot shows stay,
    // after the slotList.
    QList<CustomRecord> withPageSlots(SoundPage page, const QList<CustomRecord>& slotList) const;
    QList<CustomRecord> slotModes(SoundPage page) const;
    QList<CustomRecord> withModeAdded(SoundPage page, const CustomRecord& mode) const;
    QList<CustomRecord> withSlotReplaced(SoundPage page, int slot, const CustomRecord& mode) const;
    QList<CustomRecord> withSlotRemoved(SoundPage page, int slot) const;

    // Choices
    // What the file says the page chose last: its own record, or for a file
    // without one, the last choice overall when it was of this page;
    // nothing when that names no preset or slot the unit has.
    std::optional<ModeChoice> savedChoice(SoundPage page) const;
    // A choice as the file keeps it.
    PageModeRecord recordOf(SoundPage page, const ModeChoice& choice) const;
    // The gains of a choice as saved (a preset's, a custom mode's); none for
    // the custom list.
    std::optional<EqGains> savedGains(SoundPage page, const ModeChoice& choice) const;
    ModeName modeName(SoundPage page) const;
    // The name the chosen custom mode shows: as typed while it is edited.
    QString shownSlotName(SoundPage page, int slot) const;

private:
    std::optional<ModeChoice> choiceOfRecord(SoundPage page, const PageModeRecord& record) const;
};
