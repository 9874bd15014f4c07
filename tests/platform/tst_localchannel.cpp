// The window's channel and velumixctl's side of it. The channel assumes
// nothing of its clients: messages that are not requests are answered with an
// error and their connection closed, while well-formed requests, however they
// arrive, are served; idle, half-written and surplus connections cannot lock
// out a legitimate client; watchers get every event in order, and one that
// stops reading is dropped; a failed socket is listened on again. The client
// functions tell "no window" from "a window that answers nonsense".
//
// Tests run the channel in this thread with a handler of their own; the
// blocking client functions run in a worker thread meanwhile.

#include "ConfigNames.h"
#include "LocalChannel.h"
#include "RemoteClient.h"
#include "SessionSocket.h"
#include "SingleInstance.h"

#include <QtNetwork>
#include <QtTest>

#include <memory>
#include <vector>

#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

using remote::Result;

namespace {

constexpr int kWaitMs = 5000;
// Long enough for the channel to read one write before the next comes.
constexpr int kBetweenWritesMs = 30;

QByteArray requestLine(const QString& command, const QJsonObject& arguments = {})
{
    return remote::encodeRequest({command, arguments});
}

// The window's commands, as far as these tests need them.
Result resultForTests(const remote::Request& request)
{
    if (request.command == "status")
        return Result::success(QJsonObject{{"page", "stereo"}});
    if (request.command == "preset")
        return Result::success(request.arguments);
    if (request.command == "fail")
        return Result::failure(remote::ExitNoConfiguration, "'Nope' is not a preset");
    return Result::failure(remote::ExitUsage,
                           QStringLiteral("unknown command '%1'").arg(request.command));
}

// "later" is answered after a turn of the event loop, as a command that
// waits for the headset is.
void answerForTests(const remote::Request& request, const LocalChannel::Reply& reply)
{
    if (request.command == "later")
        QTimer::singleShot(0, [reply] { reply(Result::success(QJsonObject{{"late", true}})); });
    else
        reply(resultForTests(request));
}

// A client in this thread: the channel answers while it waits.
class Peer
{
public:
    explicit Peer(const QString& path) { m_socket.connectToServer(path); }

    // Once connected: with the listening queue full, that waits until the
    // channel takes a connection from it.
    void send(const QByteArray& bytes)
    {
        if (!QTest::qWaitFor([this] { return m_socket.state() != QLocalSocket::ConnectingState; },
                             kWaitMs))
            return; // the test fails on the missing answer
        m_socket.write(bytes);
        m_socket.flush();
    }
    std::optional<QByteArray> line()
    {
        if (!QTest::qWaitFor([this] { return m_socket.canReadLine(); }, kWaitMs))
            return std::nullopt;
        return m_socket.readLine();
    }
    std::optional<Result> result()
    {
        const std::optional<QByteArray> text = line();
        QString error;
        return text ? remote::decodeResult(*text, &error) : std::nullopt;
    }
    std::optional<QJsonObject> event()
    {
        const std::optional<QByteArray> text = line();
        QString error;
        return text ? remote::decodeEvent(*text, &error) : std::nullopt;
    }
    bool closedByChannel()
    {
        return QTest::qWaitFor([this] { return !open(); }, kWaitMs);
    }
    bool open() const { return m_socket.state() == QLocalSocket::ConnectedState; }
    bool hasLine() const { return m_socket.canReadLine(); }

private:
    QLocalSocket m_socket;
};

sockaddr_un socketAddress(const QString& path)
{
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    qstrncpy(address.sun_path, QFile::encodeName(path).constData(), sizeof address.sun_path);
    return address;
}

// A client that writes but never reads, as a stalled watcher does.
class RawPeer
{
public:
    RawPeer() : m_fd(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0)) {}
    ~RawPeer() { ::close(m_fd); }
    RawPeer(const RawPeer&) = delete;
    RawPeer& operator=(const RawPeer&) = delete;

