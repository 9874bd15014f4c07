// The messages between velumixctl and the window: each encoder's line reads
// back as what was encoded, each decoder says why it refuses a line, and the
// line buffer cuts a byte stream into lines no longer than the limit.

#include "RemoteProtocol.h"

#include <QtTest>

#include <functional>

using namespace remote;

Q_DECLARE_METATYPE(remote::Request)
Q_DECLARE_METATYPE(remote::Result)

namespace {

using Decoder = std::function<bool(const QByteArray& line, QString* error)>;

// Each decoder, reduced to whether it accepted the line.
Decoder decoder(const QString& kind)
{
    if (kind == "request")
        return [](const QByteArray& line, QString* error) {
            return decodeRequest(line, error).has_value();
        };
    if (kind == "result")
        return [](const QByteArray& line, QString* error) {
            return decodeResult(line, error).has_value();
        };
    return
        [](const QByteArray& line, QString* error) { return decodeEvent(line, error).has_value(); };
}

void verifyOneLine(const QByteArray& line)
{
    QVERIFY(line.endsWith('\n'));
    QCOMPARE(line.count('\n'), 1);
    QVERIFY(line.size() <= kMaxMessageBytes);
}

} // namespace

class RemoteProtocolTest : public QObject
{
    Q_OBJECT
private slots:
    void requestsReadBack_data();
    void requestsReadBack();
    void resultsReadBack_data();
    void resultsReadBack();
    void longResultsFitALine_data();
    void longResultsFitALine();
    void eventsReadBack();
    void decodersSayWhy_data();
    void decodersSayWhy();
    void lineBufferCutsLines_data();
    void lineBufferCutsLines();
};

void RemoteProtocolTest::requestsReadBack_data()
{
    QTest::addColumn<Request>("request");
    QTest::newRow("no arguments") << Request{"status", {}};
    QTest::newRow("arguments") << Request{"preset", {{"name", "Jazz"}, {"page", "stereo"}}};
    QTest::newRow("nested, non-ASCII") << Request{
        "custom-apply",
        {{"name", QStringLiteral("爵士 \"quoted\"\nline")}, {"gains", QJsonArray{-12, 0, 12}}}};
}

void RemoteProtocolTest::requestsReadBack()
{
    QFETCH(Request, request);
    const QByteArray line = encodeRequest(request);
    verifyOneLine(line);
    QString error;
    const std::optional<Request> decoded = decodeRequest(line, &error);
    QVERIFY2(decoded, qPrintable(error));
    QCOMPARE(decoded->command, request.command);
    QCOMPARE(decoded->arguments, request.arguments);
}

void RemoteProtocolTest::resultsReadBack_data()
{
    QTest::addColumn<Result>("result");
    QTest::addColumn<QStringList>("members"); // of the line, besides "version"
    QTest::newRow("success") << Result::success() << QStringList{"exit"};
    QTest::newRow("object data") << Result::success(QJsonObject{{"page", "stereo"}})
                                 << QStringList{"data", "exit"};
    QTest::newRow("array data") << Result::success(QJsonArray{QJsonObject{{"name", "Pop"}}})
                                << QStringList{"data", "exit"};
    QTest::newRow("failure") << Result::failure(ExitNoConfiguration, "'Nope' is not a preset")
                             << QStringList{"error", "exit"};
}

void RemoteProtocolTest::resultsReadBack()
{
    QFETCH(Result, result);
    QFETCH(QStringList, members);
    const QByteArray line = encodeResult(result);
    verifyOneLine(line);
    QJsonObject object = QJsonDocument::fromJson(line).object();
    QCOMPARE(object.take("version"), QJsonValue(kProtocolVersion));
    QCOMPARE(object.keys(), members);

    QString error;
    const std::optional<Result> decoded = decodeResult(line, &error);
    QVERIFY2(decoded, qPrintable(error));
    QCOMPARE(decoded->exit, result.exit);
    QCOMPARE(decoded->error, result.error);
    QCOMPARE(decoded->data.isUndefined() ? QJsonValue() : decoded->data, result.data);
    QCOMPARE(decoded->ok(), result.ok());
}

