// Message boxes nobody answers while the window goes on serving: each
// "Device Change!" of a new unit replaces the one before instead of piling
// up, the commands that raise boxes answer with their own results at once,
// and the program ends cleanly on SIGTERM with boxes open. The real program
// runs with its boxes shown (offscreen), as a person who walked away has
// them.

#include "ConfigNames.h"

#include <QtTest>

#include <signal.h>

namespace {

QString program(const char* name)
{
    return qEnvironmentVariable("VELUMIX_RUNTIME_DIR") + "/" + name;
}

struct Run
{
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
};

Run velumixctl(const QStringList& args)
{
    QProcess process;
    process.start(program("velumixctl"), args);
    Run run;
    if (!process.waitForFinished(20000))
        return run;
    run.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    run.out = process.readAllStandardOutput();
    run.err = process.readAllStandardError();
    return run;
}

QString identityShown()
{
    const Run run = velumixctl({"--json", "get"});
    return QJsonDocument::fromJson(run.out).object()["identity"].toString();
}

QString userFileOf(const QString& identity)
{
    return userFileFolder(kWindowProgramName) + "/" +
           userFileName(0x3206, 0x1054, identityFromHex(identity));
}

} // namespace

class OpenBoxesTest : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void newUnitsReplaceTheirBox();
    void failedSavesAnswerAtOnce();
    void terminationEndsCleanlyWithBoxesOpen();

private:
    int logCount(const QString& line) const;

    QTemporaryDir m_scratch;
    QProcess m_window;
};

void OpenBoxesTest::initTestCase()
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("QT_LOGGING_RULES", "velumix.boxes.debug=true");
    environment.remove("VELUMIX_ANSWER_BOXES");
    m_window.setProcessEnvironment(environment);
    m_window.setStandardErrorFile(m_scratch.filePath("window.log"));
    m_window.start(program("velumix"), {"--simulate=1054"});
    QVERIFY(m_window.waitForStarted());
    QTRY_VERIFY_WITH_TIMEOUT(!identityShown().isEmpty(), 20000);
}

void OpenBoxesTest::cleanupTestCase()
{
    m_window.kill();
    m_window.waitForFinished();
}

int OpenBoxesTest::logCount(const QString& line) const
{
    QFile log(m_scratch.filePath("window.log"));
    return log.open(QIODevice::ReadOnly) ? log.readAll().count(line.toUtf8()) : -1;
}

void OpenBoxesTest::newUnitsReplaceTheirBox()
{
    constexpr int kUnits = 4;
    for (int unit = 1; unit <= kUnits; ++unit) {
        const QString identity = QStringLiteral("eeee000%1").arg(unit);
        const Run plugged = velumixctl({"simulate", "new-unit", "1054", identity});
        QCOMPARE(plugged.exitCode, 0);
        QTRY_COMPARE_WITH_TIMEOUT(identityShown(), identity, 10000);
    }
    QTRY_COMPARE_WITH_TIMEOUT(logCount("shown: prompt : Device Change!"), kUnits, 10000);
    QCOMPARE(logCount("replaced: prompt : Device Change!"), kUnits - 1);
}

// A save that fails raises its box, and the command that made it says why
// at once, instead of the window not answering while the box waits.
void OpenBoxesTest::failedSavesAnswerAtOnce()
{
    const QString userFile = userFileOf(identityShown());
    QVERIFY(QFile::remove(userFile));
    QVERIFY(QDir().mkpath(userFile)); // a folder where the file was
    const QString mode = m_scratch.filePath("club.json");
    QFile document(mode);
    QVERIFY(document.open(QIODevice::WriteOnly));
    document.write(R"({"format": "velumix-mode", "version": 1, "name": "Club", "page": "stereo",
                      "gains": [6, 4, 0, 0, 0, 0, 0, 0, 0, -2]})");
    document.close();

    for (const QString& name : QStringList{"Club", "Club 2"}) {
        const Run imported = velumixctl({"custom", "import", mode, "--name", name});
        QCOMPARE(imported.exitCode, 8);
        QVERIFY2(imported.err.contains(userFile.toUtf8()), imported.err.constData());
    }
    QTRY_COMPARE_WITH_TIMEOUT(logCount("shown: Error : Json File Save Error!"), 2, 10000);
    QCOMPARE(logCount("replaced: Error : Json File Save Error!"), 1);
}

void OpenBoxesTest::terminationEndsCleanlyWithBoxesOpen()
{
    QCOMPARE(::kill(pid_t(m_window.processId()), SIGTERM), 0);
    QVERIFY(m_window.waitForFinished(20000));
    QCOMPARE(m_window.exitStatus(), QProcess::NormalExit);
    QCOMPARE(m_window.exitCode(), 0);
}

QTEST_MAIN(OpenBoxesTest)
#include "tst_openboxes.moc"
