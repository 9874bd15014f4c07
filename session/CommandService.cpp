#include "CommandService.h"

#include "CommandData.h"
#include "CommandTable.h"
#include "ConfigNames.h"
#include "GainText.h"
#include "ModeFileData.h"
#include "ModeImport.h"
#include "ModeLookup.h"

#include <QJsonArray>

#include <algorithm>
#include <map>

using remote::Result;

namespace {

QJsonValue textOrNull(const QString& text)
{
    return text.isEmpty() ? QJsonValue() : QJsonValue(text);
}

template <typename T> QJsonValue orNull(const std::optional<T>& value)
{
    return value ? QJsonValue(*value) : QJsonValue();
}

QJsonValue pageOrNull(std::optional<SoundPage> page)
{
    return page ? QJsonValue(soundPageName(*page)) : QJsonValue();
}

std::optional<SoundPage> pageArgument(const QJsonObject& arguments)
{
    return soundPageNamed(arguments[QLatin1String("page")].toString());
}

// Only for arguments their rule has checked.
EqGains gainsArgument(const QJsonValue& value)
{
    EqGains gains{};
    const QJsonArray items = value.toArray();
    for (int band = 0; band < kBandCount && band < items.size(); ++band)
        gains[band] = items[band].toInt();
    return gains;
}

} // namespace

CommandService::Handler CommandService::handlerOf(const QString& command)
{
    static const std::map<QString, Handler> handlers = {
        {"get", &CommandService::get},
        {"info", &CommandService::info},
        {"status", &CommandService::status},
        {"list", &CommandService::list},
        {"preset", &CommandService::preset},
        {"preset-list", &CommandService::presetList},
        {"custom-list", &CommandService::customList},
        {"custom-apply", &CommandService::customApply},
        {"custom-import", &CommandService::customImport},
        {"custom-export", &CommandService::customExport},
        {"mic-volume", &CommandService::micVolume},
        {"enc", &CommandService::noiseCancellation},
        {"eq", &CommandService::equaliser},
        {"switch", &CommandService::rawSwitch},
        {"auto-list", &CommandService::autoList},
        {"auto-add", &CommandService::autoAdd},
        {"auto-remove", &CommandService::autoRemove},
    };
    const auto found = handlers.find(command);
    return found == handlers.end() ? nullptr : found->second;
}

CommandService::CommandService(HeadsetSession& session, int unitWaitMs, AutomaticModes* automatic,
                               QObject* parent)
    : QObject(parent), m_session(session), m_automatic(automatic)
{
    m_unitWait.setSingleShot(true);
    m_unitWait.setInterval(unitWaitMs);
    connect(&m_unitWait, &QTimer::timeout, this, [this] {
        answerWaiting(Result::failure(remote::ExitNoReply,
                                      QStringLiteral("the headset did not say which unit it is "
                                                     "in time")));
    });
    connect(&m_session, &HeadsetSession::unitReady, this, [this] { answerWaiting(std::nullopt); });
    // The unit they were meant for is gone; they run now and find no headset.
    connect(&m_session, &HeadsetSession::unplugged, this, [this] { answerWaiting(std::nullopt); });
}

bool CommandService::waitsForUnit(const remote::Request& request) const
{
    const remote::CommandRow* command = remote::findCommand(request.command);
    return command && command->needs == remote::CommandRow::Unit && m_session.isOpen() &&
           !m_session.unitKnown() && !remote::requestError(request);
}

void CommandService::serve(const remote::Request& request, Reply reply)
{
    if (!waitsForUnit(request)) {
        reply(run(request));
        return;
    }
    m_waiting.push_back({request, std::move(reply)});
    if (!m_unitWait.isActive())
        m_unitWait.start();
}

// Each waiting command runs now, or gets the refusal.
void CommandService::answerWaiting(const std::optional<Result>& refusal)
{
    m_unitWait.stop();
    for (Waiting& waiting : std::exchange(m_waiting, {}))
        waiting.reply(refusal ? *refusal : run(waiting.request));
}

