// One instance per login session, with the real program: a later start shows
// "Program is running", asks the first to show its window and ends; another
// session (another runtime folder, as another user has) runs its own; a
// crashed first instance leaves nothing that blocks the next start; a first
// instance that does not answer makes a later start fail; and the socket's
// requests.
//
// Every test gives the program a temporary folder of its own (TMPDIR), with
// the session's runtime folder inside, where the guard's lock file and the
// socket lie; so a velumix started elsewhere cannot meet the ones started
// here.

#include "SingleInstance.h"

#include <QtNetwork>
#include <QtTest>

#include <memory>
#include <vector>

#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr int kStartDeadlineMs = 20000;
constexpr int kExitDeadlineMs = 20000;
constexpr int kReplyDeadlineMs = 5000;
constexpr int kProbeMs = 200;
const QByteArray kRunningBox = "message box: prompt: Program is running";
const QByteArray kAnyBox = "message box:";
const QByteArray kRaised = "Raised by a later start";

QString programPath()
{
    return qEnvironmentVariable("VELUMIX_RUNTIME_DIR") + "/velumix";
}

// The runtime folder of the test's own session (XDG_RUNTIME_DIR of the test).
QString sessionRuntimeFolder()
{
    return qEnvironmentVariable("XDG_RUNTIME_DIR");
}

// TMPDIR and XDG_RUNTIME_DIR included: the test's, unless another session's
// runtime folder is given.
QProcessEnvironment programEnvironment(const QString& runtimeFolder = QString())
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    if (!runtimeFolder.isEmpty())
        environment.insert("XDG_RUNTIME_DIR", runtimeFolder);
    environment.insert("QT_QPA_PLATFORM", "offscreen");
    environment.insert("VELUMIX_ANSWER_BOXES", "1");
    environment.insert("QT_LOGGING_RULES", "velumix.app.debug=true");
    // Keep the window away from any real sound server.
    environment.insert("PULSE_SERVER", "unix:" + QDir::temp().filePath("no-sound-server"));
    return environment;
}

// A first instance; all it prints goes to a file, so that whatever it printed
// before answering a request can be read as soon as the answer is in.
class FirstInstance
{
public:
    FirstInstance(const QStringList& arguments, const QString& logPath,
                  const QString& runtimeFolder)
        : m_logPath(logPath)
    {
        m_process.setProcessEnvironment(programEnvironment(runtimeFolder));
        m_process.setProcessChannelMode(QProcess::MergedChannels);
        m_process.setStandardOutputFile(logPath);
        m_process.start(programPath(), arguments);
        m_process.waitForStarted();
    }
    ~FirstInstance() { crash(); }
    FirstInstance(const FirstInstance&) = delete;
    FirstInstance& operator=(const FirstInstance&) = delete;

    bool running() const { return m_process.state() == QProcess::Running; }
    qint64 pid() const { return m_process.processId(); }
    // SIGKILL: nothing of the program's own clean-up runs.
    void crash()
    {
        if (m_process.state() == QProcess::NotRunning)
            return;
        m_process.kill();
        m_process.waitForFinished();
    }
    QByteArray log() const
    {
        QFile file(m_logPath);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
    int raisedCount() const { return log().count(kRaised); }
    bool endsWithExitCodeZero()
    {
        return m_process.waitForFinished(kExitDeadlineMs) &&
               m_process.exitStatus() == QProcess::NormalExit && m_process.exitCode() == 0;
    }

private:
    QString m_logPath;
    QProcess m_process;
};

struct LaterStart
{
    bool finished = false;
    int exitCode = -1;
    QByteArray output;
};

LaterStart startLater()
{
    QProcess process;
    process.setProcessEnvironment(programEnvironment());
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(programPath(), QStringList());
    LaterStart result;
    result.finished =
        process.waitForFinished(kExitDeadlineMs) && process.exitStatus() == QProcess::NormalExit;
    if (!result.finished) {
        process.kill();
        process.waitForFinished();
    }
    result.exitCode = process.exitCode();
    result.output = process.readAll();
    return result;
}

// The socket file in a session's runtime folder (the test's own by default),
// or nothing.
QString socketPath(const QString& runtimeFolder = sessionRuntimeFolder())
{
    for (const QFileInfo& entry : QDir(runtimeFolder).entryInfoList(QDir::System | QDir::Hidden)) {
        struct stat status
        {
        };
        if (lstat(QFile::encodeName(entry.filePath()).constData(), &status) == 0 &&
            S_ISSOCK(status.st_mode))
            return entry.filePath();
    }
    return QString();
}

// Whether a program holds the session's guard.
bool guardHeld()
{
    const QByteArray lock = QFile::encodeName(SingleInstance::sessionKeys("velumix").lock);
    const int descriptor = ::open(lock.constData(), O_RDWR | O_CLOEXEC);
    if (descriptor < 0)
        return false;
    const bool held = ::flock(descriptor, LOCK_EX | LOCK_NB) != 0;
    ::close(descriptor);
    return held;
}

bool someoneListens(const QString& runtimeFolder = sessionRuntimeFolder())
{
    const QString path = socketPath(runtimeFolder);
    if (path.isEmpty())
        return false;
    QLocalSocket probe;
    probe.connectToServer(path);
    return probe.waitForConnected(kProbeMs);
}

bool waitUntilListening(const FirstInstance& first,
                        const QString& runtimeFolder = sessionRuntimeFolder())
{
    return QTest::qWaitFor([&] { return !first.running() || someoneListens(runtimeFolder); },
                           kStartDeadlineMs) &&
           first.running();
}

QByteArray line(const QJsonObject& object)
{
    return QJsonDocument(object).toJson(QJsonDocument::Compact) + '\n';
}

QByteArray request(const QString& command, int version = SingleInstance::kProtocolVersion)
{
    return line({{"version", version}, {"command", command}});
}

QJsonObject readReply(QLocalSocket& socket)
{
    while (!socket.canReadLine()) {
        if (!socket.waitForReadyRead(kReplyDeadlineMs))
            return QJsonObject();
    }
    return QJsonDocument::fromJson(socket.readLine()).object();
}

enum class Silence
{
    SocketRemoved,
    FirstFrozen
};

} // namespace