    bool connectTo(const QString& path)
    {
        const sockaddr_un address = socketAddress(path);
        return ::connect(m_fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
    }
    bool send(const QByteArray& bytes)
    {
        return ::send(m_fd, bytes.constData(), size_t(bytes.size()), MSG_NOSIGNAL) == bytes.size();
    }
    // Sends what the system takes now of `bytes` from `from` on; -1 once the
    // channel hung up.
    qint64 sendSome(const QByteArray& bytes, qint64 from)
    {
        const ssize_t sent = ::send(m_fd, bytes.constData() + from, size_t(bytes.size() - from),
                                    MSG_NOSIGNAL | MSG_DONTWAIT);
        return sent >= 0 || errno == EAGAIN ? std::max<qint64>(sent, 0) : -1;
    }
    int fd() const { return m_fd; }

private:
    int m_fd;
};

// Makes the socket file at `path`, as a program that listens there and then
// crashes leaves it.
bool bindTo(const RawPeer& peer, const QString& path)
{
    const sockaddr_un address = socketAddress(path);
    return ::bind(peer.fd(), reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
}

// Runs `work` in a thread of its own while this thread's event loop runs,
// and hands back what it returned. The client functions end by themselves:
// they wait for the window a limited time.
template <typename Work> auto runAside(Work work) -> decltype(work())
{
    decltype(work()) value{};
    std::unique_ptr<QThread> thread(QThread::create([&] { value = work(); }));
    thread->start();
    while (!thread->wait(1))
        QCoreApplication::processEvents();
    return value;
}

bool noTimerRuns(const QObject& owner)
{
    const QList<QTimer*> timers = owner.findChildren<QTimer*>();
    return std::none_of(timers.begin(), timers.end(),
                        [](const QTimer* timer) { return timer->isActive(); });
}

} // namespace

class LocalChannelTest : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void hostileMessages_data();
    void hostileMessages();
    void unknownCommandsWithoutHandler();
    void aLateAnswerForAClientThatLeftGoesNowhere();
    void idleAndHalfWrittenConnectionsDoNotBlock();
    void watchersGetEventsInOrder();
    void watchersAreBounded();
    void stalledWatcherIsDropped();
    void clientThatDoesNotReadIsDropped();
    void socketIsOwnerOnly();
    void leftoverSocketFileIsReplaced();
    void foreignListenerKeepsItsName();
    void failedSocketIsListenedOnAgain();

    void askWindowWithoutWindow();
    void askWindowRefusesBadAnswers_data();
    void askWindowRefusesBadAnswers();
    void askWindowRoundTrip_data();
    void askWindowRoundTrip();
    void watchWindowHandsOverEvents_data();
    void watchWindowHandsOverEvents();
    void watchWindowRefusesBadEvents();
    void windowSocketIsTheWindowsOwn();
    void singleInstanceServesTheChannel();

private:
    // A channel listening at m_path with the tests' handler.
    LocalChannel& startChannel(const LocalChannel::Limits& limits = LocalChannel::Limits());
    bool statusIsServed();

    std::unique_ptr<QTemporaryDir> m_folder;
    QString m_path;
    std::unique_ptr<LocalChannel> m_channel;
};

void LocalChannelTest::init()
{
    m_folder = std::make_unique<QTemporaryDir>(remote::sessionRuntimeFolder() + "/channel-XXXXXX");
    QVERIFY(m_folder->isValid());
    m_path = m_folder->filePath("velumix-test");
}

void LocalChannelTest::cleanup()
{
    m_channel.reset();
    m_folder.reset();
}

LocalChannel& LocalChannelTest::startChannel(const LocalChannel::Limits& limits)
{
    m_channel = std::make_unique<LocalChannel>(m_path);
    m_channel->setLimits(limits);
    m_channel->setCommandHandler(answerForTests);
    m_channel->listen();
    return *m_channel;
}

// A client may hang up while its command waits; the answer then goes
// nowhere, and the channel serves the next client.
void LocalChannelTest::aLateAnswerForAClientThatLeftGoesNowhere()
{
    startChannel();
    {
        Peer leaving(m_path);
        leaving.send(requestLine("later"));
        QTRY_COMPARE(m_channel->clientCount(), 1);
    }
    QTest::qWait(kBetweenWritesMs);
    QCOMPARE(m_channel->clientCount(), 0);
    QVERIFY(statusIsServed());
}

