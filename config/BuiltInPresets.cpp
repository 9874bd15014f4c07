#include "BuiltInPresets.h"

#include <algorithm>

namespace {

QString comparable(const QString& text)
{
    QString folded = text.toLower();
    folded.remove(' ');
    return folded;
}

} // namespace

const std::vector<BuiltInPreset>& builtInPresets()
{
    // The surround list of a file holds Deep Bass, FPS, Standard, Moba in
    // that order; the buttons show Moba before Standard.
    static const std::vector<BuiltInPreset> presets = {
        {SoundPage::Surround, 0, "Deep Bass", "Deep Bass", "Deep Bass", 0, 16},
        {SoundPage::Surround, 1, "FPS", "FPS", "FPS", 1, 18},
        {SoundPage::Surround, 3, "Moba", "Moba", "MOBA", 2, 17},
        {SoundPage::Surround, 2, "KAVRO Standard", "KAVRO Standard", "ZUVO Standard", 3, 19},
        {SoundPage::Stereo, 0, "Pop", "POP", "Pop", 0, 0},
        {SoundPage::Stereo, 1, "Rock & Roll", "Rock & Roll", "Rack&Roll", 1, 1},
        {SoundPage::Stereo, 2, "Deep Bass", "Deep Bass", "Deep Bass", 2, 2},
        {SoundPage::Stereo, 3, "Jazz", "Jazz", "Jazz", 3, 3},
        {SoundPage::Stereo, 4, "Classic", "Classic", "Classic", 4, 4},
        {SoundPage::Stereo, 5, "KAVRO Standard", "KAVRO Standard", "ZUVO Standard", 5, 5},
    };
    return presets;
}

// Each page lists its standard preset last.
const BuiltInPreset& standardPreset(SoundPage page)
{
    const std::vector<BuiltInPreset>& presets = builtInPresets();
    const auto last =
        std::find_if(presets.rbegin(), presets.rend(),
                     [page](const BuiltInPreset& preset) { return preset.page == page; });
    return *last;
}

int presetModeIndex(const BuiltInPreset& preset, int headsetModel)
{
    return headsetModel == 1 ? preset.modeIndexFirstModel : preset.modeIndexOtherModels;
}

int customSlotModeIndex(SoundPage page, int slot, int headsetModel, CustomSlotUse use)
{
    if (page == SoundPage::Stereo || headsetModel == 1)
        return 6 + slot;
    return (use == CustomSlotUse::Selected ? 20 : 22) + slot;
}

int headsetModelOf(quint16 productId)
{
    switch (productId) {
    case 0x1054:
        return 1;
    case 0x1029:
        return 2;
    case 0x104D:
        return 3;
    default:
        return 0;
    }
}

std::optional<BuiltInPreset> findBuiltInPreset(const QString& name, std::optional<SoundPage> page)
{
    const QString wanted = comparable(name);
    for (const BuiltInPreset& preset : builtInPresets()) {
        if (page && preset.page != *page)
            continue;
        for (const char* known : {preset.caption, preset.nameBoxText, preset.storedName}) {
            if (comparable(known) == wanted)
                return preset;
        }
    }
    return std::nullopt;
}
