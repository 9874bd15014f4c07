// velumixctl: its command line and the requests it makes of it, its exit
// codes, its output for people and for scripts, the frames it sends, the way
// through a window (a stand-in listening at a socket of the test's own) and,
// for the headset's failures, in-process runs against a simulated headset
// told to misbehave. Run on its own, velumixctl carries a command out as the
// window does, on the same session: what that adds to the old direct runs
// (the page's algorithm switch after an equaliser, a preset remembered in
// the unit's file, a unit's file created) is checked here as well.

#include "BuiltInPresets.h"
#include "ConfigNames.h"
#include "ConfigReader.h"
#include "CorrectionImport.h"
#include "CtlDirect.h"
#include "CtlOptions.h"
#include "CtlOutput.h"
#include "GainText.h"
#include "ModeImport.h"
#include "ModeTransfer.h"
#include "SimulatedHeadset.h"

#include <QLocalServer>
#include <QLocalSocket>
#include <QtTest>

#include <functional>

namespace {

struct Run
{
    int exitCode = -1;
    QStringList out;
    QString err;
};

// Runs velumixctl, serving events meanwhile (for a stand-in window of the
// test). `windowSocket` is where velumixctl looks for the window.
Run runProgram(const QStringList& args, const QString& windowSocket = QString())
{
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    if (!windowSocket.isEmpty())
        environment.insert("VELUMIXCTL_WINDOW_SOCKET", windowSocket);
    process.setProcessEnvironment(environment);
    QSignalSpy finished(&process, qOverload<int, QProcess::ExitStatus>(&QProcess::finished));
    process.start(qEnvironmentVariable("VELUMIX_RUNTIME_DIR") + "/velumixctl", args);
    Run run;
    if (!finished.wait(10000))
        return run;
    run.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    run.out = QString::fromUtf8(process.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
    run.err = QString::fromUtf8(process.readAllStandardError());
    return run;
}

QString hexLine(const char* direction, const Report& report, int length)
{
    QString line = direction;
    for (int i = 0; i < length; ++i)
        line += QStringLiteral(" %1").arg(report[i], 2, 16, QChar('0'));
    return line;
}

QJsonValue json(const QString& text)
{
    const QJsonDocument document = QJsonDocument::fromJson(text.toUtf8());
    return document.isArray() ? QJsonValue(document.array()) : QJsonValue(document.object());
}

remote::Request requestOf(const QStringList& args)
{
    const ParsedOptions parsed = parseCtlOptions(args);
    return parsed.options ? parsed.options->request : remote::Request{"(refused)", {}};
}

// A window as velumixctl sees it: each connection gets the next answer
// (lines, newlines included) and is closed; the requests are kept.
class StandInWindow
{
public:
    StandInWindow(const QString& path, const QByteArrayList& answers) : m_answers(answers)
    {
        m_server.listen(path);
        QObject::connect(&m_server, &QLocalServer::newConnection, [this] { serve(); });
    }
    QList<remote::Request> requests;

private:
    void serve()
    {
        QLocalSocket* socket = m_server.nextPendingConnection();
        QObject::connect(socket, &QLocalSocket::readyRead, socket, [this, socket] {
            if (!socket->canReadLine())
                return;
            QString error;
            if (const auto request = remote::decodeRequest(socket->readLine(), &error))
                requests << *request;
            socket->write(m_answers.value(requests.size() - 1));
            socket->disconnectFromServer();
        });
        QObject::connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
    }

    QLocalServer m_server;
    QByteArrayList m_answers;
};

// The simulated unit's user file, as the window would have left it: two
// custom modes named alike on the two pages (and any further modes given).
void writeUserFile(const QJsonArray& furtherModes = {})
{
    const QString folder = userFileFolder(kWindowProgramName);
    QDir().mkpath(folder);
    QFile file(folder + "/" + userFileName(0x3206, 0x1054, {0x5a, 0x17, 0xc0, 0x01}));
    QVERIFY(file.open(QIODevice::WriteOnly));
    QJsonArray modes = {
        QJsonObject{
            {"algorithm", "Surround"}, {"name", "Night"}, {"parameter", "1,1,1,1,1,1,1,1,1,1"}},
        QJsonObject{
            {"algorithm", "Stereo"}, {"name", "Night"}, {"parameter", "2,2,2,2,2,2,2,2,2,2"}},
        QJsonObject{
            {"algorithm", "Stereo"}, {"name", "Bass"}, {"parameter", "6,4,2,0,0,0,0,0,0,0"}},
    };
    for (const QJsonValue& mode : furtherModes)
        modes.append(mode);
    file.write(QJsonDocument(QJsonObject{{"vid", "3206"},
                                         {"pid", "1054"},
                                         {"uuid", "5a17c001"},
                                         {"customMode", modes}})
                   .toJson());
}

QString userFilePath()
{
    return userFileFolder(kWindowProgramName) + "/" +
           userFileName(0x3206, 0x1054, {0x5a, 0x17, 0xc0, 0x01});
}

QByteArray userFileBytes()
{
    QFile file(userFilePath());
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The two parametric EQ frames (command 0x21) of a --trace-frames run.
QStringList peqFrames(const QStringList& out)
{
    return out.filter(QRegularExpression("^TX 4f 30 80 18 21 "));
}

QStringList expectedPeqFrames(int modeIndex, const EqGains& gains)
{
    return {hexLine("TX", frame::setPeqCommand(1, 0, 4, modeIndex, gains, 0x1054), 64),
            hexLine("TX", frame::setPeqCommand(1, 5, 9, modeIndex, gains, 0x1054), 64)};
}

QString writeFile(const QTemporaryDir& folder, const QString& name, const QByteArray& bytes)
{
    QFile file(folder.filePath(name));
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        return QString();
    return file.fileName();
}

using Fault = std::function<void(SimulatedHidBackend&, int unit)>;

int addHeadset(SimulatedHidBackend& backend, const DeviceIdentity& identity)
{
    HeadsetSettings settings;
    settings.identity = identity;
    return backend.addHeadset(settings);
}

// The path of the unit's vendor-defined interface, the one velumixctl opens.
std::string vendorInterfaceOf(SimulatedHidBackend& backend, int unit)
{
    const std::vector<std::string> paths = backend.interfacePaths(unit);
    for (const HidDeviceInfo& entry : backend.enumerate(0, 0))
        if ((entry.usagePage >> 8) == 0xff &&
            std::find(paths.begin(), paths.end(), entry.path) != paths.end())
            return entry.path;
    return {};
}

} // namespace

Q_DECLARE_METATYPE(Fault)
Q_DECLARE_METATYPE(CustomRecord)

class VelumixCtlTest : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase()
    {
        QLoggingCategory::setFilterRules("velumix.*.debug=false");
        qRegisterMetaType<QProcess::ExitStatus>();
        writeUserFile();
    }
    void eqTracesThePeqPairAndItsAcknowledgements();
    void info();
    void listShowsOnlyTheVendorInterface();
    void badArgumentsSendNothing_data();
    void badArgumentsSendNothing();
    void requests_data();
    void requests();
    void directJson_data();
    void directJson();
    void directRefusals_data();
    void directRefusals();
    void humanText_data();
    void humanText();
    void eventText_data();
    void eventText();
    void throughWindow_data();
    void throughWindow();
    void devicePicksOneOfSeveralHeadsets();
    void headsetFailures_data();
    void headsetFailures();
    void velumixAnswersHelpAndVersionAlone_data();
    void velumixAnswersHelpAndVersionAlone();
    void completionKnowsThePresets();
    void presetIsRememberedAndSwitchesTheAlgorithm();
    void customApplySendsOnlyGainsTheHeadsetTakes();
    void customImportSendsAndSavesTheFittedMode_data();
    void customImportSendsAndSavesTheFittedMode();
    void customExportImportsBackUnchanged_data();
    void customExportImportsBackUnchanged();
    void customImportRefusalsSaveNothing_data();
    void customImportRefusalsSaveNothing();
};

// The session asks a headset it opens what it is (version, audio, status);
// the high bands' acknowledgement brings the page's algorithm switch, as in
// the window: the surround page of a model other than 1.
void VelumixCtlTest::eqTracesThePeqPairAndItsAcknowledgements()
{
    const Run run = runProgram({"--simulate=4130", "--trace-frames", "eq", "--mode", "19",
                                "--gains", "0,0,0,0,0,0,0,0,0,0"});
    QCOMPARE(run.exitCode, 0);
    const EqGains flat{};
    const QStringList tx = run.out.filter(QRegularExpression("^TX"));
    QCOMPARE(tx, (QStringList{hexLine("TX", frame::readVersionCommand(), 32),
                              hexLine("TX", frame::readAudioCommand(), 64),
                              hexLine("TX", frame::readStatusCommand(), 64),
                              hexLine("TX", frame::setPeqCommand(1, 0, 4, 19, flat, 0x4130), 64),
                              hexLine("TX", frame::setPeqCommand(1, 5, 9, 19, flat, 0x4130), 64),
                              hexLine("TX", frame::setAlgorithmSwitchCommand(1, 1, 0, 0), 64)}));
    // The 0x4130 mode-19 table for bands 5-9, as the headset receives it.
    QVERIFY(tx[4].startsWith("TX 4f 30 80 18 21 26 01 05 09 00 03 e8 07 d0 00 07 d0 07 d0 00 "
                             "0f a0 03 e8 00 1f 40 0f a0 00 3e 80 01 f4 00"));
    const uint8_t lowAck[] = {0, 0, 4};
    const uint8_t highAck[] = {0, 5, 9};
    const QStringList rx = run.out.filter(QRegularExpression("^RX 23 30 18 80 21"));
    QCOMPARE(rx, (QStringList{hexLine("RX", frame::buildReply('#', 0x21, lowAck, 3), 64),
                              hexLine("RX", frame::buildReply('#', 0x21, highAck, 3), 64)}));
}

void VelumixCtlTest::info()
{
    const Run run = runProgram({"--simulate=0f51", "info"});
    QCOMPARE(run.exitCode, 0);
    // State byte 16 is the surround page.
    QCOMPARE(run.out,
             (QStringList{"model:        Rasko", "product:      0f51", "firmware:     VLX-FW 1.4.2",
                          "sample rate:  48000", "stereo tab:   1", "surround tab: 1",
                          "identity:     5a17c001", "page:         surround"}));
}

void VelumixCtlTest::listShowsOnlyTheVendorInterface()
{
    const Run run = runProgram({"--simulate=1029", "list"});
    QCOMPARE(run.exitCode, 0);
    QCOMPARE(run.out,
             (QStringList{"MODEL   PRODUCT  INTERFACE  USAGE PAGE  IDENTITY  PATH",
                          "Morvik  1029     3          ff00        unknown   "
                          "/sys/devices/virtual/velumix-sim/unit0/0003:3206:1029.0002/hidraw/"
                          "hidraw1"}));
}

void VelumixCtlTest::badArgumentsSendNothing_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("message");
    const QStringList sim = {"--simulate", "--trace-frames"};
    const QString commands = "the commands are list, info, status, get, eq, mic-volume, enc, "
                             "switch, preset, custom, auto, simulate, watch";
    QTest::newRow("no command") << sim << 2 << "no command given; " + commands;
    QTest::newRow("unknown command")
        << sim + QStringList{"reboot"} << 2 << "unknown command 'reboot'; " + commands;
    QTest::newRow("unknown option") << QStringList{"--loud", "info"} << 2
                                    << "unknown option '--loud'; the options are --simulate";
    QTest::newRow("gain above 12")
        << sim + QStringList{"eq", "--mode", "3", "--gains", "0,0,0,0,0,0,0,0,0,13"} << 2
        << "--gains";
    QTest::newRow("nine gains") << sim + QStringList{"eq", "--mode", "3", "--gains",
                                                     "0,0,0,0,0,0,0,0,0"}
                                << 2 << "--gains";
    QTest::newRow("gain not a number")
        << sim + QStringList{"eq", "--mode", "3", "--gains", "0,0,0,0,x,0,0,0,0,0"} << 2
        << "--gains";
    QTest::newRow("eq without mode")
        << sim + QStringList{"eq", "--gains", "0,0,0,0,0,0,0,0,0,0"} << 2 << "--mode";
    QTest::newRow("mic level 101") << sim + QStringList{"mic-volume", "101"} << 2 << "0 to 100";
    QTest::newRow("mic level negative") << sim + QStringList{"mic-volume", "-1"} << 2 << "0 to 100";
    QTest::newRow("enc maybe") << sim + QStringList{"enc", "maybe"} << 2 << "'on' or 'off'";
    QTest::newRow("switch byte 256")
        << sim + QStringList{"switch", "1", "0", "256", "0"} << 2 << "not a byte";
    QTest::newRow("malformed accept list")
        << QStringList{"--simulate", "--accept", "1054,,x", "info"} << 2 << "--accept";
    QTest::newRow("malformed simulated product")
        << QStringList{"--simulate=12g4", "info"} << 2 << "--simulate";
    QTest::newRow("simulated product with a plus")
        << QStringList{"--simulate=+105", "info"} << 2 << "--simulate: '+105' is not";
    QTest::newRow("simulated product with 0x")
        << QStringList{"--simulate=0x1054", "info"} << 2 << "--simulate: '0x1054' is not";
    QTest::newRow("simulated product behind a control character")
        << QStringList{"--simulate=\u00011054", "info"} << 2 << "is not a hexadecimal product ID";
    QTest::newRow("mic level with a plus")
        << sim + QStringList{"mic-volume", "+50"} << 2 << "0 to 100";
    QTest::newRow("mic level with blanks")
        << sim + QStringList{"mic-volume", " 50 "} << 2 << "0 to 100";
    QTest::newRow("import without a name") << sim + QStringList{"custom", "import", "eq.txt"} << 2
                                           << "custom import needs a file and a name";
    QTest::newRow("export in an unknown format")
        << sim + QStringList{"custom", "export", "Club", "--format", "xml"} << 2
        << "--format: 'xml' is not a format; the formats are parametric, json";
    QTest::newRow("name on custom apply")
        << sim + QStringList{"custom", "apply", "Club", "--name", "X"} << 2
        << "--name does not go with custom apply; its options are --page";
    QTest::newRow("product not accepted")
        << QStringList{"--simulate=1234", "--trace-frames", "info"} << 3 << "no headset found";
    QTest::newRow("accepted by --accept")
        << QStringList{"--simulate=1234", "--accept", "1234", "mic-volume", "50"} << 0 << "";
    QTest::newRow("bad page") << sim + QStringList{"preset", "Jazz", "--page", "mono"} << 2
                              << "--page: 'mono' is not a page; the pages are surround, stereo";
    QTest::newRow("page given twice")
        << sim + QStringList{"--page", "stereo", "preset", "Jazz", "--page", "stereo"} << 2
        << "--page is given more than once";
    QTest::newRow("a flag given twice") << sim + QStringList{"--trace-frames", "info"} << 2
                                        << "--trace-frames is given more than once";
    QTest::newRow("page on eq")
        << sim + QStringList{"eq",     "--mode", "3", "--gains", "0,0,0,0,0,0,0,0,0,0",
                             "--page", "stereo"}
        << 2 << "--page does not go with eq; its options are --channel, --gains, --mode";
    QTest::newRow("model on preset NAME")
        << sim + QStringList{"preset", "Jazz", "--model", "1054"} << 2
        << "--model does not go with preset; its options are --page";
    QTest::newRow("mode on custom list")
        << sim + QStringList{"custom", "list", "--mode", "3"} << 2
        << "--mode does not go with custom list; it takes no options";
    QTest::newRow("arguments to info")
        << sim + QStringList{"info", "now"} << 2 << "info takes no arguments";
    QTest::newRow("custom without sub-command")
        << sim + QStringList{"custom", "show"} << 2 << "use 'custom list', 'custom apply NAME";
    QTest::newRow("bad model") << sim + QStringList{"preset", "list", "--model", "xyz"} << 2
                               << "--model: 'xyz' is not a hexadecimal product ID";
    QTest::newRow("model with 0x") << sim + QStringList{"preset", "list", "--model", "0x4130"} << 2
                                   << "--model: '0x4130' is not a hexadecimal product ID";
    QTest::newRow("simulate shake") << sim + QStringList{"simulate", "shake"} << 2
                                    << "the actions are plug, unplug, new-unit, report-page";
    QTest::newRow("new unit with a short identity")
        << sim + QStringList{"simulate", "new-unit", "1054", "abc"} << 2
        << "'abc' is not an identity (8 hexadecimal digits)";
    QTest::newRow("report page mono") << sim + QStringList{"simulate", "report-page", "mono"} << 2
                                      << "'mono' is not a page; the pages are surround, stereo";
    QTest::newRow("device neither path nor identity")
        << sim + QStringList{"--device", "hidraw1", "info"} << 2
        << "--device: 'hidraw1' is neither a device path";
    QTest::newRow("value missing")
        << QStringList{"info", "--device"} << 2 << "missing value after '--device'";
    // A name the window would refuse is refused before it is sent, counted
    // in characters, however many bytes each takes.
    QTest::newRow("a name of 1500 three-byte characters")
        << sim + QStringList{"custom", "import", "eq.txt", "--name", QString(1500, QChar(0x20AC))}
        << 2 << "custom-import: 'name' must be a non-empty string of at most 256 characters";
    QTest::newRow("a preset name longer than any")
        << sim + QStringList{"preset", QString(4000, 'x')} << 2
        << "preset: 'name' must be a non-empty string of at most 256 characters";
    QTest::newRow("a file path longer than a request")
        << sim + QStringList{"custom", "import", "/" + QString(5000, 'p'), "--name", "Long"} << 2
        << "custom import: the request is longer than the 4096 bytes the window takes";
}