// A new client's request gets its answer.
bool LocalChannelTest::statusIsServed()
{
    Peer peer(m_path);
    peer.send(requestLine("status"));
    const std::optional<Result> result = peer.result();
    return result && result->ok() && result->data == QJsonObject{{"page", "stereo"}};
}

void LocalChannelTest::hostileMessages_data()
{
    QTest::addColumn<QByteArrayList>("writes");
    QTest::addColumn<QVector<int>>("exits"); // of the results, in order
    QTest::addColumn<QString>("error");      // begins the last result's error
    QTest::addColumn<bool>("closed");

    const QByteArray status = requestLine("status");
    const QByteArray preset = requestLine("preset", {{"name", "Jazz"}});
    const auto padded = [&status](int size) {
        return status.left(status.size() - 1) + QByteArray(size - status.size(), ' ') + '\n';
    };
    QByteArray binary;
    for (int byte = 0; byte < 256; ++byte) {
        if (byte != '\n')
            binary += char(byte);
    }
    const int usage = remote::ExitUsage;

    QTest::newRow("not JSON") << QByteArrayList{"raise\n"} << QVector<int>{usage} << "not JSON"
                              << true;
    QTest::newRow("empty line") << QByteArrayList{"\n"} << QVector<int>{usage} << "not JSON"
                                << true;
    QTest::newRow("binary garbage")
        << QByteArrayList{binary + '\n'} << QVector<int>{usage} << "not JSON" << true;
    QTest::newRow("JSON array") << QByteArrayList{"[" + status.trimmed() + "]\n"}
                                << QVector<int>{usage} << "not a JSON object" << true;
    QTest::newRow("wrong version") << QByteArrayList{R"({"version":2,"command":"status"})"
                                                     "\n"}
                                   << QVector<int>{usage} << "version 1 is wanted" << true;
    QTest::newRow("no version") << QByteArrayList{R"({"command":"status"})"
                                                  "\n"}
                                << QVector<int>{usage} << "version 1 is wanted" << true;
    QTest::newRow("no command") << QByteArrayList{R"({"version":1})"
                                                  "\n"}
                                << QVector<int>{usage} << "no command" << true;
    QTest::newRow("arguments not an object")
        << QByteArrayList{R"({"version":1,"command":"preset","arguments":"Jazz"})"
                          "\n"}
        << QVector<int>{usage} << "the arguments are not an object" << true;
    QTest::newRow("oversized line") << QByteArrayList{QByteArray(5000, 'x') + '\n'}
                                    << QVector<int>{usage} << "message too long" << true;
    QTest::newRow("oversized, no newline yet")
        << QByteArrayList{QByteArray(remote::kMaxMessageBytes, '{')} << QVector<int>{usage}
        << "message too long" << true;
    QTest::newRow("oversized over several writes")
        << QByteArrayList{QByteArray(2000, ' '), QByteArray(2000, ' '), QByteArray(2000, ' ')}
        << QVector<int>{usage} << "message too long" << true;
    QTest::newRow("one byte over the limit") << QByteArrayList{padded(remote::kMaxMessageBytes + 1)}
                                             << QVector<int>{usage} << "message too long" << true;
    QTest::newRow("a request, then garbage")
        << QByteArrayList{status + "nonsense\n"} << QVector<int>{0, usage} << "not JSON" << true;
    QTest::newRow("garbage, then a request")
        << QByteArrayList{"nonsense\n" + status} << QVector<int>{usage} << "not JSON" << true;

    QTest::newRow("unknown command") << QByteArrayList{requestLine("quit")} << QVector<int>{usage}
                                     << "unknown command 'quit'" << false;
    QTest::newRow("a command that fails")
        << QByteArrayList{requestLine("fail")} << QVector<int>{remote::ExitNoConfiguration}
        << "'Nope' is not a preset" << false;
    QTest::newRow("the longest line") << QByteArrayList{padded(remote::kMaxMessageBytes)}
                                      << QVector<int>{0} << QString() << false;
    QTest::newRow("a request over several writes")
        << QByteArrayList{status.left(5), status.mid(5, 20), status.mid(25)} << QVector<int>{0}
        << QString() << false;
    QTest::newRow("two requests in one write")
        << QByteArrayList{status + preset} << QVector<int>{0, 0} << QString() << false;
    QTest::newRow("two requests, the second split")
        << QByteArrayList{status + preset.left(10), preset.mid(10)} << QVector<int>{0, 0}
        << QString() << false;
    QTest::newRow("raise") << QByteArrayList{requestLine("raise")} << QVector<int>{0} << QString()
                           << false;
    QTest::newRow("a command answered later")
        << QByteArrayList{requestLine("later")} << QVector<int>{0} << QString() << false;
    QTest::newRow("a command answered later, and one after it in the same write")
        << QByteArrayList{requestLine("later") + requestLine("fail")}
        << QVector<int>{0, remote::ExitNoConfiguration} << "'Nope' is not a preset" << false;
}

