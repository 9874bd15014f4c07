#pragma once
// One instance per login session: the guard (a lock on a file in the
// session's runtime folder, which the system releases whenever the holder
// ends, however it ends) and the local socket beside it, over which a later
// start asks the running instance to show its window and velumixctl sends
// its commands (LocalChannel). The folder is the user's own and closed to
// others (remote/SessionSocket.h), so other users and other sessions never
// meet these, and nobody else can hold the lock or stand in for the socket.

#include "LocalChannel.h"

#include <QObject>
#include <QString>

class SingleInstance : public QObject
{
    Q_OBJECT
public:
    static constexpr int kProtocolVersion = remote::kProtocolVersion;

    // The guard's lock file and the socket's path for a program in this session.
    struct SessionKeys
    {
        QString lock;
        QString socket;
    };
    static SessionKeys sessionKeys(const QString& programName);

    explicit SingleInstance(const QString& programName, QObject* parent = nullptr);
    ~SingleInstance() override;

    // True when no other instance runs; this instance then holds the lock
    // and listens for requests.
    bool acquire();
    // From a later instance: asks the running one to show its window. False
    // when nobody answers.
    bool requestRaise(int timeoutMs = 3000);

    QString socketName() const { return m_socketName; }

    // Carries out the requests other than "raise" and "watch".
    void setCommandHandler(LocalChannel::CommandHandler handler);

public slots:
    // Sends `event` to every client that watches.
    void publishEvent(const QJsonObject& event);

signals:
    void raiseRequested();

private:
    SingleInstance(const SessionKeys& keys, QObject* parent);

    QString m_lockPath;
    int m_lock = -1; // the open lock file while this instance holds it
    QString m_socketName;
    LocalChannel* m_channel = nullptr;
};
