#include "RemoteProtocol.h"

#include <QJsonDocument>

namespace remote {

namespace {

QByteArray line(QJsonObject object)
{
    object["version"] = kProtocolVersion;
    return QJsonDocument(object).toJson(QJsonDocument::Compact) + '\n';
}

std::optional<QJsonObject> versionedObject(const QByteArray& text, QString* error)
{
    QJsonParseError parseError{};
    const QJsonDocument document = QJsonDocument::fromJson(text.trimmed(), &parseError);
    if (parseError.error != QJsonParseError::NoError) {
        *error = QStringLiteral("not JSON: %1 at byte %2")
                     .arg(parseError.errorString())
                     .arg(parseError.offset);
        return std::nullopt;
    }
    if (!document.isObject()) {
        *error = QStringLiteral("not a JSON object");
        return std::nullopt;
    }
    const QJsonObject object = document.object();
    if (object["version"].toInt(-1) != kProtocolVersion || !object["version"].isDouble()) {
        *error = QStringLiteral("version %1 is wanted").arg(kProtocolVersion);
        return std::nullopt;
    }
    return object;
}

} // namespace

Result Result::success(const QJsonValue& data)
{
    return {ExitSuccess, QString(), data};
}

Result Result::failure(int exit, const QString& error)
{
    return {exit, error, QJsonValue()};
}

QByteArray encodeRequest(const Request& request)
{
    return line({{"command", request.command}, {"arguments", request.arguments}});
}

QByteArray encodeResult(const Result& result)
{
    QJsonObject object{{"exit", result.exit}};
    if (!result.data.isNull() && !result.data.isUndefined())
        object["data"] = result.data;
    QString error = result.error;
    for (;;) {
        if (!error.isEmpty())
            object["error"] = error;
        const QByteArray encoded = line(object);
        if (encoded.size() <= kMaxReplyBytes)
            return encoded;
        if (object.contains("data"))
            return encodeResult(Result::failure(
                ExitNoWindow,
                QStringLiteral("the answer to the command is larger than the %1 bytes a line "
                               "carries")
                    .arg(kMaxReplyBytes)));
        // Shortened in proportion to what it is over, with room to spare for
        // the other members: one more round at most.
        const qint64 keep = qint64(error.size()) * (kMaxReplyBytes - 256) / encoded.size();
        error = error.left(int(keep)) + QChar(0x2026);
    }
}

QByteArray encodeEvent(const QJsonObject& event)
{
    return line(event);
}

std::optional<Request> decodeRequest(const QByteArray& text, QString* error)
{
    const auto object = versionedObject(text, error);
    if (!object)
        return std::nullopt;
    const QJsonValue command = (*object)["command"];
    const QJsonValue arguments = (*object)["arguments"];
    if (!command.isString() || command.toString().isEmpty()) {
        *error = QStringLiteral("no command");
        return std::nullopt;
    }
    if (!arguments.isUndefined() && !arguments.isObject()) {
        *error = QStringLiteral("the arguments are not an object");
        return std::nullopt;
    }
    return Request{command.toString(), arguments.toObject()};
}

std::optional<Result> decodeResult(const QByteArray& text, QString* error)
{
    const auto object = versionedObject(text, error);
    if (!object)
        return std::nullopt;
    const QJsonValue exit = (*object)["exit"];
    if (!exit.isDouble()) {
        *error = QStringLiteral("no exit code");
        return std::nullopt;
    }
    return Result{exit.toInt(), (*object)["error"].toString(), (*object)["data"]};
}

std::optional<QJsonObject> decodeEvent(const QByteArray& text, QString* error)
{
    const auto object = versionedObject(text, error);
    if (!object)
        return std::nullopt;
    if (!(*object)["event"].isString()) {
        *error = QStringLiteral("no event name");
        return std::nullopt;
    }
    QJsonObject event = *object;
    event.remove("version");
    return event;
}

std::optional<QByteArray> LineBuffer::takeLine()
{
    const int end = m_bytes.indexOf('\n');
    if (end < 0)
        return std::nullopt;
    QByteArray line = m_bytes.left(end + 1);
    m_bytes.remove(0, end + 1);
    return line;
}

} // namespace remote