void LocalChannelTest::hostileMessages()
{
    QFETCH(QByteArrayList, writes);
    QFETCH(QVector<int>, exits);
    QFETCH(QString, error);
    QFETCH(bool, closed);
    startChannel();
    Peer peer(m_path);

    for (const QByteArray& bytes : writes) {
        peer.send(bytes);
        QTest::qWait(kBetweenWritesMs);
    }
    std::optional<Result> result;
    for (const int exit : exits) {
        result = peer.result();
        QVERIFY(result);
        QCOMPARE(result->exit, exit);
    }
    QVERIFY2(result->error.startsWith(error), qPrintable(result->error));
    if (closed) {
        QVERIFY(peer.closedByChannel());
        QVERIFY(!peer.hasLine());
    } else { // and serves a further request
        QVERIFY(peer.open());
        peer.send(requestLine("preset", {{"name", "Pop"}}));
        result = peer.result();
        QVERIFY(result);
        QCOMPARE(result->data, QJsonObject({{"name", "Pop"}}));
    }
    QVERIFY(statusIsServed());
}

void LocalChannelTest::unknownCommandsWithoutHandler()
{
    LocalChannel channel(m_path);
    QVERIFY(channel.listen());
    QSignalSpy raised(&channel, &LocalChannel::raiseRequested);
    Peer peer(m_path);

    peer.send(requestLine("status"));
    std::optional<Result> result = peer.result();
    QVERIFY(result);
    QCOMPARE(result->exit, int(remote::ExitUsage));
    QCOMPARE(result->error, QStringLiteral("unknown command 'status'"));
    peer.send(requestLine("raise"));
    result = peer.result();
    QVERIFY(result);
    QCOMPARE(result->exit, 0);
    QCOMPARE(raised.count(), 1);
}

// Hogs take every slot, half of them with a request begun; a legitimate
// client that comes afterwards is served all the same, and the hogs are
// closed (the surplus at once, the rest after the idle time-out), leaving
// no timer running.
void LocalChannelTest::idleAndHalfWrittenConnectionsDoNotBlock()
{
    LocalChannel::Limits limits;
    limits.idleTimeoutMs = 4000;
    LocalChannel& channel = startChannel(limits);
    std::vector<std::unique_ptr<QLocalSocket>> hogs;
    for (int count = 0; count < 300; ++count) {
        hogs.push_back(std::make_unique<QLocalSocket>());
        hogs.back()->connectToServer(m_path);
    }
    const auto connected = [&hogs] {
        return std::none_of(hogs.begin(), hogs.end(), [](const auto& hog) {
            return hog->state() == QLocalSocket::ConnectingState;
        });
    };
    // Hundreds of connections take long on a loaded machine or under a
    // thread checker; the wait ends as soon as they are all through.
    QVERIFY(QTest::qWaitFor(connected, 6 * kWaitMs));
    for (std::size_t index = 0; index < hogs.size(); index += 2) {
        if (hogs[index]->state() == QLocalSocket::ConnectedState)
            hogs[index]->write(R"({"version":1,"comm)");
    }
    const auto closedHogs = [&hogs] {
        return std::count_if(hogs.begin(), hogs.end(), [](const auto& hog) {
            return hog->state() == QLocalSocket::UnconnectedState;
        });
    };
    // Every hog is taken from the listening queue; the newest keep their places.
    QTRY_COMPARE(closedHogs(), long(hogs.size()) - limits.maxClients);
    QCOMPARE(channel.clientCount(), limits.maxClients);

    QVERIFY(statusIsServed());

    const auto allClosed = [&hogs] {
        return std::all_of(hogs.begin(), hogs.end(), [](const auto& hog) {
            return hog->state() == QLocalSocket::UnconnectedState;
        });
    };
    QVERIFY(QTest::qWaitFor(allClosed, limits.idleTimeoutMs + kWaitMs));
    QTRY_COMPARE(channel.clientCount(), 0);
    QTRY_VERIFY(noTimerRuns(channel));
}

