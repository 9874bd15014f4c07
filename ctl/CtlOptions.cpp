#include "CtlOptions.h"
#include "CommandData.h"
#include "ModeFileData.h"

#include "ModeLookup.h"
#include "NumberText.h"

#include <QCommandLineParser>
#include <QFileInfo>
#include <QJsonArray>
#include <QRegularExpression>

#include <functional>
#include <map>

namespace {

using OptionValues = std::map<QString, QString>; // command option name -> value
using Failure = std::optional<QString>;
// Turns the words after the command name and the command's options into the
// request; returns the reason when they do not make one.
using RequestBuilder =
    std::function<Failure(const QStringList& words, const OptionValues& values, remote::Request&)>;

const QStringList kPageNames = {QStringLiteral("surround"), QStringLiteral("stereo")};
// The command options, each allowed only with the requests named here.
const std::map<QString, QStringList> kCommandOptions = {
    {QStringLiteral("page"),
     {QStringLiteral("preset"), QStringLiteral("preset-list"), QStringLiteral("custom-apply"),
      QStringLiteral("custom-import"), QStringLiteral("custom-export")}},
    {QStringLiteral("model"), {QStringLiteral("preset-list")}},
    {QStringLiteral("mode"), {QStringLiteral("eq")}},
    {QStringLiteral("gains"), {QStringLiteral("eq")}},
    {QStringLiteral("channel"), {QStringLiteral("eq")}},
    {QStringLiteral("name"), {QStringLiteral("custom-import")}},
    {QStringLiteral("format"), {QStringLiteral("custom-export")}},
};

QString choices(const QStringList& names)
{
    return names.join(QStringLiteral(", "));
}

Failure pageInto(const OptionValues& values, QJsonObject& arguments)
{
    const auto page = values.find(QStringLiteral("page"));
    if (page == values.end())
        return std::nullopt;
    if (!soundPageNamed(page->second))
        return QStringLiteral("--page: '%1' is not a page; the pages are %2")
            .arg(page->second, choices(kPageNames));
    arguments[QStringLiteral("page")] = page->second;
    return std::nullopt;
}

RequestBuilder withoutArguments(const QString& command)
{
    return [command](const QStringList& words, const OptionValues&, remote::Request& request) {
        request.command = command;
        if (!words.isEmpty())
            return Failure(QStringLiteral("%1 takes no arguments").arg(command));
        return Failure();
    };
}

Failure buildEq(const QStringList& words, const OptionValues& values, remote::Request& request)
{
    request.command = QStringLiteral("eq");
    if (!words.isEmpty())
        return QStringLiteral("unexpected argument '%1'; eq takes --mode, --gains, --channel")
            .arg(words.first());
    if (!values.count(QStringLiteral("mode")) || !values.count(QStringLiteral("gains")))
        return QStringLiteral("eq needs --mode N and --gains G0,...,G9");
    const auto mode = decimalInRange(values.at(QStringLiteral("mode")), 0, 255);
    if (!mode)
        return QStringLiteral("--mode must be a number from 0 to 255");
    const auto gains = parseIntList(values.at(QStringLiteral("gains")), 10, -12, 12);
    if (!gains)
        return QStringLiteral("--gains must be ten comma-separated whole numbers from -12 to 12");
    const auto channel = values.count(QStringLiteral("channel"))
                             ? decimalInRange(values.at(QStringLiteral("channel")), 0, 255)
                             : std::optional<int>(1);
    if (!channel)
        return QStringLiteral("--channel must be a number from 0 to 255");
    QJsonArray gainArray;
    for (int gain : *gains)
        gainArray.append(gain);
    request.arguments = {{"mode", *mode}, {"gains", gainArray}, {"channel", *channel}};
    return std::nullopt;
}

Failure buildMicVolume(const QStringList& words, const OptionValues&, remote::Request& request)
{
    request.command = QStringLiteral("mic-volume");
    if (words.size() != 1)
        return QStringLiteral("mic-volume needs one level from 0 to 100");
    const auto level = decimalInRange(words.first(), 0, 100);
    if (!level)
        return QStringLiteral("the microphone level must be a number from 0 to 100");
    request.arguments = {{"level", *level}};
    return std::nullopt;
}

Failure buildEnc(const QStringList& words, const OptionValues&, remote::Request& request)
{
    request.command = QStringLiteral("enc");
    if (words.size() != 1 || (words.first() != "on" && words.first() != "off"))
        return QStringLiteral("enc needs 'on' or 'off'");
    request.arguments = {{"on", words.first() == "on"}};
    return std::nullopt;
}

Failure buildSwitch(const QStringList& words, const OptionValues&, remote::Request& request)
{
    request.command = QStringLiteral("switch");
    if (words.size() != 4)
        return QStringLiteral("switch needs four bytes: A S N M");
    QJsonArray bytes;
    for (const QString& word : words) {
        const auto value = decimalInRange(word, 0, 255);
        if (!value)
            return QStringLiteral("'%1' is not a byte (0..255)").arg(word);
        bytes.append(*value);
    }
    request.arguments = {{"bytes", bytes}};
    return std::nullopt;
}

Failure buildPreset(const QStringList& words, const OptionValues& values, remote::Request& request)
{
    if (words.value(0) == QLatin1String("list")) {
        request.command = QStringLiteral("preset-list");
        if (words.size() > 1)
            return QStringLiteral("preset list takes no arguments");
        const auto model = values.find(QStringLiteral("model"));
        if (model != values.end()) {
            const auto productId = productIdFromText(model->second);
            if (!productId)
                return QStringLiteral("--model: '%1' is not a hexadecimal product ID")
                    .arg(model->second);
            request.arguments[QStringLiteral("productId")] = remote::idDigits(*productId);
        }
        return pageInto(values, request.arguments);
    }
    request.command = QStringLiteral("preset");
    if (words.size() != 1)
        return QStringLiteral("preset needs one preset name, e.g. 'preset Jazz', or 'preset list'");
    request.arguments = {{"name", words.first()}};
    return pageInto(values, request.arguments);
}

// The file goes by its absolute path: the window may run in another folder.
Failure buildCustomImport(const QStringList& words, const OptionValues& values,
                          remote::Request& request)
{
    request.command = QStringLiteral("custom-import");
    const auto name = values.find(QStringLiteral("name"));
    if (words.size() != 2 || name == values.end())
        return QStringLiteral("custom import needs a file and a name: 'custom import FILE --name "
                              "NAME [--page surround|stereo]'");
    request.arguments = {{"path", QFileInfo(words[1]).absoluteFilePath()}, {"name", name->second}};
    return pageInto(values, request.arguments);
}

Failure buildCustomExport(const QStringList& words, const OptionValues& values,
                          remote::Request& request)
{
    request.command = QStringLiteral("custom-export");
    if (words.size() != 2)
        return QStringLiteral(
            "custom export needs one name: 'custom export NAME [--format parametric|json]'");
    const auto format = values.find(QStringLiteral("format"));
    const QString formatName =
        format == values.end() ? remote::modeExportFormats().first() : format->second;
    if (!remote::modeExportFormats().contains(formatName))
        return QStringLiteral("--format: '%1' is not a format; the formats are %2")
            .arg(formatName, choices(remote::modeExportFormats()));
    request.arguments = {{"name", words[1]}, {"format", formatName}};
    return pageInto(values, request.arguments);
}

Failure buildCustom(const QStringList& words, const OptionValues& values, remote::Request& request)
{
    const QString sub = words.value(0);
    if (sub == QLatin1String("list") && words.size() == 1) {
        request.command = QStringLiteral("custom-list");
        return std::nullopt;
    }
    if (sub == QLatin1String("apply") && words.size() == 2) {
        request.command = QStringLiteral("custom-apply");
        request.arguments = {{"name", words[1]}};
        return pageInto(values, request.arguments);
    }
    if (sub == QLatin1String("import"))
        return buildCustomImport(words, values, request);
    if (sub == QLatin1String("export"))
        return buildCustomExport(words, values, request);
    request.command = QStringLiteral("custom");
    return QStringLiteral("use 'custom list', 'custom apply NAME [--page surround|stereo]', "
                          "'custom import FILE --name NAME [--page surround|stereo]' or 'custom "
                          "export NAME [--format parametric|json]'");
}

Failure buildSimulate(const QStringList& words, const OptionValues&, remote::Request& request)
{
    request.command = QStringLiteral("simulate");
    const QString action = words.value(0);
    const QStringList actions = {"plug", "unplug", "new-unit", "report-page"};
    const QString usage = QStringLiteral(
        "use 'simulate plug', 'simulate unplug', 'simulate new-unit PID IDENTITY' or "
        "'simulate report-page surround|stereo'");
    request.arguments = {{"action", action}};
    if ((action == "plug" || action == "unplug") && words.size() == 1)
        return std::nullopt;
    if (action == "new-unit" && words.size() == 3) {
        const auto productId = productIdFromText(words[1]);
        const auto identity = parseIdentity(words[2]);
        if (!productId)
            return QStringLiteral("'%1' is not a hexadecimal product ID").arg(words[1]);
        if (!identity)
            return QStringLiteral("'%1' is not an identity (8 hexadecimal digits)").arg(words[2]);
        request.arguments[QStringLiteral("productId")] = remote::idDigits(*productId);
        request.arguments[QStringLiteral("identity")] = *identity;
        return std::nullopt;
    }
    if (action == "report-page" && words.size() == 2) {
        if (!soundPageNamed(words[1]))
            return QStringLiteral("'%1' is not a page; the pages are %2")
                .arg(words[1], choices(kPageNames));
        request.arguments[QStringLiteral("page")] = words[1];
        return std::nullopt;
    }
    if (!actions.contains(action))
        return QStringLiteral("%1; the actions are %2").arg(usage, choices(actions));
    return usage;
}

// The commands as typed, in the order the usage lists them.
const std::vector<std::pair<QString, RequestBuilder>>& commandTable()
{
    static const std::vector<std::pair<QString, RequestBuilder>> table = {
        {"list", withoutArguments("list")},
        {"info", withoutArguments("info")},
        {"status", withoutArguments("status")},
        {"get", withoutArguments("get")},
        {"eq", buildEq},
        {"mic-volume", buildMicVolume},
        {"enc", buildEnc},
        {"switch", buildSwitch},
        {"preset", buildPreset},
        {"custom", buildCustom},
        {"simulate", buildSimulate},
        {"watch", withoutArguments("watch")},
    };
    return table;
}

QStringList commandNames()
{
    QStringList names;
    for (const auto& command : commandTable())
        names << command.first;
    return names;
}

// A command option that does not go with the request.
Failure misplacedOption(const OptionValues& values, const QString& requestCommand)
{
    for (const auto& value : values) {
        if (kCommandOptions.at(value.first).contains(requestCommand))
            continue;
        QStringList own;
        for (const auto& option : kCommandOptions) {
            if (option.second.contains(requestCommand))
                own << QStringLiteral("--") + option.first;
        }
        return QStringLiteral("--%1 does not go with %2; %3")
            .arg(value.first, typedCommand(requestCommand),
                 own.isEmpty() ? QStringLiteral("it takes no options")
                               : QStringLiteral("its options are %1").arg(choices(own)));
    }
    return std::nullopt;
}

struct GlobalOptions
{
    QCommandLineOption simulate{QStringLiteral("simulate"), QString(), QStringLiteral("PID")};
    QCommandLineOption accept{QStringLiteral("accept"), QString(), QStringLiteral("PIDS")};
    QCommandLineOption traceFrames{QStringLiteral("trace-frames")};
    QCommandLineOption json{QStringLiteral("json")};
    QCommandLineOption device{QStringLiteral("device"), QString(), QStringLiteral("DEVICE")};
    QCommandLineOption help{{QStringLiteral("h"), QStringLiteral("help")}};
    QCommandLineOption version{QStringLiteral("version")};

