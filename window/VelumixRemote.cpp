// The window's side of the local channel: each command of velumixctl carried
// out as the matching click would, so that the widgets, the user file and
// the headset stay in step, and answered with what it did.

#include "Velumix.h"

#include "CommandData.h"

#include "ConfigNames.h"
#include "ConfigReader.h"
#include "GainText.h"
#include "ModeFileData.h"
#include "ModeLookup.h"
#include "RemoteArguments.h"
#include "UsbHidOperation.h"

#include <QJsonArray>

#include <algorithm>
#include <vector>

using remote::Result;

namespace {

struct RemoteCommand
{
    const char* name;
    bool needsHeadset;
    std::vector<ArgumentRule> rules;
    Result (Velumix::*run)(const QJsonObject& arguments);
};

QJsonValue textOrNull(const QString& text)
{
    return text.isEmpty() ? QJsonValue() : QJsonValue(text);
}

QJsonValue pageOrNull(std::optional<SoundPage> page)
{
    return page ? QJsonValue(soundPageName(*page)) : QJsonValue();
}

// Only for arguments their rule has checked.
std::vector<int> wholesOf(const QJsonValue& value)
{
    std::vector<int> numbers;
    for (const QJsonValue& item : value.toArray())
        numbers.push_back(item.toInt());
    return numbers;
}

Result pageMissing(SoundPage page)
{
    return Result::failure(remote::ExitNoConfiguration,
                           QStringLiteral("the headset has no %1 page").arg(soundPageName(page)));
}

} // namespace

Result Velumix::runRemoteCommand(const remote::Request& request)
{
    static const std::vector<RemoteCommand> commands = {
        {"get", true, {}, &Velumix::remoteGet},
        {"info", true, {}, &Velumix::remoteInfo},
        {"status", true, {}, &Velumix::remoteStatus},
        {"list", false, {}, &Velumix::remoteList},
        {"preset", true, {nameArgument(), pageArgument()}, &Velumix::remotePreset},
        {"preset-list",
         false,
         {pageArgument(), {"productId", ArgumentRule::HexDigits, false, 0, 0, 4}},
         &Velumix::remotePresetList},
        {"custom-list", true, {}, &Velumix::remoteCustomList},
        {"custom-apply", true, {nameArgument(), pageArgument()}, &Velumix::remoteCustomApply},
        {"custom-import",
         true,
         {{"path", ArgumentRule::Text, true}, nameArgument(), pageArgument()},
         &Velumix::remoteCustomImport},
        {"custom-export",
         true,
         {nameArgument(),
          pageArgument(),
          {"format", ArgumentRule::Text, true, 0, 0, 0, remote::modeExportFormats()}},
         &Velumix::remoteCustomExport},
        {"mic-volume",
         true,
         {{"level", ArgumentRule::Whole, true, 0, 100}},
         &Velumix::remoteMicVolume},
        {"enc", true, {{"on", ArgumentRule::Flag, true}}, &Velumix::remoteNoiseCancellation},
        {"eq",
         true,
         {{"mode", ArgumentRule::Whole, true, 0, 255},
          {"gains", ArgumentRule::Wholes, true, -12, 12, kBandCount},
          {"channel", ArgumentRule::Whole, false, 0, 255}},
         &Velumix::remoteEqualiser},
        {"switch",
         true,
         {{"bytes", ArgumentRule::Wholes, true, 0, 255, 4}},
         &Velumix::remoteSwitch},
    };
    const auto command =
        std::find_if(commands.begin(), commands.end(),
                     [&](const RemoteCommand& known) { return request.command == known.name; });
    if (command == commands.end())
        return Result::failure(remote::ExitUsage,
                               QStringLiteral("unknown command '%1'").arg(request.command));
    const QString error = argumentError(request.command, request.arguments, command->rules);
    if (!error.isEmpty())
        return Result::failure(remote::ExitUsage, error);
    if (command->needsHeadset && linkState.deviceOpened == 0)
        return remote::noHeadsetFound();
    // Any write of the command that failed fails the command, not only the last.
    const int failedBefore = usbHidFailedWriteCount();
    const Result result = (this->*command->run)(request.arguments);
    if (usbHidFailedWriteCount() != failedBefore)
        return Result::failure(remote::ExitWriteFailed,
                               QStringLiteral("writing to the headset failed."));
    return result;
}