void VelumixCtlTest::badArgumentsSendNothing()
{
    QFETCH(QStringList, args);
    QFETCH(int, exitCode);
    QFETCH(QString, message);
    const Run run = runProgram(args);
    QCOMPARE(run.exitCode, exitCode);
    QVERIFY2(run.err.contains(message), qPrintable(run.err));
    if (exitCode != 0) {
        QVERIFY2(run.err.startsWith("velumixctl: "), qPrintable(run.err));
        QVERIFY(run.out.filter(QRegularExpression("^TX")).isEmpty());
    }
}

void VelumixCtlTest::requests_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QString>("request");
    const auto row = [](const char* name, const QStringList& args, const char* request) {
        QTest::newRow(name) << args << QString(request);
    };
    row("get", {"get"}, R"({"command":"get","arguments":{}})");
    row("global options anywhere", {"info", "--json", "--device", "0A1B2C3D"},
        R"({"command":"info","arguments":{}})");
    row("eq", {"eq", "--mode", "19", "--gains", "-3,0,0,0,0,0,0,0,0,12"},
        R"({"command":"eq","arguments":{"mode":19,"gains":[-3,0,0,0,0,0,0,0,0,12],"channel":1}})");
    row("eq on channel 2",
        {"eq", "--channel", "2", "--mode", "1", "--gains", "0,0,0,0,0,0,0,0,0,0"},
        R"({"command":"eq","arguments":{"mode":1,"gains":[0,0,0,0,0,0,0,0,0,0],"channel":2}})");
    row("mic-volume", {"mic-volume", "40"}, R"({"command":"mic-volume","arguments":{"level":40}})");
    row("enc off", {"enc", "off"}, R"({"command":"enc","arguments":{"on":false}})");
    row("switch", {"switch", "1", "0", "2", "0"},
        R"({"command":"switch","arguments":{"bytes":[1,0,2,0]}})");
    row("preset", {"preset", "Rock & Roll"},
        R"({"command":"preset","arguments":{"name":"Rock & Roll"}})");
    row("preset on a page", {"preset", "Jazz", "--page", "stereo"},
        R"({"command":"preset","arguments":{"name":"Jazz","page":"stereo"}})");
    row("preset list", {"preset", "list"}, R"({"command":"preset-list","arguments":{}})");
    row("preset list of a model", {"preset", "list", "--model", "4130", "--page", "surround"},
        R"({"command":"preset-list","arguments":{"productId":"4130","page":"surround"}})");
    row("custom list", {"custom", "list"}, R"({"command":"custom-list","arguments":{}})");
    row("custom apply", {"custom", "apply", "Night", "--page", "stereo"},
        R"({"command":"custom-apply","arguments":{"name":"Night","page":"stereo"}})");
    // The window may run in another folder: the file goes by its absolute path.
    QTest::newRow("custom import")
        << QStringList{"custom", "import", "eq.txt", "--name", "Club", "--page", "stereo"}
        << QString::fromUtf8(
               QJsonDocument(QJsonObject{{"command", "custom-import"},
                                         {"arguments",
                                          QJsonObject{{"path", QDir::current().filePath("eq.txt")},
                                                      {"name", "Club"},
                                                      {"page", "stereo"}}}})
                   .toJson());
    row("custom export", {"custom", "export", "Club"},
        R"({"command":"custom-export","arguments":{"name":"Club","format":"parametric"}})");
    row("custom export as JSON", {"custom", "export", "Club", "--format", "json"},
        R"({"command":"custom-export","arguments":{"name":"Club","format":"json"}})");
    row("simulate plug", {"simulate", "plug"},
        R"({"command":"simulate","arguments":{"action":"plug"}})");
    row("simulate new-unit", {"simulate", "new-unit", "4130", "0A1B2C3D"},
        R"({"command":"simulate","arguments":{"action":"new-unit","productId":"4130","identity":"0a1b2c3d"}})");
    row("simulate report-page", {"simulate", "report-page", "stereo"},
        R"({"command":"simulate","arguments":{"action":"report-page","page":"stereo"}})");
    row("watch", {"--json", "watch"}, R"({"command":"watch","arguments":{}})");
}

