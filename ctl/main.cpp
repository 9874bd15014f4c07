// velumixctl: scripts the headset through the same device link as the window.

#include "ConfigReader.h"
#include "CtlCommands.h"
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

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    // The link's diagnostics are for debugging; QT_LOGGING_RULES turns them on.
    if (qEnvironmentVariableIsEmpty("QT_LOGGING_RULES"))
        QLoggingCategory::setFilterRules("velumix.*.debug=false");

    QTextStream out(stdout);
    QTextStream err(stderr);
    const ParsedOptions parsed = parseCtlOptions(app.arguments().mid(1));
    if (!parsed.options) {
        err << "velumixctl: " << parsed.error << "\n" << ctlUsage();
        return ExitUsage;
    }
    const CtlOptions& options = *parsed.options;
    if (options.help) {
        out << ctlUsage();
        return ExitSuccess;
    }
    if (options.version) {
        out << "velumixctl " << VELUMIX_VERSION << "\n";
        return ExitSuccess;
    }

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
        link.frameTap = [&out](bool outgoing, const uint8_t* data, int length) {
            out << (outgoing ? "TX" : "RX") << hexBytes(data, length) << "\n";
            out.flush();
        };
    }
    const LinkContextGuard linkInstalled(link);
    acceptProducts(options);
    return runCtlCommand(options, out, err);
}