Result CommandService::run(const remote::Request& request)
{
    if (const std::optional<Result> usage = remote::requestError(request))
        return *usage;
    const remote::CommandRow& command = *remote::findCommand(request.command);
    const Handler handler = handlerOf(request.command);
    if (command.needs == remote::CommandRow::Window || !handler)
        return Result::failure(remote::ExitNoWindow,
                               QStringLiteral("%1 needs the running window").arg(request.command));
    if (remote::needsHeadset(command, request.arguments) && !m_session.isOpen())
        return noHeadset();
    // Any write of the command that failed fails the command, not only the last.
    const int failedBefore = m_session.link().failedWrites();
    const Result result = (this->*handler)(request.arguments);
    if (m_session.link().failedWrites() != failedBefore)
        return Result::failure(remote::ExitWriteFailed,
                               QStringLiteral("writing to the headset failed."));
    return result;
}

Result CommandService::failureOf(const Outcome& outcome) const
{
    switch (outcome.problem) {
    case Outcome::None:
        return Result::success();
    case Outcome::NoHeadset:
        return noHeadset();
    case Outcome::WriteFailed:
        return Result::failure(remote::ExitWriteFailed, outcome.error);
    case Outcome::BadName:
        return Result::failure(remote::ExitUsage, outcome.error);
    default:
        return Result::failure(remote::ExitNoConfiguration, outcome.error);
    }
}

Result CommandService::noHeadset() const
{
    const QString problem = m_session.unknownHeadsetProblem();
    if (problem.isEmpty())
        return remote::noHeadsetFound();
    return Result::failure(remote::ExitNoConfiguration, problem);
}

// The unit's presets in the form the lookups take.
ConfigRecord CommandService::unitPresets() const
{
    ConfigRecord presets;
    presets.stereoPresets = m_session.unit().presetEntries[int(SoundPage::Stereo)];
    presets.surroundPresets = m_session.unit().presetEntries[int(SoundPage::Surround)];
    return presets;
}

// What the window shows: the page in force, its mode and gains. A page
// whose choice the headset was not sent over this link (velumixctl on its
// own) has neither.
Result CommandService::get(const QJsonObject&)
{
    const bool known = m_session.unitKnown();
    const SoundPage page = m_session.pageShown();
    const PageSettings& settings = m_session.page(page);
    const bool inForce = known && settings.inForce;
    const ModeName mode = inForce ? m_session.modeName(page) : ModeName{"unknown", {}};
    return Result::success(QJsonObject{
        {"model", m_session.modelName()},
        {"productId", remote::idDigits(m_session.link().productId())},
        {"identity", known ? QJsonValue(identityToHex(m_session.unit().identity)) : QJsonValue()},
        {"page", soundPageName(page)},
        {"mode", QJsonObject{{"kind", mode.kind}, {"name", textOrNull(mode.name)}}},
        {"gains", inForce ? QJsonValue(remote::gainsData(settings.gains)) : QJsonValue()},
        {"micLevel", orNull(m_session.micLevel())},
        {"noiseCancellation", orNull(m_session.noiseCancellation())},
    });
}

Result CommandService::info(const QJsonObject&)
{
    const std::optional<HeadsetCapabilities> capabilities = m_session.capabilities();
    const QJsonObject state = status({}).data.toObject();
    return Result::success(QJsonObject{
        {"model", m_session.modelName()},
        {"productId", remote::idDigits(m_session.link().productId())},
        {"firmware", textOrNull(m_session.firmwareVersion())},
        {"sampleRate", capabilities && capabilities->sampleRateHz
                           ? QJsonValue(capabilities->sampleRateHz)
                           : QJsonValue()},
        {"stereo", state["stereoTab"]},
        {"surround", state["surroundTab"]},
        {"identity", state["identity"]},
        {"page", state["page"]},
    });
}