void RemoteProtocolTest::longResultsFitALine_data()
{
    QTest::addColumn<Result>("result");
    QTest::addColumn<int>("exit");
    QTest::addColumn<QString>("errorStart"); // the error begins so
    QTest::addColumn<bool>("errorCut");
    // Ten custom modes of 256 three-byte characters each: a list velumixctl
    // must be able to read.
    QJsonArray longNames;
    for (int mode = 0; mode < 10; ++mode)
        longNames.append(QJsonObject{{"page", "stereo"}, {"name", QString(256, QChar(0x20AC))}});
    QTest::newRow("a list of long names") << Result::success(longNames) << 0 << QString() << false;
    const QString endless = QStringLiteral("'") + QString(40000, QChar(0x20AC));
    QTest::newRow("an error of 120000 bytes")
        << Result::failure(ExitNoConfiguration, endless) << int(ExitNoConfiguration)
        << endless.left(100) << true;
    QJsonArray endlessList;
    for (int mode = 0; mode < 1000; ++mode)
        endlessList.append(QString(256, 'x'));
    QTest::newRow("data larger than a line")
        << Result::success(endlessList) << int(ExitNoWindow)
        << "the answer to the command is larger than the 32768 bytes a line carries" << false;
}

// Whatever the window answers, velumixctl can read it whole.
void RemoteProtocolTest::longResultsFitALine()
{
    QFETCH(Result, result);
    QFETCH(int, exit);
    QFETCH(QString, errorStart);
    QFETCH(bool, errorCut);
    const QByteArray line = encodeResult(result);
    QVERIFY(line.size() <= kMaxReplyBytes);
    LineBuffer buffer(kMaxReplyBytes);
    buffer.append(line);
    QString error;
    const std::optional<Result> decoded = decodeResult(buffer.takeLine().value_or(""), &error);
    QVERIFY2(decoded, qPrintable(error));
    QCOMPARE(decoded->exit, exit);
    QVERIFY(decoded->error.startsWith(errorStart));
    QCOMPARE(decoded->error.endsWith(QChar(0x2026)), errorCut);
    if (exit == 0)
        QCOMPARE(decoded->data, result.data);
}

void RemoteProtocolTest::eventsReadBack()
{
    const QJsonObject event{{"event", "mode"},
                            {"page", "stereo"},
                            {"kind", "preset"},
                            {"name", QStringLiteral("流行")}};
    const QByteArray line = encodeEvent(event);
    verifyOneLine(line);
    QString error;
    const std::optional<QJsonObject> decoded = decodeEvent(line, &error);
    QVERIFY2(decoded, qPrintable(error));
    QCOMPARE(*decoded, event);
}