    QList<QCommandLineOption> all() const
    {
        return {simulate, accept, traceFrames, json, device, help, version};
    }
};

QString optionList(const QList<QCommandLineOption>& options)
{
    QStringList names;
    for (const QCommandLineOption& option : options) {
        for (const QString& name : option.names())
            names << (name.size() == 1 ? "-" : "--") + name;
    }
    return choices(names);
}

// A word such as "-3" is a number, not an option: it is hidden from the
// parser behind a mark and handed back without it. The mark is a NUL, which
// no argument can hold, so that no typed word loses a character of its own.
const QString kNumberMark = QString(QChar(0));

QStringList markNumbers(const QStringList& args)
{
    QStringList marked;
    for (const QString& arg : args)
        marked << (QRegularExpression(QStringLiteral("^-[0-9]")).match(arg).hasMatch()
                       ? kNumberMark + arg
                       : arg);
    return marked;
}

QString unmarked(QString text)
{
    return text.startsWith(kNumberMark) ? text.mid(kNumberMark.size()) : text;
}

Failure repeatedOption(const QCommandLineParser& parser, const QList<QCommandLineOption>& options)
{
    const QStringList found = parser.optionNames();
    for (const QCommandLineOption& option : options) {
        int count = 0;
        for (const QString& name : option.names())
            count += found.count(name);
        if (count > 1)
            return QStringLiteral("--%1 is given more than once").arg(option.names().last());
    }
    return std::nullopt;
}

Failure readGlobalOptions(const QCommandLineParser& parser, const GlobalOptions& global,
                          CtlOptions& options)
{
    options.help = parser.isSet(global.help);
    options.version = parser.isSet(global.version);
    options.traceFrames = parser.isSet(global.traceFrames);
    options.json = parser.isSet(global.json);
    if (parser.isSet(global.simulate)) {
        options.simulate = true;
        const QString pid = unmarked(parser.value(global.simulate));
        if (!pid.isEmpty()) {
            const auto id = productIdFromText(pid);
            if (!id)
                return QStringLiteral("--simulate: '%1' is not a hexadecimal product ID").arg(pid);
            options.simulatedProductId = *id;
        }
    }
    if (parser.isSet(global.accept)) {
        const QString list = unmarked(parser.value(global.accept));
        const auto ids = parseProductIdList(list);
        if (!ids)
            return QStringLiteral("--accept: '%1' is not a list of hexadecimal product IDs")
                .arg(list);
        options.acceptedProductIds = *ids;
    }
    if (parser.isSet(global.device)) {
        const QString device = unmarked(parser.value(global.device));
        const auto identity = parseIdentity(device);
        if (!device.startsWith('/') && !identity)
            return QStringLiteral("--device: '%1' is neither a device path (starting with /) nor "
                                  "an identity (8 hexadecimal digits)")
                .arg(device);
        options.device = identity ? *identity : device;
    }
    return std::nullopt;
}

Failure readCommand(const QStringList& positional, const OptionValues& values, CtlOptions& options)
{
    if (positional.isEmpty())
        return QStringLiteral("no command given; the commands are %1").arg(choices(commandNames()));
    for (const auto& command : commandTable()) {
        if (command.first != positional.first())
            continue;
        if (const Failure failure = command.second(positional.mid(1), values, options.request))
            return failure;
        return misplacedOption(values, options.request.command);
    }
    return QStringLiteral("unknown command '%1'; the commands are %2")
        .arg(positional.first(), choices(commandNames()));
}

ParsedOptions fail(const QString& error)
{
    return {std::nullopt, error};
}

} // namespace

