#include "SingleInstance.h"

#include "RemoteClient.h"
#include "SessionSocket.h"

#include <QFile>
#include <QLoggingCategory>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

Q_DECLARE_LOGGING_CATEGORY(lcPlatform)

SingleInstance::SessionKeys SingleInstance::sessionKeys(const QString& programName)
{
    return {remote::sessionLockPath(programName), remote::sessionSocketPath(programName)};
}

SingleInstance::SingleInstance(const QString& programName, QObject* parent)
    : SingleInstance(sessionKeys(programName), parent)
{}

SingleInstance::SingleInstance(const SessionKeys& keys, QObject* parent)
    : QObject(parent), m_lockPath(keys.lock), m_socketName(keys.socket),
      m_channel(new LocalChannel(keys.socket, this))
{
    connect(m_channel, &LocalChannel::raiseRequested, this, &SingleInstance::raiseRequested);
}

// The lock file itself stays: removing it while another start has it open
// would let that start and a third one each lock a file of their own.
SingleInstance::~SingleInstance()
{
    if (m_lock >= 0)
        ::close(m_lock);
}

bool SingleInstance::acquire()
{
    const remote::RuntimeFolder folder = remote::readySessionRuntimeFolder();
    if (!folder.ok()) {
        // Without a folder of its own the program cannot tell whether it runs
        // already; it runs, without the socket.
        qCWarning(lcPlatform).noquote() << "no runtime folder of this user's:" << folder.problem;
        return true;
    }
    m_lock = ::open(QFile::encodeName(m_lockPath).constData(),
                    O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (m_lock < 0) {
        qCWarning(lcPlatform).noquote()
            << "cannot open the lock" << m_lockPath << ":" << qt_error_string(errno);
        return true;
    }
    if (::flock(m_lock, LOCK_EX | LOCK_NB) != 0) {
        ::close(m_lock);
        m_lock = -1;
        return false;
    }
    m_channel->listen();
    return true;
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
