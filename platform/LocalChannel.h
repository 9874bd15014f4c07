#pragma once
// The window's end of the session's local socket: it answers requests of
// velumixctl and of later starts, one JSON line each (remote/RemoteProtocol.h),
// and sends events to the clients that asked to watch.
//
// Any program of the user can connect, so the channel assumes nothing of its
// clients: a line is at most remote::kMaxMessageBytes long, a message that is
// not a request gets an error result and its connection closed, a connection
// that completes no request in time is closed, the numbers of connections and
// of watchers are bounded, and a client that stops reading is dropped before
// its backlog grows large. Only open connections have a timer, so a window
// without clients never wakes up for the channel.

#include "RemoteProtocol.h"

#include <QObject>
#include <QString>

#include <functional>
#include <list>

class QLocalServer;
class QLocalSocket;
class QTimer;

class LocalChannel : public QObject
{
    Q_OBJECT
public:
    // Hands a command's result back; a handler calls it once, at once or
    // later (a command that waits for the headset), and never after the
    // channel has gone.
    using Reply = std::function<void(const remote::Result&)>;
    using CommandHandler = std::function<void(const remote::Request&, const Reply& reply)>;

    struct Limits
    {
        // A connection that completes no request for this long is closed.
        int idleTimeoutMs = 5000;
        // Connections that are not watchers. One more drops the oldest of
        // them that is not being served, so that a client that hogs the
        // channel cannot lock out a legitimate one (which completes its
        // request within milliseconds of connecting).
        int maxClients = 32;
        // Watchers live long, so the oldest are the legitimate ones: one more
        // is refused.
        int maxWatchers = 32;
        // Bytes written to a client (a watcher, or one that sends requests
        // without reading the results) that it has not read yet; beyond,
        // the client is dropped.
        qint64 maxBacklog = 64 * 1024;
        // Between attempts to listen again after the socket failed.
        int relistenDelayMs = 1000;
    };

    explicit LocalChannel(const QString& socketPath, QObject* parent = nullptr);
    ~LocalChannel() override;

    // Starts listening; false (and a warning) when the socket cannot be
    // made, such as when another live program listens at the path.
    bool listen();
    bool isListening() const { return m_listening; }

    // Carries out every command other than "raise" and "watch".
    void setCommandHandler(CommandHandler handler);
    // For tests, which cannot wait the default times nor fill the default
    // backlog; applies to connections opened afterwards.
    void setLimits(const Limits& limits);

    int clientCount() const { return int(m_clients.size()); }
    int watcherCount() const { return int(m_watchers.size()); }

public slots:
    // Sends `event` to every watcher.
    void publishEvent(const QJsonObject& event);

signals:
    void raiseRequested();

private:
    struct Client
    {
        QLocalSocket* socket = nullptr;
        remote::LineBuffer lines;
        QTimer* idleTimer = nullptr;
        bool busy = false; // its command runs, or waits to be answered
    };
    enum class Outcome
    {
        Listening,
        Taken, // another live program listens at the path
        Failed,
    };

    Outcome takeSocket();
    void watchForFailure();
    void listenAgainWhenFailed();
    void tryListenAgain();
    void acceptConnections();
    void admit(QLocalSocket* socket);
    void readRequests(QLocalSocket* socket);
    bool serve(QLocalSocket* socket, const QByteArray& line);
    bool finish(QLocalSocket* socket, const remote::Result& result);
    void answer(const remote::Request& request, const Reply& reply);
    void makeWatcher(QLocalSocket* socket);
    bool send(QLocalSocket* socket, const QByteArray& line);
    void refuse(QLocalSocket* socket, const remote::Result& result);
    void drop(QLocalSocket* socket);
    void forget(QLocalSocket* socket);
    std::list<Client>::iterator findClient(QLocalSocket* socket);

    QString m_socketPath;
    Limits m_limits;
    CommandHandler m_handler;
    QLocalServer* m_server = nullptr;
    bool m_listening = false;
    // To the destruction of the server's socket notifier: see watchForFailure().
    QMetaObject::Connection m_failureWatch;
    // Set once listening worked: a failure later is answered by listening again.
    bool m_keepListening = false;
    // Runs only while the socket is down.
    QTimer* m_relistenTimer = nullptr;
    std::list<Client> m_clients; // the oldest first
    std::list<QLocalSocket*> m_watchers;
};
