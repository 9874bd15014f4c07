// Any bytes as a configuration file: the reader, then the look-ups that
// velumixctl and the window's channel run on what it read.

#include "ConfigReader.h"
#include "GainText.h"
#include "GuardedBytes.h"
#include "ModeLookup.h"

#include <QByteArray>

namespace {

void lookUpEveryCustomMode(const QList<CustomRecord>& modes, std::optional<SoundPage> page)
{
    for (const CustomRecord& mode : modes) {
        const CustomModeLookup lookup = lookUpCustomMode(modes, mode.name, page);
        fuzzCheck(lookup.page.has_value() != !lookup.error.isEmpty(),
                  "a custom mode look-up finds one mode or says why not");
        if (lookup.page) {
            fuzzCheck(lookup.record.name == mode.name, "the mode found has the name asked for");
            fuzzCheck(lookup.slot >= 0 && lookup.slot < 5, "the mode found has a shown slot");
        }
        gainsFromText(mode.parameter);
    }
    const CustomModeLookup missing = lookUpCustomMode(modes, QStringLiteral("\x01missing"), page);
    fuzzCheck(missing.page || !missing.error.isEmpty(), "a missing mode is refused with a reason");
}

void lookUpEveryPreset(const ConfigReadResult& read, std::optional<SoundPage> page)
{
    for (const BuiltInPreset& preset : presetsOffered(read.record, page)) {
        const PresetLookup lookup = lookUpPreset(QString::fromUtf8(preset.caption), preset.page,
                                                 read.record, read.modelName);
        fuzzCheck(lookup.preset && lookup.preset->page == preset.page,
                  "every preset offered is found by its caption");
    }
    lookUpPreset(QStringLiteral("\x01missing"), page, read.record, read.modelName);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), int(size));
    const ConfigReadResult read = readConfigData(bytes, QStringLiteral("fuzz input"));
    if (!read.ok()) {
        fuzzCheck(!read.errorText.isEmpty(), "a refused file is refused with a reason");
        return 0;
    }
    ConfigRecord merged;
    mergeConfigRecord(merged, read);
    for (const QStringList* entries : {&merged.surroundPresets, &merged.stereoPresets}) {
        for (const QString& entry : *entries)
            parsePresetEntry(entry);
    }
    for (std::optional<SoundPage> page :
         {std::optional<SoundPage>(), std::optional<SoundPage>(SoundPage::Surround),
          std::optional<SoundPage>(SoundPage::Stereo)}) {
        lookUpEveryCustomMode(read.customModes, page);
        lookUpEveryPreset(read, page);
    }
    return 0;
}
