#include "SingleInstance.h"

#include "RemoteClient.h"
#include "SessionSocket.h"

#include <QCryptographicHash>
#include <QFile>
#include <QStandardPaths>

#include <unistd.h>

SingleInstance::SessionKeys SingleInstance::sessionKeys(const QString& programName)
{
    const QString session = QStringLiteral("%1-%2").arg(getuid()).arg(QString::fromLatin1(
        QCryptographicHash::hash(QFile::encodeName(remote::sessionRuntimeFolder()),
                                 QCryptographicHash::Sha1)
            .toHex()
            .left(16)));
    return {programName + "-guard-" + session, programName + "-instance-" + session,
            remote::sessionSocketPath(programName)};
}

SingleInstance::SingleInstance(const QString& programName, QObject* parent)
    : SingleInstance(sessionKeys(programName), parent)
{}

SingleInstance::SingleInstance(const SessionKeys& keys, QObject* parent)
    : QObject(parent), m_semaphore(keys.semaphore, 1, QSystemSemaphore::Open),
      m_segment(keys.segment), m_socketName(keys.socket),
      m_channel(new LocalChannel(keys.socket, this))
{
    connect(m_channel, &LocalChannel::raiseRequested, this, &SingleInstance::raiseRequested);
}

SingleInstance::~SingleInstance() = default;

// On Unix the segment outlives a crashed instance. Attaching and detaching
// again removes it when no process holds it any more; a live instance keeps
// it attached, so its segment survives.
void SingleInstance::clearStaleSegment()
{
    QSharedMemory probe(m_segment.key());
    if (probe.attach())
        probe.detach();
}

bool SingleInstance::acquire()
{
    m_semaphore.acquire();
    clearStaleSegment();
    bool first = m_segment.create(1);
    // The segment's kernel key is made from its key file's inode (ftok), of
    // which only the low 16 bits count. A segment a crash left under another
    // key file, since removed, can answer to ours; it is only seen now that
    // create() has made our key file, and is cleared the same way.
    if (!first && m_segment.error() == QSharedMemory::AlreadyExists) {
        clearStaleSegment();
        first = m_segment.create(1);
    }
    m_semaphore.release();
    if (first) {
        // Where the session has no runtime folder, Qt makes its private
        // fallback folder (owner only) for the socket.
        QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
        m_channel->listen();
    }
    return first;
}

bool SingleInstance::requestRaise(int timeoutMs)
{
    const std::optional<remote::Result> result =
        remote::askWindow(m_socketName, {QStringLiteral("raise"), {}}, timeoutMs);
    return result && result->ok();
}

void SingleInstance::setCommandHandler(LocalChannel::CommandHandler handler)
{
    m_channel->setCommandHandler(std::move(handler));
}

void SingleInstance::publishEvent(const QJsonObject& event)
{
    m_channel->publishEvent(event);
}