Result Velumix::remoteGet(const QJsonObject&)
{
    const bool linked = linkState.deviceOpened != 0;
    const ModeShown mode = modeShown(m_soundPageShown);
    EqGains gains{};
    const auto sliders = widgets(ui, bandSliders(m_soundPageShown));
    for (int band = 0; band < kBandCount; ++band)
        gains[band] = sliders[band]->value();
    return Result::success(QJsonObject{
        {"model", linked ? QJsonValue(connectedModelName()) : QJsonValue()},
        {"productId",
         linked ? QJsonValue(remote::idDigits(linkState.connectedProductId)) : QJsonValue()},
        {"identity", linked && m_identityKnown ? QJsonValue(identityToHex(m_knownDeviceIdentity))
                                               : QJsonValue()},
        {"page", soundPageName(m_soundPageShown)},
        {"mode", QJsonObject{{"kind", mode.kind}, {"name", textOrNull(mode.name)}}},
        {"gains", remote::gainsData(gains)},
        {"micLevel", ui.Slider_Voice1_3->value()},
        {"noiseCancellation", ui.checkBox_MicENC->isChecked()},
    });
}

Result Velumix::remoteInfo(const QJsonObject&)
{
    QJsonObject info = connectedProduct();
    info.insert("firmware", textOrNull(m_firmwareVersion));
    info.insert("sampleRate", m_sampleRateHz ? QJsonValue(m_sampleRateHz) : QJsonValue());
    info.insert("stereo", replyState.stereoTabFlag.load());
    info.insert("surround", replyState.surroundTabFlag.load());
    const QJsonObject status = remoteStatus({}).data.toObject();
    info.insert("identity", status["identity"]);
    info.insert("page", status["page"]);
    return Result::success(info);
}

Result Velumix::remoteStatus(const QJsonObject&)
{
    return Result::success(QJsonObject{
        {"page", pageOrNull(m_reportedPage)},
        {"stereoTab", replyState.stereoTabFlag.load()},
        {"surroundTab", replyState.surroundTabFlag.load()},
        {"identity",
         m_identityKnown ? QJsonValue(identityToHex(m_knownDeviceIdentity)) : QJsonValue()},
    });
}

// The interfaces the program would open, and the connected unit on its own.
Result Velumix::remoteList(const QJsonObject&)
{
    const bool unitKnown = linkState.deviceOpened != 0 && m_identityKnown;
    const QJsonArray interfaces =
        remote::interfaceListData(defaultFiles(), [&](const HidDeviceInfo& entry) {
            const bool connected = unitKnown && entry.path == usbHidLastMatchedPath();
            return connected ? QJsonValue(identityToHex(m_knownDeviceIdentity)) : QJsonValue();
        });
    if (interfaces.isEmpty())
        return remote::noHeadsetFound();
    return Result::success(interfaces);
}

bool Velumix::openSoundPage(SoundPage page)
{
    if (soundPageShown(m_currentPage) == page)
        return true;
    const int tab = kPageNumbers[int(page)].tab;
    if (!ui.tabWidget->isTabEnabled(tab))
        return false;
    ui.tabWidget->setCurrentIndex(tab);
    on_TabWidget_Clicked(tab);
    return true;
}

bool Velumix::choosePreset(const BuiltInPreset& preset)
{
    if (!openSoundPage(preset.page))
        return false;
    presetRadio(preset)->click();
    return true;
}

// As a person does it: the page's tab, its custom list, then the slot.
bool Velumix::chooseCustomSlot(SoundPage page, int slot)
{
    if (!openSoundPage(page))
        return false;
    const PageView view = this->page(page);
    if (!view.customize->isChecked())
        view.customize->click();
    view.customRadios[slot]->click();
    return true;
}

// The slider sends on every change of its value, as when a person lets go of it.
void Velumix::chooseMicLevel(int level)
{
    ui.Slider_Voice1_3->setValue(level);
}

// A click toggles the box; a box already in that state is left alone.
void Velumix::chooseNoiseCancellation(bool on)
{
    if (ui.checkBox_MicENC->isChecked() != on)
        ui.checkBox_MicENC->click();
}

