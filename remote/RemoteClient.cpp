#include "RemoteClient.h"

#include <QDir>
#include <QLocalSocket>
#include <QStandardPaths>

#include <unistd.h>

namespace remote {

namespace {

constexpr char kWindowProgramName[] = "velumix";

// Reads one line of at most kMaxMessageBytes; empty when the window hangs up,
// takes too long or sends more.
QByteArray readLine(QLocalSocket& socket, int timeoutMs)
{
    while (!socket.canReadLine()) {
        if (socket.bytesAvailable() > kMaxMessageBytes)
            return {};
        if (!socket.waitForReadyRead(timeoutMs))
            return {};
    }
    const QByteArray line = socket.readLine(kMaxMessageBytes + 1);
    return line.endsWith('\n') ? line : QByteArray();
}

bool connectAndSend(QLocalSocket& socket, const QString& socketPath, const Request& request,
                    int timeoutMs)
{
    socket.connectToServer(socketPath);
    if (!socket.waitForConnected(timeoutMs))
        return false;
    socket.write(encodeRequest(request));
    return socket.waitForBytesWritten(timeoutMs);
}

Result readResult(QLocalSocket& socket, int timeoutMs)
{
    const QByteArray line = readLine(socket, timeoutMs);
    if (line.isEmpty())
        return Result::failure(ExitNoWindow, QStringLiteral("the window did not answer in time"));
    QString error;
    const std::optional<Result> result = decodeResult(line, &error);
    if (!result)
        return Result::failure(
            ExitNoWindow, QStringLiteral("the window's answer is not a result (%1)").arg(error));
    return *result;
}

} // namespace

QString sessionSocketPath(const QString& programName)
{
    const QString runtimeFolder = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    return QDir(runtimeFolder).filePath(QStringLiteral("%1-%2").arg(programName).arg(getuid()));
}

QString windowSocketPath()
{
    return sessionSocketPath(QString::fromLatin1(kWindowProgramName));
}

std::optional<Result> askWindow(const QString& socketPath, const Request& request, int timeoutMs)
{
    QLocalSocket socket;
    if (!connectAndSend(socket, socketPath, request, timeoutMs))
        return std::nullopt;
    return readResult(socket, timeoutMs);
}

std::optional<Result> watchWindow(const QString& socketPath,
                                  const std::function<bool(const QJsonObject& event)>& onEvent)
{
    constexpr int kAnswerTimeoutMs = 5000;
    QLocalSocket socket;
    if (!connectAndSend(socket, socketPath, Request{QStringLiteral("watch"), {}}, kAnswerTimeoutMs))
        return std::nullopt;
    const Result answer = readResult(socket, kAnswerTimeoutMs);
    if (!answer.ok())
        return answer;
    for (;;) {
        const QByteArray line = readLine(socket, -1);
        if (line.isEmpty())
            return answer;
        QString error;
        const std::optional<QJsonObject> event = decodeEvent(line, &error);
        if (event && !onEvent(*event))
            return answer;
    }
}

} // namespace remote