Result CommandService::status(const QJsonObject&)
{
    const std::optional<HeadsetCapabilities> capabilities = m_session.capabilities();
    return Result::success(QJsonObject{
        {"page", pageOrNull(m_session.reportedPage())},
        {"stereoTab", capabilities && capabilities->stereo ? 1 : 0},
        {"surroundTab", capabilities && capabilities->surround ? 1 : 0},
        {"identity", m_session.unitKnown() ? QJsonValue(identityToHex(m_session.unit().identity))
                                           : QJsonValue()},
    });
}

// The interfaces the program would open, and the connected unit's identity.
Result CommandService::list(const QJsonObject&)
{
    HeadsetLink& link = m_session.link();
    const bool unitKnown = m_session.unitKnown();
    const QJsonArray interfaces = remote::interfaceListData(
        link.acceptedInterfaces(), m_session.defaultFiles(), [&](const HidDeviceInfo& entry) {
            const bool connected = unitKnown && entry.path == link.path();
            return connected ? QJsonValue(identityToHex(m_session.unit().identity)) : QJsonValue();
        });
    if (interfaces.isEmpty())
        return noHeadset();
    return Result::success(interfaces);
}

Result CommandService::preset(const QJsonObject& arguments)
{
    const PresetLookup lookup = lookUpPreset(arguments["name"].toString(), pageArgument(arguments),
                                             unitPresets(), m_session.modelName());
    if (!lookup.preset)
        return Result::failure(remote::ExitNoConfiguration, lookup.error);
    const BuiltInPreset& preset = *lookup.preset;
    const auto& presets = builtInPresets();
    const auto index = std::find_if(presets.begin(), presets.end(), [&](const BuiltInPreset& p) {
        return p.page == preset.page && p.entryIndex == preset.entryIndex;
    });
    if (const Outcome chosen = m_session.choosePreset(int(index - presets.begin())); !chosen.ok())
        return failureOf(chosen);
    return Result::success(remote::chosenModeData(preset.page, QString::fromUtf8(preset.caption)));
}

// The presets of the connected model, or of the model a default file names.
Result CommandService::presetList(const QJsonObject& arguments)
{
    ConfigRecord presets;
    if (arguments["productId"].isString()) {
        const quint16 productId = arguments["productId"].toString().toUShort(nullptr, 16);
        const ConfigReadResult* file = m_session.defaultFileOf(productId);
        if (!file)
            return Result::failure(
                remote::ExitNoConfiguration,
                QStringLiteral("no default file for product %1").arg(remote::idDigits(productId)));
        presets = file->record;
    } else if (m_session.unitKnown()) {
        presets = unitPresets();
    } else if (const ConfigReadResult* file =
                   m_session.defaultFileOf(m_session.link().productId())) {
        presets = file->record;
    }
    return Result::success(
        remote::presetListData(presetsOffered(presets, pageArgument(arguments))));
}

Result CommandService::customList(const QJsonObject&)
{
    return Result::success(remote::customListData(m_session.unit().customModes));
}

Result CommandService::customApply(const QJsonObject& arguments)
{
    const CustomModeLookup lookup = lookUpCustomMode(
        m_session.unit().customModes, arguments["name"].toString(), pageArgument(arguments));
    if (!lookup.page)
        return Result::failure(remote::ExitNoConfiguration, lookup.error);
    if (const Outcome chosen = m_session.chooseCustomMode(*lookup.page, lookup.slot); !chosen.ok())
        return failureOf(chosen);
    return Result::success(remote::chosenModeData(*lookup.page, lookup.record.name));
}

// As a person adds a slot on the page: shown, sent and saved under the name
// given. A file, name or page that does not do saves nothing.
Result CommandService::customImport(const QJsonObject& arguments)
{
    const QString path = arguments["path"].toString();
    const std::optional<HeadsetCapabilities> capabilities = m_session.capabilities();
    const ImportedMode imported =
        importModeFile(path, arguments["name"].toString(),
                       {m_session.link().productId(), capabilities ? capabilities->sampleRateHz : 0,
                        pageArgument(arguments), m_session.pageShown()});
    if (!imported.ok())
        return remote::importFailure(imported, path);
    const Outcome added = m_session.addCustomMode(
        imported.page, headsetGains(gainsFromText(imported.mode.parameter)), imported.mode.name);
    if (!added.ok())
        return failureOf(added);
    return Result::success(remote::importedModeData(imported));
}

