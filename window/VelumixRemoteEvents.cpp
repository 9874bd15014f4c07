// What the watchers of the local channel hear: the headset coming and going,
// a new unit, the sound page shown, each page's mode, the microphone level
// and noise cancellation. Each is announced once per change, from the code
// path that makes the change.

#include "CommandData.h"
#include "Velumix.h"

#include "ConfigNames.h"
#include "ConfigReader.h"
#include "ModeLookup.h"
#include "RemoteArguments.h"
#include "UsbHidOperation.h"

void Velumix::announce(const char* event, QJsonObject members)
{
    members.insert(QStringLiteral("event"), QLatin1String(event));
    emit remoteEvent(members);
}

QList<ConfigFileRead> Velumix::defaultFiles() const
{
    return ::readConfigFolder(m_qstrAppDirPath + "/" + kDefaultFileFolder);
}

QString Velumix::connectedModelName() const
{
    return modelNameOf(linkState.connectedProductId, defaultFiles());
}

QJsonObject Velumix::connectedProduct() const
{
    return {{"productId", remote::idDigits(linkState.connectedProductId)},
            {"model", connectedModelName()}};
}

void Velumix::announceSoundPage(SoundPage page)
{
    if (page == m_soundPageShown)
        return;
    m_soundPageShown = page;
    announce("page", {{"page", soundPageName(page)}});
}

void Velumix::announceMode(SoundPage page)
{
    const ModeShown mode = modeShown(page);
    if (m_announcedModes[int(page)] == mode)
        return;
    m_announcedModes[int(page)] = mode;
    announce("mode", {{"page", soundPageName(page)},
                      {"kind", mode.kind},
                      {"name", mode.name.isEmpty() ? QJsonValue() : QJsonValue(mode.name)}});
}

Velumix::ModeShown Velumix::modeShown(SoundPage page)
{
    if (linkState.deviceOpened == 0)
        return {QStringLiteral("unknown"), {}};
    const PageView view = this->page(page);
    if (view.selectionKind == view.customSelected) {
        const int slot = view.selectedIndex();
        if (slot >= 0 && view.customRadios[slot]->isChecked())
            return {QStringLiteral("custom"), view.slotRecords[slot].name};
        return {QStringLiteral("customize"), {}};
    }
    for (const BuiltInPreset& preset : builtInPresets())
        if (preset.page == page && presetRadio(preset)->isChecked())
            return {QStringLiteral("preset"), QString::fromUtf8(preset.caption)};
    return {QStringLiteral("unknown"), {}};
}

void Velumix::forgetHeadsetReports()
{
    m_firmwareVersion.clear();
    m_sampleRateHz = 0;
    m_reportedPage.reset();
    m_identityKnown = false;
    m_announcedModes = {};
}
