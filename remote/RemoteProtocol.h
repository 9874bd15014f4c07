#pragma once
// The messages between velumixctl and the running window: one JSON object
// per line, each with a "version" member. A client sends one request and
// reads one result; a "watch" request is answered with one result and then
// one event per line until the client hangs up. docs/remote-protocol.md
// describes every command's arguments and data.

#include <QByteArray>
#include <QJsonObject>
#include <QJsonValue>
#include <QString>

#include <optional>

namespace remote {

constexpr int kProtocolVersion = 1;
// A longer request line is refused and its connection closed: any local
// program may write to the window.
constexpr int kMaxMessageBytes = 4096;
// Results and events come from the window and carry lists of names of up
// to 256 characters each; the window never sends a longer line, and a
// client reads none.
constexpr int kMaxReplyBytes = 32 * 1024;

// The exit codes of velumixctl, carried in each result.
enum Exit
{
    ExitSuccess = 0,
    ExitUsage = 2,
    ExitNoHeadset = 3,
    ExitOpenFailed = 4,
    ExitWriteFailed = 5,
    ExitNoReply = 6,
    ExitHeadsetError = 7,
    ExitNoConfiguration = 8,
    // The command needs the running window (watch, simulate) and none runs,
    // or the window could not be reached.
    ExitNoWindow = 9,
};

// A command such as "preset" or "custom-apply" and its named arguments.
struct Request
{
    QString command;
    QJsonObject arguments;
};

// What a command did: its exit code, the message of a failure, and the data
// it reports (an object, or an array for lists; null when it reports nothing).
struct Result
{
    int exit = ExitSuccess;
    QString error;
    QJsonValue data;

    bool ok() const { return exit == ExitSuccess; }
    static Result success(const QJsonValue& data = QJsonValue());
    static Result failure(int exit, const QString& error);
};

// Each encoder returns one line, newline included. A result longer than
// kMaxReplyBytes has its error shortened to fit, or, when its data does not
// fit, becomes a failure (ExitNoWindow) saying so.
QByteArray encodeRequest(const Request& request);
QByteArray encodeResult(const Result& result);
QByteArray encodeEvent(const QJsonObject& event);

// Each decoder takes one line (with or without its newline). On failure it
// returns nothing and sets `error` to the reason: not JSON, not an object,
// a missing or different version, a missing member.
std::optional<Request> decodeRequest(const QByteArray& line, QString* error);
std::optional<Result> decodeResult(const QByteArray& line, QString* error);
std::optional<QJsonObject> decodeEvent(const QByteArray& line, QString* error);

// Cuts the bytes read from a socket into lines of at most `limit` bytes,
// newline included, holding no more than that: read at most room() bytes
// before asking for the next line again.
class LineBuffer
{
public:
    explicit LineBuffer(int limit = kMaxMessageBytes) : m_limit(limit) {}
    int limit() const { return m_limit; }
    int room() const { return m_limit - m_bytes.size(); }
    void append(const QByteArray& bytes) { m_bytes += bytes; }
    // The next whole line, newline included; nothing while none is complete.
    std::optional<QByteArray> takeLine();
    // The bytes held start a line that is too long already.
    bool overflowed() const { return room() <= 0 && !m_bytes.contains('\n'); }

private:
    int m_limit;
    QByteArray m_bytes;
};

} // namespace remote