Q_DECLARE_METATYPE(Silence)

class SingleInstanceTest : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();

    void laterStartsRaiseTheFirst();
    void otherSessionsRunTheirOwn();
    void crashedFirstIsReplaced();
    void endedFirstLeavesNothing_data();
    void endedFirstLeavesNothing();
    void laterStartWithoutAnswerFails_data();
    void laterStartWithoutAnswerFails();
    void requests_data();
    void requests();
    void diagnosticsStayInTheTraceLog_data();
    void diagnosticsStayInTheTraceLog();

private:
    FirstInstance& startFirst(const QStringList& arguments = {"-autorun"},
                              const QString& runtimeFolder = QString());

    QString newRuntimeFolder(const QString& name);

    QString m_systemTemp;
    QByteArray m_systemRuntime;
    std::unique_ptr<QTemporaryDir> m_programTemp;
    std::vector<std::unique_ptr<FirstInstance>> m_firsts;
};

void SingleInstanceTest::initTestCase()
{
    QVERIFY2(QFileInfo(programPath()).isExecutable(),
             "run through ctest, after building the velumix target");
    m_systemTemp = QDir::tempPath();
}

void SingleInstanceTest::init()
{
    m_programTemp = std::make_unique<QTemporaryDir>(m_systemTemp + "/velumix-instance-XXXXXX");
    QVERIFY(m_programTemp->isValid());
    // The test itself looks at the guard through the same folders.
    qputenv("TMPDIR", QFile::encodeName(m_programTemp->path()));
    m_systemRuntime = qgetenv("XDG_RUNTIME_DIR");
    const QString runtime = newRuntimeFolder("session");
    QVERIFY(!runtime.isEmpty());
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtime));
}

void SingleInstanceTest::cleanup()
{
    m_firsts.clear(); // kills whatever still runs
    qputenv("TMPDIR", QFile::encodeName(m_systemTemp));
    qputenv("XDG_RUNTIME_DIR", m_systemRuntime);
    m_programTemp.reset();
}

// A folder of mode 0700 for one session's runtime files, as the session
// manager makes it.
QString SingleInstanceTest::newRuntimeFolder(const QString& name)
{
    const QString folder = m_programTemp->filePath(name);
    if (!QDir().mkpath(folder) ||
        !QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner))
        return QString();
    return folder;
}

FirstInstance& SingleInstanceTest::startFirst(const QStringList& arguments,
                                              const QString& runtimeFolder)
{
    const QString log =
        m_programTemp->filePath(QStringLiteral("first-%1.log").arg(m_firsts.size()));
    m_firsts.push_back(std::make_unique<FirstInstance>(arguments, log, runtimeFolder));
    return *m_firsts.back();
}

void SingleInstanceTest::laterStartsRaiseTheFirst()
{
    const FirstInstance& first = startFirst();
    QVERIFY2(waitUntilListening(first), first.log().constData());
    const QString socketName = QFileInfo(socketPath()).fileName();
    QVERIFY2(socketName.contains("velumix") && socketName.contains(QString::number(getuid())),
             qPrintable(socketName));

    for (int start = 1; start <= 2; ++start) {
        const LaterStart later = startLater();
        QVERIFY2(later.finished, later.output.constData());
        QVERIFY2(later.output.contains(kRunningBox), later.output.constData());
        QCOMPARE(later.exitCode, 0);
        QTRY_COMPARE_WITH_TIMEOUT(first.raisedCount(), start, kReplyDeadlineMs);
    }
    QVERIFY(first.running());
    QVERIFY2(!first.log().contains(kAnyBox), first.log().constData());
}

