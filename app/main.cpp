// Velumix: the headset companion window, one instance per login session.

#include "Autostart.h"
#include "CommandService.h"
#include "ConfigNames.h"
#include "ConfigReader.h"
#include "DataFolder.h"
#include "DesktopIntegration.h"
#include "FirstFrame.h"
#include "HeadsetSession.h"
#include "HidrawBackend.h"
#include "Look.h"
#include "MessageBox.h"
#include "SimulatedHeadset.h"
#include "SimulatorPanel.h"
#include "SingleInstance.h"
#include "TerminationSignals.h"
#include "TraceLog.h"
#include "UdevHotplugSource.h"
#include "Velumix.h"
#include "VelumixOptions.h"
#include "WatchEvents.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QFile>
#include <QFileInfo>
#include <QFont>
#include <QLoggingCategory>
#include <QRegularExpression>
#include <QScreen>
#include <QTextStream>

#include <memory>

#include <unistd.h>

Q_LOGGING_CATEGORY(lcApp, "velumix.app")

namespace {

void scaleApplicationFont()
{
    const float scale =
        static_cast<float>(QGuiApplication::primaryScreen()->logicalDotsPerInchX() / 96.0);
    QFont font = QApplication::font();
    font.setPointSize(static_cast<int>(font.pointSize() * scale));
    QApplication::setFont(font);
}

// The form's fixed window size.
const QSize kWindowSize(1176, 730);
// Set once the program has restarted itself to fit its screen.
const char* const kScaledToFitVariable = "VELUMIX_SCALED_TO_FIT";

// A fixed-size window larger than the screen would be cut off (at 150 %
// scaling a 1920x1080 screen is 1280x720): the program starts once more with
// Qt's scale factor lowered so that the whole window is on screen. Returns
// only when no restart is needed or it failed.
void restartScaledToFitScreen(char* argv[])
{
    if (qEnvironmentVariableIsSet(kScaledToFitVariable) ||
        QGuiApplication::platformName() == QLatin1String("offscreen"))
        return;
    const QScreen* screen = QGuiApplication::primaryScreen();
    const qreal factor = shrinkToFit(screen->availableGeometry().size(), kWindowSize);
    if (factor >= 1.0)
        return;
    bool ok = false;
    qreal current = qEnvironmentVariable("QT_SCALE_FACTOR").toDouble(&ok);
    if (!ok || current <= 0)
        current = 1.0;
    qputenv("QT_SCALE_FACTOR", QByteArray::number(current * factor, 'f', 4));
    qputenv(kScaledToFitVariable, "1");
    execv(QFile::encodeName(QCoreApplication::applicationFilePath()).constData(), argv);
}

QList<quint16> defaultFileProductIds()
{
    return productIdsOf(readConfigFolder(dataFolder() + "/" + kDefaultFileFolder));
}

// "--help" and "--version" answer and end the program before it writes
// anything or needs a display, so they are read with a core application of
// their own. Options the parser does not know are left to the rest of main.
void answerHelpOrVersion(int argc, char* argv[])
{
    QCoreApplication probe(argc, argv);
    probe.setApplicationVersion(QStringLiteral(VELUMIX_VERSION));
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Equaliser, surround and microphone settings for Velumix headsets.\n"
                       "The desktop session starts it hidden with -autorun."));
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    const QCommandLineOption help = parser.addHelpOption();
    const QCommandLineOption version = parser.addVersionOption();
    parser.addOption({QStringLiteral("simulate"),
                      QStringLiteral("Use a simulated headset with product ID PID (hexadecimal, "
                                     "default 1054): --simulate or --simulate=PID."),
                      QStringLiteral("PID")});
    parser.addOption({QStringLiteral("high-contrast"),
                      QStringLiteral("Use the high-contrast look, now and at later starts (the "
                                     "tray menu turns it off again).")});
    QStringList arguments = probe.arguments();
    // The parser knows no optional values; a bare --simulate gets a stand-in.
    arguments.replaceInStrings(QRegularExpression(QStringLiteral("^--simulate$")),
                               QStringLiteral("--simulate=default"));
    parser.parse(arguments);
    if (parser.isSet(help))
        parser.showHelp(0);
    if (parser.isSet(version))
        parser.showVersion();
}

} // namespace

