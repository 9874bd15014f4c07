#pragma once
// One instance per login session: the guard (a system semaphore and a
// one-byte shared segment) and the local socket over which a later start asks
// the running instance to show its window and velumixctl sends its commands
// (LocalChannel). The guard's keys are derived from the user and the
// session's runtime folder ($XDG_RUNTIME_DIR), and the socket lies in that
// folder, so other users and other sessions never meet them.

#include "LocalChannel.h"

#include <QObject>
#include <QSharedMemory>
#include <QString>
#include <QSystemSemaphore>

class SingleInstance : public QObject
{
    Q_OBJECT
public:
    static constexpr int kProtocolVersion = remote::kProtocolVersion;

    // The guard's keys and the socket's path for a program in this session.
    struct SessionKeys
    {
        QString semaphore;
        QString segment;
        QString socket;
    };
    static SessionKeys sessionKeys(const QString& programName);

    explicit SingleInstance(const QString& programName, QObject* parent = nullptr);
    ~SingleInstance() override;

    // True when no other instance runs; this instance then holds the segment
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
    void clearStaleSegment();

    QSystemSemaphore m_semaphore;
    QSharedMemory m_segment;
    QString m_socketName;
    LocalChannel* m_channel = nullptr;
};
