#include "ModeLookup.h"

#include "ConfigDocument.h"
#include "ConfigNames.h"

#include <algorithm>

namespace {

QString algorithmOf(SoundPage page)
{
    return page == SoundPage::Surround ? kAlgorithmSurround : kAlgorithmStereo;
}

QString quotedList(const QStringList& names)
{
    if (names.isEmpty())
        return QStringLiteral("none");
    QStringList quoted;
    for (const QString& name : names)
        quoted << QStringLiteral("'%1'").arg(nameInMessage(name));
    return quoted.join(QStringLiteral(", "));
}

QString pageSuffix(std::optional<SoundPage> page)
{
    return page ? QStringLiteral(" of the %1 page").arg(soundPageName(*page)) : QString();
}

constexpr int kLongestNameInMessage = 64;

} // namespace

QString nameInMessage(const QString& name)
{
    if (name.size() <= kLongestNameInMessage)
        return name;
    return name.left(kLongestNameInMessage - 1) + QChar(0x2026);
}

QString soundPageName(SoundPage page)
{
    return page == SoundPage::Surround ? QStringLiteral("surround") : QStringLiteral("stereo");
}

std::optional<SoundPage> soundPageNamed(const QString& name)
{
    if (name == QLatin1String("surround"))
        return SoundPage::Surround;
    if (name == QLatin1String("stereo"))
        return SoundPage::Stereo;
    return std::nullopt;
}

QString modelNameOf(quint16 productId, const QList<ConfigFileRead>& defaultFiles)
{
    for (const ConfigFileRead& file : defaultFiles) {
        if (file.content.productId() == productId && !file.content.modelName.isEmpty())
            return file.content.modelName;
    }
    return QStringLiteral("headset %1").arg(productId, 4, 16, QChar('0'));
}

std::vector<BuiltInPreset> presetsOffered(const ConfigRecord& defaults,
                                          std::optional<SoundPage> page)
{
    std::vector<BuiltInPreset> offered;
    for (const BuiltInPreset& preset : builtInPresets()) {
        const QStringList& entries =
            preset.page == SoundPage::Surround ? defaults.surroundPresets : defaults.stereoPresets;
        if ((!page || *page == preset.page) && preset.entryIndex < entries.size())
            offered.push_back(preset);
    }
    return offered;
}

PresetLookup lookUpPreset(const QString& name, std::optional<SoundPage> page,
                          const ConfigRecord& defaults, const QString& modelName)
{
    const std::optional<BuiltInPreset> found = findBuiltInPreset(name, page);
    const std::vector<BuiltInPreset> offered = presetsOffered(defaults, page);
    const bool isOffered =
        found && std::any_of(offered.begin(), offered.end(), [&](const BuiltInPreset& preset) {
            return preset.page == found->page && preset.entryIndex == found->entryIndex;
        });
    if (isOffered)
        return {found, QString()};
    QStringList names;
    for (const BuiltInPreset& preset : offered) {
        const QString caption = QString::fromUtf8(preset.caption);
        if (!names.contains(caption))
            names << caption;
    }
    return {std::nullopt,
            QStringLiteral("'%1' is not a preset%2 of %3; its presets are %4")
                .arg(nameInMessage(name), pageSuffix(page), modelName, quotedList(names))};
}

CustomModeLookup lookUpCustomMode(const QList<CustomRecord>& modes, const QString& name,
                                  std::optional<SoundPage> page)
{
    std::vector<ShownMode> matches;
    QStringList names;
    for (const ShownMode& mode : shownModes(modes, page)) {
        names << mode.record->name;
        if (mode.record->name == name)
            matches.push_back(mode);
    }
    CustomModeLookup lookup;
    if (matches.size() == 1) {
        lookup.page = matches.front().page;
        lookup.slot = matches.front().slot;
        lookup.record = *matches.front().record;
        return lookup;
    }
    if (matches.empty()) {
        lookup.error = QStringLiteral("no custom mode '%1'%2; the custom modes are %3")
                           .arg(nameInMessage(name), pageSuffix(page), quotedList(names));
        return lookup;
    }
    QStringList candidates;
    for (const ShownMode& match : matches)
        candidates
            << QStringLiteral("%1 slot %2").arg(soundPageName(match.page)).arg(match.slot + 1);
    // Modes of both pages part with a page; two of one page only by renaming.
    const bool pagesDiffer = std::any_of(matches.begin(), matches.end(), [&](const ShownMode& m) {
        return m.page != matches.front().page;
    });
    lookup.error = QStringLiteral("'%1' names %2 custom modes (%3); %4")
                       .arg(nameInMessage(name))
                       .arg(matches.size())
                       .arg(candidates.join(QStringLiteral(", ")),
                            pagesDiffer ? QStringLiteral("name the page")
                                        : QStringLiteral("rename one of them in the window"));
    return lookup;
}

bool customNameTaken(const QList<CustomRecord>& modes, SoundPage page, const QString& name,
                     int exceptSlot)
{
    for (const ShownMode& mode : shownModes(modes, page)) {
        if (mode.slot != exceptSlot && mode.record->name == name)
            return true;
    }
    return false;
}

// The modes a page's slots show: its first five records, in file order.
std::vector<ShownMode> shownModes(const QList<CustomRecord>& modes, std::optional<SoundPage> page)
{
    std::vector<ShownMode> shown;
    for (SoundPage candidate : {SoundPage::Surround, SoundPage::Stereo}) {
        if (page && *page != candidate)
            continue;
        int slot = 0;
        for (const CustomRecord& mode : modes) {
            if (mode.algorithm != algorithmOf(candidate) || slot == kCustomSlotCount)
                continue;
            shown.push_back({candidate, slot++, &mode});
        }
    }
    return shown;
}