QString typedCommand(const QString& requestCommand)
{
    static const std::map<QString, QString> typed = {
        {"preset-list", "preset list"},     {"custom-list", "custom list"},
        {"custom-apply", "custom apply"},   {"custom-import", "custom import"},
        {"custom-export", "custom export"},
    };
    const auto found = typed.find(requestCommand);
    return found == typed.end() ? requestCommand : found->second;
}

std::optional<std::vector<uint16_t>> parseProductIdList(const QString& text)
{
    std::vector<uint16_t> ids;
    for (const QString& field : text.split(',')) {
        const auto id = productIdFromText(field);
        if (!id)
            return std::nullopt;
        ids.push_back(*id);
    }
    return ids;
}

std::optional<std::vector<int>> parseIntList(const QString& text, int count, int low, int high)
{
    const QStringList fields = text.split(',');
    if (fields.size() != count)
        return std::nullopt;
    std::vector<int> values;
    for (const QString& field : fields) {
        const auto value = decimalInRange(field, low, high);
        if (!value)
            return std::nullopt;
        values.push_back(*value);
    }
    return values;
}

std::optional<QString> parseIdentity(const QString& text)
{
    static const QRegularExpression identity(QStringLiteral("^[0-9a-fA-F]{8}$"));
    if (!identity.match(text).hasMatch())
        return std::nullopt;
    return text.toLower();
}