// Watchers are exempt from the idle time-out; an ordinary client gets no
// events.
void LocalChannelTest::watchersGetEventsInOrder()
{
    LocalChannel::Limits limits;
    limits.idleTimeoutMs = 200;
    LocalChannel& channel = startChannel(limits);
    Peer first(m_path);
    Peer second(m_path);
    Peer ordinary(m_path);
    for (Peer* watcher : {&first, &second}) {
        watcher->send(requestLine("watch"));
        const std::optional<Result> result = watcher->result();
        QVERIFY(result && result->ok());
    }
    ordinary.send(requestLine("status"));
    QVERIFY(ordinary.result());
    QCOMPARE(channel.watcherCount(), 2);
    QTest::qWait(3 * limits.idleTimeoutMs);
    QVERIFY(!ordinary.open());

    const QVector<QJsonObject> events{{{"event", "page"}, {"page", "stereo"}},
                                      {{"event", "mic-level"}, {"level", 40}},
                                      {{"event", "unplugged"}}};
    for (const QJsonObject& event : events)
        channel.publishEvent(event);
    for (Peer* watcher : {&first, &second}) {
        QVERIFY(watcher->open());
        for (const QJsonObject& event : events)
            QCOMPARE(watcher->event(), std::optional<QJsonObject>(event));
    }
    QVERIFY(!ordinary.hasLine());
}

// The oldest watchers keep their places; one more is refused.
void LocalChannelTest::watchersAreBounded()
{
    LocalChannel::Limits limits;
    limits.maxWatchers = 2;
    LocalChannel& channel = startChannel(limits);
    Peer first(m_path);
    Peer second(m_path);
    Peer third(m_path);
    for (Peer* watcher : {&first, &second}) {
        watcher->send(requestLine("watch"));
        QVERIFY(watcher->result());
    }
    third.send(requestLine("watch"));
    const std::optional<Result> refused = third.result();
    QVERIFY(refused);
    QCOMPARE(refused->exit, int(remote::ExitNoWindow));
    QCOMPARE(refused->error, QStringLiteral("the window serves 2 watchers already"));
    QVERIFY(third.closedByChannel());

    channel.publishEvent({{"event", "unplugged"}});
    QVERIFY(first.event());
    QVERIFY(second.event());
    QVERIFY(statusIsServed());
}

void LocalChannelTest::stalledWatcherIsDropped()
{
    LocalChannel::Limits limits;
    limits.maxBacklog = 16 * 1024;
    LocalChannel& channel = startChannel(limits);
    RawPeer stalled;
    QVERIFY(stalled.connectTo(m_path));
    QVERIFY(stalled.send(requestLine("watch")));
    Peer reading(m_path);
    reading.send(requestLine("watch"));
    QVERIFY(reading.result());
    QTRY_COMPARE(channel.watcherCount(), 2);

    const QString filler(200, 'x');
    int published = 0;
    while (channel.watcherCount() == 2 && published < 100000) {
        for (int batch = 0; batch < 50; ++batch, ++published)
            channel.publishEvent({{"event", "mode"}, {"name", filler}, {"index", published}});
        QCoreApplication::processEvents();
    }
    QCOMPARE(channel.watcherCount(), 1);
    for (int index = 0; index < published; ++index) {
        const std::optional<QJsonObject> event = reading.event();
        QVERIFY(event);
        QCOMPARE(event->value("index"), QJsonValue(index));
    }
    QVERIFY(reading.open());
}