void VelumixCtlTest::requests()
{
    QFETCH(QStringList, args);
    QFETCH(QString, request);
    const remote::Request made = requestOf(args);
    const QJsonObject expected = json(request).toObject();
    QCOMPARE(made.command, expected["command"].toString());
    QCOMPARE(made.arguments, expected["arguments"].toObject());
}

void VelumixCtlTest::directJson_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QString>("data");
    QTest::newRow("get") << QStringList{"--simulate", "get"}
                         << R"({"model":"Halden","productId":"1054","identity":"5a17c001",
                               "page":"surround","mode":{"kind":"unknown","name":null},
                               "gains":null,"micLevel":null,"noiseCancellation":null})";
    QTest::newRow("status") << QStringList{"--simulate=4130", "status"}
                            << R"({"page":"surround","stereoTab":1,"surroundTab":1,
                                  "identity":"5a17c001"})";
    QTest::newRow("list") << QStringList{"--simulate=0f51", "list"}
                          << R"([{"vendorId":"3206","productId":"0f51","model":"Rasko",
                                 "interface":3,"usagePage":"ff00","identity":null,
                                 "path":"/sys/devices/virtual/velumix-sim/unit0/0003:3206:0F51.0002/hidraw/hidraw1"}])";
    QTest::newRow("surround presets of the connected model")
        << QStringList{"--simulate=1054", "preset", "list", "--page", "surround"}
        << R"([{"page":"surround","name":"Deep Bass"},{"page":"surround","name":"FPS"},
              {"page":"surround","name":"Moba"},{"page":"surround","name":"KAVRO Standard"}])";
    QTest::newRow("stereo presets of a model, no headset")
        << QStringList{"preset", "list", "--model", "4130", "--page", "stereo"}
        << R"([{"page":"stereo","name":"Pop"},{"page":"stereo","name":"Rock & Roll"},
              {"page":"stereo","name":"Deep Bass"},{"page":"stereo","name":"Jazz"},
              {"page":"stereo","name":"Classic"},{"page":"stereo","name":"KAVRO Standard"}])";
    QTest::newRow("preset") << QStringList{"--simulate", "preset", "Jazz"}
                            << R"({"page":"stereo","name":"Jazz"})";
    QTest::newRow("custom list")
        << QStringList{"--simulate", "custom", "list"}
        << R"([{"page":"surround","name":"Night","gains":[1,1,1,1,1,1,1,1,1,1]},
              {"page":"stereo","name":"Night","gains":[2,2,2,2,2,2,2,2,2,2]},
              {"page":"stereo","name":"Bass","gains":[6,4,2,0,0,0,0,0,0,0]}])";
    QTest::newRow("custom apply on a page")
        << QStringList{"--simulate", "custom", "apply", "Night", "--page", "stereo"}
        << R"({"page":"stereo","name":"Night"})";
    QTest::newRow("nothing to report") << QStringList{"--simulate", "enc", "on"} << "{}";
    // As in the window, a unit seen for the first time gets its file, made
    // from the model's default file, which has no custom modes.
    QTest::newRow("custom list of a unit seen for the first time")
        << QStringList{"--simulate=4130", "custom", "list"} << "[]";
}