ParsedOptions parseCtlOptions(const QStringList& args)
{
    const GlobalOptions global;
    QList<QCommandLineOption> commandOptions;
    for (const auto& option : kCommandOptions)
        commandOptions << QCommandLineOption(option.first, QString(), QStringLiteral("VALUE"));
    QCommandLineParser parser;
    parser.addOptions(global.all() + commandOptions);
    // The parser knows no optional values; a bare --simulate gets an empty one.
    QStringList marked = markNumbers(args);
    marked.replaceInStrings(QRegularExpression(QStringLiteral("^--simulate$")),
                            QStringLiteral("--simulate="));
    if (!parser.parse(QStringList{QStringLiteral("velumixctl")} + marked)) {
        if (!parser.unknownOptionNames().isEmpty()) {
            const QString name = parser.unknownOptionNames().first();
            return fail(QStringLiteral("unknown option '%1%2'; the options are %3")
                            .arg(name.size() == 1 ? "-" : "--", name,
                                 optionList(global.all() + commandOptions)));
        }
        QString error = parser.errorText();
        error.chop(error.endsWith('.') ? 1 : 0);
        return fail(error.left(1).toLower() + error.mid(1));
    }
    if (const Failure failure = repeatedOption(parser, global.all() + commandOptions))
        return fail(*failure);
    CtlOptions options;
    if (const Failure failure = readGlobalOptions(parser, global, options))
        return fail(*failure);
    if (options.help || options.version)
        return {options, {}};
    OptionValues values;
    for (const QCommandLineOption& option : commandOptions) {
        if (parser.isSet(option))
            values[option.names().first()] = unmarked(parser.value(option));
    }
    QStringList positional;
    for (const QString& word : parser.positionalArguments())
        positional << unmarked(word);
    if (const Failure failure = readCommand(positional, values, options))
        return fail(*failure);
    return {options, {}};
}

