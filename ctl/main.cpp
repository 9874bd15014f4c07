// velumixctl: scripts the headset, through the running window when one runs,
// else through the same device link as the window.

#include "CtlCompletion.h"
#include "CtlDirect.h"
#include "CtlOutput.h"
#include "CtlRoute.h"
#include "HidrawBackend.h"
#include "SimulatedHeadset.h"

#include <QCoreApplication>
#include <QLoggingCategory>

#include <cstdio>
#include <memory>

namespace {

QString hexBytes(const uint8_t* data, int length)
{
    QString text;
    for (int i = 0; i < length; ++i)
        text += QStringLiteral(" %1").arg(data[i], 2, 16, QChar('0'));
    return text;
}

void write(FILE* stream, const QByteArray& text)
{
    std::fwrite(text.constData(), 1, size_t(text.size()), stream);
    std::fflush(stream);
}

// --simulate: one simulated unit of the product; else the real headsets.
std::unique_ptr<HidBackend> headsetsOf(const CtlOptions& options)
{
    if (!options.simulate)
        return std::make_unique<HidrawBackend>();
    auto simulated = std::make_unique<SimulatedHidBackend>();
    HeadsetSettings settings;
    settings.productId = options.simulatedProductId;
    simulated->addHeadset(settings);
    return simulated;
}

remote::Result runDirectly(const CtlOptions& options)
{
    const std::unique_ptr<HidBackend> headsets = headsetsOf(options);
    DirectHeadset headset{*headsets, options.acceptedProductIds, options.device, {}};
    if (options.traceFrames) {
        headset.frameTap = [](bool outgoing, const uint8_t* data, int length) {
            write(stdout, ((outgoing ? "TX" : "RX") + hexBytes(data, length) + '\n').toUtf8());
        };
    }
    return runDirect(options.request, headset);
}

remote::Result run(const CtlOptions& options)
{
    if (options.request.command == QLatin1String("watch")) {
        const auto watched = watchWindowFor(options, [&](const QJsonObject& event) {
            write(stdout, options.json ? jsonText(event) : humanEventText(event).toUtf8());
        });
        return watched ? *watched : runDirectly(options);
    }
    const auto answered = askWindowFor(options);
    return answered ? *answered : runDirectly(options);
}

int report(const remote::Result& result, const CtlOptions& options)
{
    if (!result.ok()) {
        write(stderr, errorText(result, options.json));
        return result.exit;
    }
    if (options.json && options.request.command != QLatin1String("watch"))
        write(stdout, jsonText(result.data));
    else
        write(stdout, humanText(options.request.command, result.data).toUtf8());
    return result.exit;
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    // The link's diagnostics are for debugging; QT_LOGGING_RULES turns them on.
    if (qEnvironmentVariableIsEmpty("QT_LOGGING_RULES"))
        QLoggingCategory::setFilterRules("velumix.*.debug=false");
    // The shell's completion script asks for the words that may come next.
    if (app.arguments().value(1) == QLatin1String("--complete")) {
        write(stdout, completionText(completionOf(app.arguments().mid(2))).toUtf8());
        return remote::ExitSuccess;
    }

    const ParsedOptions parsed = parseCtlOptions(app.arguments().mid(1));
    if (!parsed.options) {
        const bool json = app.arguments().contains(QStringLiteral("--json"));
        write(stderr, errorText(remote::Result::failure(remote::ExitUsage, parsed.error), json));
        return remote::ExitUsage;
    }
    const CtlOptions& options = *parsed.options;
    if (options.help) {
        write(stdout, ctlUsage().toUtf8());
        return remote::ExitSuccess;
    }
    if (options.version) {
        write(stdout, "velumixctl " VELUMIX_VERSION "\n");
        return remote::ExitSuccess;
    }
    return report(run(options), options);
}