void VelumixCtlTest::directJson()
{
    QFETCH(QStringList, args);
    QFETCH(QString, data);
    const Run run = runProgram(args + QStringList{"--json"});
    QCOMPARE(run.exitCode, 0);
    QCOMPARE(run.out.size(), 1);
    QCOMPARE(json(run.out.first()), json(data));
}

void VelumixCtlTest::directRefusals_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("message");
    QTest::newRow("unknown preset")
        << QStringList{"--simulate=4130", "preset", "Nope"} << int(remote::ExitNoConfiguration)
        << "'Nope' is not a preset of Sorel; its presets are 'Deep Bass', 'FPS', 'Moba', "
           "'KAVRO Standard', 'Pop', 'Rock & Roll', 'Jazz', 'Classic'";
    QTest::newRow("preset of the other page")
        << QStringList{"--simulate", "preset", "FPS", "--page", "stereo"}
        << int(remote::ExitNoConfiguration) << "'FPS' is not a preset of the stereo page of Halden";
    QTest::newRow("ambiguous custom mode")
        << QStringList{"--simulate", "custom", "apply", "Night"} << int(remote::ExitNoConfiguration)
        << "'Night' names 2 custom modes (surround slot 1, stereo slot 1); name the page";
    QTest::newRow("unknown custom mode")
        << QStringList{"--simulate", "custom", "apply", "Day"} << int(remote::ExitNoConfiguration)
        << "no custom mode 'Day'; the custom modes are 'Night', 'Night', 'Bass'";
    QTest::newRow("presets of a model without a default file")
        << QStringList{"preset", "list", "--model", "beef"} << int(remote::ExitNoConfiguration)
        << "no default file for product beef";
    QTest::newRow("watch") << QStringList{"watch"} << int(remote::ExitNoWindow)
                           << "watch needs the running window (start velumix)";
    QTest::newRow("simulate, with a private headset")
        << QStringList{"--simulate", "simulate", "unplug"} << int(remote::ExitNoWindow)
        << "simulate needs the running window (start velumix --simulate)";
    QTest::newRow("no unit with that identity")
        << QStringList{"--simulate", "--device", "0a0b0c0d", "get"} << int(remote::ExitNoHeadset)
        << "no headset with identity 0a0b0c0d";
}

// Each refusal reads "velumixctl: ..." for people and is a JSON object for
// scripts, with the same exit code.
void VelumixCtlTest::directRefusals()
{
    QFETCH(QStringList, args);
    QFETCH(int, exitCode);
    QFETCH(QString, message);
    const Run human = runProgram(args);
    QCOMPARE(human.exitCode, exitCode);
    QVERIFY2(human.err.startsWith("velumixctl: ") && human.err.contains(message),
             qPrintable(human.err));
    QVERIFY(human.out.isEmpty());
    const Run script = runProgram(args + QStringList{"--json"});
    QCOMPARE(script.exitCode, exitCode);
    const QJsonObject error = json(script.err).toObject();
    QCOMPARE(error["exit"].toInt(), exitCode);
    QVERIFY2(error["error"].toString().contains(message), qPrintable(script.err));
    QVERIFY(script.out.isEmpty());
}

