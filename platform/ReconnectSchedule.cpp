#include "ReconnectSchedule.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFileSystemWatcher>
#include <QRegularExpression>
#include <QStandardPaths>

#include <algorithm>

namespace {

// The timer's pauses: 1, 2, 4, 8 and 16 s, then no more.
constexpr int kFirstReconnectDelayMs = 1000;
constexpr int kLongestReconnectDelayMs = 30000;

// The client library reads the first client.conf it finds and the *.conf
// files of its ".d" folder; all the places it may look are read here, so a
// default-server line in any of them counts. A wrong guess that the server
// is named costs only the timer's few tries; the other way round would
// leave a named server that went away untried.
QStringList clientConfFiles()
{
    const QString chosen = qEnvironmentVariable("PULSE_CLIENTCONFIG");
    QStringList mains;
    if (!chosen.isEmpty()) {
        mains << chosen;
    } else {
        const QString configPath = qEnvironmentVariable("PULSE_CONFIG_PATH");
        if (!configPath.isEmpty())
            mains << configPath + QStringLiteral("/client.conf");
        mains << QDir::homePath() + QStringLiteral("/.pulse/client.conf")
              << QDir::homePath() + QStringLiteral("/.config/pulse/client.conf")
              << QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
                     QStringLiteral("/pulse/client.conf")
              << QStringLiteral("/etc/pulse/client.conf");
        mains.removeDuplicates();
    }
    QStringList files;
    for (const QString& main : mains) {
        files << main;
        const QDir drop(main + QStringLiteral(".d"));
        for (const QString& name : drop.entryList({QStringLiteral("*.conf")}, QDir::Files))
            files << drop.filePath(name);
    }
    return files;
}

// A "default-server = ADDRESS" line; ';' and '#' start a comment.
bool namesServer(const QString& path)
{
    static const QRegularExpression setting(QStringLiteral("^\\s*default-server\\s*=\\s*[^;#\\s]"));
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return false;
    while (!file.atEnd())
        if (setting.match(QString::fromUtf8(file.readLine())).hasMatch())
            return true;
    return false;
}

bool serverNamedElsewhere(const QByteArray& server)
{
    if (!server.isEmpty() || !qEnvironmentVariableIsEmpty("PULSE_SERVER"))
        return true;
    const QStringList files = clientConfFiles();
    return std::any_of(files.begin(), files.end(), namesServer);
}

// The socket the client library tries first when no server is named: in
// its runtime folder, which is $PULSE_RUNTIME_PATH if set, else
// $XDG_RUNTIME_DIR/pulse. Empty when the server is named, or when neither
// variable is set (the library then links a folder of its own in /tmp
// from ~/.config/pulse; rare enough to leave to the timer). Not watched
// either: the system-wide server's /run/pulse/native, which the library
// tries next, as almost no desktop runs one; nor a server published on the
// X11 root window.
QString defaultServerSocket(const QByteArray& server)
{
    if (serverNamedElsewhere(server))
        return {};
    const QString runtimePath = qEnvironmentVariable("PULSE_RUNTIME_PATH");
    if (!runtimePath.isEmpty())
        return runtimePath + QStringLiteral("/native");
    const QString xdgRuntime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!xdgRuntime.isEmpty())
        return xdgRuntime + QStringLiteral("/pulse/native");
    return {};
}

// The socket's folder, or while that is missing the nearest folder above it
// that exists: its change may be the first step of the socket's path.
QString nearestExistingFolder(const QString& socket)
{
    QString folder = QFileInfo(socket).absolutePath();
    while (!QFileInfo(folder).isDir() && !QDir(folder).isRoot())
        folder = QFileInfo(folder).absolutePath();
    return folder;
}

} // namespace

namespace pulse {

ReconnectSchedule::ReconnectSchedule(const QByteArray& server, QObject* parent)
    : QObject(parent), m_socket(defaultServerSocket(server)), m_delayMs(kFirstReconnectDelayMs)
{
    m_timer.setSingleShot(true);
    connect(&m_timer, &QTimer::timeout, this, &ReconnectSchedule::retryDue);
    if (m_socket.isEmpty())
        return;
    // Watching from the start, before the first try, so a socket that
    // appears while the try fails is not missed.
    m_watcher = new QFileSystemWatcher(this);
    connect(m_watcher, &QFileSystemWatcher::directoryChanged, this,
            &ReconnectSchedule::socketFolderChanged);
    watchSocketFolder();
}

// Without a watch (a named server, or the kernel's watches used up), or
// with the socket there, only the timer brings the next try.
void ReconnectSchedule::connectionFailed()
{
    if (!watching() || QFileInfo::exists(m_socket))
        backOff();
}

void ReconnectSchedule::connected()
{
    m_timer.stop();
    m_delayMs = kFirstReconnectDelayMs;
}

// A few tries with growing pauses; then no more wake-ups until the next
// connection resets the pauses.
void ReconnectSchedule::backOff()
{
    if (m_timer.isActive() || m_delayMs > kLongestReconnectDelayMs)
        return;
    m_timer.start(m_delayMs);
    m_delayMs *= 2;
}

bool ReconnectSchedule::watching() const
{
    return m_watcher && !m_watcher->directories().isEmpty();
}

void ReconnectSchedule::watchSocketFolder()
{
    const QString folder = nearestExistingFolder(m_socket);
    const QStringList watched = m_watcher->directories();
    if (watched == QStringList{folder})
        return;
    if (!watched.isEmpty())
        m_watcher->removePaths(watched);
    m_watcher->addPath(folder);
}

// Any change of the folder: one closer to the socket may have appeared, or
// the socket itself, even before the watch moved down to its folder. A new
// socket is a new server, and earns the timer's pauses afresh.
void ReconnectSchedule::socketFolderChanged()
{
    watchSocketFolder();
    if (!QFileInfo::exists(m_socket))
        return;
    m_delayMs = kFirstReconnectDelayMs;
    emit retryDue();
}

} // namespace pulse