// Another user's session, or another session of the same user, has a runtime
// folder of its own: its program runs beside this session's, and a later
// start in this session raises this session's window only.
void SingleInstanceTest::otherSessionsRunTheirOwn()
{
    const QString otherRuntime = newRuntimeFolder("other-session");
    QVERIFY(!otherRuntime.isEmpty());
    const FirstInstance& mine = startFirst();
    QVERIFY2(waitUntilListening(mine), mine.log().constData());
    const FirstInstance& other = startFirst({"-autorun"}, otherRuntime);
    QVERIFY2(waitUntilListening(other, otherRuntime), other.log().constData());
    QVERIFY(mine.running());
    QVERIFY2(!other.log().contains(kAnyBox), other.log().constData());
    QVERIFY(socketPath() != socketPath(otherRuntime));

    const LaterStart later = startLater();
    QVERIFY2(later.finished, later.output.constData());
    QVERIFY2(later.output.contains(kRunningBox), later.output.constData());
    QTRY_COMPARE_WITH_TIMEOUT(mine.raisedCount(), 1, kReplyDeadlineMs);
    QCOMPARE(other.raisedCount(), 0);
}

void SingleInstanceTest::crashedFirstIsReplaced()
{
    FirstInstance& crashed = startFirst();
    QVERIFY2(waitUntilListening(crashed), crashed.log().constData());
    QVERIFY(guardHeld());
    crashed.crash();
    // The system let go of the lock; the socket file outlives the crash.
    QVERIFY(!guardHeld());
    QVERIFY(!socketPath().isEmpty());
    QVERIFY(!someoneListens());

    const FirstInstance& next = startFirst();
    QVERIFY2(waitUntilListening(next), next.log().constData());
    QVERIFY2(!next.log().contains(kAnyBox), next.log().constData());

    const LaterStart later = startLater();
    QVERIFY2(later.finished, later.output.constData());
    QCOMPARE(later.exitCode, 0);
    QTRY_COMPARE_WITH_TIMEOUT(next.raisedCount(), 1, kReplyDeadlineMs);
}

void SingleInstanceTest::endedFirstLeavesNothing_data()
{
    QTest::addColumn<int>("signalNumber");
    QTest::newRow("SIGTERM, the session ends") << int(SIGTERM);
    QTest::newRow("SIGINT, Ctrl+C") << int(SIGINT);
    QTest::newRow("SIGHUP, the terminal closes") << int(SIGHUP);
}

// Ended by a signal, the program quits as its Exit menu does: no socket file
// stays behind, and the guard is free.
void SingleInstanceTest::endedFirstLeavesNothing()
{
    QFETCH(int, signalNumber);
    FirstInstance& first = startFirst();
    QVERIFY2(waitUntilListening(first), first.log().constData());
    QVERIFY(guardHeld());

    QCOMPARE(::kill(first.pid(), signalNumber), 0);
    QVERIFY2(first.endsWithExitCodeZero(), first.log().constData());
    QVERIFY(!guardHeld());
    QVERIFY2(socketPath().isEmpty(), qPrintable(socketPath()));
}

void SingleInstanceTest::laterStartWithoutAnswerFails_data()
{
    QTest::addColumn<Silence>("silence");
    QTest::newRow("socket file removed") << Silence::SocketRemoved;
    QTest::newRow("first instance frozen") << Silence::FirstFrozen;
}

// The first instance still holds the guard but cannot answer.
void SingleInstanceTest::laterStartWithoutAnswerFails()
{
    QFETCH(Silence, silence);
    const FirstInstance& first = startFirst();
    QVERIFY2(waitUntilListening(first), first.log().constData());
    if (silence == Silence::SocketRemoved)
        QVERIFY(QFile::remove(socketPath()));
    else
        QCOMPARE(::kill(static_cast<pid_t>(first.pid()), SIGSTOP), 0); // SIGKILL still ends it

    const LaterStart later = startLater();

    QVERIFY2(later.finished, later.output.constData());
    QVERIFY2(later.output.contains(kRunningBox), later.output.constData()); // shown all the same
    QCOMPARE(later.exitCode, 255);                                          // -1
}

