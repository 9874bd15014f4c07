// A whole session scripted with velumixctl against `velumix --simulate`
// started by the test: every command goes through the window, which shows
// and stores what a click would, and `watch` sees it all happen.

#include "ConfigNames.h"
#include "ConfigReader.h"
#include "RemoteClient.h"

#include <QtTest>

namespace {

struct Run
{
    int exitCode = -1;
    QByteArray out;
    QByteArray err;

    QJsonObject object() const { return QJsonDocument::fromJson(out).object(); }
};

QString program(const char* name)
{
    return qEnvironmentVariable("VELUMIX_RUNTIME_DIR") + "/" + name;
}

Run velumixctl(const QStringList& args)
{
    QProcess process;
    process.start(program("velumixctl"), args);
    Run run;
    if (!process.waitForFinished(10000))
        return run;
    run.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    run.out = process.readAllStandardOutput();
    run.err = process.readAllStandardError();
    return run;
}

QJsonObject get()
{
    const Run run = velumixctl({"--json", "get"});
    return run.exitCode == 0 ? run.object() : QJsonObject{{"failed", QString(run.err)}};
}

// The saved mode in the user file of the unit with `productId` and `identity`.
QString savedModeName(quint16 productId, const QString& identity)
{
    const QString path = userFileFolder(kWindowProgramName) + "/" +
                         userFileName(0x3206, productId, identityFromHex(identity));
    return readConfigFile(path).record.name;
}

// The unit `velumix --simulate` plugs in first, and the custom modes its
// person saved before: one to apply, and a name two stereo modes share.
constexpr char kFirstIdentity[] = "5a17c001";

void writeFirstUnitFile()
{
    QFile defaults(qEnvironmentVariable("VELUMIX_RUNTIME_DIR") + "/../share/velumix/" +
                   kDefaultFileFolder + "/" + defaultFileName(0x3206, 0x1054));
    QVERIFY(defaults.open(QIODevice::ReadOnly));
    QJsonObject document = QJsonDocument::fromJson(defaults.readAll()).object();
    document["uuid"] = kFirstIdentity;
    QJsonArray modes;
    for (const auto& [algorithm, name] :
         {std::pair{"Surround", "Night"}, std::pair{"Stereo", "Twin"}, std::pair{"Stereo", "Twin"}})
        modes.append(QJsonObject{
            {"algorithm", algorithm}, {"name", name}, {"parameter", "3,2,1,0,-1,-2,-3,0,1,2"}});
    document["customMode"] = modes;
    QVERIFY(QDir().mkpath(userFileFolder(kWindowProgramName)));
    QFile file(userFileFolder(kWindowProgramName) + "/" +
               userFileName(0x3206, 0x1054, identityFromHex(kFirstIdentity)));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(QJsonDocument(document).toJson());
}

} // namespace

class TestThroughWindow : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void commandsActAsClicks();
    void importShowsTheNewModeAtOnce();
    void refusalsComeBackWithTheirExitCodes_data();
    void refusalsComeBackWithTheirExitCodes();
    void simulatedHeadsetIsScripted();
    void watchSawEveryChange();

private:
    QStringList watchedEvents();

    QProcess m_window;
    QProcess m_watch;
    QString m_identity;
};

void TestThroughWindow::initTestCase()
{
    QVERIFY(!QFile::exists(remote::windowSocketPath()));
    writeFirstUnitFile();
    m_window.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    m_window.start(program("velumix"), {"--simulate=1054"});
    QVERIFY(m_window.waitForStarted());
    // Listening, and the simulated unit plugged in and known.
    QTRY_VERIFY_WITH_TIMEOUT(get()["identity"].isString(), 20000);
    m_identity = get()["identity"].toString();
    QCOMPARE(m_identity, QString(kFirstIdentity));
    m_watch.start(program("velumixctl"), {"--json", "watch"});
    QVERIFY(m_watch.waitForStarted());
    QTest::qWait(500); // until the window counts it as a watcher
}

void TestThroughWindow::cleanupTestCase()
{
    for (QProcess* process : {&m_watch, &m_window}) {
        process->terminate();
        if (!process->waitForFinished(5000))
            process->kill();
    }
}

void TestThroughWindow::commandsActAsClicks()
{
    const QJsonObject start = get();
    QCOMPARE(start["model"].toString(), QString("Halden"));
    QCOMPARE(start["page"].toString(), QString("surround"));

    QCOMPARE(velumixctl({"preset", "Jazz", "--page", "stereo"}).exitCode, 0);
    const QJsonObject jazz = get();
    QCOMPARE(jazz["page"].toString(), QString("stereo"));
    QCOMPARE(jazz["mode"].toObject()["kind"].toString(), QString("preset"));
    QCOMPARE(jazz["mode"].toObject()["name"].toString(), QString("Jazz"));
    // The Jazz entry of the model's default file, on the sliders.
    QCOMPARE(jazz["gains"].toArray(), QJsonArray({2, 2, 3, 3, 2, 1, 0, 0, 1, 1}));
    QCOMPARE(savedModeName(0x1054, m_identity), QString("Jazz"));

    const Run custom = velumixctl({"--json", "custom", "list"});
    QCOMPARE(custom.exitCode, 0);
    const QJsonObject first = QJsonDocument::fromJson(custom.out).array().at(0).toObject();
    QCOMPARE(first["name"].toString(), QString("Night"));
    QCOMPARE(velumixctl({"custom", "apply", "Night"}).exitCode, 0);
    const QJsonObject applied = get();
    QCOMPARE(applied["page"].toString(), QString("surround"));
    QCOMPARE(applied["mode"].toObject()["kind"].toString(), QString("custom"));
    QCOMPARE(applied["gains"].toArray(), QJsonArray({3, 2, 1, 0, -1, -2, -3, 0, 1, 2}));
    QCOMPARE(savedModeName(0x1054, m_identity), QString("Night"));

    QCOMPARE(velumixctl({"mic-volume", "40"}).exitCode, 0);
    QCOMPARE(velumixctl({"enc", "off"}).exitCode, 0); // a new unit starts with it on
    const QJsonObject microphone = get();
    QCOMPARE(microphone["micLevel"].toInt(), 40);
    QCOMPARE(microphone["noiseCancellation"], QJsonValue(false));
}