void VelumixCtlTest::humanText_data()
{
    QTest::addColumn<QString>("command");
    QTest::addColumn<QString>("data");
    QTest::addColumn<QString>("text");
    QTest::newRow("get, from the window")
        << "get"
        << R"({"model":"Halden","productId":"1054","identity":"0a1b2c3d","page":"stereo",
              "mode":{"kind":"preset","name":"Rock & Roll"},"gains":[3,2,0,0,0,0,0,-1,-2,-3],
              "micLevel":40,"noiseCancellation":true})"
        << "model:              Halden\n"
           "product:            1054\n"
           "identity:           0a1b2c3d\n"
           "page:               stereo\n"
           "mode:               preset Rock & Roll\n"
           "gains:              3,2,0,0,0,0,0,-1,-2,-3\n"
           "mic level:          40\n"
           "noise cancellation: on\n";
    QTest::newRow("get, what cannot be known")
        << "get"
        << R"({"model":"Halden","productId":"1054","identity":null,"page":"surround",
              "mode":{"kind":"unknown","name":null},"gains":null,"micLevel":null,
              "noiseCancellation":false})"
        << "model:              Halden\n"
           "product:            1054\n"
           "identity:           unknown\n"
           "page:               surround\n"
           "mode:               unknown\n"
           "gains:              unknown\n"
           "mic level:          unknown\n"
           "noise cancellation: off\n";
    QTest::newRow("info")
        << "info"
        << R"({"model":"Sorel","productId":"4130","firmware":null,"sampleRate":96000,"stereo":1,
              "surround":0,"identity":"01020304","page":"stereo"})"
        << "model:        Sorel\nproduct:      4130\nfirmware:     unknown\n"
           "sample rate:  96000\nstereo tab:   1\nsurround tab: 0\nidentity:     01020304\n"
           "page:         stereo\n";
    QTest::newRow("status")
        << "status"
        << R"({"page":"stereo","stereoTab":1,"surroundTab":0,"identity":"01020304"})"
        << "page:         stereo\nstereo tab:   1\nsurround tab: 0\nidentity:     01020304\n";
    QTest::newRow("preset") << "preset"
                            << R"({"page":"stereo","name":"Jazz"})"
                            << "page: stereo\nname: Jazz\n";
    QTest::newRow("custom apply") << "custom-apply"
                                  << R"({"page":"surround","name":"Night"})"
                                  << "page: surround\nname: Night\n";
    QTest::newRow("list, the window's unit named")
        << "list"
        << R"([{"vendorId":"3206","productId":"1054","model":"Halden","interface":3,
               "usagePage":"ff00","path":"/dev/hidraw4","identity":"0a1b2c3d"},
              {"vendorId":"3206","productId":"4130","model":"Sorel","interface":3,
               "usagePage":"ff00","path":"/dev/hidraw7","identity":null}])"
        << "MODEL   PRODUCT  INTERFACE  USAGE PAGE  IDENTITY  PATH\n"
           "Halden  1054     3          ff00        0a1b2c3d  /dev/hidraw4\n"
           "Sorel   4130     3          ff00        unknown   /dev/hidraw7\n";
    QTest::newRow("preset list")
        << "preset-list"
        << R"([{"page":"surround","name":"FPS"},{"page":"stereo","name":"Pop"}])"
        << "PAGE      NAME\nsurround  FPS\nstereo    Pop\n";
    QTest::newRow("custom list")
        << "custom-list"
        << R"([{"page":"stereo","name":"Bass","gains":[6,4,2,0,0,0,0,0,0,0]}])"
        << "PAGE    NAME  GAINS\nstereo  Bass  6,4,2,0,0,0,0,0,0,0\n";
    QTest::newRow("an empty list") << "custom-list"
                                   << "[]"
                                   << "PAGE  NAME  GAINS\n";
    QTest::newRow("simulate unplug")
        << "simulate"
        << R"({"unit":{"productId":"1054","identity":"0a1b2c3d","plugged":false}})"
        << "product:    1054\nidentity:   0a1b2c3d\nplugged in: no\n";
    QTest::newRow("simulate plug")
        << "simulate"
        << R"({"unit":{"productId":"104d","identity":"11223344","plugged":true}})"
        << "product:    104d\nidentity:   11223344\nplugged in: yes\n";
    QTest::newRow("nothing to report") << "eq"
                                       << "null"
                                       << "";
}

void VelumixCtlTest::humanText()
{
    QFETCH(QString, command);
    QFETCH(QString, data);
    QFETCH(QString, text);
    const QJsonValue value = data == "null" ? QJsonValue() : json(data);
    QCOMPARE(::humanText(command, value), text);
}

void VelumixCtlTest::eventText_data()
{
    QTest::addColumn<QString>("event");
    QTest::addColumn<QString>("line");
    QTest::newRow("plugged") << R"({"event":"plugged","productId":"1054","model":"Halden"})"
                             << "plugged: Halden 1054\n";
    QTest::newRow("unplugged") << R"({"event":"unplugged"})"
                               << "unplugged\n";
    QTest::newRow("unit")
        << R"({"event":"unit","productId":"4130","model":"Sorel","identity":"0a1b2c3d"})"
        << "unit: Sorel 4130 0a1b2c3d\n";
    QTest::newRow("page") << R"({"event":"page","page":"stereo"})"
                          << "page: stereo\n";
    QTest::newRow("mode") << R"({"event":"mode","page":"stereo","kind":"custom","name":"Night"})"
                          << "mode: stereo custom Night\n";
    QTest::newRow("mic level") << R"({"event":"mic-level","level":40})"
                               << "mic-level: 40\n";
    QTest::newRow("noise cancellation") << R"({"event":"noise-cancellation","on":false})"
                                        << "noise-cancellation: off\n";
    QTest::newRow("an event of a later window") << R"({"event":"volume","level":7})"
                                                << "volume: 7\n";
}

void VelumixCtlTest::eventText()
{
    QFETCH(QString, event);
    QFETCH(QString, line);
    QCOMPARE(humanEventText(json(event).toObject()), line);
}

