// When the sound server's clients try again. The server the client library
// finds by itself: its socket's folder is watched, with no timer running,
// and the socket's appearance brings a try, whether its folders were there
// or came one by one. A server named explicitly: tries on the timer's
// pauses. And both clients, without a server, idle without waking and find
// a private server that starts after them.

#include "PlaybackStreams.h"
#include "PrivatePulseServer.h"
#include "ReconnectSchedule.h"
#include "SystemVolume.h"

#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QLocalServer>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <algorithm>
#include <map>
#include <memory>
#include <optional>

using pulse::ReconnectSchedule;

namespace {

constexpr int kWaitMs = 10000;
// Long enough for the timer's first two tries (after 1 and 3 s), had the
// client started the timer.
constexpr int kIdleMs = 3500;

// The running timers of the object and of all it owns: the schedule's, or
// one a file watcher that polls would run.
int runningTimers(const QObject& object)
{
    const QList<QTimer*> timers = object.findChildren<QTimer*>();
    return static_cast<int>(std::count_if(timers.begin(), timers.end(),
                                          [](const QTimer* timer) { return timer->isActive(); }));
}

// How often this thread has slept and been woken.
long waitsOfThisThread()
{
    QFile status(QStringLiteral("/proc/thread-self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray key = "voluntary_ctxt_switches:";
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith(key))
            return line.mid(key.size()).trimmed().toLong();
    return -1;
}

// Runs the event loop for a while with nothing to do; returns how often
// the thread was woken meanwhile, the loop's own end included.
long wakeUpsWhileIdle()
{
    const long before = waitsOfThisThread();
    QEventLoop idle;
    QTimer::singleShot(kIdleMs, &idle, &QEventLoop::quit);
    idle.exec();
    return waitsOfThisThread() - before;
}

// Sets environment variables for one test function and puts them back
// afterwards.
class Environment
{
public:
    ~Environment()
    {
        for (const auto& [name, value] : m_saved)
            value ? qputenv(name.constData(), *value) : qunsetenv(name.constData());
    }
    void set(const char* name, const QByteArray& value)
    {
        save(name);
        qputenv(name, value);
    }
    void unset(const char* name)
    {
        save(name);
        qunsetenv(name);
    }

private:
    void save(const char* name)
    {
        if (m_saved.count(name) == 0)
            m_saved[name] =
                qEnvironmentVariableIsSet(name) ? std::optional(qgetenv(name)) : std::nullopt;
    }

    std::map<QByteArray, std::optional<QByteArray>> m_saved;
};

// An environment in which the client library would find its server by
// itself in `runtime` (XDG_RUNTIME_DIR), whatever the machine's client.conf
// says; `clientConf` is the client configuration read instead, written
// below `root`. False when it could not be written.
bool useDefaultServer(Environment& environment, const QTemporaryDir& root, const QString& runtime,
                      const QByteArray& clientConf = {})
{
    const QString conf = root.filePath(QStringLiteral("client.conf"));
    environment.set("PULSE_CLIENTCONFIG", QFile::encodeName(conf));
    environment.unset("PULSE_SERVER");
    environment.unset("PULSE_RUNTIME_PATH");
    environment.set("XDG_RUNTIME_DIR", QFile::encodeName(runtime));
    QFile file(conf);
    return file.open(QIODevice::WriteOnly) && file.write(clientConf) == clientConf.size();
}

// Hands the watcher's news of a folder just made to the schedule: the
// kernel queued it before mkdir returned.
void deliverFolderNews()
{
    for (int round = 0; round < 3; ++round)
        QCoreApplication::processEvents();
}

enum class Client
{
    SystemVolume,
    PlaybackStreams
};

// A client of the server the library finds by itself, and a spy on its
// reports of being connected (true) or not.
struct ClientUnderTest
{
    std::unique_ptr<QObject> object;
    std::unique_ptr<QSignalSpy> reports;
};

ClientUnderTest makeClient(Client client)
{
    if (client == Client::SystemVolume) {
        auto volume = std::make_unique<SystemVolume>();
        auto reports =
            std::make_unique<QSignalSpy>(volume.get(), &SystemVolume::serverAvailabilityChanged);
        return {std::move(volume), std::move(reports)};
    }
    HeadsetOutput output;
    output.defaultSink = true;
    auto streams = std::make_unique<PlaybackStreams>(output);
    auto reports = std::make_unique<QSignalSpy>(streams.get(), &PlaybackStreams::connectedChanged);
    return {std::move(streams), std::move(reports)};
}

} // namespace

Q_DECLARE_METATYPE(Client)

class TestReconnectSchedule : public QObject
{
    Q_OBJECT

private slots:
    void triesWhenTheSocketAppears_data();
    void triesWhenTheSocketAppears();
    void triesOnTheTimer_data();
    void triesOnTheTimer();
    void clientFindsServerStartedLater_data();
    void clientFindsServerStartedLater();
};

void TestReconnectSchedule::triesWhenTheSocketAppears_data()
{
    // Paths below a throwaway folder; the runtime folder is "runtime".
    QTest::addColumn<QByteArray>("variable");
    QTest::addColumn<QString>("socket");
    QTest::addColumn<QStringList>("madeLater"); // folders made one by one, then the socket
    QTest::newRow("socket's folder there")
        << QByteArray("XDG_RUNTIME_DIR") << QStringLiteral("runtime/pulse/native") << QStringList();
    QTest::newRow("socket's folder made later")
        << QByteArray("XDG_RUNTIME_DIR") << QStringLiteral("runtime/pulse/native")
        << QStringList{QStringLiteral("runtime/pulse")};
    QTest::newRow("runtime folder made later")
        << QByteArray("XDG_RUNTIME_DIR") << QStringLiteral("runtime/pulse/native")
        << QStringList{QStringLiteral("runtime"), QStringLiteral("runtime/pulse")};
    // Wins over XDG_RUNTIME_DIR, which names another folder.
    QTest::newRow("PULSE_RUNTIME_PATH")
        << QByteArray("PULSE_RUNTIME_PATH") << QStringLiteral("runtime/native") << QStringList();
}

void TestReconnectSchedule::triesWhenTheSocketAppears()
{
    QFETCH(QByteArray, variable);
    QFETCH(QString, socket);
    QFETCH(QStringList, madeLater);
    QTemporaryDir root;
    QVERIFY(root.isValid());
    Environment environment;
    QVERIFY(useDefaultServer(environment, root, root.filePath(QStringLiteral("xdg-runtime"))));
    environment.set(variable, QFile::encodeName(root.filePath(QStringLiteral("runtime"))));
    const QString madeBefore =
        madeLater.isEmpty() ? QFileInfo(socket).path() : QFileInfo(madeLater.first()).path();
    QVERIFY(QDir(root.path()).mkpath(madeBefore));

    ReconnectSchedule schedule({});
    QSignalSpy tries(&schedule, &ReconnectSchedule::retryDue);
    schedule.connectionFailed();
    QCOMPARE(runningTimers(schedule), 0);
    for (const QString& folder : madeLater) {
        QVERIFY(QDir(root.path()).mkdir(folder));
        deliverFolderNews();
        QCOMPARE(tries.count(), 0);
        QCOMPARE(runningTimers(schedule), 0);
    }

    QLocalServer server;
    QVERIFY(server.listen(root.filePath(socket)));
    QVERIFY(tries.wait(kWaitMs));
    // A try that fails while the socket is there meets a server still
    // starting, or one that died: the timer's bounded pauses take over.
    schedule.connectionFailed();
    QCOMPARE(runningTimers(schedule), 1);
    schedule.connected();
    QCOMPARE(runningTimers(schedule), 0);
}

void TestReconnectSchedule::triesOnTheTimer_data()
{
    QTest::addColumn<QByteArray>("server");      // handed to the schedule
    QTest::addColumn<QByteArray>("pulseServer"); // PULSE_SERVER
    QTest::addColumn<QByteArray>("clientConf");
    QTest::addColumn<bool>("runtimeKnown"); // XDG_RUNTIME_DIR set
    QTest::addColumn<bool>("timed");
    const QByteArray nowhere = "unix:/nonexistent/native";
    QTest::newRow("found by the library")
        << QByteArray() << QByteArray() << QByteArray() << true << false;
    QTest::newRow("address from the caller")
        << nowhere << QByteArray() << QByteArray() << true << true;
    QTest::newRow("PULSE_SERVER") << QByteArray() << nowhere << QByteArray() << true << true;
    QTest::newRow("client.conf") << QByteArray() << QByteArray()
                                 << QByteArray("autospawn = no\n  default-server = " + nowhere +
                                               " ; remote\n")
                                 << true << true;
    QTest::newRow("client.conf, commented out")
        << QByteArray() << QByteArray()
        << QByteArray("; default-server = " + nowhere + "\n#default-server = x\n") << true << false;
    QTest::newRow("no runtime folder")
        << QByteArray() << QByteArray() << QByteArray() << false << true;
}

void TestReconnectSchedule::triesOnTheTimer()
{
    QFETCH(QByteArray, server);
    QFETCH(QByteArray, pulseServer);
    QFETCH(QByteArray, clientConf);
    QFETCH(bool, runtimeKnown);
    QFETCH(bool, timed);
    QTemporaryDir root;
    QVERIFY(root.isValid());
    Environment environment;
    QVERIFY(useDefaultServer(environment, root, root.path(), clientConf));
    if (!pulseServer.isEmpty())
        environment.set("PULSE_SERVER", pulseServer);
    if (!runtimeKnown)
        environment.unset("XDG_RUNTIME_DIR");

    ReconnectSchedule schedule(server);
    QSignalSpy tries(&schedule, &ReconnectSchedule::retryDue);
    schedule.connectionFailed();

    QCOMPARE(runningTimers(schedule), timed ? 1 : 0);
    if (timed)
        QVERIFY(tries.wait(kWaitMs));
}

void TestReconnectSchedule::clientFindsServerStartedLater_data()
{
    QTest::addColumn<Client>("client");
    QTest::addColumn<QString>("folder"); // below the pulse_server fixture's
    QTest::newRow("system volume") << Client::SystemVolume << QStringLiteral("late-volume");
    QTest::newRow("playback streams") << Client::PlaybackStreams << QStringLiteral("late-streams");
}

// The server starts after the client's first try has failed, and makes
// its runtime folder and the socket in it.
void TestReconnectSchedule::clientFindsServerStartedLater()
{
    QFETCH(Client, client);
    QFETCH(QString, folder);
    const QString pulseDir = qEnvironmentVariable("VELUMIX_PULSE_DIR");
    QVERIFY2(!pulseDir.isEmpty(),
             "run through ctest: the pulse_server fixture provides the servers' folder");
    const QString own = pulseDir + QLatin1Char('/') + folder;
    const QString runtime = own + QStringLiteral("/runtime");
    PrivatePulseServer server(folder + QStringLiteral("/runtime/pulse"));
    const auto clear = [&] {
        server.stop();
        QDir(own).removeRecursively();
    };
    clear(); // leftovers of an interrupted run
    const auto clearAtEnd = qScopeGuard(clear);
    QVERIFY(QDir().mkpath(own));
    QTemporaryDir root;
    QVERIFY(root.isValid());
    Environment environment;
    QVERIFY(useDefaultServer(environment, root, runtime));

    ClientUnderTest tested = makeClient(client);
    QCoreApplication::processEvents(); // the first try's failure
    QCOMPARE(runningTimers(*tested.object), 0);
    const long wakeUps = wakeUpsWhileIdle();
    qInfo("wake-ups in %d ms without a server: %ld", kIdleMs, wakeUps);
    // The idle loop's own end, and one to spare for the machine (a page read
    // from disk puts the thread to sleep too).
    QVERIFY2(wakeUps <= 2, "something woke the thread while it waited for a server");
    QVERIFY(tested.reports->isEmpty());

    // The client library made the runtime folder for its first try; the
    // server's start makes it anew, as the server's own.
    QVERIFY(QDir(runtime).removeRecursively());
    QVERIFY(server.start());
    QTRY_VERIFY_WITH_TIMEOUT(!tested.reports->isEmpty(), kWaitMs);
    QCOMPARE(tested.reports->takeFirst().at(0).toBool(), true);
}

QTEST_GUILESS_MAIN(TestReconnectSchedule)
#include "tst_reconnectschedule.moc"
