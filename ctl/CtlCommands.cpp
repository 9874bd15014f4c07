#include "CtlCommands.h"

#include "CommandData.h"

#include "ConfigNames.h"
#include "ConfigReader.h"
#include "ConfigWriter.h"
#include "CtlOptions.h"
#include "DataFolder.h"
#include "GainText.h"
#include "ModeFileData.h"
#include "ModeLookup.h"
#include "NumberText.h"
#include "UsbHidOperation.h"

#include <QElapsedTimer>
#include <QJsonArray>
#include <QJsonObject>

#include <algorithm>
#include <functional>
#include <map>
#include <set>

namespace {

using remote::Request;
using remote::Result;

constexpr int kReplyTimeoutMs = 1000;
constexpr int kReadSliceMs = 50;

Result writeFailed()
{
    return Result::failure(remote::ExitWriteFailed,
                           QStringLiteral("writing to the headset failed"));
}

bool written()
{
    return usbHidLastWriteResult() == WriteSucceeded;
}

Result openResult(int opened)
{
    switch (opened) {
    case OpenSucceeded:
        return written() ? Result::success() : writeFailed();
    case OpenFailed:
        return Result::failure(
            remote::ExitOpenFailed,
            QStringLiteral("cannot open the headset at %1 (%2). If you lack permission, install "
                           "the udev rule (see README: 'Access to the headset').")
                .arg(QString::fromStdString(usbHidLastMatchedPath()),
                     QString::fromStdString(usbHidLastOpenError())));
    default:
        return remote::noHeadsetFound();
    }
}

// Reads replies until `done` says every awaited reply has come or the time is
// up. `onReply` sees each accepted reply (code) while rxFrame holds it.
bool awaitReplies(const std::function<void(uint8_t code)>& onReply,
                  const std::function<bool()>& done)
{
    QElapsedTimer clock;
    clock.start();
    while (!done() && clock.elapsed() < kReplyTimeoutMs) {
        const int bytesRead = usbHidReadReport(kReadSliceMs);
        if (bytesRead < 0)
            return false;
        if (!frame::replyAccepted(linkState.rxFrame.data(), bytesRead) ||
            usbHidDispatchReply(bytesRead) == NotAwaited)
            continue;
        onReply(linkState.rxFrame[frame::kCodeOffset]);
    }
    return done();
}

// Byte 0 of a version reply is its format; of every other reply, the status.
bool replyStatusError(uint8_t code)
{
    return code != frame::ReadVersion && frame::payloadByte(linkState.rxFrame.data(), 0) == 1;
}

// Writes the frames of `send` (false when a write failed) and waits for one
// reply per expected code.
Result exchange(const std::function<bool()>& send, std::multiset<uint8_t> expected,
                const std::function<void(uint8_t)>& onReply = {})
{
    if (!send())
        return writeFailed();
    bool headsetError = false;
    const bool complete = awaitReplies(
        [&](uint8_t code) {
            const auto it = expected.find(code);
            if (it == expected.end())
                return;
            expected.erase(it);
            headsetError = headsetError || replyStatusError(code);
            if (onReply)
                onReply(code);
        },
        [&] { return expected.empty(); });
    if (!complete)
        return Result::failure(remote::ExitNoReply,
                               QStringLiteral("the headset did not reply in time"));
    if (headsetError)
        return Result::failure(remote::ExitHeadsetError,
                               QStringLiteral("the headset reported an error"));
    return Result::success();
}

// What the headset says about itself right after the open.
struct HeadsetState
{
    QString version;
    int sampleRate = 0;
    int stateByte = 0;
    int stereoTab = 0;
    int surroundTab = 0;
    DeviceIdentity identity{};

