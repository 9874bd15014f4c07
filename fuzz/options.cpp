// Any command line, as NUL-separated arguments, to velumixctl's parser and
// to velumix's own options: each either takes the line or says why not, a
// request velumixctl makes survives its trip over the socket, and the two
// programs read a simulated product ID alike.

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
    checkVelumixOptions(args);
    if (!args.isEmpty())
        checkBothReadTheProductAlike(args.first());
    return 0;
}
