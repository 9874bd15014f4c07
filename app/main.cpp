// Velumix: the headset companion window, one instance per login session.

#include "AutomaticModes.h"
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
#include "PlaybackStreams.h"
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
#include <QWindow>

#include <memory>
#include <vector>

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

// Set once the program has restarted itself to fit its screen.
const char* const kScaledToFitVariable = "VELUMIX_SCALED_TO_FIT";

// A fixed-size window larger than the screen would be cut off (at 150 %
// scaling a 1920x1080 screen is 1280x720): the program starts once more with
// Qt's scale factor lowered so that the whole window is on screen. It starts
// with every argument it was given, Qt's own (-platform, -style, ...)
// included: `arguments` is argv as main received it, before QApplication
// took out what it reads. Returns only when no restart is needed or it failed.
//
// Qt 5.15 reads its global scale factor (QT_SCALE_FACTOR) once, when
// QGuiApplication connects to the display; the public API cannot change it
// afterwards, and QHighDpiScaling::setGlobalFactor is private API, which
// would tie the package to one exact Qt build. Hence the restart.
void restartScaledToFitScreen(const std::vector<char*>& arguments)
{
    if (qEnvironmentVariableIsSet(kScaledToFitVariable) ||
        QGuiApplication::platformName() == QLatin1String("offscreen"))
        return;
    const QScreen* screen = QGuiApplication::primaryScreen();
    const qreal factor = shrinkToFit(screen->availableGeometry().size(), kVelumixWindowSize);
    if (factor >= 1.0)
        return;
    bool ok = false;
    qreal current = qEnvironmentVariable("QT_SCALE_FACTOR").toDouble(&ok);
    if (!ok || current <= 0)
        current = 1.0;
    qputenv("QT_SCALE_FACTOR", QByteArray::number(current * factor, 'f', 4));
    qputenv(kScaledToFitVariable, "1");
    execv(QFile::encodeName(QCoreApplication::applicationFilePath()).constData(), arguments.data());
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

// The window draws with Qt's raster engine alone. On X11 Qt would still load
// the display's OpenGL stack (Mesa's GLX and llvmpipe, with LLVM) when the
// first window is made: tens of megabytes resident and much of the start-up's
// loading, for nothing the program draws. A value the person set stays.
void leaveOpenGlUnloaded()
{
    if (!qEnvironmentVariableIsSet("QT_XCB_GL_INTEGRATION"))
        qputenv("QT_XCB_GL_INTEGRATION", "none");
}

} // namespace

int main(int argc, char* argv[])
{
    leaveOpenGlUnloaded();
    // Every argument as given, for a restart: QApplication takes its own out
    // of argv. argv[argc] is the null pointer execv needs at the end.
    const std::vector<char*> originalArguments(argv, argv + argc + 1);
    QApplication::setAttribute(Qt::AA_EnableHighDpiScaling, true);
    // 150 % stays 150 %, as the desktop asks, rather than rounded to 200 %.
    QGuiApplication::setHighDpiScaleFactorRoundingPolicy(
        Qt::HighDpiScaleFactorRoundingPolicy::PassThrough);
    answerHelpOrVersion(argc, argv);
    QApplication app(argc, argv);
    app.setApplicationVersion(QStringLiteral(VELUMIX_VERSION));
    // Diagnostics go to the trace log; QT_LOGGING_RULES shows them on stderr.
    QLoggingCategory::setFilterRules(QStringLiteral("velumix.*.debug=false"));
    restartScaledToFitScreen(originalArguments);
    // The window hides to the tray; a closed message box must not end the program.
    app.setQuitOnLastWindowClosed(false);
    scaleApplicationFont();
    const VelumixOptions options = parseVelumixOptions(QApplication::arguments());
    // The login entry is for the installed program: not for a run from the
    // build folder or with a simulated headset.
    if (autostartWanted(QApplication::applicationFilePath(), options.simulate))
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
    // Modes that follow the application playing on the headset's output;
    // under --simulate the default output stands in for it.
    AutomaticModes automaticModes(session, automaticModesPath());
    CommandService commands(session, CommandService::kUnitWaitMs, &automaticModes);
    WatchEvents watchEvents(session);
    watchEvents.follow(automaticModes);
    QObject::connect(&watchEvents, &WatchEvents::announced, &instance,
                     &SingleInstance::publishEvent);

    // --high-contrast is a choice the person makes once, like the tray's.
    if (options.highContrast)
        look::rememberHighContrast(true);
    look::setHighContrast(look::highContrastWanted());
    // The form's faces before any widget is made, so that none is restyled.
    useFreeFacesForForm();
    // The form is built when the window is first shown: a start in the tray
    // builds none of it.
    Velumix window(session, nullptr, Velumix::Build::WhenShown);
    QObject::connect(&instance, &SingleInstance::raiseRequested, &window, [&window] {
        qCDebug(lcApp).noquote() << "Raised by a later start";
        bringWindowForward(window);
    });
    exitOnFirstFrameWhenAsked(window);
    window.setAutomaticModes(&automaticModes);
    window.startSession();
    HeadsetOutput headsetOutput;
    headsetOutput.defaultSink = options.simulate;
    headsetOutput.vendorId = kHeadsetVendorId;
    headsetOutput.productIds = session.link().acceptedProductIds();
    PlaybackStreams playbackStreams(headsetOutput);
    QObject::connect(&playbackStreams, &PlaybackStreams::streamsChanged, &automaticModes,
                     &AutomaticModes::followStreams);
    // The autostart entry starts the program in the tray, or minimised
    // where the desktop shows no tray.
    if (isAutorunStart(QCoreApplication::arguments()))
        window.startHidden();
    else
        window.show();
    std::unique_ptr<SimulatorPanel> panel;
    if (options.simulate) {
        panel = std::make_unique<SimulatorPanel>(simulatedHeadsets, simulatedHotplug,
                                                 defaultFileProductIds(), simulatedUnit);
        // Beside the window; where the screen ends there, in the screen's
        // lower right corner, clear of the window's buttons. A Wayland
        // client cannot place its windows: there the panel is marked as the
        // window's transient, for the compositor to place with regard to the
        // window rather than anywhere (such as over its close and minimise
        // buttons).
        panel->adjustSize();
        const QRect screen = window.screen()->availableGeometry();
        QPoint place(window.geometry().right() + 16, window.geometry().top());
        if (place.x() + panel->width() > screen.right())
            place = screen.bottomRight() - QPoint(panel->width(), panel->height());
        panel->move(place);
        if (onWayland()) {
            window.winId();
            panel->winId();
            panel->windowHandle()->setTransientParent(window.windowHandle());
        }
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
