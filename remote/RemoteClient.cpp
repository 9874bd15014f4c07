#include "RemoteClient.h"

#include "SessionSocket.h"

#include <QDeadlineTimer>
#include <QLocalSocket>

#include <sys/socket.h>
#include <unistd.h>

namespace remote {

namespace {

// The window's program name. The channel's tests keep it equal to the name
// the configuration gives the window, which this library cannot see.
const char kWindowProgram[] = "velumix";
constexpr int kWatchAnswerTimeoutMs = 5000;

Result notAnswered(const QString& why)
{
    return Result::failure(ExitNoWindow, why);
}

// Reads the window's lines one at a time, so that no answer can make the
// client's memory grow.
class LineReader
{
public:
    explicit LineReader(QLocalSocket& socket) : m_socket(socket) {}

    // The next line, newline included; nothing, with `error` set, when none
    // comes before the deadline or the line is too long.
    std::optional<QByteArray> next(const QDeadlineTimer& deadline, QString* error)
    {
        for (;;) {
            if (std::optional<QByteArray> line = m_buffer.takeLine())
                return line;
            if (m_buffer.overflowed()) {
                *error = QStringLiteral("the window sent a line longer than %1 bytes")
                             .arg(kMaxReplyBytes);
                return std::nullopt;
            }
            if (m_socket.bytesAvailable() == 0 &&
                !m_socket.waitForReadyRead(int(deadline.remainingTime()))) {
                *error = m_socket.state() == QLocalSocket::ConnectedState
                             ? QStringLiteral("the window did not answer in time")
                             : QStringLiteral("the window hung up");
                return std::nullopt;
            }
            m_buffer.append(m_socket.read(m_buffer.room()));
        }
    }

private:
    QLocalSocket& m_socket;
    LineBuffer m_buffer{kMaxReplyBytes};
};

enum class Delivery
{
    Sent,
    NoWindow, // nobody listens at the path
    Foreign,  // another user listens there
    Failed,
};

// The user of the program listening at the other end, or -1 when the
// system does not say.
long listenerUid(const QLocalSocket& socket)
{
    ucred credentials{};
    socklen_t size = sizeof credentials;
    if (::getsockopt(int(socket.socketDescriptor()), SOL_SOCKET, SO_PEERCRED, &credentials,
                     &size) != 0)
        return -1;
    return long(credentials.uid);
}

Delivery send(QLocalSocket& socket, const QString& socketPath, const Request& request,
              const QDeadlineTimer& deadline)
{
    socket.connectToServer(socketPath);
    if (!socket.waitForConnected(int(deadline.remainingTime()))) {
        const QLocalSocket::LocalSocketError error = socket.error();
        return error == QLocalSocket::ServerNotFoundError ||
                       error == QLocalSocket::ConnectionRefusedError
                   ? Delivery::NoWindow
                   : Delivery::Failed;
    }
    // Requests can name files and answers are believed: neither is shared
    // with another user who got hold of the socket's place.
    if (listenerUid(socket) != long(::getuid()))
        return Delivery::Foreign;
    socket.write(encodeRequest(request));
    while (socket.bytesToWrite() > 0) {
        if (!socket.waitForBytesWritten(int(deadline.remainingTime())))
            return Delivery::Failed;
    }
    return Delivery::Sent;
}

Result readResult(LineReader& reader, const QDeadlineTimer& deadline)
{
    QString error;
    const std::optional<QByteArray> line = reader.next(deadline, &error);
    if (!line)
        return notAnswered(error);
    const std::optional<Result> result = decodeResult(*line, &error);
    if (!result)
        return notAnswered(QStringLiteral("the window answered with something that is not a "
                                          "result: %1")
                               .arg(error));
    return *result;
}

// Sends `request` and reads its result; nothing when no window listens.
std::optional<Result> exchange(QLocalSocket& socket, LineReader& reader, const QString& socketPath,
                               const Request& request, int timeoutMs)
{
    const QDeadlineTimer deadline(timeoutMs);
    switch (send(socket, socketPath, request, deadline)) {
    case Delivery::NoWindow:
        return std::nullopt;
    case Delivery::Foreign:
        return notAnswered(
            QStringLiteral("%1 is held by another user's program (uid %2); nothing was sent to "
                           "it")
                .arg(socketPath)
                .arg(listenerUid(socket)));
    case Delivery::Failed:
        return notAnswered(
            QStringLiteral("the window did not take the request: %1").arg(socket.errorString()));
    case Delivery::Sent:
        break;
    }
    return readResult(reader, deadline);
}

} // namespace

QString windowSocketPath()
{
    return sessionSocketPath(QString::fromLatin1(kWindowProgram));
}

std::optional<Result> askWindow(const QString& socketPath, const Request& request, int timeoutMs)
{
    QLocalSocket socket;
    LineReader reader(socket);
    return exchange(socket, reader, socketPath, request, timeoutMs);
}

std::optional<Result> watchWindow(const QString& socketPath,
                                  const std::function<bool(const QJsonObject& event)>& onEvent)
{
    QLocalSocket socket;
    LineReader reader(socket);
    const std::optional<Result> result =
        exchange(socket, reader, socketPath, {QStringLiteral("watch"), {}}, kWatchAnswerTimeoutMs);
    if (!result || !result->ok())
        return result;
    for (;;) {
        QString error;
        const std::optional<QByteArray> line = reader.next(QDeadlineTimer::Forever, &error);
        if (!line) // the window went away, or sent a line too long
            return socket.state() == QLocalSocket::ConnectedState ? notAnswered(error) : result;
        const std::optional<QJsonObject> event = decodeEvent(*line, &error);
        if (!event)
            return notAnswered(
                QStringLiteral("the window sent something that is not an event: %1").arg(error));
        if (!onEvent(*event))
            return result;
    }
}

} // namespace remote
