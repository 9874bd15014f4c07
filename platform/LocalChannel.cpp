#include "LocalChannel.h"

#include <QLocalServer>
#include <QLocalSocket>
#include <QLoggingCategory>
#include <QPointer>
#include <QSocketNotifier>
#include <QTimer>

#include <algorithm>
#include <memory>

Q_LOGGING_CATEGORY(lcPlatform, "velumix.platform")

namespace {

constexpr int kProbeTimeoutMs = 200;

// A socket file that nobody answers at is a leftover of a crash.
bool someoneListensAt(const QString& path)
{
    QLocalSocket probe;
    probe.connectToServer(path);
    return probe.waitForConnected(kProbeTimeoutMs);
}

} // namespace

LocalChannel::LocalChannel(const QString& socketPath, QObject* parent)
    : QObject(parent), m_socketPath(socketPath), m_relistenTimer(new QTimer(this))
{
    m_relistenTimer->setSingleShot(true);
    connect(m_relistenTimer, &QTimer::timeout, this, &LocalChannel::tryListenAgain);
}

// The sockets, children of this object, outlive its members for a moment:
// none may call back into them.
LocalChannel::~LocalChannel()
{
    for (const Client& client : m_clients)
        client.socket->disconnect(this);
    for (QLocalSocket* watcher : m_watchers)
        watcher->disconnect(this);
    disconnect(m_failureWatch);
    delete m_server;
}

bool LocalChannel::listen()
{
    const Outcome outcome = takeSocket();
    if (outcome == Outcome::Taken)
        qCWarning(lcPlatform).noquote()
            << QStringLiteral("Another program listens at %1 - velumixctl cannot reach this window")
                   .arg(m_socketPath);
    else if (outcome == Outcome::Failed)
        qCWarning(lcPlatform).noquote() << QStringLiteral("Cannot listen at %1 - %2")
                                               .arg(m_socketPath, m_server->errorString());
    m_keepListening = outcome == Outcome::Listening;
    return m_keepListening;
}

LocalChannel::Outcome LocalChannel::takeSocket()
{
    if (someoneListensAt(m_socketPath))
        return Outcome::Taken;
    disconnect(m_failureWatch); // the server goes away on purpose
    delete m_server;
    QLocalServer::removeServer(m_socketPath); // a socket file left by a crash
    m_server = new QLocalServer(this);
    // Qt makes the socket in a private folder and moves it to its path once
    // only its owner may use it.
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    connect(m_server, &QLocalServer::newConnection, this, &LocalChannel::acceptConnections);
    if (!m_server->listen(m_socketPath))
        return Outcome::Failed;
    m_listening = true;
    watchForFailure();
    return Outcome::Listening;
}

// When accept() fails (too many open files), Qt closes the server's socket
// without a signal; only the server's socket notifier goes away then.
void LocalChannel::watchForFailure()
{
    auto* notifier = m_server->findChild<QSocketNotifier*>();
    if (!notifier)
        return;
    m_failureWatch = connect(notifier, &QObject::destroyed, this, [this] {
        m_listening = false;
        QMetaObject::invokeMethod(this, &LocalChannel::listenAgainWhenFailed, Qt::QueuedConnection);
    });
}

void LocalChannel::listenAgainWhenFailed()
{
    if (!m_keepListening || m_listening)
        return;
    qCWarning(lcPlatform).noquote()
        << QStringLiteral("The socket at %1 failed (%2); listening again")
               .arg(m_socketPath, m_server->errorString());
    tryListenAgain();
}

void LocalChannel::tryListenAgain()
{
    switch (takeSocket()) {
    case Outcome::Listening:
        qCInfo(lcPlatform).noquote() << QStringLiteral("Listening again at %1").arg(m_socketPath);
        break;
    case Outcome::Taken:
        qCWarning(lcPlatform).noquote()
            << QStringLiteral("Another program took %1 - velumixctl cannot reach this window")
                   .arg(m_socketPath);
        m_keepListening = false;
        break;
    case Outcome::Failed:
        m_relistenTimer->start(m_limits.relistenDelayMs);
        break;
    }
}

void LocalChannel::setCommandHandler(CommandHandler handler)
{
    m_handler = std::move(handler);
}

void LocalChannel::setLimits(const Limits& limits)
{
    m_limits = limits;
}

void LocalChannel::acceptConnections()
{
    while (QLocalSocket* socket = m_server->nextPendingConnection())
        admit(socket);
}

void LocalChannel::admit(QLocalSocket* socket)
{
    socket->setParent(this); // outlives a server replaced after a failure
    connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
    if (clientCount() >= m_limits.maxClients) {
        const auto oldest = std::find_if(m_clients.begin(), m_clients.end(),
                                         [](const Client& client) { return !client.busy; });
        if (oldest == m_clients.end()) {
            socket->abort();
            return;
        }
        drop(oldest->socket);
    }
    auto* idleTimer = new QTimer(socket);
    idleTimer->setSingleShot(true);
    connect(idleTimer, &QTimer::timeout, this, [this, socket] { drop(socket); });
    idleTimer->start(m_limits.idleTimeoutMs);
    m_clients.push_back({socket, remote::LineBuffer(), idleTimer, false});
    connect(socket, &QLocalSocket::readyRead, this, [this, socket] { readRequests(socket); });
    connect(socket, &QLocalSocket::disconnected, this, [this, socket] { forget(socket); });
    readRequests(socket);
}