// The window fits the file, shows the mode in the page's next slot, sends it
// and saves it; export gives its gains back.
void TestThroughWindow::importShowsTheNewModeAtOnce()
{
    QTemporaryDir folder;
    QFile correction(folder.filePath("correction.txt"));
    QVERIFY(correction.open(QIODevice::WriteOnly));
    correction.write("GraphicEQ: 20 6; 200 2; 2000 -3; 20000 4\n");
    correction.close();
    const Run imported = velumixctl({"--json", "custom", "import", correction.fileName(), "--name",
                                     "Fitted", "--page", "stereo"});
    QVERIFY2(imported.exitCode == 0, imported.err.constData());
    const QJsonArray gains = imported.object()["gains"].toArray();
    QCOMPARE(gains.size(), 10);

    const QJsonObject shown = get();
    QCOMPARE(shown["page"].toString(), QString("stereo"));
    QCOMPARE(shown["mode"].toObject()["kind"].toString(), QString("custom"));
    QCOMPARE(shown["mode"].toObject()["name"].toString(), QString("Fitted"));
    QCOMPARE(shown["gains"].toArray(), gains);
    const QJsonArray listed =
        QJsonDocument::fromJson(velumixctl({"--json", "custom", "list"}).out).array();
    QVERIFY(listed.contains(QJsonObject{{"page", "stereo"}, {"name", "Fitted"}, {"gains", gains}}));
    QCOMPARE(savedModeName(0x1054, m_identity), QString("Fitted"));

    const Run exported = velumixctl({"custom", "export", "Fitted", "--format", "json"});
    QCOMPARE(exported.exitCode, 0);
    QCOMPARE(QJsonDocument::fromJson(exported.out).object()["gains"].toArray(), gains);
}

void TestThroughWindow::refusalsComeBackWithTheirExitCodes_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("errorPart");
    QTest::newRow("unknown preset names the model's")
        << QStringList{"preset", "Nope"} << 8 << "'Jazz'";
    QTest::newRow("unknown custom mode")
        << QStringList{"custom", "apply", "Nope"} << 8 << "no custom mode 'Nope'";
    QTest::newRow("ambiguous custom name")
        << QStringList{"custom", "apply", "Twin"} << 8 << "stereo slot 1, stereo slot 2";
    QTest::newRow("import of a missing file")
        << QStringList{"custom", "import", "/nonexistent/eq.txt", "--name", "X"} << 2
        << "cannot open /nonexistent/eq.txt";
    QTest::newRow("level out of range") << QStringList{"mic-volume", "101"} << 2 << "0 to 100";
    QTest::newRow("new unit without identity")
        << QStringList{"simulate", "new-unit", "4130"} << 2 << "IDENTITY";
}

void TestThroughWindow::refusalsComeBackWithTheirExitCodes()
{
    QFETCH(QStringList, args);
    QFETCH(int, exitCode);
    QFETCH(QString, errorPart);
    const QJsonObject before = get();
    const Run run = velumixctl(QStringList{"--json"} + args);
    QCOMPARE(run.exitCode, exitCode);
    const QJsonObject error = QJsonDocument::fromJson(run.err).object();
    QCOMPARE(error["exit"].toInt(), exitCode);
    QVERIFY2(error["error"].toString().contains(errorPart), run.err.constData());
    QCOMPARE(get(), before);
}

void TestThroughWindow::simulatedHeadsetIsScripted()
{
    QCOMPARE(velumixctl({"simulate", "unplug"}).exitCode, 0);
    QCOMPARE(velumixctl({"get"}).exitCode, 3); // as when velumixctl finds none itself
    QCOMPARE(velumixctl({"simulate", "plug"}).exitCode, 0);
    QTRY_COMPARE_WITH_TIMEOUT(get()["identity"].toString(), m_identity, 10000);

    QCOMPARE(velumixctl({"simulate", "report-page", "stereo"}).exitCode, 0);
    QCOMPARE(velumixctl({"simulate", "new-unit", "4130", "0a1b2c3d"}).exitCode, 0);
    QTRY_COMPARE_WITH_TIMEOUT(get()["identity"].toString(), QString("0a1b2c3d"), 10000);
    const QJsonObject unit = get();
    QCOMPARE(unit["model"].toString(), QString("Sorel"));
    QCOMPARE(unit["page"].toString(), QString("stereo"));
}

QStringList TestThroughWindow::watchedEvents()
{
    QStringList names;
    for (const QByteArray& line : m_watch.readAllStandardOutput().split('\n')) {
        const QJsonObject event = QJsonDocument::fromJson(line).object();
        if (!event.isEmpty())
            names << event["event"].toString();
    }
    return names;
}

void TestThroughWindow::watchSawEveryChange()
{
    QTest::qWait(500);
    const QStringList events = watchedEvents();
    for (const char* expected :
         {"mode", "page", "mic-level", "noise-cancellation", "unplugged", "plugged", "unit"})
        QVERIFY2(events.contains(expected), qPrintable(expected + (": " + events.join(' '))));
    QVERIFY(events.indexOf("unplugged") < events.lastIndexOf("plugged"));
}

QTEST_GUILESS_MAIN(TestThroughWindow)
#include "tst_throughwindow.moc"