QString ctlUsage()
{
    return QStringLiteral(
        "Usage: velumixctl [OPTIONS] COMMAND [ARGS]\n"
        "\n"
        "Goes through the running window (velumix) when one runs, else to the headset.\n"
        "\n"
        "Commands:\n"
        "  list                          the headsets: model, product, interface, usage\n"
        "                                page, identity, path\n"
        "  info                          model, firmware version, sample rate, stereo and\n"
        "                                surround tabs, identity and page of the headset\n"
        "  status                        page, tabs and identity\n"
        "  get                           model, identity, page, mode, gains, microphone\n"
        "                                level and noise cancellation (unknown where only\n"
        "                                the window knows them)\n"
        "  eq --mode N --gains G0,...,G9 [--channel C]\n"
        "                                send ten band gains (-12..12 dB) as a PEQ pair\n"
        "  mic-volume N                  set the microphone volume (0..100)\n"
        "  enc on|off                    switch microphone noise cancellation\n"
        "  switch A S N M                send a raw algorithm switch (bytes 0..255)\n"
        "  preset NAME [--page surround|stereo]\n"
        "                                apply a built-in preset of the connected model\n"
        "  preset list [--page surround|stereo] [--model PID]\n"
        "                                the presets of the connected model (or of PID)\n"
        "  custom list                   the custom modes saved for the connected unit\n"
        "  custom apply NAME [--page surround|stereo]\n"
        "                                apply a saved custom mode of the connected unit\n"
        "  custom import FILE --name NAME [--page surround|stereo]\n"
        "                                save a correction (GraphicEQ or parametric text,\n"
        "                                fitted to the ten bands) or an exported JSON mode\n"
        "                                as a new custom mode of the page and apply it\n"
        "  custom export NAME [--format parametric|json] [--page surround|stereo]\n"
        "                                print a custom mode as parametric text (default)\n"
        "                                or as a JSON mode that imports back unchanged\n"
        "  simulate plug|unplug|new-unit PID IDENTITY|report-page surround|stereo\n"
        "                                drive the headset of 'velumix --simulate'\n"
        "  watch                         print what changes in the window, one line each\n"
        "\n"
        "Options:\n"
        "  --simulate[=PID]   use a simulated headset, product PID (default 1054)\n"
        "  --accept PIDS      accepted product IDs, hexadecimal, comma-separated\n"
        "                     (default: those of the default configuration files)\n"
        "  --trace-frames     print every report written (TX) and read (RX)\n"
        "                     (these three never go through the window)\n"
        "  --device DEVICE    one headset: its device path or identity (8 hex digits)\n"
        "  --json             print the result as JSON (errors on standard error)\n"
        "  --help, -h         print this usage\n"
        "  --version          print the version\n"
        "\n"
        "Exit codes: 0 success, 2 usage error, 3 no headset found, 4 open failed,\n"
        "5 write failed, 6 no reply in time, 7 the headset reported an error,\n"
        "8 no configuration (default file, preset, user file or custom mode) for it,\n"
        "9 the command needs the running window and none answers.\n");
}
