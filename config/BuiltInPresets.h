#pragma once
// The built-in presets of the two sound pages: where each sits in its page's
// preset list of a configuration file, the name stored as the current mode and
// the mode index the headset receives with it.

#include "Vocabulary.h"

#include <QString>

#include <optional>
#include <vector>

struct BuiltInPreset
{
    SoundPage page;
    int entryIndex;      // position in the page's preset list of the file
    const char* caption; // as the radio button shows it
    const char* nameBoxText;
    const char* storedName;  // kept as the current mode's name
    int modeIndexFirstModel; // headset model 1
    int modeIndexOtherModels;
};

const std::vector<BuiltInPreset>& builtInPresets();
// A page's standard preset, the one a page starts on.
const BuiltInPreset& standardPreset(SoundPage page);
// The mode index of a preset for a headset model (1, 2, 3, or 0 for others).
int presetModeIndex(const BuiltInPreset& preset, int headsetModel);
// A custom slot's mode index, slot 0-4: 6-10 on the stereo page and on
// headset model 1; on the surround page of other models 20-24 when the slot is
// selected and 22-26 while its sliders are edited.
enum class CustomSlotUse
{
    Selected,
    Edited
};
int customSlotModeIndex(SoundPage page, int slot, int headsetModel,
                        CustomSlotUse use = CustomSlotUse::Selected);
// The headset model of a product: 1, 2, 3 for the three built-in models, else 0.
int headsetModelOf(quint16 productId);
// A preset by caption, name box text or stored name, ignoring case and
// blanks; on `page` when given, else the surround page's first.
std::optional<BuiltInPreset> findBuiltInPreset(const QString& name,
                                               std::optional<SoundPage> page = std::nullopt);
