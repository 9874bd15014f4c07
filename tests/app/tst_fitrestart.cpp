// The fit-to-screen restart keeps every argument: the real program at twice
// the scale on a 1920x1080 X11 screen (tests/window/display-server.sh x11)
// does not fit, starts itself once more with a lower scale factor, and the
// restarted process has the same arguments as the first, Qt's own
// (-platform, -style) included, which QApplication takes out of argv.

#include <QtTest>

#include <signal.h>

namespace {

constexpr int kRestartDeadlineMs = 20000;

QString programPath()
{
    return qEnvironmentVariable("VELUMIX_RUNTIME_DIR") + "/velumix";
}

QByteArray procFile(qint64 pid, const char* name)
{
    QFile file(QStringLiteral("/proc/%1/%2").arg(pid).arg(QLatin1String(name)));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

class FitRestartTest : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void restartKeepsEveryArgument_data();
    void restartKeepsEveryArgument();
};

void FitRestartTest::initTestCase()
{
    QVERIFY2(QFileInfo(programPath()).isExecutable(),
             "run through ctest, after building the velumix target");
    QVERIFY2(qEnvironmentVariable("QT_QPA_PLATFORM") == "xcb" &&
                 qEnvironmentVariableIsSet("DISPLAY"),
             "run through tests/window/display-server.sh x11");
}

void FitRestartTest::restartKeepsEveryArgument_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::newRow("-platform xcb") << QStringList{"-platform", "xcb"};
    QTest::newRow("-style fusion") << QStringList{"-style", "fusion"};
    QTest::newRow("--simulate=104d") << QStringList{"--simulate=104d"};
    QTest::newRow("-autorun") << QStringList{"-autorun"};
    QTest::newRow("all of them") << QStringList{"-platform",       "xcb",     "-style", "fusion",
                                                "--simulate=104d", "-autorun"};
}

void FitRestartTest::restartKeepsEveryArgument()
{
    QFETCH(QStringList, arguments);
    QProcess program;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("QT_SCALE_FACTOR", "2"); // 1920x1080 is then 960x540
    environment.remove("VELUMIX_SCALED_TO_FIT");
    environment.insert("VELUMIX_ANSWER_BOXES", "1");
    environment.insert("PULSE_SERVER", "unix:" + QDir::temp().filePath("no-sound-server"));
    program.setProcessEnvironment(environment);
    program.setProcessChannelMode(QProcess::MergedChannels);
    program.start(programPath(), arguments);
    QVERIFY(program.waitForStarted());
    const auto stop = qScopeGuard([&] {
        program.kill();
        program.waitForFinished();
    });
    const qint64 pid = program.processId();

    // execv keeps the process: its environment and command line are the
    // restarted program's once the mark is in.
    const bool restarted = QTest::qWaitFor(
        [&] {
            return program.state() != QProcess::Running ||
                   procFile(pid, "environ").split('\0').contains("VELUMIX_SCALED_TO_FIT=1");
        },
        kRestartDeadlineMs);
    QVERIFY2(restarted && program.state() == QProcess::Running, program.readAll().constData());

    const QList<QByteArray> commandLine = procFile(pid, "cmdline").split('\0');
    QStringList seen;
    for (const QByteArray& argument : commandLine.mid(1, commandLine.size() - 2))
        seen << QString::fromLocal8Bit(argument);
    QCOMPARE(seen, arguments);
    const QList<QByteArray> variables = procFile(pid, "environ").split('\0');
    QVERIFY(!variables.contains("QT_SCALE_FACTOR=2"));
}

QTEST_GUILESS_MAIN(FitRestartTest)
#include "tst_fitrestart.moc"