void VelumixCtlTest::throughWindow_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QByteArrayList>("answers");
    QTest::addColumn<QStringList>("requests"); // as the window receives them
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QStringList>("out");
    QTest::addColumn<QString>("err");
    const auto result = [](int exit, const QJsonValue& data = QJsonValue(),
                           const QString& error = QString()) {
        return remote::encodeResult({exit, error, data});
    };
    const QJsonObject applied{{"page", "stereo"}, {"name", "Jazz"}};
    const QJsonObject settings = json(R"({"model":"Halden","productId":"1054",
        "identity":"0a1b2c3d","page":"stereo","mode":{"kind":"preset","name":"Jazz"},
        "gains":[0,0,0,0,0,0,0,0,0,0],"micLevel":40,"noiseCancellation":true})")
                                     .toObject();
    const QString listed = R"([{"vendorId":"3206","productId":"1054","model":"Halden",
        "interface":3,"usagePage":"ff00","path":"/dev/hidraw4","identity":"0a1b2c3d"}])";
    QTest::newRow("preset")
        << QStringList{"preset", "Jazz", "--page", "stereo"} << QByteArrayList{result(0, applied)}
        << QStringList{R"({"command":"preset","arguments":{"name":"Jazz","page":"stereo"}})"} << 0
        << QStringList{"page: stereo", "name: Jazz"} << "";
    QTest::newRow("get --json") << QStringList{"--json", "get"}
                                << QByteArrayList{result(0, settings)}
                                << QStringList{R"({"command":"get","arguments":{}})"} << 0
                                << QStringList{QString::fromUtf8(
                                       QJsonDocument(settings).toJson(QJsonDocument::Compact))}
                                << "";
    QTest::newRow("the window's refusal")
        << QStringList{"custom", "apply", "Night"}
        << QByteArrayList{result(8, QJsonValue(), "'Night' names 2 custom modes")}
        << QStringList{R"({"command":"custom-apply","arguments":{"name":"Night"}})"} << 8
        << QStringList{} << "velumixctl: 'Night' names 2 custom modes\n";
    QTest::newRow("the window's refusal, --json")
        << QStringList{"--json", "simulate", "plug"}
        << QByteArrayList{result(2, QJsonValue(), "the window runs without --simulate")}
        << QStringList{R"({"command":"simulate","arguments":{"action":"plug"}})"} << 2
        << QStringList{} << "{\"error\":\"the window runs without --simulate\",\"exit\":2}\n";
    QTest::newRow("simulate new-unit")
        << QStringList{"simulate", "new-unit", "4130", "0a1b2c3d"} << QByteArrayList{result(0)}
        << QStringList{R"({"command":"simulate","arguments":{"action":"new-unit","productId":"4130","identity":"0a1b2c3d"}})"}
        << 0 << QStringList{} << "";
    const QByteArray events = remote::encodeEvent({{"event", "page"}, {"page", "stereo"}}) +
                              remote::encodeEvent({{"event", "mic-level"}, {"level", 40}});
    QTest::newRow("watch") << QStringList{"watch"} << QByteArrayList{result(0) + events}
                           << QStringList{R"({"command":"watch","arguments":{}})"} << 0
                           << QStringList{"page: stereo", "mic-level: 40"} << "";
    QTest::newRow("watch --json") << QStringList{"watch", "--json"}
                                  << QByteArrayList{result(0) + events}
                                  << QStringList{R"({"command":"watch","arguments":{}})"} << 0
                                  << QStringList{R"({"event":"page","page":"stereo"})",
                                                 R"({"event":"mic-level","level":40})"}
                                  << "";
    QTest::newRow("--device names the window's unit")
        << QStringList{"--device", "0A1B2C3D", "mic-volume", "30"}
        << QByteArrayList{result(0, settings), result(0)}
        << QStringList{R"({"command":"get","arguments":{}})",
                       R"({"command":"mic-volume","arguments":{"level":30}})"}
        << 0 << QStringList{} << "";
    QTest::newRow("--device names the window's unit by its path")
        << QStringList{"--device", "/dev/hidraw4", "enc", "on"}
        << QByteArrayList{result(0, settings), result(0, json(listed)), result(0)}
        << QStringList{R"({"command":"get","arguments":{}})",
                       R"({"command":"list","arguments":{}})",
                       R"({"command":"enc","arguments":{"on":true}})"}
        << 0 << QStringList{} << "";
    // velumixctl then looks for that unit itself, on a machine without one.
    QTest::newRow("--device names another unit")
        << QStringList{"--device", "/dev/hidraw9", "enc", "on"}
        << QByteArrayList{result(0, settings), result(0, json(listed))}
        << QStringList{R"({"command":"get","arguments":{}})",
                       R"({"command":"list","arguments":{}})"}
        << 3 << QStringList{} << "velumixctl: no headset at /dev/hidraw9\n";
    QTest::newRow("a private headset never goes to the window")
        << QStringList{"--simulate", "mic-volume", "30"} << QByteArrayList{result(0)}
        << QStringList{} << 0 << QStringList{} << "";
}

void VelumixCtlTest::throughWindow()
{
    QFETCH(QStringList, args);
    QFETCH(QByteArrayList, answers);
    QFETCH(QStringList, requests);
    QFETCH(int, exitCode);
    QFETCH(QStringList, out);
    QFETCH(QString, err);
    QTemporaryDir folder;
    const QString socket = folder.filePath("window");
    StandInWindow window(socket, answers);
    const Run run = runProgram(args, socket);
    QCOMPARE(run.exitCode, exitCode);
    QCOMPARE(run.out, out);
    QCOMPARE(run.err, err);
    QCOMPARE(window.requests.size(), requests.size());
    for (int i = 0; i < requests.size(); ++i) {
        const QJsonObject expected = json(requests[i]).toObject();
        QCOMPARE(window.requests[i].command, expected["command"].toString());
        QCOMPARE(window.requests[i].arguments, expected["arguments"].toObject());
    }
}

// --device picks a unit by its interface's path or by the identity it
// reports; every interface opened is closed again when the command ends.
void VelumixCtlTest::devicePicksOneOfSeveralHeadsets()
{
    SimulatedHidBackend backend;
    addHeadset(backend, {1, 2, 3, 4});
    const int second = addHeadset(backend, {5, 6, 7, 8});
    const std::string secondPath = vendorInterfaceOf(backend, second);
    QVERIFY(!secondPath.empty());
    const remote::Request status{"status", {}};
    bool leftClosed = true;
    const auto identityFor = [&](const QString& device) {
        const remote::Result result = runDirect(status, {backend, {}, device, {}});
        leftClosed = leftClosed && backend.openHandleCount() == 0;
        return result.ok() ? result.data["identity"].toString() : result.error;
    };
    QCOMPARE(identityFor(QString::fromStdString(secondPath)), QString("05060708"));
    QCOMPARE(identityFor("01020304"), QString("01020304"));
    QCOMPARE(identityFor("05060708"), QString("05060708"));
    QCOMPARE(identityFor("/dev/hidraw9"), QString("no headset at /dev/hidraw9"));
    QCOMPARE(identityFor("09090909"), QString("no headset with identity 09090909"));
    QCOMPARE(runDirect(status, {backend, {}, "09090909", {}}).exit, int(remote::ExitNoHeadset));
    QVERIFY(leftClosed);
}