Result Velumix::remotePreset(const QJsonObject& arguments)
{
    const PresetLookup lookup =
        lookUpPreset(arguments["name"].toString(), soundPageNamed(arguments["page"].toString()),
                     m_currentDeviceConfig, connectedModelName());
    if (!lookup.preset)
        return Result::failure(remote::ExitNoConfiguration, lookup.error);
    const BuiltInPreset& preset = *lookup.preset;
    if (!choosePreset(preset))
        return pageMissing(preset.page);
    return Result::success(remote::chosenModeData(preset.page, QString::fromUtf8(preset.caption)));
}

// The presets of the connected model, or of the model a default file names.
Result Velumix::remotePresetList(const QJsonObject& arguments)
{
    ConfigRecord defaults = m_currentDeviceConfig;
    if (arguments["productId"].isString()) {
        const quint16 productId = arguments["productId"].toString().toUShort(nullptr, 16);
        const QList<ConfigFileRead> files = defaultFiles();
        const auto file = std::find_if(files.begin(), files.end(), [&](const ConfigFileRead& f) {
            return f.content.productId() == productId;
        });
        if (file == files.end())
            return Result::failure(
                remote::ExitNoConfiguration,
                QStringLiteral("no default file for product %1").arg(remote::idDigits(productId)));
        defaults = file->content.record;
    } else if (linkState.deviceOpened == 0) {
        return remote::noHeadsetFound();
    }
    return Result::success(remote::presetListData(
        presetsOffered(defaults, soundPageNamed(arguments["page"].toString()))));
}

Result Velumix::remoteCustomList(const QJsonObject&)
{
    return Result::success(remote::customListData(m_customModeList));
}

Result Velumix::remoteCustomApply(const QJsonObject& arguments)
{
    const CustomModeLookup lookup = lookUpCustomMode(m_customModeList, arguments["name"].toString(),
                                                     soundPageNamed(arguments["page"].toString()));
    if (!lookup.page)
        return Result::failure(remote::ExitNoConfiguration, lookup.error);
    if (!chooseCustomSlot(*lookup.page, lookup.slot))
        return pageMissing(*lookup.page);
    return Result::success(remote::chosenModeData(*lookup.page, lookup.record.name));
}

// As a person adds a slot on the page: shown and sent at once, then saved
// under the name given. A file, name or page that does not do saves nothing.
Result Velumix::remoteCustomImport(const QJsonObject& arguments)
{
    const QString path = arguments["path"].toString();
    const ImportedMode imported =
        importModeFile(path, arguments["name"].toString(),
                       {linkState.connectedProductId, m_sampleRateHz,
                        soundPageNamed(arguments["page"].toString()), m_soundPageShown});
    if (!imported.ok())
        return remote::importFailure(imported, path);
    if (const QString problem = addImportedMode(imported.page, imported.mode); !problem.isEmpty())
        return remote::noRoomFailure(problem);
    return Result::success(remote::importedModeData(imported));
}

Result Velumix::remoteCustomExport(const QJsonObject& arguments)
{
    const CustomModeLookup lookup = lookUpCustomMode(m_customModeList, arguments["name"].toString(),
                                                     soundPageNamed(arguments["page"].toString()));
    if (!lookup.page)
        return Result::failure(remote::ExitNoConfiguration, lookup.error);
    return remote::exportedModeResult(lookup.record, arguments["format"].toString(),
                                      linkState.connectedProductId, connectedModelName());
}

Result Velumix::remoteMicVolume(const QJsonObject& arguments)
{
    chooseMicLevel(arguments["level"].toInt());
    return Result::success();
}

Result Velumix::remoteNoiseCancellation(const QJsonObject& arguments)
{
    chooseNoiseCancellation(arguments["on"].toBool());
    return Result::success();
}

// Raw protocol commands go to the headset without touching the widgets.
Result Velumix::remoteEqualiser(const QJsonObject& arguments)
{
    const std::vector<int> bands = wholesOf(arguments["gains"]);
    EqGains gains{};
    std::copy(bands.begin(), bands.end(), gains.begin());
    usbHidSend_PeqPair(arguments["channel"].toInt(1), arguments["mode"].toInt(), gains);
    return Result::success();
}

Result Velumix::remoteSwitch(const QJsonObject& arguments)
{
    const std::vector<int> bytes = wholesOf(arguments["bytes"]);
    usbHidSend_SetAlgorithmSwitch(bytes[0], bytes[1], bytes[2], bytes[3]);
    return Result::success();
}
