#include "CtlCommands.h"

#include "BuiltInPresets.h"
#include "ConfigNames.h"
#include "ConfigReader.h"
#include "DataFolder.h"
#include "GainText.h"
#include "UsbHidOperation.h"

#include <QCoreApplication>

#include <QElapsedTimer>

#include <algorithm>
#include <functional>
#include <map>
#include <set>

namespace {

constexpr int kReplyTimeoutMs = 1000;
constexpr int kReadSliceMs = 50;

struct Context
{
    const CtlOptions& options;
    QTextStream& out;
    QTextStream& err;
};

int usageError(Context& c, const QString& message)
{
    c.err << "velumixctl: " << message << "\n"
          << "Run 'velumixctl --help' for usage.\n";
    return ExitUsage;
}

bool written()
{
    return usbHidLastWriteResult() == WriteSucceeded;
}

int openHeadset(Context& c)
{
    switch (usbHidOpenDevice()) {
    case OpenSucceeded:
        return written() ? ExitSuccess : ExitWriteFailed;
    case OpenFailed:
        c.err << "velumixctl: cannot open the headset at "
              << QString::fromStdString(usbHidLastMatchedPath()) << " ("
              << QString::fromStdString(usbHidLastOpenError())
              << "). If you lack permission, install the udev rule (see README: "
                 "'Access to the headset').\n";
        return ExitOpenFailed;
    default:
        c.err << "velumixctl: no headset found (vendor " << headsetVendorIdDigits()
              << ", accepted products).\n";
        return ExitNoHeadset;
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
int exchange(Context& c, const std::function<bool()>& send, std::multiset<uint8_t> expected,
             const std::function<void(uint8_t)>& onReply = {})
{
    if (!send()) {
        c.err << "velumixctl: writing to the headset failed.\n";
        return ExitWriteFailed;
    }
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
    if (!complete) {
        c.err << "velumixctl: the headset did not reply in time.\n";
        return ExitNoReply;
    }
    if (headsetError) {
        c.err << "velumixctl: the headset reported an error.\n";
        return ExitHeadsetError;
    }
    return ExitSuccess;
}

int listInterfaces(Context& c)
{
    int count = 0;
    for (const HidDeviceInfo& entry : hidBackend().enumerate(0, 0)) {
        if (!usbHidInterfaceMatches(entry))
            continue;
        c.out << QStringLiteral("%1 %2 %3 %4 %5\n")
                     .arg(entry.vendorId, 4, 16, QChar('0'))
                     .arg(entry.productId, 4, 16, QChar('0'))
                     .arg(entry.interfaceNumber)
                     .arg(entry.usagePage, 4, 16, QChar('0'))
                     .arg(QString::fromStdString(entry.path));
        ++count;
    }
    if (count == 0) {
        c.err << "velumixctl: no headset found (vendor " << headsetVendorIdDigits()
              << ", accepted products).\n";
        return ExitNoHeadset;
    }
    return ExitSuccess;
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
};

int queryHeadset(Context& c, HeadsetState& state)
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
    const int result = exchange(
        c, [] { return usbHidSend_ReadAudioAndStatus(); },
        {frame::ReadVersion, frame::ReadAudio, frame::ReadStatus}, collect);
    state.stereoTab = replyState.stereoTabFlag;
    state.surroundTab = replyState.surroundTabFlag;
    state.identity = replyState.deviceIdentity;
    return result;
}

int showInfo(Context& c)
{
    HeadsetState state;
    if (const int result = queryHeadset(c, state); result != ExitSuccess)
        return result;
    c.out << "firmware: " << (state.version.isEmpty() ? QStringLiteral("none") : state.version)
          << "\n"
          << "sample-rate: " << state.sampleRate << "\n"
          << "stereo: " << state.stereoTab << "\n"
          << "surround: " << state.surroundTab << "\n"
          << "identity: " << identityToHex(state.identity) << "\n"
          << "state: " << state.stateByte << "\n";
    return ExitSuccess;
}

// The state byte picks the page the window shows.
int showStatus(Context& c)
{
    HeadsetState state;
    if (const int result = queryHeadset(c, state); result != ExitSuccess)
        return result;
    c.out << "state: " << state.stateByte << "\n"
          << "page: " << (frame::stateIsSurround(state.stateByte) ? "surround" : "stereo") << "\n"
          << "stereo-tab: " << state.stereoTab << "\n"
          << "surround-tab: " << state.surroundTab << "\n"
          << "identity: " << identityToHex(state.identity) << "\n";
    return ExitSuccess;
}

// "--name value" pairs after the command; returns false on anything else.
bool namedValues(const QStringList& args, const std::set<QString>& known,
                 std::map<QString, QString>& values, QString& error)
{
    for (int i = 0; i < args.size(); i += 2) {
        if (!known.count(args[i])) {
            error = QStringLiteral("unexpected argument '%1'").arg(args[i]);
            return false;
        }
        if (i + 1 >= args.size()) {
            error = QStringLiteral("%1 needs a value").arg(args[i]);
            return false;
        }
        values[args[i]] = args[i + 1];
    }
    return true;
}

// The equaliser as the window sends it: bands 0-4, a short pause, bands 5-9.
int sendPeqPair(Context& c, int channel, int mode, const EqGains& gains)
{
    return exchange(c, [&] { return usbHidSend_PeqPair(channel, mode, gains); },
                    {frame::SetPeq, frame::SetPeq});
}

int sendEqualiser(Context& c)
{
    std::map<QString, QString> values;
    QString error;
    if (!namedValues(c.options.arguments, {"--mode", "--gains", "--channel"}, values, error))
        return usageError(c, error);
    if (!values.count("--mode") || !values.count("--gains"))
        return usageError(c, "eq needs --mode N and --gains G0,...,G9");
    const auto mode = parseIntInRange(values["--mode"], 0, 255);
    if (!mode)
        return usageError(c, "--mode must be a number from 0 to 255");
    const auto gains = parseIntList(values["--gains"], kBandCount, -12, 12);
    if (!gains)
        return usageError(c, "--gains must be ten comma-separated whole numbers from -12 to 12");
    const auto channel =
        parseIntInRange(values.count("--channel") ? values["--channel"] : "1", 0, 255);
    if (!channel)
        return usageError(c, "--channel must be a number from 0 to 255");
    if (const int opened = openHeadset(c); opened != ExitSuccess)
        return opened;
    EqGains eq{};
    std::copy(gains->begin(), gains->end(), eq.begin());
    return sendPeqPair(c, *channel, *mode, eq);
}

std::optional<SoundPage> pageNamed(const QString& text)
{
    if (text == "surround")
        return SoundPage::Surround;
    if (text == "stereo")
        return SoundPage::Stereo;
    return std::nullopt;
}

// A built-in preset of the connected model, with its gains from the model's
// default configuration file.
int applyPreset(Context& c)
{
    const QStringList& args = c.options.arguments;
    if (args.isEmpty())
        return usageError(c, "preset needs a preset name, e.g. 'preset Jazz'");
    std::map<QString, QString> values;
    QString error;
    if (!namedValues(args.mid(1), {"--page"}, values, error))
        return usageError(c, error);
    std::optional<SoundPage> page;
    if (values.count("--page")) {
        page = pageNamed(values["--page"]);
        if (!page)
            return usageError(c, "--page must be 'surround' or 'stereo'");
    }
    const auto preset = findBuiltInPreset(args[0], page);
    if (!preset)
        return usageError(
            c, QStringLiteral("'%1' is not a built-in preset%2")
                   .arg(args[0], page ? QStringLiteral(" of the %1 page").arg(values["--page"])
                                      : QString()));
    if (const int opened = openHeadset(c); opened != ExitSuccess)
        return opened;
    const QString path = defaultFileFolder() + "/" +
                         defaultFileName(linkState.connectedVendorId, linkState.connectedProductId);
    const ConfigReadResult config = readConfigFile(path);
    if (!config.ok()) {
        c.err << "velumixctl: " << config.errorText << "\n";
        return ExitNoConfiguration;
    }
    const QStringList& entries = preset->page == SoundPage::Surround ? config.record.surroundPresets
                                                                     : config.record.stereoPresets;
    if (preset->entryIndex >= entries.size()) {
        c.err << "velumixctl: " << path << " has no entry for " << preset->caption << ".\n";
        return ExitNoConfiguration;
    }
    // The sliders would clamp the gains; so does the tool.
    EqGains gains{};
    const QVector<int> entryGains = parsePresetEntry(entries[preset->entryIndex]).gains;
    for (int band = 0; band < entryGains.size(); ++band)
        gains[band] = std::clamp(entryGains[band], -12, 12);
    const int mode = presetModeIndex(*preset, headsetModelOf(linkState.connectedProductId));
    return sendPeqPair(c, 1, mode, gains);
}

int withOpenHeadset(Context& c, const std::function<int()> command);

// The connected unit's user file, as the window keeps it.
QString userFilePath(const DeviceIdentity& identity)
{
    return userFileFolder(kWindowProgramName) + "/" +
           userFileName(linkState.connectedVendorId, linkState.connectedProductId, identity);
}

// The custom modes of the connected unit, from its user file.
int readCustomModes(Context& c, QList<CustomRecord>& modes)
{
    HeadsetState state;
    if (const int result = queryHeadset(c, state); result != ExitSuccess)
        return result;
    const QString path = userFilePath(state.identity);
    const ConfigReadResult file = readConfigFile(path);
    if (!file.ok()) {
        c.err << "velumixctl: " << file.errorText
              << " (the window creates it when it first sees this unit).\n";
        return ExitNoConfiguration;
    }
    modes = file.customModes;
    return ExitSuccess;
}

int listCustomModes(Context& c)
{
    QList<CustomRecord> modes;
    if (const int result = readCustomModes(c, modes); result != ExitSuccess)
        return result;
    for (const CustomRecord& mode : modes)
        c.out << mode.algorithm.toLower() << "\t" << mode.name << "\t" << mode.parameter << "\n";
    return ExitSuccess;
}

// A saved custom mode as the window sends it when its slot is selected.
int applyCustomMode(Context& c, const QString& name, std::optional<SoundPage> page)
{
    QList<CustomRecord> modes;
    if (const int result = readCustomModes(c, modes); result != ExitSuccess)
        return result;
    std::map<QString, int> slotOfPage; // per algorithm: slots used so far
    for (const CustomRecord& mode : modes) {
        const int slot = slotOfPage[mode.algorithm]++;
        const bool surround = mode.algorithm == "Surround";
        if (mode.name != name || slot >= 5 || (!surround && mode.algorithm != "Stereo"))
            continue;
        if (page && (*page == SoundPage::Surround) != surround)
            continue;
        const int modeIndex =
            customSlotModeIndex(surround ? SoundPage::Surround : SoundPage::Stereo, slot,
                                headsetModelOf(linkState.connectedProductId));
        return sendPeqPair(c, 1, modeIndex, gainsFromText(mode.parameter));
    }
    c.err << "velumixctl: the connected unit has no custom mode '" << name << "'"
          << (page ? QStringLiteral(" on the %1 page")
                         .arg(*page == SoundPage::Surround ? "surround" : "stereo")
                   : QString())
          << ".\n";
    return ExitNoConfiguration;
}

int customCommand(Context& c)
{
    const QStringList& args = c.options.arguments;
    if (args.value(0) == "list" && args.size() == 1)
        return withOpenHeadset(c, [&] { return listCustomModes(c); });
    if (args.value(0) != "apply" || args.size() < 2)
        return usageError(c, "use 'custom list' or 'custom apply NAME [--page surround|stereo]'");
    std::map<QString, QString> values;
    QString error;
    if (!namedValues(args.mid(2), {"--page"}, values, error))
        return usageError(c, error);
    std::optional<SoundPage> page;
    if (values.count("--page") && !(page = pageNamed(values["--page"])))
        return usageError(c, "--page must be 'surround' or 'stereo'");
    return withOpenHeadset(c, [&] { return applyCustomMode(c, args[1], page); });
}

int withOpenHeadset(Context& c, const std::function<int()> command)
{
    if (const int opened = openHeadset(c); opened != ExitSuccess)
        return opened;
    return command();
}

int setMicVolume(Context& c)
{
    if (c.options.arguments.size() != 1)
        return usageError(c, "mic-volume needs one level from 0 to 100");
    const auto level = parseIntInRange(c.options.arguments[0], 0, 100);
    if (!level)
        return usageError(c, "the microphone level must be a number from 0 to 100");
    return withOpenHeadset(c, [&] {
        return exchange(c,
                        [&] {
                            usbHidSend_SetMicVolume(*level);
                            return written();
                        },
                        {frame::SetMicVolume});
    });
}

int sendSwitch(Context& c, int a, int surround, int noiseCancellation, int modeByte)
{
    return withOpenHeadset(c, [&] {
        return exchange(c,
                        [&] {
                            usbHidSend_SetAlgorithmSwitch(a, surround, noiseCancellation, modeByte);
                            return written();
                        },
                        {frame::SetAlgorithmSwitch});
    });
}

int switchNoiseCancellation(Context& c)
{
    const QStringList& args = c.options.arguments;
    if (args.size() != 1 || (args[0] != "on" && args[0] != "off"))
        return usageError(c, "enc needs 'on' or 'off'");
    return sendSwitch(c, 1, 0, args[0] == "on" ? 1 : 2, 0);
}

int rawSwitch(Context& c)
{
    const QStringList& args = c.options.arguments;
    if (args.size() != 4)
        return usageError(c, "switch needs four bytes: A S N M");
    std::vector<int> bytes;
    for (const QString& arg : args) {
        const auto value = parseIntInRange(arg, 0, 255);
        if (!value)
            return usageError(c, QStringLiteral("'%1' is not a byte (0..255)").arg(arg));
        bytes.push_back(*value);
    }
    return sendSwitch(c, bytes[0], bytes[1], bytes[2], bytes[3]);
}

} // namespace

QString defaultFileFolder()
{
    return dataFolder() + "/" + kDefaultFileFolder;
}

int runCtlCommand(const CtlOptions& options, QTextStream& out, QTextStream& err)
{
    Context c{options, out, err};
    const std::map<QString, std::function<int(Context&)>> commands = {
        {"list", listInterfaces},
        {"info", [](Context& c) { return withOpenHeadset(c, [&] { return showInfo(c); }); }},
        {"eq", sendEqualiser},
        {"mic-volume", setMicVolume},
        {"enc", switchNoiseCancellation},
        {"switch", rawSwitch},
        {"preset", applyPreset},
        {"status", [](Context& c) { return withOpenHeadset(c, [&] { return showStatus(c); }); }},
        {"custom", customCommand},
    };
    const auto command = commands.find(options.command);
    if (command == commands.end())
        return usageError(c, QStringLiteral("unknown command '%1'").arg(options.command));
    const bool takesNoArguments =
        options.command == "list" || options.command == "info" || options.command == "status";
    if (takesNoArguments && !options.arguments.isEmpty())
        return usageError(c, QStringLiteral("%1 takes no arguments").arg(options.command));
    const int result = command->second(c);
    usbHidCloseDevice();
    return result;
}