void VelumixCtlTest::headsetFailures_data()
{
    QTest::addColumn<QStringList>("command");
    QTest::addColumn<Fault>("fault");
    QTest::addColumn<int>("exitCode");
    const QStringList eq = {"eq", "--mode", "3", "--gains", "1,2,3,4,5,6,7,8,9,10"};
    QTest::newRow("open fails") << eq
                                << Fault([](SimulatedHidBackend& b, int) { b.setOpenFails(true); })
                                << int(remote::ExitOpenFailed);
    QTest::newRow("write fails") << eq << Fault([](SimulatedHidBackend& b, int) {
        b.setWriteFails(true);
    }) << int(remote::ExitWriteFailed);
    QTest::newRow("no reply") << eq << Fault([](SimulatedHidBackend& b, int unit) {
        b.firmware(unit).faults().silent = true;
    }) << int(remote::ExitNoReply);
    QTest::newRow("broken replies")
        << QStringList{"info"} << Fault([](SimulatedHidBackend& b, int unit) {
               b.firmware(unit).faults().badChecksum = true;
           })
        << int(remote::ExitNoReply);
    QTest::newRow("error status") << QStringList{"enc", "on"}
                                  << Fault([](SimulatedHidBackend& b, int unit) {
                                         b.firmware(unit).faults().errorStatus = true;
                                     })
                                  << int(remote::ExitHeadsetError);
    QTest::newRow("error status, a command that needs the unit")
        << QStringList{"custom", "list"} << Fault([](SimulatedHidBackend& b, int unit) {
               b.firmware(unit).faults().errorStatus = true;
           })
        << int(remote::ExitHeadsetError);
    QTest::newRow("32-byte replies are fine")
        << QStringList{"info"} << Fault([](SimulatedHidBackend& b, int unit) {
               b.firmware(unit).faults().reportSize = 32;
               b.firmware(unit).faults().marker = '$';
           })
        << int(remote::ExitSuccess);
    QTest::newRow("unplugged") << QStringList{"mic-volume", "3"}
                               << Fault([](SimulatedHidBackend& b, int unit) { b.unplug(unit); })
                               << int(remote::ExitNoHeadset);
}

void VelumixCtlTest::headsetFailures()
{
    QFETCH(QStringList, command);
    QFETCH(Fault, fault);
    QFETCH(int, exitCode);
    SimulatedHidBackend backend;
    const int unit = addHeadset(backend, {1, 2, 3, 4});
    fault(backend, unit);
    QCOMPARE(runDirect(requestOf(command), {backend, {}, {}, {}}).exit, exitCode);
    QCOMPARE(backend.openHandleCount(), 0); // the command always leaves the headset closed
}

void VelumixCtlTest::velumixAnswersHelpAndVersionAlone_data()
{
    QTest::addColumn<QString>("option");
    QTest::addColumn<QString>("answer");
    QTest::newRow("--help") << "--help"
                            << "--simulate <PID>";
    QTest::newRow("--version") << "--version"
                               << "velumix 0.1.0";
}

