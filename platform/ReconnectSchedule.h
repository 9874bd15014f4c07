#pragma once
// When a sound server client tries a server it lost, or never reached, again.

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QTimer>

class QFileSystemWatcher;

namespace pulse {

// Told that a connection failed or was made, says when to try again
// (retryDue()), in one of two ways by where the server is:
//
// - The server the client library finds by itself: the folder of its Unix
//   socket is watched (inotify, through QFileSystemWatcher), and the socket's
//   appearance is the moment to try. Nothing wakes the program while no
//   server comes, and nothing is given up: a server started an hour later is
//   found at once.
// - A server named explicitly (an address from the caller, PULSE_SERVER, a
//   default-server line in client.conf), or a socket that cannot be
//   watched: tries after 1, 2, 4, 8 and 16 s, then none until a connection
//   the caller makes resets the pauses.
//
// A failure while the watched socket is there (a server still starting, or
// a socket left behind by one that died) is tried again on the timer's
// bounded pauses, as a named server is.
class ReconnectSchedule : public QObject
{
    Q_OBJECT

public:
    // `server`: the address the client hands the library; empty for its own choice.
    explicit ReconnectSchedule(const QByteArray& server, QObject* parent = nullptr);

    // The connection failed or was lost.
    void connectionFailed();
    // The connection was made; pauses start from the shortest again.
    void connected();

signals:
    // Time to connect again; the client ignores it while its connection is good.
    void retryDue();

private:
    void backOff();
    bool watching() const;
    void watchSocketFolder();
    void socketFolderChanged();

    const QString m_socket; // the watched socket; empty for the timer's way
    QFileSystemWatcher* m_watcher = nullptr;
    QTimer m_timer{this};
    int m_delayMs;
};

} // namespace pulse