// Requests whose results are larger than they are, sent without ever
// reading a result.
void LocalChannelTest::clientThatDoesNotReadIsDropped()
{
    LocalChannel::Limits limits;
    limits.maxBacklog = 16 * 1024;
    limits.idleTimeoutMs = 60000;
    LocalChannel& channel = startChannel(limits);
    RawPeer greedy;
    QVERIFY(greedy.connectTo(m_path));
    const QByteArray stream = requestLine("preset", {{"name", QString(1000, 'x')}}).repeated(2000);
    qint64 sent = 0;
    while (sent < stream.size()) {
        const qint64 taken = greedy.sendSome(stream, sent);
        if (taken < 0)
            break;
        sent += taken;
        QCoreApplication::processEvents();
    }
    QVERIFY(sent < stream.size());
    QCOMPARE(channel.clientCount(), 0);
    QVERIFY(statusIsServed());
}

void LocalChannelTest::socketIsOwnerOnly()
{
    QVERIFY(startChannel().isListening());
    struct stat status
    {
    };
    QCOMPARE(::lstat(QFile::encodeName(m_path).constData(), &status), 0);
    QVERIFY(S_ISSOCK(status.st_mode));
    QCOMPARE(status.st_mode & 0077, 0u);
}

// A crashed window leaves its socket file behind, with nobody listening.
void LocalChannelTest::leftoverSocketFileIsReplaced()
{
    {
        const RawPeer crashed;
        QVERIFY(bindTo(crashed, m_path));
    }
    QVERIFY(QFileInfo::exists(m_path));
    QVERIFY(startChannel().isListening());
    QVERIFY(statusIsServed());
}

void LocalChannelTest::foreignListenerKeepsItsName()
{
    QLocalServer foreign;
    QVERIFY(foreign.listen(m_path));
    QTest::ignoreMessage(QtWarningMsg,
                         QRegularExpression("^Another program listens at .*velumix-test - "
                                            "velumixctl cannot reach this window$"));
    QVERIFY(!startChannel().isListening());

    QLocalSocket client;
    client.connectToServer(m_path);
    QVERIFY(client.waitForConnected(kWaitMs));
    QTRY_VERIFY(foreign.hasPendingConnections());
}

// Too many open files: accepting a connection fails, and Qt closes the
// socket. Once files can be opened again, the channel listens again.
void LocalChannelTest::failedSocketIsListenedOnAgain()
{
    LocalChannel::Limits limits;
    limits.relistenDelayMs = 50;
    LocalChannel& channel = startChannel(limits);
    RawPeer client; // made while files can still be opened
    rlimit files{};
    QCOMPARE(::getrlimit(RLIMIT_NOFILE, &files), 0);
    const int lowestFree = ::dup(client.fd());
    QVERIFY(lowestFree >= 0);
    ::close(lowestFree);
    rlimit exhausted = files;
    exhausted.rlim_cur = rlim_t(lowestFree);
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("^The socket at .* failed .*; "
                                                          "listening again$"));

    QCOMPARE(::setrlimit(RLIMIT_NOFILE, &exhausted), 0);
    const bool connected = client.connectTo(m_path);
    const bool failed = QTest::qWaitFor([&] { return !channel.isListening(); }, kWaitMs);
    QCOMPARE(::setrlimit(RLIMIT_NOFILE, &files), 0);

    QVERIFY(connected);
    QVERIFY(failed);
    QTRY_VERIFY(channel.isListening());
    QVERIFY(statusIsServed());
}

void LocalChannelTest::askWindowWithoutWindow()
{
    const auto ask = [this] { return remote::askWindow(m_path, {"status", {}}); };
    QCOMPARE(runAside(ask).has_value(), false); // no socket file
    const RawPeer crashed;                      // leaves its socket file behind
    QVERIFY(bindTo(crashed, m_path));
    QCOMPARE(runAside(ask).has_value(), false); // a socket file nobody listens at
}