// The window program answers --help and --version without a display and
// without writing anything: no trace log, no autostart entry, no user file.
void VelumixCtlTest::velumixAnswersHelpAndVersionAlone()
{
    QFETCH(QString, option);
    QFETCH(QString, answer);
    QTemporaryDir home;
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.remove("DISPLAY");
    environment.remove("WAYLAND_DISPLAY");
    environment.remove("QT_QPA_PLATFORM");
    for (const char* variable :
         {"HOME", "XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_CACHE_HOME", "XDG_RUNTIME_DIR"})
        environment.insert(variable, home.path());
    process.setProcessEnvironment(environment);
    process.start(qEnvironmentVariable("VELUMIX_RUNTIME_DIR") + "/velumix", {option});
    QVERIFY(process.waitForFinished(10000));
    QCOMPARE(process.exitCode(), 0);
    QVERIFY(QString::fromUtf8(process.readAllStandardOutput()).contains(answer));
    QCOMPARE(QDir(home.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
             QStringList());
}

// The shell completion asks velumixctl itself, which offers every built-in
// preset (and "preset list"), quoted for the shell.
void VelumixCtlTest::completionKnowsThePresets()
{
    const QString script =
        qEnvironmentVariable("VELUMIX_SOURCE_DIR") + "/resources/completion/velumixctl";
    QProcess bash;
    bash.start("bash",
               {"-c",
                R"(source /usr/share/bash-completion/bash_completion; source "$1"
                           COMP_WORDS=("$2" preset ""); COMP_CWORD=2
                           COMP_LINE="$2 preset "; COMP_POINT=${#COMP_LINE}
                           _velumixctl "$2" "" preset
                           printf "%s\n" "${COMPREPLY[@]}")",
                "completion", script, qEnvironmentVariable("VELUMIX_RUNTIME_DIR") + "/velumixctl"});
    QVERIFY(bash.waitForFinished(10000));
    QStringList offered =
        QString::fromUtf8(bash.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
    QStringList expected{"list"};
    for (const BuiltInPreset& preset : builtInPresets()) {
        const QString quoted = QString(preset.caption).replace(" ", "\\ ").replace("&", "\\&");
        if (!expected.contains(quoted))
            expected << quoted;
    }
    offered.sort();
    expected.sort();
    QCOMPARE(offered, expected);
}

// As a click in the window: the preset is the stereo page's choice and the
// last choice in the unit's file, and the headset's acknowledgement of the
// high bands brings the stereo page's algorithm switch.
void VelumixCtlTest::presetIsRememberedAndSwitchesTheAlgorithm()
{
    const Run run = runProgram({"--simulate", "--trace-frames", "preset", "Jazz"});
    const ConfigRecord saved = readConfigFile(userFilePath()).record;
    writeUserFile();
    QCOMPARE(run.exitCode, 0);
    QCOMPARE(run.out.filter(QRegularExpression("^TX")).last(),
             hexLine("TX", frame::setAlgorithmSwitchCommand(1, 0, 0, 1), 64));
    QCOMPARE(saved.algorithm, QString("Stereo"));
    QCOMPARE(saved.mode, QString("default"));
    QCOMPARE(saved.name, QString("Jazz"));
    QCOMPARE(saved.pageModes[int(SoundPage::Stereo)], (PageModeRecord{"default", "Jazz"}));
}

// A file may hold any number; the headset only ever receives -12..12.
void VelumixCtlTest::customApplySendsOnlyGainsTheHeadsetTakes()
{
    writeUserFile({QJsonObject{{"algorithm", "Stereo"},
                               {"name", "Loud"},
                               {"parameter", "100,-100,127,-128,255,0,0,0,0,0"}}});
    const Run run = runProgram({"--simulate", "--trace-frames", "custom", "apply", "Loud"});
    writeUserFile();
    QCOMPARE(run.exitCode, 0);
    // The parametric EQ frames (command 0x21) the headset received.
    const QStringList peq = run.out.filter(QRegularExpression("^TX 4f 30 80 18 21 "));
    const int modeIndex = customSlotModeIndex(SoundPage::Stereo, 2, headsetModelOf(0x1054));
    const EqGains clamped{12, -12, 12, -12, 12};
    QCOMPARE(peq,
             (QStringList{
                 hexLine("TX", frame::setPeqCommand(1, 0, 4, modeIndex, clamped, 0x1054), 64),
                 hexLine("TX", frame::setPeqCommand(1, 5, 9, modeIndex, clamped, 0x1054), 64)}));
}
// The simulated unit's stereo page holds Night and Bass: the import takes
// slot 3, the headset receives the gains fitted to the file at its sample
// rate, and the user file holds the mode last, as the current mode.
void VelumixCtlTest::customImportSendsAndSavesTheFittedMode_data()
{
    QTest::addColumn<QString>("fixture");
    QTest::newRow("GraphicEQ") << "graphiceq.txt";
    QTest::newRow("parametric") << "parametric.txt";
}

void VelumixCtlTest::customImportSendsAndSavesTheFittedMode()
{
    QFETCH(QString, fixture);
    const QString path = QStringLiteral(TEST_EQUALISER_FIXTURES "/") + fixture;
    const int sampleRate = json(runProgram({"--simulate", "--json", "info"}).out.value(0))
                               .toObject()["sampleRate"]
                               .toInt();
    const HeadsetBands bands =
        headsetBands(*customModeQTable(SoundPage::Stereo, 0x1054), sampleRate);
    const EqFit fit = fitToBands(readCorrectionFile(path, bands.sampleRateHz).target, bands);

    const Run run = runProgram({"--simulate", "--trace-frames", "custom", "import", path, "--name",
                                "Fitted", "--page", "stereo"});
    const ConfigReadResult saved = readConfigFile(userFilePath());
    writeUserFile();
    QCOMPARE(run.exitCode, 0);
    QCOMPARE(peqFrames(run.out),
             expectedPeqFrames(customSlotModeIndex(SoundPage::Stereo, 2, headsetModelOf(0x1054)),
                               fit.gains));
    QCOMPARE(run.out.filter(QRegularExpression("^name: +Fitted$")).size(), 1);
    QCOMPARE(saved.customModes.size(), 4);
    QCOMPARE(saved.customModes.last(), (CustomRecord{"Stereo", "Fitted", gainsToText(fit.gains)}));
    QCOMPARE(saved.record.mode, QString("custom"));
    QCOMPARE(saved.record.algorithm, QString("Stereo"));
    QCOMPARE(saved.record.name, QString("Fitted"));
}

// An exported mode imported under another name: a document keeps its page
// and gains; parametric text, fitted again, gives the same gains.
void VelumixCtlTest::customExportImportsBackUnchanged_data()
{
    QTest::addColumn<QString>("format");
    QTest::addColumn<QStringList>("importPage");
    QTest::addColumn<CustomRecord>("imported");
    QTest::newRow("json keeps the page")
        << "json" << QStringList{} << CustomRecord{"Surround", "Copy", "9,-12,0,3,3,3,3,3,-7,12"};
    QTest::newRow("parametric") << "parametric" << QStringList{"--page", "surround"}
                                << CustomRecord{"Surround", "Copy", "9,-12,0,3,3,3,3,3,-7,12"};
}

void VelumixCtlTest::customExportImportsBackUnchanged()
{
    QFETCH(QString, format);
    QFETCH(QStringList, importPage);
    QFETCH(CustomRecord, imported);
    writeUserFile({QJsonObject{
        {"algorithm", "Surround"}, {"name", "Wide"}, {"parameter", "9,-12,0,3,3,3,3,3,-7,12"}}});
    const Run exported = runProgram({"--simulate", "custom", "export", "Wide", "--format", format});
    QCOMPARE(exported.exitCode, 0);
    QTemporaryDir folder;
    const QString path = writeFile(folder, "wide", exported.out.join('\n').toUtf8() + '\n');
    QVERIFY(!path.isEmpty());
    const Run run = runProgram(
        QStringList{"--simulate", "custom", "import", path, "--name", "Copy"} + importPage);
    const QList<CustomRecord> saved = readConfigFile(userFilePath()).customModes;
    writeUserFile();
    QVERIFY2(run.exitCode == 0, qPrintable(run.err));
    QCOMPARE(saved.last(), imported);
}

void VelumixCtlTest::customImportRefusalsSaveNothing_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<QJsonArray>("furtherModes");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("message");
    const QByteArray graphicEq = "GraphicEQ: 20 -3; 1000 0; 20000 2\n";
    const QStringList named = {"--name", "Fitted"};
    QJsonArray fullStereo;
    for (const char* name : {"A", "B", "C"})
        fullStereo.append(QJsonObject{
            {"algorithm", "Stereo"}, {"name", name}, {"parameter", "0,0,0,0,0,0,0,0,0,0"}});
    QTest::newRow("malformed line")
        << QByteArray("Preamp: -2 dB\nFilter 1: ON PK Fc 100 Hz Gain 3 dB Q 1\nFilter 2: loud\n")
        << named << QJsonArray() << int(remote::ExitUsage) << "line 3: ";
    QTest::newRow("malformed document")
        << QByteArray("{\"format\": \"velumix-mode\",\n\"version\": 1,,\n}") << named
        << QJsonArray() << int(remote::ExitUsage) << "line 2: ";
    QTest::newRow("name taken on the page")
        << graphicEq << QStringList{"--name", "Bass", "--page", "stereo"} << QJsonArray()
        << int(remote::ExitNoConfiguration) << "the stereo page has a custom mode called \"Bass\"";
    QTest::newRow("no free slot") << graphicEq << named + QStringList{"--page", "stereo"}
                                  << fullStereo << int(remote::ExitNoConfiguration)
                                  << "the stereo page has no free custom slot";
    QTest::newRow("document of the other page")
        << modeToJson({"Stereo", "Club", "1,2,3,4,5,6,7,8,9,10"}, 0x1054)
        << named + QStringList{"--page", "surround"} << QJsonArray()
        << int(remote::ExitNoConfiguration)
        << "a mode of the stereo page, not of the surround page";
    QTest::newRow("blank name") << graphicEq << QStringList{"--name", "  "} << QJsonArray()
                                << int(remote::ExitUsage) << modeNameProblem("  ");
}

void VelumixCtlTest::customImportRefusalsSaveNothing()
{
    QFETCH(QByteArray, file);
    QFETCH(QStringList, options);
    QFETCH(QJsonArray, furtherModes);
    QFETCH(int, exitCode);
    QFETCH(QString, message);
    writeUserFile(furtherModes);
    const QByteArray before = userFileBytes();
    QTemporaryDir folder;
    const QString path = writeFile(folder, "correction.txt", file);
    const Run run =
        runProgram(QStringList{"--simulate", "--trace-frames", "custom", "import", path} + options);
    const QByteArray after = userFileBytes();
    writeUserFile();
    QCOMPARE(run.exitCode, exitCode);
    QVERIFY2(run.err.contains(message), qPrintable(run.err));
    QVERIFY(peqFrames(run.out).isEmpty());
    QCOMPARE(after, before);
}

QTEST_GUILESS_MAIN(VelumixCtlTest)
#include "tst_velumixctl.moc"