Result CommandService::customExport(const QJsonObject& arguments)
{
    const CustomModeLookup lookup = lookUpCustomMode(
        m_session.unit().customModes, arguments["name"].toString(), pageArgument(arguments));
    if (!lookup.page)
        return Result::failure(remote::ExitNoConfiguration, lookup.error);
    return remote::exportedModeResult(lookup.record, arguments["format"].toString(),
                                      m_session.link().productId(), m_session.modelName());
}

// A level the microphone has already, or noise cancellation already in that
// state, sends nothing.
Result CommandService::micVolume(const QJsonObject& arguments)
{
    const int level = arguments["level"].toInt();
    if (m_session.micLevel() == level)
        return Result::success();
    return failureOf(m_session.setMicLevel(level));
}

Result CommandService::noiseCancellation(const QJsonObject& arguments)
{
    const bool on = arguments["on"].toBool();
    if (m_session.noiseCancellation() == on)
        return Result::success();
    return failureOf(m_session.setNoiseCancellation(on));
}

// Raw protocol commands go to the headset as they are; no setting changes.
Result CommandService::equaliser(const QJsonObject& arguments)
{
    m_session.link().sendPeqPair(arguments["channel"].toInt(1), arguments["mode"].toInt(),
                                 gainsArgument(arguments["gains"]));
    return Result::success();
}

Result CommandService::rawSwitch(const QJsonObject& arguments)
{
    const QJsonArray bytes = arguments["bytes"].toArray();
    m_session.link().setAlgorithmSwitch(bytes[0].toInt(), bytes[1].toInt(), bytes[2].toInt(),
                                        bytes[3].toInt());
    return Result::success();
}

// --- Automatic modes -------------------------------------------------------

AutomaticModes& CommandService::automatic()
{
    if (m_automatic)
        return *m_automatic;
    if (!m_ownAutomatic)
        m_ownAutomatic = std::make_unique<AutomaticModes>(m_session, automaticModesPath());
    return *m_ownAutomatic;
}

namespace {

QJsonObject ruleData(const AutoModeRule& rule)
{
    return {
        {"application", rule.application}, {"page", soundPageName(rule.page)}, {"mode", rule.mode}};
}

} // namespace

// A file that cannot be read is exit 8 with its name and why; it stays as it is.
Result CommandService::autoList(const QJsonObject&)
{
    AutomaticModes& modes = automatic();
    if (!modes.problem().isEmpty())
        return Result::failure(remote::ExitNoConfiguration, modes.problem());
    QJsonArray rules;
    for (const AutoModeRule& rule : modes.rules())
        rules.append(ruleData(rule));
    return Result::success(rules);
}

Result CommandService::autoAdd(const QJsonObject& arguments)
{
    const AutoModeRule rule{arguments["application"].toString(),
                            *soundPageNamed(arguments["page"].toString()),
                            arguments["mode"].toString()};
    if (const QString problem = autoModeRuleProblem(rule); !problem.isEmpty())
        return Result::failure(remote::ExitUsage, QStringLiteral("auto-add: %1").arg(problem));
    if (const QString error = automatic().addRule(rule); !error.isEmpty())
        return Result::failure(remote::ExitNoConfiguration, error);
    return Result::success(ruleData(rule));
}

Result CommandService::autoRemove(const QJsonObject& arguments)
{
    AutomaticModes& modes = automatic();
    const QString application = arguments["application"].toString();
    const int found = findAutoModeRule(modes.rules(), application);
    const std::optional<AutoModeRule> removed =
        found >= 0 ? std::optional<AutoModeRule>(modes.rules()[found]) : std::nullopt;
    if (const QString error = modes.removeRule(application); !error.isEmpty())
        return Result::failure(remote::ExitNoConfiguration, error);
    return Result::success(ruleData(*removed));
}