void RemoteProtocolTest::decodersSayWhy_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<QString>("reason");
    const QStringList kinds{"request", "result", "event"};
    for (const QString& kind : kinds) {
        const QByteArray name = kind.toLatin1();
        QTest::newRow(name + ": not JSON") << kind << QByteArray("raise\n") << "not JSON";
        QTest::newRow(name + ": empty line") << kind << QByteArray("\n") << "not JSON";
        QTest::newRow(name + ": binary") << kind << QByteArray("\x00\xff\xfe{\n", 5) << "not JSON";
        QTest::newRow(name + ": array")
            << kind << QByteArray(R"([{"version":1,"command":"raise"}])") << "not a JSON object";
        QTest::newRow(name + ": no version")
            << kind << QByteArray(R"({"command":"raise","exit":0,"event":"page"})")
            << "version 1 is wanted";
        QTest::newRow(name + ": newer version")
            << kind << QByteArray(R"({"version":2,"command":"raise","exit":0,"event":"page"})")
            << "version 1 is wanted";
        QTest::newRow(name + ": version as text")
            << kind << QByteArray(R"({"version":"1","command":"raise","exit":0,"event":"page"})")
            << "version 1 is wanted";
    }
    QTest::newRow("request: no command")
        << "request" << QByteArray(R"({"version":1})") << "no command";
    QTest::newRow("request: empty command")
        << "request" << QByteArray(R"({"version":1,"command":""})") << "no command";
    QTest::newRow("request: command not text")
        << "request" << QByteArray(R"({"version":1,"command":7})") << "no command";
    QTest::newRow("request: arguments not an object")
        << "request" << QByteArray(R"({"version":1,"command":"eq","arguments":[1]})")
        << "the arguments are not an object";
    QTest::newRow("result: no exit")
        << "result" << QByteArray(R"({"version":1,"error":"x"})") << "no exit code";
    QTest::newRow("result: exit as text")
        << "result" << QByteArray(R"({"version":1,"exit":"0"})") << "no exit code";
    QTest::newRow("event: no name")
        << "event" << QByteArray(R"({"version":1,"page":"stereo"})") << "no event name";
}

void RemoteProtocolTest::decodersSayWhy()
{
    QFETCH(QString, kind);
    QFETCH(QByteArray, line);
    QFETCH(QString, reason);
    QString error;
    QVERIFY(!decoder(kind)(line, &error));
    QVERIFY2(error.startsWith(reason), qPrintable(error));
}

void RemoteProtocolTest::lineBufferCutsLines_data()
{
    QTest::addColumn<QByteArrayList>("chunks");
    QTest::addColumn<QByteArrayList>("lines");
    QTest::addColumn<bool>("overflowed"); // once every line is taken
    const QByteArray longest = QByteArray(kMaxMessageBytes - 1, 'x') + '\n';
    QTest::newRow("one line") << QByteArrayList{"a\n"} << QByteArrayList{"a\n"} << false;
    QTest::newRow("two lines in one chunk")
        << QByteArrayList{"a\nb\n"} << QByteArrayList{"a\n", "b\n"} << false;
    QTest::newRow("a line over three chunks") << QByteArrayList{"{\"ver", "sion\":1}", "\n"}
                                              << QByteArrayList{"{\"version\":1}\n"} << false;
    QTest::newRow("a partial line waits")
        << QByteArrayList{"a\nb"} << QByteArrayList{"a\n"} << false;
    QTest::newRow("the longest line")
        << QByteArrayList{longest} << QByteArrayList{longest} << false;
    QTest::newRow("one byte too long, no newline yet")
        << QByteArrayList{QByteArray(kMaxMessageBytes, 'x')} << QByteArrayList{} << true;
    QTest::newRow("the longest line, then a partial one too long")
        << QByteArrayList{longest, QByteArray(kMaxMessageBytes, 'y')} << QByteArrayList{longest}
        << true;
}

// Reads as a socket's reader does: at most room() bytes at a time, taking
// the lines before reading on.
void RemoteProtocolTest::lineBufferCutsLines()
{
    QFETCH(QByteArrayList, chunks);
    QFETCH(QByteArrayList, lines);
    QFETCH(bool, overflowed);
    LineBuffer buffer;
    QByteArrayList taken;
    const auto takeAll = [&] {
        while (const std::optional<QByteArray> line = buffer.takeLine())
            taken << *line;
    };
    for (const QByteArray& chunk : chunks) {
        QByteArray rest = chunk;
        while (!rest.isEmpty() && buffer.room() > 0) {
            const QByteArray piece = rest.left(buffer.room());
            rest.remove(0, piece.size());
            buffer.append(piece);
            takeAll();
        }
        QVERIFY(buffer.room() >= 0);
    }
    QCOMPARE(taken, lines);
    QCOMPARE(buffer.overflowed(), overflowed);
}

QTEST_GUILESS_MAIN(RemoteProtocolTest)
#include "tst_remoteprotocol.moc"
