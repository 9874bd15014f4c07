// Any command line, as NUL-separated arguments, to velumixctl's parser and
// completion and to velumix's own options: each either takes the line or
// says why not, a request velumixctl makes survives its trip over the socket
// and passes the window's check, the completion offers only words that
// begin with the one completed, and the two programs read a simulated
// product ID alike.

#include "CommandTable.h"
#include "CtlCompletion.h"
#include "CtlOptions.h"
#include "GuardedBytes.h"
#include "NumberText.h"
#include "VelumixOptions.h"

#include <QCoreApplication>

namespace {

void checkCtlOptions(const QStringList& args)
{
    const ParsedOptions parsed = parseCtlOptions(args);
    fuzzCheck(parsed.options.has_value() == parsed.error.isEmpty(),
              "velumixctl takes a command line or says why not");
    if (!parsed.options || parsed.options->request.command.isEmpty())
        return;
    const remote::Request& request = parsed.options->request;
    QString error;
    const auto decoded = remote::decodeRequest(remote::encodeRequest(request), &error);
    fuzzCheck(decoded && decoded->command == request.command &&
                  decoded->arguments == request.arguments,
              "a request survives the socket");
    fuzzCheck(!remote::requestError(request), "the window takes what velumixctl sends");
}

// An option's value after '=' is completed on its own.
void checkCompletion(const QStringList& args)
{
    const QString last = args.isEmpty() ? QString() : args.last();
    const int equals = last.startsWith(QLatin1String("--")) ? last.indexOf(QLatin1Char('=')) : -1;
    const QString completed = equals < 0 ? last : last.mid(equals + 1);
    for (const QString& word : completionOf(args).words)
        fuzzCheck(word.startsWith(completed), "the completion offers words that fit");
}

void checkVelumixOptions(const QStringList& args)
{
    const VelumixOptions options = parseVelumixOptions(QStringList{"velumix"} + args);
    fuzzCheck(options.error.isEmpty() || !options.simulate, "refused options simulate nothing");
}

// "--simulate=X" means the same product, or the same refusal, to both programs.
void checkBothReadTheProductAlike(const QString& value)
{
    const QString argument = QStringLiteral("--simulate=") + value;
    const ParsedOptions ctl = parseCtlOptions({argument, QStringLiteral("info")});
    const VelumixOptions window = parseVelumixOptions({QStringLiteral("velumix"), argument});
    fuzzCheck(ctl.options.has_value() == window.error.isEmpty(),
              "both programs take or refuse the same --simulate");
    if (ctl.options)
        fuzzCheck(ctl.options->simulatedProductId == window.simulatedProductId,
                  "both programs simulate the same product");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // Built once: the parsers may ask the application for its name.
    static int argc = 1;
    static char name[] = "fuzz_options";
    static char* argv[] = {name, nullptr};
    static QCoreApplication application(argc, argv);

    const QString text = QString::fromUtf8(reinterpret_cast<const char*>(data), int(size));
    // A line of arguments holds no NUL: that is what separates them.
    const QStringList args = text.isEmpty() ? QStringList() : text.split(QChar(0));
    checkCtlOptions(args);
    checkCompletion(args);
    checkVelumixOptions(args);
    if (!args.isEmpty())
        checkBothReadTheProductAlike(args.first());
    return 0;
}