    QString page() const { return soundPageName(pageOf()); }
    SoundPage pageOf() const
    {
        return frame::stateIsSurround(stateByte) ? SoundPage::Surround : SoundPage::Stereo;
    }
};

Result queryHeadset(HeadsetState& state)
{
    const auto collect = [&](uint8_t code) {
        const uint8_t* reply = linkState.rxFrame.data();
        if (code == frame::ReadVersion)
            state.version = QString::fromStdString(frame::versionText(reply));
        else if (code == frame::ReadAudio)
            state.sampleRate = frame::sampleRateHz(frame::payloadByte(reply, 1));
        else if (code == frame::ReadStatus)
            state.stateByte = frame::payloadByte(reply, 2);
    };
    // The open has asked for the version already.
    const Result result =
        exchange([] { return usbHidSend_ReadAudioAndStatus(); },
                 {frame::ReadVersion, frame::ReadAudio, frame::ReadStatus}, collect);
    state.stereoTab = replyState.stereoTabFlag;
    state.surroundTab = replyState.surroundTabFlag;
    state.identity = replyState.deviceIdentity;
    return result;
}

// The headset with this identity: each accepted interface is opened in turn
// and asked for its identity until one matches.
Result openHeadsetWithIdentity(const QString& identity)
{
    for (const HidDeviceInfo& entry : hidBackend().enumerate(0, 0)) {
        if (!usbHidInterfaceMatches(entry))
            continue;
        linkContext().wantedPath = entry.path;
        if (!openResult(usbHidOpenDevice()).ok())
            continue;
        HeadsetState state;
        const bool found = queryHeadset(state).ok() && identityToHex(state.identity) == identity;
        usbHidCloseDevice();
        // Opened afresh, the unit answers the command's own questions from the start.
        if (found)
            return openResult(usbHidOpenDevice());
    }
    return Result::failure(remote::ExitNoHeadset,
                           QStringLiteral("no headset with identity %1").arg(identity));
}

// Opens the only headset, or the one `device` names.
Result openHeadset(const QString& device)
{
    if (parseIdentity(device))
        return openHeadsetWithIdentity(device);
    linkContext().wantedPath = device.toStdString();
    const int opened = usbHidOpenDevice();
    if (opened == OpenNoDevice && !device.isEmpty())
        return Result::failure(remote::ExitNoHeadset,
                               QStringLiteral("no headset at %1").arg(device));
    return openResult(opened);
}

QList<ConfigFileRead> defaultFiles()
{
    return readConfigFolder(defaultFileFolder());
}

QString connectedModelName()
{
    return modelNameOf(linkState.connectedProductId, defaultFiles());
}

QJsonValue orNull(const QString& text)
{
    return text.isEmpty() ? QJsonValue() : QJsonValue(text);
}

std::optional<SoundPage> pageArgument(const Request& request)
{
    return soundPageNamed(request.arguments[QStringLiteral("page")].toString());
}

// The equaliser as the window sends it: bands 0-4, a short pause, bands 5-9.
Result sendPeqPair(int channel, int mode, const EqGains& gains)
{
    return exchange([&] { return usbHidSend_PeqPair(channel, mode, gains); },
                    {frame::SetPeq, frame::SetPeq});
}

Result sendCommand(const std::function<void()>& send, uint8_t replyCode)
{
    return exchange(
        [&] {
            send();
            return written();
        },
        {replyCode});
}

// A command that needs the headset opened and its state asked first.
using StateCommand = std::function<Result(const Request&, const HeadsetState&)>;
// A command that needs the headset opened only.
using OpenCommand = std::function<Result(const Request&)>;

Result listInterfaces(const Request&)
{
    // Known only by asking each unit, which listing does not do.
    const QJsonArray interfaces = remote::interfaceListData(
        defaultFiles(), [](const HidDeviceInfo&) { return QJsonValue(); });
    if (interfaces.isEmpty())
        return remote::noHeadsetFound();
    return Result::success(interfaces);
}

Result showInfo(const Request&, const HeadsetState& state)
{
    return Result::success(QJsonObject{
        {"model", connectedModelName()},
        {"productId", remote::idDigits(linkState.connectedProductId)},
        {"firmware", orNull(state.version)},
        {"sampleRate", state.sampleRate == 0 ? QJsonValue() : QJsonValue(state.sampleRate)},
        {"stereo", state.stereoTab},
        {"surround", state.surroundTab},
        {"identity", identityToHex(state.identity)},
        {"page", state.page()},
    });
}

Result showStatus(const Request&, const HeadsetState& state)
{
    return Result::success(QJsonObject{
        {"page", state.page()},
        {"stereoTab", state.stereoTab},
        {"surroundTab", state.surroundTab},
        {"identity", identityToHex(state.identity)},
    });
}

// The mode, the gains and the microphone settings live in the window; the
// headset cannot be asked for them.
Result showSettings(const Request&, const HeadsetState& state)
{
    return Result::success(QJsonObject{
        {"model", connectedModelName()},
        {"productId", remote::idDigits(linkState.connectedProductId)},
        {"identity", identityToHex(state.identity)},
        {"page", state.page()},
        {"mode", QJsonObject{{"kind", "unknown"}, {"name", QJsonValue()}}},
        {"gains", QJsonValue()},
        {"micLevel", QJsonValue()},
        {"noiseCancellation", QJsonValue()},
    });
}

Result sendEqualiser(const Request& request)
{
    const QJsonArray gainValues = request.arguments["gains"].toArray();
    EqGains gains{};
    for (int band = 0; band < kBandCount && band < gainValues.size(); ++band)
        gains[band] = gainValues[band].toInt();
    return sendPeqPair(request.arguments["channel"].toInt(1), request.arguments["mode"].toInt(),
                       gains);
}

Result setMicVolume(const Request& request)
{
    const int level = request.arguments["level"].toInt();
    return sendCommand([&] { usbHidSend_SetMicVolume(level); }, frame::SetMicVolume);
}

Result sendSwitch(int a, int surround, int noiseCancellation, int modeByte)
{
    return sendCommand(
        [&] { usbHidSend_SetAlgorithmSwitch(a, surround, noiseCancellation, modeByte); },
        frame::SetAlgorithmSwitch);
}

Result switchNoiseCancellation(const Request& request)
{
    return sendSwitch(1, 0, request.arguments["on"].toBool() ? 1 : 2, 0);
}

Result rawSwitch(const Request& request)
{
    const QJsonArray bytes = request.arguments["bytes"].toArray();
    return sendSwitch(bytes[0].toInt(), bytes[1].toInt(), bytes[2].toInt(), bytes[3].toInt());
}

struct ModelDefaults
{
    QString modelName;
    ConfigRecord record;
};

// A model's default file; a failure result when it has none.
Result readModelDefaults(quint16 productId, ModelDefaults& defaults)
{
    const QString path = defaultFileFolder() + "/" + defaultFileName(kHeadsetVendorId, productId);
    const ConfigReadResult config = readConfigFile(path);
    if (!config.ok())
        return Result::failure(remote::ExitNoConfiguration, config.errorText);
    defaults.modelName = modelNameOf(productId, defaultFiles());
    defaults.record = config.record;
    return Result::success();
}

// A built-in preset of the connected model, with its gains from the model's
// default file. An unknown name is a missing configuration (exit 8): which
// names are presets depends on the model.
Result applyPreset(const Request& request)
{
    ModelDefaults defaults;
    if (const Result read = readModelDefaults(linkState.connectedProductId, defaults); !read.ok())
        return read;
    const PresetLookup lookup =
        lookUpPreset(request.arguments["name"].toString(), pageArgument(request), defaults.record,
                     defaults.modelName);
    if (!lookup.preset)
        return Result::failure(remote::ExitNoConfiguration, lookup.error);
    const BuiltInPreset& preset = *lookup.preset;
    const QStringList& entries = preset.page == SoundPage::Surround
                                     ? defaults.record.surroundPresets
                                     : defaults.record.stereoPresets;
    const EqGains gains = headsetGains(parsePresetEntry(entries[preset.entryIndex]).gains);
    const int mode = presetModeIndex(preset, headsetModelOf(linkState.connectedProductId));
    const Result sent = sendPeqPair(1, mode, gains);
    if (!sent.ok())
        return sent;
    return Result::success(remote::chosenModeData(preset.page, QString::fromUtf8(preset.caption)));
}

// The presets of a model: of --model without any headset, else of the
// connected one.
Result listPresets(quint16 productId, const Request& request)
{
    ModelDefaults defaults;
    if (const Result read = readModelDefaults(productId, defaults); !read.ok())
        return read;
    return Result::success(
        remote::presetListData(presetsOffered(defaults.record, pageArgument(request))));
}

QString userFilePath(const HeadsetState& state)
{
    return userFileFolder(kWindowProgramName) + "/" +
           userFileName(linkState.connectedVendorId, linkState.connectedProductId, state.identity);
}

// The connected unit's custom modes, from the user file the window keeps.
Result readCustomModes(const HeadsetState& state, QList<CustomRecord>& modes)
{
    const ConfigReadResult file = readConfigFile(userFilePath(state));
    if (!file.ok())
        return Result::failure(
            remote::ExitNoConfiguration,
            file.errorText +
                QStringLiteral(" (the window creates it when it first sees this unit)"));
    modes = file.customModes;
    return Result::success();
}

// The modes the window shows: the first five of each page, in file order.
Result listCustomModes(const Request&, const HeadsetState& state)
{
    QList<CustomRecord> modes;
    if (const Result read = readCustomModes(state, modes); !read.ok())
        return read;
    return Result::success(remote::customListData(modes));
}

// The saved custom mode the request names (its "name" and "page"), or why
// there is none.
Result findRequestedMode(const Request& request, const HeadsetState& state,
                         CustomModeLookup& lookup)
{
    QList<CustomRecord> modes;
    if (const Result read = readCustomModes(state, modes); !read.ok())
        return read;
    lookup = lookUpCustomMode(modes, request.arguments["name"].toString(), pageArgument(request));
    if (!lookup.page)
        return Result::failure(remote::ExitNoConfiguration, lookup.error);
    return Result::success();
}

// A saved custom mode as the window sends it when its slot is selected.
Result applyCustomMode(const Request& request, const HeadsetState& state)
{
    CustomModeLookup lookup;
    if (const Result found = findRequestedMode(request, state, lookup); !found.ok())
        return found;
    const int modeIndex = customSlotModeIndex(*lookup.page, lookup.slot,
                                              headsetModelOf(linkState.connectedProductId));
    const Result sent =
        sendPeqPair(1, modeIndex, headsetGains(gainsFromText(lookup.record.parameter)));
    if (!sent.ok())
        return sent;
    return Result::success(remote::chosenModeData(*lookup.page, lookup.record.name));
}

// Whether the window would let a person open the page: the headset reports
// a stereo tab, and a surround tab unless it is of model 1.
bool pageOffered(const HeadsetState& state, SoundPage page)
{
    if (page == SoundPage::Stereo)
        return state.stereoTab != 0;
    return state.surroundTab != 0 || headsetModelOf(linkState.connectedProductId) == 1;
}

// The list as the window saves it after adding a slot: the page's modes
// after those of the other page, the new one last.
QList<CustomRecord> withModeAdded(const QList<CustomRecord>& modes, const CustomRecord& added)
{
    QList<CustomRecord> others;
    QList<CustomRecord> page;
    for (const CustomRecord& mode : modes)
        (mode.algorithm == added.algorithm ? page : others).append(mode);
    return others + page + QList<CustomRecord>{added};
}

// As the window's new slot: sent as the page's next slot, then saved with
// the list and as the current mode in one write. Nothing is saved when the
// file, the name or the page does not do, or the headset did not take it.
Result importCustomMode(const Request& request, const HeadsetState& state)
{
    QList<CustomRecord> modes;
    if (const Result read = readCustomModes(state, modes); !read.ok())
        return read;
    const QString path = request.arguments["path"].toString();
    const ImportedMode imported = importModeFile(
        path, request.arguments["name"].toString(),
        {linkState.connectedProductId, state.sampleRate, pageArgument(request), state.pageOf()});
    if (!imported.ok())
        return remote::importFailure(imported, path);
    if (!pageOffered(state, imported.page))
        return remote::noRoomFailure(
            QStringLiteral("the headset has no %1 page").arg(soundPageName(imported.page)));
    if (const QString problem = customModeRoomProblem(modes, imported.page, imported.mode.name);
        !problem.isEmpty())
        return remote::noRoomFailure(problem);
    const int slot = int(shownModes(modes, imported.page).size());
    const int modeIndex =
        customSlotModeIndex(imported.page, slot, headsetModelOf(linkState.connectedProductId));
    if (const Result sent =
            sendPeqPair(1, modeIndex, headsetGains(gainsFromText(imported.mode.parameter)));
        !sent.ok())
        return sent;
    const QList<CustomRecord> saved = withModeAdded(modes, imported.mode);
    const ConfigWriteResult written = updateConfigFile(userFilePath(state), [&](QJsonObject& root) {
        setCustomModes(root, saved);
        setCurrentMode(root, imported.mode.algorithm, kModeCustom, imported.mode.name);
    });
    if (!written.ok())
        return Result::failure(remote::ExitNoConfiguration, written.errorText);
    return Result::success(remote::importedModeData(imported));
}

Result exportCustomMode(const Request& request, const HeadsetState& state)
{
    CustomModeLookup lookup;
    if (const Result found = findRequestedMode(request, state, lookup); !found.ok())
        return found;
    return remote::exportedModeResult(lookup.record, request.arguments["format"].toString(),
                                      linkState.connectedProductId, connectedModelName());
}

Result needsWindow(const Request& request)
{
    return Result::failure(remote::ExitNoWindow,
                           QStringLiteral("%1 needs the running window (start velumix%2)")
                               .arg(request.command, request.command == "simulate"
                                                         ? QStringLiteral(" --simulate")
                                                         : QString()));
}

Result withOpenHeadset(const QString& device, const std::function<Result()>& command)
{
    if (const Result opened = openHeadset(device); !opened.ok())
        return opened;
    return command();
}

using Command = std::function<Result(const Request&, const QString& device)>;

Command opened(const OpenCommand& command)
{
    return [command](const Request& request, const QString& device) {
        return withOpenHeadset(device, [&] { return command(request); });
    };
}

Command queried(const StateCommand& command)
{
    return [command](const Request& request, const QString& device) {
        return withOpenHeadset(device, [&] {
            HeadsetState state;
            if (const Result asked = queryHeadset(state); !asked.ok())
                return asked;
            return command(request, state);
        });
    };
}

Result presetListCommand(const Request& request, const QString& device)
{
    const QJsonValue model = request.arguments["productId"];
    if (model.isString())
        return listPresets(productIdFromText(model.toString()).value_or(0), request);
    return withOpenHeadset(device,
                           [&] { return listPresets(linkState.connectedProductId, request); });
}

const std::map<QString, Command>& commands()
{
    static const std::map<QString, Command> table = {
        {"list", [](const Request& request, const QString&) { return listInterfaces(request); }},
        {"info", queried(showInfo)},
        {"status", queried(showStatus)},
        {"get", queried(showSettings)},
        {"eq", opened(sendEqualiser)},
        {"mic-volume", opened(setMicVolume)},
        {"enc", opened(switchNoiseCancellation)},
        {"switch", opened(rawSwitch)},
        {"preset", opened(applyPreset)},
        {"preset-list", presetListCommand},
        {"custom-list", queried(listCustomModes)},
        {"custom-apply", queried(applyCustomMode)},
        {"custom-import", queried(importCustomMode)},
        {"custom-export", queried(exportCustomMode)},
        {"simulate", [](const Request& request, const QString&) { return needsWindow(request); }},
        {"watch", [](const Request& request, const QString&) { return needsWindow(request); }},
    };
    return table;
}

} // namespace

QString defaultFileFolder()
{
    return dataFolder() + "/" + kDefaultFileFolder;
}

Result runDirect(const Request& request, const QString& device)
{
    const auto command = commands().find(request.command);
    if (command == commands().end())
        return Result::failure(remote::ExitUsage,
                               QStringLiteral("unknown command '%1'").arg(request.command));
    const Result result = command->second(request, device);
    usbHidCloseDevice();
    linkContext().wantedPath.clear();
    return result;
}