int main(int argc, char* argv[])
{
    QApplication::setAttribute(Qt::AA_EnableHighDpiScaling, true);
    // 150 % stays 150 %, as the desktop asks, rather than rounded to 200 %.
    QGuiApplication::setHighDpiScaleFactorRoundingPolicy(
        Qt::HighDpiScaleFactorRoundingPolicy::PassThrough);
    answerHelpOrVersion(argc, argv);
    QApplication app(argc, argv);
    app.setApplicationVersion(QStringLiteral(VELUMIX_VERSION));
    // Diagnostics go to the trace log; QT_LOGGING_RULES shows them on stderr.
    QLoggingCategory::setFilterRules(QStringLiteral("velumix.*.debug=false"));
    restartScaledToFitScreen(argv);
    // The window hides to the tray; a closed message box must not end the program.
    app.setQuitOnLastWindowClosed(false);
    scaleApplicationFont();
    setAutoRun(QApplication::applicationFilePath());

    const QString programName = QFileInfo(QApplication::applicationFilePath()).completeBaseName();
    // Caught before the socket listens: whoever sees it listening may end
    // the program at once.
    TerminationSignals terminationSignals;
    QObject::connect(&terminationSignals, &TerminationSignals::received, &app,
                     &QCoreApplication::quit);
    SingleInstance instance(programName);
    if (!instance.acquire()) {
        showMessageBoxAndWait(QMessageBox::Information, QObject::tr("prompt"),
                              QObject::tr("Program is running"));
        return instance.requestRaise() ? 0 : -1;
    }

    const VelumixOptions options = parseVelumixOptions(QApplication::arguments());
    if (!options.error.isEmpty()) {
        QTextStream(stderr) << "velumix: " << options.error << "\n";
        return 2;
    }
    // Real headsets through hidraw and udev, or with --simulate one simulated
    // unit that the simulator panel plugs in and out.
    HidrawBackend headsets;
    SimulatedHidBackend simulatedHeadsets;
    UdevHotplugSource hotplug(UdevHotplugSource::Monitor::Automatic);
    ManualHotplugSource simulatedHotplug;
    int simulatedUnit = -1;
    if (options.simulate) {
        HeadsetSettings settings;
        settings.productId = options.simulatedProductId;
        simulatedUnit = simulatedHeadsets.addHeadset(settings);
    }
    HeadsetSession::Options sessionOptions;
    sessionOptions.defaultFileFolder = dataFolder() + "/" + kDefaultFileFolder;
    sessionOptions.userFileFolder = userFileFolder(programBaseName());
    sessionOptions.keepHeadsetInStep = true;
    HeadsetSession session(
        options.simulate ? static_cast<HidBackend&>(simulatedHeadsets) : headsets,
        options.simulate ? static_cast<HotplugSource*>(&simulatedHotplug) : &hotplug,
        sessionOptions);
    CommandService commands(session);
    WatchEvents watchEvents(session);
    QObject::connect(&watchEvents, &WatchEvents::event, &instance, &SingleInstance::publishEvent);

    // --high-contrast is a choice the person makes once, like the tray's.
    if (options.highContrast)
        look::rememberHighContrast(true);
    look::setHighContrast(look::highContrastWanted());
    Velumix window(session);
    QObject::connect(&instance, &SingleInstance::raiseRequested, &window, [&window] {
        qCDebug(lcApp).noquote() << "Raised by a later start";
        bringWindowForward(window);
    });
    useFreeFacesForForm();
    exitOnFirstFrameWhenAsked(window);
    window.startSession();
    // The autostart entry starts the program in the tray.
    if (isAutorunStart(QCoreApplication::arguments()))
        window.hide();
    else
        window.show();
    std::unique_ptr<SimulatorPanel> panel;
    if (options.simulate) {
        panel = std::make_unique<SimulatorPanel>(simulatedHeadsets, simulatedHotplug,
                                                 defaultFileProductIds(), simulatedUnit);
        // Beside the window; where the screen ends there, in the screen's
        // lower right corner, clear of the window's buttons.
        panel->adjustSize();
        const QRect screen = window.screen()->availableGeometry();
        QPoint place(window.geometry().right() + 16, window.geometry().top());
        if (place.x() + panel->width() > screen.right())
            place = screen.bottomRight() - QPoint(panel->width(), panel->height());
        panel->move(place);
        panel->show();
    }
    // velumixctl's commands: those of the simulated headset go to its panel,
    // every other one to the session, as the matching click would.
    instance.setCommandHandler(
        [&commands, &panel](const remote::Request& request, const LocalChannel::Reply& reply) {
            if (request.command != QLatin1String("simulate"))
                commands.serve(request, reply);
            else if (panel)
                reply(panel->runSimulateCommand(request));
            else
                reply(remote::Result::failure(
                    remote::ExitNoWindow,
                    QStringLiteral("simulate needs a window started with --simulate")));
        });
    const int result = app.exec();
    closeMessageBoxes();
    return result;
}
