#pragma once
// Finding a mode by the name a person types: a built-in preset of a model, a
// custom mode of a unit. velumixctl and the window's local channel both use
// these, so a name means the same in both, and a failure names the choices.

#include "BuiltInPresets.h"
#include "ConfigReader.h"
#include "ConfigRecord.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

// A name as a message shows it: whole up to 64 characters, else its start
// and "…", so that a message stays a line whatever name it names.
QString nameInMessage(const QString& name);

// "surround" or "stereo", as commands and messages name the pages.
QString soundPageName(SoundPage page);
std::optional<SoundPage> soundPageNamed(const QString& name);

// A model's name from the "model" member of its default file, or "headset
// PID" when no default file names it.
QString modelNameOf(quint16 productId, const QList<ConfigFileRead>& defaultFiles);

// The presets a model offers on `page` (both pages when none): those its
// default record has an entry for, in the order the window shows them.
std::vector<BuiltInPreset> presetsOffered(const ConfigRecord& defaults,
                                          std::optional<SoundPage> page = std::nullopt);

struct PresetLookup
{
    std::optional<BuiltInPreset> preset;
    QString error; // set when preset is empty; lists the model's presets
};
PresetLookup lookUpPreset(const QString& name, std::optional<SoundPage> page,
                          const ConfigRecord& defaults, const QString& modelName);

// A custom mode in a unit's list of modes ("customMode" in file order).
struct CustomModeLookup
{
    std::optional<SoundPage> page; // empty when not found or ambiguous
    int slot = -1;                 // 0-4: its place among the page's shown modes
    CustomRecord record;
    QString error; // names the page's modes, or the candidates when ambiguous
};
CustomModeLookup lookUpCustomMode(const QList<CustomRecord>& modes, const QString& name,
                                  std::optional<SoundPage> page = std::nullopt);

// One custom mode a page's slots show: its page, slot (0-4) and record.
struct ShownMode
{
    SoundPage page;
    int slot;
    const CustomRecord* record; // points into the list it was found in
};
// The modes the slots show, surround page first (only `page`'s when given):
// each page's first five records, in file order.
std::vector<ShownMode> shownModes(const QList<CustomRecord>& modes,
                                  std::optional<SoundPage> page = std::nullopt);

// Whether `name` is already the name of another shown custom mode of the
// page; `exceptSlot` is the slot being renamed (-1 for none).
bool customNameTaken(const QList<CustomRecord>& modes, SoundPage page, const QString& name,
                     int exceptSlot = -1);