// A socket is alive while it is in m_clients or m_watchers: it leaves them
// before it can be deleted. So every step looks its client up again.
void LocalChannel::readRequests(QLocalSocket* socket)
{
    for (;;) {
        const auto client = findClient(socket);
        if (client == m_clients.end()) {
            if (std::find(m_watchers.begin(), m_watchers.end(), socket) != m_watchers.end())
                socket->readAll(); // a watcher has nothing more to say
            return;
        }
        if (client->busy) // the loop that runs its command goes on afterwards
            return;
        if (const std::optional<QByteArray> line = client->lines.takeLine()) {
            if (!serve(socket, *line))
                return;
            continue;
        }
        if (client->lines.overflowed()) {
            refuse(socket,
                   remote::Result::failure(remote::ExitUsage, QStringLiteral("message too long")));
            return;
        }
        const QByteArray bytes = socket->read(client->lines.room());
        if (bytes.isEmpty())
            return;
        client->lines.append(bytes);
    }
}

// False when the connection no longer reads requests: closed, or a watcher.
bool LocalChannel::serve(QLocalSocket* socket, const QByteArray& line)
{
    QString error;
    const std::optional<remote::Request> request = remote::decodeRequest(line, &error);
    if (!request) {
        refuse(socket, remote::Result::failure(remote::ExitUsage, error));
        return false;
    }
    if (request->command == QLatin1String("watch")) {
        makeWatcher(socket);
        return false;
    }
    auto client = findClient(socket);
    client->busy = true;
    client->idleTimer->stop();
    // Answered at once, the client's next line is read in this loop; answered
    // later, the answer starts reading again.
    struct Answer
    {
        bool serving = true;
        std::optional<remote::Result> result;
    };
    const auto answered = std::make_shared<Answer>();
    const QPointer<LocalChannel> channel(this);
    answer(*request, [channel, socket, answered](const remote::Result& result) {
        if (answered->serving)
            answered->result = result;
        else if (channel && channel->finish(socket, result))
            channel->readRequests(socket);
    });
    answered->serving = false;
    return answered->result && finish(socket, *answered->result);
}

// False when the connection is gone or no longer reads requests.
bool LocalChannel::finish(QLocalSocket* socket, const remote::Result& result)
{
    const auto client = findClient(socket);
    if (client == m_clients.end()) // gone while its command ran
        return false;
    client->busy = false;
    client->idleTimer->start(m_limits.idleTimeoutMs);
    return send(socket, remote::encodeResult(result));
}

void LocalChannel::answer(const remote::Request& request, const Reply& reply)
{
    if (request.command == QLatin1String("raise")) {
        emit raiseRequested();
        reply(remote::Result::success());
    } else if (m_handler) {
        m_handler(request, reply);
    } else {
        reply(remote::Result::failure(remote::ExitUsage,
                                      QStringLiteral("unknown command '%1'").arg(request.command)));
    }
}

void LocalChannel::makeWatcher(QLocalSocket* socket)
{
    if (watcherCount() >= m_limits.maxWatchers) {
        refuse(
            socket,
            remote::Result::failure(
                remote::ExitNoWindow,
                QStringLiteral("the window serves %1 watchers already").arg(m_limits.maxWatchers)));
        return;
    }
    const auto client = findClient(socket);
    client->idleTimer->stop(); // a watcher may stay silent
    client->idleTimer->deleteLater();
    m_clients.erase(client);
    m_watchers.push_back(socket);
    send(socket, remote::encodeResult(remote::Result::success()));
}

void LocalChannel::publishEvent(const QJsonObject& event)
{
    const QByteArray line = remote::encodeEvent(event);
    const std::list<QLocalSocket*> watchers = m_watchers; // drop() changes the list
    for (QLocalSocket* watcher : watchers)
        send(watcher, line);
}

// A client that leaves too much unread is dropped, so that it cannot make
// the window's memory grow. False then.
bool LocalChannel::send(QLocalSocket* socket, const QByteArray& line)
{
    socket->write(line);
    socket->flush(); // what stays behind is what the client has not read
    if (socket->bytesToWrite() <= m_limits.maxBacklog)
        return true;
    drop(socket);
    return false;
}

// Writes `result` and closes the connection.
void LocalChannel::refuse(QLocalSocket* socket, const remote::Result& result)
{
    socket->write(remote::encodeResult(result));
    socket->flush();
    drop(socket);
}

// Closes the connection at once. What flush() handed to the system still
// reaches the client; the rest, for a client that does not read, is dropped.
void LocalChannel::drop(QLocalSocket* socket)
{
    forget(socket);
    socket->disconnect(this);
    socket->abort();
}

void LocalChannel::forget(QLocalSocket* socket)
{
    const auto client = findClient(socket);
    if (client != m_clients.end()) {
        client->idleTimer->stop();
        client->idleTimer->deleteLater();
        m_clients.erase(client);
    }
    m_watchers.remove(socket);
}

std::list<LocalChannel::Client>::iterator LocalChannel::findClient(QLocalSocket* socket)
{
    return std::find_if(m_clients.begin(), m_clients.end(),
                        [socket](const Client& client) { return client.socket == socket; });
}