void SingleInstanceTest::requests_data()
{
    const int version = SingleInstance::kProtocolVersion;
    QTest::addColumn<QByteArray>("requests");
    QTest::addColumn<QVector<bool>>("answers"); // whether each result reports success
    QTest::addColumn<int>("raises");
    QTest::addColumn<bool>("closed"); // the connection, once answered
    QTest::newRow("raise") << request("raise") << QVector<bool>{true} << 1 << false;
    QTest::newRow("newer version")
        << request("raise", version + 1) << QVector<bool>{false} << 0 << true;
    QTest::newRow("older version")
        << request("raise", version - 1) << QVector<bool>{false} << 0 << true;
    QTest::newRow("no version") << line({{"command", "raise"}}) << QVector<bool>{false} << 0
                                << true;
    QTest::newRow("unknown command") << request("quit") << QVector<bool>{false} << 0 << false;
    QTest::newRow("no command") << line({{"version", version}}) << QVector<bool>{false} << 0
                                << true;
    QTest::newRow("not JSON") << QByteArray("raise\n") << QVector<bool>{false} << 0 << true;
    QTest::newRow("JSON array") << "[" + request("raise").trimmed() + "]\n"
                                << QVector<bool>{false} << 0 << true;
    QTest::newRow("two requests in one write")
        << request("quit") + request("raise") << QVector<bool>{false, true} << 1 << false;
}

void SingleInstanceTest::requests()
{
    QFETCH(QByteArray, requests);
    QFETCH(QVector<bool>, answers);
    QFETCH(int, raises);
    QFETCH(bool, closed);
    const FirstInstance& first = startFirst();
    QVERIFY2(waitUntilListening(first), first.log().constData());
    QLocalSocket socket;
    socket.connectToServer(socketPath());
    QVERIFY(socket.waitForConnected(kReplyDeadlineMs));

    socket.write(requests);
    for (const bool ok : answers) {
        const QJsonObject reply = readReply(socket);
        QVERIFY(reply.value("exit").isDouble());
        QCOMPARE(reply.value("exit").toInt() == 0, ok);
        QCOMPARE(reply.value("version"), QJsonValue(SingleInstance::kProtocolVersion));
    }
    if (closed)
        QVERIFY(socket.state() == QLocalSocket::UnconnectedState ||
                socket.waitForDisconnected(kReplyDeadlineMs));
    else
        QCOMPARE(socket.state(), QLocalSocket::ConnectedState);
    // Requests are handled one after the other, so once a further one is
    // answered, anything the earlier ones raised is in the log.
    QLocalSocket further;
    further.connectToServer(socketPath());
    QVERIFY(further.waitForConnected(kReplyDeadlineMs));
    further.write(request("no-such-command"));
    const QJsonValue exit = readReply(further).value("exit");
    QVERIFY(exit.isDouble() && exit.toInt() != 0);

    QCOMPARE(first.raisedCount(), raises);
}

void SingleInstanceTest::diagnosticsStayInTheTraceLog_data()
{
    QTest::addColumn<QString>("rules"); // QT_LOGGING_RULES; empty: not set
    QTest::addColumn<bool>("onStderr");
    QTest::newRow("no rules") << QString() << false;
    QTest::newRow("turned on") << "velumix.*.debug=true" << true;
    QTest::newRow("another category turned on") << "qt.qpa.*.debug=false" << false;
}

// A start from the menu sends what the program prints to the journal: its
// diagnostics stay in its trace log unless QT_LOGGING_RULES asks for them.
void SingleInstanceTest::diagnosticsStayInTheTraceLog()
{
    QFETCH(QString, rules);
    QFETCH(bool, onStderr);
    QProcessEnvironment environment = programEnvironment();
    environment.remove("QT_LOGGING_RULES");
    if (!rules.isEmpty())
        environment.insert("QT_LOGGING_RULES", rules);
    const QString traceLog = QDir::home().filePath("Documents/velumix/debug.log");
    QFile::remove(traceLog);
    QProcess program;
    program.setProcessEnvironment(environment);
    program.setProcessChannelMode(QProcess::MergedChannels);
    program.start(programPath(), {"-autorun"});
    const auto stop = qScopeGuard([&] {
        if (program.state() != QProcess::NotRunning) {
            program.kill();
            program.waitForFinished();
        }
    });
    QVERIFY(QTest::qWaitFor([] { return someoneListens(); }, kStartDeadlineMs));
    // The answer comes from the running event loop, after the window's start.
    QLocalSocket socket;
    socket.connectToServer(socketPath());
    QVERIFY(socket.waitForConnected(kReplyDeadlineMs));
    socket.write(request("raise"));
    QCOMPARE(readReply(socket).value("exit"), QJsonValue(0));

    program.kill();
    QVERIFY(program.waitForFinished());
    const QByteArray output = program.readAll();
    QCOMPARE(output.contains("Register SuccessFul!"), onStderr);
    QVERIFY2(onStderr || !output.contains("json Parse Error"), output.constData());
    QVERIFY(QFileInfo(traceLog).size() > 0);
}

QTEST_GUILESS_MAIN(SingleInstanceTest)
#include "tst_singleinstance.moc"
