// velumixctl: scripts the headset, through the running window when one runs,
// else through the same device link as the window.

#include "ConfigReader.h"
#include "CtlCommands.h"
#include "CtlOutput.h"
#include "CtlRoute.h"
#include "HidapiBackend.h"
#include "SimulatedHeadset.h"
#include "UsbHidOperation.h"

#include <QCoreApplication>
#include <QLoggingCategory>

#include <cstdio>
#include <memory>

namespace {

// The headsets the default configuration files name, as the window accepts
// them, unless --accept names others.
void acceptProducts(const CtlOptions& options)
{
    clearAcceptedProductIds();
    if (!options.acceptedProductIds.empty()) {
        for (uint16_t id : options.acceptedProductIds)
            addAcceptedProductId(id);
        return;
    }
    for (quint16 id : productIdsOf(readConfigFolder(defaultFileFolder())))
        addAcceptedProductId(id);
}

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

remote::Result runDirectly(const CtlOptions& options)
{
    std::unique_ptr<HidBackend> headsets;
    if (options.simulate) {
        auto simulated = std::make_unique<SimulatedHidBackend>();
        HeadsetSettings settings;
        settings.productId = options.simulatedProductId;
        simulated->addHeadset(settings);
        headsets = std::move(simulated);
    } else {
        headsets = std::make_unique<HidapiBackend>();
    }
    LinkContext link(*headsets);
    if (options.traceFrames) {
        link.frameTap = [](bool outgoing, const uint8_t* data, int length) {
            write(stdout, ((outgoing ? "TX" : "RX") + hexBytes(data, length) + '\n').toUtf8());
        };
    }
    const LinkContextGuard linkInstalled(link);
    acceptProducts(options);
    return runDirect(options.request, options.device);
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
