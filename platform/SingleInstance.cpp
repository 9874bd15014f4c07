#include "SingleInstance.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLocalServer>
#include <QLocalSocket>
#include <QStandardPaths>

#include <unistd.h>

namespace {

QByteArray message(const QJsonObject& object)
{
    QJsonObject versioned = object;
    versioned["version"] = SingleInstance::kProtocolVersion;
    return QJsonDocument(versioned).toJson(QJsonDocument::Compact) + '\n';
}

QJsonObject parseMessage(const QByteArray& line)
{
    const QJsonDocument document = QJsonDocument::fromJson(line.trimmed());
    return document.isObject() ? document.object() : QJsonObject();
}

} // namespace

SingleInstance::SessionKeys SingleInstance::sessionKeys(const QString& programName)
{
    // Qt falls back to a private folder of the user's where the session has none.
    const QString runtimeFolder = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    const QString session = QStringLiteral("%1-%2").arg(getuid()).arg(QString::fromLatin1(
        QCryptographicHash::hash(QFile::encodeName(runtimeFolder), QCryptographicHash::Sha1)
            .toHex()
            .left(16)));
    return {programName + "-guard-" + session, programName + "-instance-" + session,
            QDir(runtimeFolder).filePath(QStringLiteral("%1-%2").arg(programName).arg(getuid()))};
}

SingleInstance::SingleInstance(const QString& programName, QObject* parent)
    : SingleInstance(sessionKeys(programName), parent)
{}

SingleInstance::SingleInstance(const SessionKeys& keys, QObject* parent)
    : QObject(parent), m_semaphore(keys.semaphore, 1, QSystemSemaphore::Open),
      m_segment(keys.segment), m_socketName(keys.socket)
{}

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
    const bool first = m_segment.create(1);
    m_semaphore.release();
    if (first)
        listen();
    return first;
}

void SingleInstance::listen()
{
    m_server = new QLocalServer(this);
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    QLocalServer::removeServer(m_socketName); // a socket file left by a crash
    if (!m_server->listen(m_socketName))
        return;
    connect(m_server, &QLocalServer::newConnection, this, &SingleInstance::serveConnection);
}

void SingleInstance::serveConnection()
{
    while (QLocalSocket* socket = m_server->nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
            while (socket->canReadLine()) {
                const QJsonObject request = parseMessage(socket->readLine());
                const bool understood = request["version"].toInt() == kProtocolVersion &&
                                        request["command"].toString() == "raise";
                socket->write(message({{"ok", understood}}));
                socket->flush();
                if (understood)
                    emit raiseRequested();
            }
        });
    }
}

bool SingleInstance::requestRaise(int timeoutMs)
{
    QLocalSocket socket;
    socket.connectToServer(m_socketName);
    if (!socket.waitForConnected(timeoutMs))
        return false;
    socket.write(message({{"command", "raise"}}));
    if (!socket.waitForBytesWritten(timeoutMs))
        return false;
    while (!socket.canReadLine()) {
        if (!socket.waitForReadyRead(timeoutMs))
            return false;
    }
    return parseMessage(socket.readLine())["ok"].toBool();
}
