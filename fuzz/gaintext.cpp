// Any text as a "parameter" and as a built-in preset entry: what is read back
// must survive being written and read again.

#include "GainText.h"
#include "GuardedBytes.h"

#include <QString>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QString text = QString::fromUtf8(reinterpret_cast<const char*>(data), int(size));

    const EqGains gains = gainsFromText(text);
    fuzzCheck(gainsFromText(gainsToText(gains)) == gains, "gains survive their text");

    const ParsedPresetEntry parsed = parsePresetEntry(text);
    fuzzCheck(parsed.gains.size() <= kBandCount, "an entry holds at most ten gains");
    fuzzCheck(!parsed.name.isEmpty() || parsed.gains.isEmpty(), "gains follow a name");
    if (parsed.name.isEmpty())
        return 0;
    EqGains entryGains{};
    std::copy(parsed.gains.begin(), parsed.gains.end(), entryGains.begin());
    const ParsedPresetEntry again =
        parsePresetEntry(presetEntry(parsed.name, gainsToText(entryGains)));
    fuzzCheck(again.name == parsed.name, "a preset's name survives its entry");
    fuzzCheck(again.gains == QVector<int>(entryGains.begin(), entryGains.end()),
              "a preset's gains survive its entry");
    return 0;
}