void LocalChannelTest::askWindowRefusesBadAnswers_data()
{
    QTest::addColumn<QByteArray>("answer");
    QTest::addColumn<bool>("hangUp");
    QTest::addColumn<QString>("error"); // the start of the result's error
    QTest::newRow("not JSON") << QByteArray("hello\n") << false
                              << "the window answered with something that is not a result: "
                                 "not JSON";
    QTest::newRow("not a result") << QByteArray("{\"version\":1,\"event\":\"page\"}\n") << false
                                  << "the window answered with something that is not a result: "
                                     "no exit code";
    QTest::newRow("another version")
        << QByteArray("{\"version\":2,\"exit\":0}\n") << false
        << "the window answered with something that is not a result: version 1 is wanted";
    QTest::newRow("oversized") << QByteArray(remote::kMaxReplyBytes + 1000, 'x') << false
                               << "the window sent a line longer than 32768 bytes";
    QTest::newRow("silence") << QByteArray() << false << "the window did not answer in time";
    QTest::newRow("hangs up") << QByteArray() << true << "the window hung up";
    QTest::newRow("hangs up within a line")
        << QByteArray("{\"version\":1,") << true << "the window hung up";
}

void LocalChannelTest::askWindowRefusesBadAnswers()
{
    QFETCH(QByteArray, answer);
    QFETCH(bool, hangUp);
    QFETCH(QString, error);
    QLocalServer window;
    QVERIFY(window.listen(m_path));
    // Like a window, it answers once it has the request, so that the client
    // is reading when the answer comes (a client still writing to a window
    // that hung up fails differently).
    connect(&window, &QLocalServer::newConnection, &window, [&] {
        QLocalSocket* client = window.nextPendingConnection();
        connect(client, &QLocalSocket::readyRead, client, [client, answer, hangUp] {
            if (!client->canReadLine())
                return;
            client->write(answer);
            client->flush();
            if (hangUp)
                client->disconnectFromServer();
        });
    });

    const std::optional<Result> result = runAside([this] {
        return remote::askWindow(m_path, {"status", {}}, 500);
    });
    QVERIFY(result);
    QCOMPARE(result->exit, int(remote::ExitNoWindow));
    QVERIFY2(result->error.startsWith(error), qPrintable(result->error));
}

void LocalChannelTest::askWindowRoundTrip_data()
{
    QTest::addColumn<QString>("command");
    QTest::addColumn<QJsonObject>("arguments");
    QTest::addColumn<int>("exit");
    QTest::addColumn<QString>("error");
    QTest::addColumn<QJsonValue>("data");
    const QJsonObject preset{{"name", QStringLiteral("爵士")}, {"page", "stereo"}};
    QTest::newRow("data") << "preset" << preset << 0 << QString() << QJsonValue(preset);
    QTest::newRow("failure") << "fail" << QJsonObject() << int(remote::ExitNoConfiguration)
                             << "'Nope' is not a preset" << QJsonValue();
    QTest::newRow("unknown command") << "quit" << QJsonObject() << int(remote::ExitUsage)
                                     << "unknown command 'quit'" << QJsonValue();
    QTest::newRow("raise") << "raise" << QJsonObject() << 0 << QString() << QJsonValue();
}

void LocalChannelTest::askWindowRoundTrip()
{
    QFETCH(QString, command);
    QFETCH(QJsonObject, arguments);
    QFETCH(int, exit);
    QFETCH(QString, error);
    QFETCH(QJsonValue, data);
    startChannel();

    const std::optional<Result> result = runAside([&] {
        return remote::askWindow(m_path, {command, arguments});
    });
    QVERIFY(result);
    QCOMPARE(result->exit, exit);
    QCOMPARE(result->error, error);
    QCOMPARE(result->data.isUndefined() ? QJsonValue() : result->data, data);
}

void LocalChannelTest::watchWindowHandsOverEvents_data()
{
    QTest::addColumn<int>("wanted"); // events the watcher takes; 0: all
    QTest::addColumn<bool>("windowCloses");
    QTest::newRow("the watcher stops") << 2 << false;
    QTest::newRow("the window goes away") << 0 << true;
}

