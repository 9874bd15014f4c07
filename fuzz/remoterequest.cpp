// Bytes a local client sends the window, cut into lines as the window's
// channel cuts them (remote::LineBuffer, read at most room() bytes at a
// time), each line decoded as a request and its arguments checked against
// rules of every kind the window's commands use (window/RemoteArguments).
// A line is a request or refused with a reason; lines stay within the
// message limit; a decoded request survives being encoded again; the check
// of the arguments names what is wrong or nothing.

#include "CommandTable.h"
#include "GuardedBytes.h"
#include "RemoteProtocol.h"

#include <QByteArray>

#include <algorithm>

namespace {

void checkLine(const QByteArray& line)
{
    fuzzCheck(line.endsWith('\n') && line.size() <= remote::kMaxMessageBytes,
              "a line ends with its newline, within the limit");
    QString error;
    const auto request = remote::decodeRequest(line, &error);
    fuzzCheck(request.has_value() == error.isEmpty(),
              "a line is a request or refused with a reason");
    if (!request)
        return;
    QString again;
    const auto decoded = remote::decodeRequest(remote::encodeRequest(*request), &again);
    fuzzCheck(decoded && decoded->command == request->command &&
                  decoded->arguments == request->arguments,
              "a request survives being sent again");
    const std::optional<remote::Result> refusal = remote::requestError(*request);
    fuzzCheck(!refusal || (refusal->exit == remote::ExitUsage &&
                           (refusal->error.startsWith(request->command) ||
                            refusal->error.startsWith(QLatin1String("unknown command")))),
              "a refusal is a usage error naming the command");
    fuzzCheck(!refusal || remote::encodeResult(*refusal).size() <= remote::kMaxMessageBytes,
              "a refusal of a request fits a request's line");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), int(size));
    remote::LineBuffer buffer;
    int offset = 0;
    while (offset < bytes.size()) {
        const int chunk = std::min(buffer.room(), bytes.size() - offset);
        fuzzCheck(chunk > 0 || buffer.overflowed(), "room is left until a line overflows");
        if (chunk <= 0)
            return 0; // the window closes such a connection
        buffer.append(bytes.mid(offset, chunk));
        offset += chunk;
        while (const auto line = buffer.takeLine())
            checkLine(*line);
    }
    return 0;
}
