#include "CtlOptions.h"

#include "CtlCommandLine.h"
#include "NumberText.h"

#include <QCommandLineParser>
#include <QRegularExpression>

namespace {

using Failure = std::optional<QString>;

QString dashed(const QString& name)
{
    return (name.size() == 1 ? QStringLiteral("-") : QStringLiteral("--")) + name;
}

QString choices(const QStringList& names)
{
    return names.join(QStringLiteral(", "));
}

// The global options first, then the command options of the table.
QList<QCommandLineOption> parserOptions()
{
    QList<QCommandLineOption> options;
    for (const GlobalOption& option : globalOptions()) {
        options << (option.valueName ? QCommandLineOption(option.names, QString(),
                                                          QString::fromUtf8(option.valueName))
                                     : QCommandLineOption(option.names));
    }
    for (const QString& name : commandOptionNames())
        options << QCommandLineOption(name, QString(), QStringLiteral("VALUE"));
    return options;
}

QString optionList(const QList<QCommandLineOption>& options)
{
    QStringList names;
    for (const QCommandLineOption& option : options) {
        for (const QString& name : option.names())
            names << dashed(name);
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

QString valueOf(const QCommandLineParser& parser, const QString& name)
{
    return unmarked(parser.value(name));
}

Failure readSimulate(const QCommandLineParser& parser, CtlOptions& options)
{
    options.simulate = parser.isSet(QStringLiteral("simulate"));
    const QString pid = valueOf(parser, QStringLiteral("simulate"));
    if (!options.simulate || pid.isEmpty())
        return std::nullopt;
    const std::optional<quint16> id = productIdFromText(pid);
    if (!id)
        return QStringLiteral("--simulate: '%1' is not a hexadecimal product ID").arg(pid);
    options.simulatedProductId = *id;
    return std::nullopt;
}

Failure readAccept(const QCommandLineParser& parser, CtlOptions& options)
{
    if (!parser.isSet(QStringLiteral("accept")))
        return std::nullopt;
    const QString list = valueOf(parser, QStringLiteral("accept"));
    const std::optional<std::vector<uint16_t>> ids = parseProductIdList(list);
    if (!ids)
        return QStringLiteral("--accept: '%1' is not a list of hexadecimal product IDs").arg(list);
    options.acceptedProductIds = *ids;
    return std::nullopt;
}

Failure readDevice(const QCommandLineParser& parser, CtlOptions& options)
{
    if (!parser.isSet(QStringLiteral("device")))
        return std::nullopt;
    const QString device = valueOf(parser, QStringLiteral("device"));
    const std::optional<QString> identity = parseIdentity(device);
    if (!device.startsWith(QLatin1Char('/')) && !identity)
        return QStringLiteral("--device: '%1' is neither a device path (starting with /) nor "
                              "an identity (8 hexadecimal digits)")
            .arg(device);
    options.device = identity.value_or(device);
    return std::nullopt;
}

Failure readGlobalOptions(const QCommandLineParser& parser, CtlOptions& options)
{
    options.help = parser.isSet(QStringLiteral("help"));
    options.version = parser.isSet(QStringLiteral("version"));
    options.traceFrames = parser.isSet(QStringLiteral("trace-frames"));
    options.json = parser.isSet(QStringLiteral("json"));
    for (const auto read : {readSimulate, readAccept, readDevice}) {
        if (const Failure failure = read(parser, options))
            return failure;
    }
    return std::nullopt;
}

CommandOptionValues commandOptionValues(const QCommandLineParser& parser)
{
    CommandOptionValues values;
    for (const QString& name : commandOptionNames()) {
        if (parser.isSet(name))
            values[name] = valueOf(parser, name);
    }
    return values;
}

QString parseError(const QCommandLineParser& parser, const QList<QCommandLineOption>& options)
{
    if (!parser.unknownOptionNames().isEmpty()) {
        const QString name = parser.unknownOptionNames().first();
        return QStringLiteral("unknown option '%1'; the options are %2")
            .arg(dashed(name), optionList(options));
    }
    QString error = parser.errorText();
    error.chop(error.endsWith(QLatin1Char('.')) ? 1 : 0);
    return error.left(1).toLower() + error.mid(1);
}

ParsedOptions fail(const QString& error)
{
    return {std::nullopt, error};
}

QString globalOptionsUsage()
{
    QString text;
    for (const GlobalOption& option : globalOptions()) {
        QStringList names;
        for (const QString& name : option.names)
            names << dashed(name);
        QString label = names.join(QStringLiteral(", "));
        if (option.valueName)
            label += option.valueAfterEquals ? QStringLiteral("[=%1]").arg(option.valueName)
                                             : QStringLiteral(" %1").arg(option.valueName);
        text += usageEntry({label}, QString::fromUtf8(option.summary));
    }
    return text;
}

} // namespace

const std::vector<GlobalOption>& globalOptions()
{
    static const std::vector<GlobalOption> options = {
        {{"simulate"},
         "PID",
         true,
         "use a simulated headset, product PID (default 1054); never goes through the window",
         false},
        {{"accept"},
         "PIDS",
         false,
         "accepted product IDs, hexadecimal, comma-separated (default: those of the default "
         "configuration files); never goes through the window",
         false},
        {{"trace-frames"},
         nullptr,
         false,
         "print every report written (TX) and read (RX); never goes through the window",
         false},
        {{"json"}, nullptr, false, "print the result as JSON (errors on standard error)", true},
        {{"device"},
         "DEVICE",
         false,
         "one headset: its device path or identity (8 hex digits)",
         true},
        {{"help", "h"}, nullptr, false, "print this usage", false},
        {{"version"}, nullptr, false, "print the version", false},
    };
    return options;
}

std::optional<std::vector<uint16_t>> parseProductIdList(const QString& text)
{
    std::vector<uint16_t> ids;
    for (const QString& field : text.split(QLatin1Char(','))) {
        const std::optional<quint16> id = productIdFromText(field);
        if (!id)
            return std::nullopt;
        ids.push_back(*id);
    }
    return ids;
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
    const QList<QCommandLineOption> options = parserOptions();
    QCommandLineParser parser;
    parser.addOptions(options);
    // The parser knows no optional values; a bare --simulate gets an empty one.
    QStringList marked = markNumbers(args);
    marked.replaceInStrings(QRegularExpression(QStringLiteral("^--simulate$")),
                            QStringLiteral("--simulate="));
    if (!parser.parse(QStringList{QStringLiteral("velumixctl")} + marked))
        return fail(parseError(parser, options));
    if (const Failure failure = repeatedOption(parser, options))
        return fail(*failure);
    CtlOptions parsed;
    if (const Failure failure = readGlobalOptions(parser, parsed))
        return fail(*failure);
    if (parsed.help || parsed.version)
        return {parsed, {}};
    QStringList words;
    for (const QString& word : parser.positionalArguments())
        words << unmarked(word);
    if (const Failure failure = readCommand(words, commandOptionValues(parser), parsed.request))
        return fail(*failure);
    return {parsed, {}};
}

QString ctlUsage()
{
    return QStringLiteral("Usage: velumixctl [OPTIONS] COMMAND [ARGS]\n"
                          "\n"
                          "Goes through the running window (velumix) when one runs, else to the "
                          "headset.\n"
                          "\n"
                          "Commands:\n") +
           commandsUsage() + QStringLiteral("\nOptions:\n") + globalOptionsUsage() +
           QStringLiteral(
               "\n"
               "Exit codes: 0 success, 2 usage error, 3 no headset found, 4 open failed,\n"
               "5 write failed, 6 no reply in time, 7 the headset reported an error,\n"
               "8 no configuration (default file, preset, user file or custom mode) for it,\n"
               "9 the command needs the running window and none answers.\n");
}