void LocalChannelTest::watchWindowHandsOverEvents()
{
    QFETCH(int, wanted);
    QFETCH(bool, windowCloses);
    LocalChannel& channel = startChannel();
    const QVector<QJsonObject> events{{{"event", "plugged"}, {"productId", "1054"}},
                                      {{"event", "page"}, {"page", "surround"}},
                                      {{"event", "noise-cancellation"}, {"on", true}}};
    QVector<QJsonObject> received; // written by the worker only, read once it ended
    std::unique_ptr<QThread> worker;
    std::optional<Result> result;
    worker.reset(QThread::create([&] {
        result = remote::watchWindow(m_path, [&](const QJsonObject& event) {
            received << event;
            return received.size() != wanted;
        });
    }));
    worker->start();
    QTRY_COMPARE(channel.watcherCount(), 1);
    for (const QJsonObject& event : events)
        channel.publishEvent(event);
    if (windowCloses) {
        QTest::qWait(100); // the events are on their way
        m_channel.reset();
    }
    QVERIFY(QTest::qWaitFor([&] { return worker->isFinished(); }, kWaitMs));

    QVERIFY(result && result->ok());
    QCOMPARE(received, windowCloses ? events : events.mid(0, wanted));
}

void LocalChannelTest::watchWindowRefusesBadEvents()
{
    QLocalServer window;
    QVERIFY(window.listen(m_path));
    connect(&window, &QLocalServer::newConnection, &window, [&window] {
        QLocalSocket* client = window.nextPendingConnection();
        client->write(remote::encodeResult(Result::success()) +
                      remote::encodeEvent({{"event", "unplugged"}}) + "nonsense\n");
        client->flush();
    });

    int events = 0;
    const std::optional<Result> result = runAside([&] {
        return remote::watchWindow(m_path, [&events](const QJsonObject&) {
            ++events;
            return true;
        });
    });
    QCOMPARE(events, 1);
    QVERIFY(result);
    QCOMPARE(result->exit, int(remote::ExitNoWindow));
    QVERIFY2(result->error.startsWith("the window sent something that is not an event: not JSON"),
             qPrintable(result->error));
}

// velumixctl and the window, built apart, compute the same path.
void LocalChannelTest::windowSocketIsTheWindowsOwn()
{
    const QString path = remote::windowSocketPath();
    QCOMPARE(path, SingleInstance::sessionKeys(kWindowProgramName).socket);
    QCOMPARE(QFileInfo(path).absolutePath(),
             QFileInfo(qEnvironmentVariable("XDG_RUNTIME_DIR")).absoluteFilePath());
    QCOMPARE(QFileInfo(path).fileName(), QStringLiteral("velumix-%1").arg(getuid()));
}

// The single instance's socket is the channel: a later start's raise,
// the handler's commands and events all travel it.
void LocalChannelTest::singleInstanceServesTheChannel()
{
    const QString name = QStringLiteral("velumix-channel-test");
    SingleInstance instance(name);
    QVERIFY(instance.acquire());
    instance.setCommandHandler(answerForTests);
    QSignalSpy raised(&instance, &SingleInstance::raiseRequested);

    const bool raiseAnswered = runAside([&] { return SingleInstance(name).requestRaise(); });
    QVERIFY(raiseAnswered);
    QCOMPARE(raised.count(), 1);

    const std::optional<Result> status = runAside([&] {
        return remote::askWindow(SingleInstance::sessionKeys(name).socket, {"status", {}});
    });
    QVERIFY(status && status->ok());
    QCOMPARE(status->data, QJsonValue(QJsonObject{{"page", "stereo"}}));

    Peer watcher(SingleInstance::sessionKeys(name).socket);
    watcher.send(requestLine("watch"));
    QVERIFY(watcher.result());
    QTest::qWait(kBetweenWritesMs);
    instance.publishEvent({{"event", "unplugged"}});
    QCOMPARE(watcher.event(), std::optional<QJsonObject>(QJsonObject{{"event", "unplugged"}}));
}

QTEST_GUILESS_MAIN(LocalChannelTest)
#include "tst_localchannel.moc"
