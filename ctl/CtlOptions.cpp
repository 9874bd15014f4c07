#include "CtlOptions.h"

namespace {

std::optional<QString> valueOf(const QString& arg, const QString& option)
{
    if (arg.startsWith(option + "="))
        return arg.mid(option.size() + 1);
    return std::nullopt;
}

ParsedOptions fail(const QString& error)
{
    return {std::nullopt, error};
}

} // namespace

std::optional<uint16_t> parseProductId(const QString& text)
{
    QString digits = text.trimmed();
    if (digits.startsWith("0x", Qt::CaseInsensitive))
        digits = digits.mid(2);
    bool ok = false;
    const uint value = digits.toUInt(&ok, 16);
    if (!ok || digits.isEmpty() || digits.size() > 4 || value > 0xFFFF)
        return std::nullopt;
    return static_cast<uint16_t>(value);
}

std::optional<std::vector<uint16_t>> parseProductIdList(const QString& text)
{
    std::vector<uint16_t> ids;
    for (const QString& field : text.split(',')) {
        const auto id = parseProductId(field);
        if (!id)
            return std::nullopt;
        ids.push_back(*id);
    }
    return ids;
}

std::optional<int> parseIntInRange(const QString& text, int low, int high)
{
    bool ok = false;
    const int value = text.trimmed().toInt(&ok, 10);
    if (!ok || value < low || value > high)
        return std::nullopt;
    return value;
}

std::optional<std::vector<int>> parseIntList(const QString& text, int count, int low, int high)
{
    const QStringList fields = text.split(',');
    if (fields.size() != count)
        return std::nullopt;
    std::vector<int> values;
    for (const QString& field : fields) {
        const auto value = parseIntInRange(field, low, high);
        if (!value)
            return std::nullopt;
        values.push_back(*value);
    }
    return values;
}

ParsedOptions parseCtlOptions(const QStringList& args)
{
    CtlOptions options;
    int i = 0;
    for (; i < args.size() && (args[i].startsWith("--") || args[i] == "-h"); ++i) {
        const QString& arg = args[i];
        if (arg == "--help" || arg == "-h") {
            options.help = true;
        } else if (arg == "--version") {
            options.version = true;
        } else if (arg == "--trace-frames") {
            options.traceFrames = true;
        } else if (arg == "--simulate") {
            options.simulate = true;
        } else if (const auto pid = valueOf(arg, "--simulate")) {
            const auto id = parseProductId(*pid);
            if (!id)
                return fail(
                    QStringLiteral("--simulate: '%1' is not a hexadecimal product ID").arg(*pid));
            options.simulate = true;
            options.simulatedProductId = *id;
        } else if (arg == "--accept" || valueOf(arg, "--accept")) {
            const auto inlineValue = valueOf(arg, "--accept");
            if (!inlineValue && i + 1 >= args.size())
                return fail("--accept needs a list of hexadecimal product IDs");
            const QString list = inlineValue ? *inlineValue : args[++i];
            const auto ids = parseProductIdList(list);
            if (!ids)
                return fail(
                    QStringLiteral("--accept: '%1' is not a list of hexadecimal product IDs")
                        .arg(list));
            options.acceptedProductIds = *ids;
        } else {
            return fail(QStringLiteral("unknown option '%1'").arg(arg));
        }
    }
    if (options.help || options.version)
        return {options, {}};
    if (i >= args.size())
        return fail("no command given");
    options.command = args[i];
    options.arguments = args.mid(i + 1);
    return {options, {}};
}

QString ctlUsage()
{
    return QStringLiteral(
        "Usage: velumixctl [--simulate[=PID]] [--accept PID[,PID...]] [--trace-frames] COMMAND "
        "[ARGS]\n"
        "\n"
        "Commands:\n"
        "  list                          one line per headset interface: vendor, product,\n"
        "                                interface number, usage page, path\n"
        "  info                          firmware version, sample rate, stereo and surround\n"
        "                                flags, identity and state byte of the headset\n"
        "  eq --mode N --gains G0,...,G9 [--channel C]\n"
        "                                send the ten band gains (-12..12 dB) as a PEQ pair\n"
        "  mic-volume N                  set the microphone volume (0..100)\n"
        "  enc on|off                    switch microphone noise cancellation\n"
        "  switch A S N M                send a raw algorithm switch (bytes 0..255)\n"
        "  preset NAME [--page surround|stereo]\n"
        "                                apply a built-in preset of the connected model\n"
        "  status                        state byte and page, tab flags and identity\n"
        "  custom list                   the custom modes saved for the connected unit\n"
        "  custom apply NAME [--page surround|stereo]\n"
        "                                apply a saved custom mode of the connected unit\n"
        "\n"
        "Options:\n"
        "  --simulate[=PID]   use a simulated headset (vendor 3206, product PID, default 1054)\n"
        "  --accept PIDS      accepted product IDs, hexadecimal, comma-separated\n"
        "                     (default: those of the default configuration files)\n"
        "  --trace-frames     print every report written (TX) and read (RX)\n"
        "  --help, -h         print this usage\n"
        "  --version          print the version\n"
        "\n"
        "Exit codes: 0 success, 2 usage error, 3 no headset found, 4 open failed,\n"
        "5 write failed, 6 no reply in time, 7 the headset reported an error,\n"
        "8 no configuration (default file, preset, user file or custom mode) for it.\n");
}
