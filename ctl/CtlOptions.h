#pragma once
// velumixctl's command line: the global options and the command, which
// becomes the request the window or velumixctl itself carries out. Every
// argument is checked here, once, whichever of the two runs the request.

#include "RemoteProtocol.h"

#include <QString>
#include <QStringList>

#include <cstdint>
#include <optional>
#include <vector>

struct CtlOptions
{
    bool simulate = false;
    uint16_t simulatedProductId = 0x1054;
    std::vector<uint16_t> acceptedProductIds; // empty: the known models
    bool traceFrames = false;
    bool json = false;
    QString device; // a device path or an identity (8 hex digits); empty: any
    bool help = false;
    bool version = false;
    remote::Request request;

    // --simulate, --accept and --trace-frames describe a headset of this
    // velumixctl alone, so such a command never goes to the window.
    bool privateHeadset() const { return simulate || !acceptedProductIds.empty() || traceFrames; }
};

// An option of velumixctl itself, which goes with any command.
struct GlobalOption
{
    QStringList names;     // "help", "h"
    const char* valueName; // "PIDS"; null for a switch
    // Its value only after '=' ("--simulate=1029"), and optional.
    bool valueAfterEquals;
    const char* summary;
    // Offered by the completion after the command too, not only before it.
    bool offeredAfterCommand;
};
const std::vector<GlobalOption>& globalOptions();

struct ParsedOptions
{
    std::optional<CtlOptions> options;
    QString error; // set when options is empty; names the valid choices
};

ParsedOptions parseCtlOptions(const QStringList& args); // args without the program name

// Product IDs separated by commas, each as NumberText's productIdFromText
// reads one; nothing for malformed text.
std::optional<std::vector<uint16_t>> parseProductIdList(const QString& text);
// An identity as the headset reports it: 8 hexadecimal digits, lower-cased.
std::optional<QString> parseIdentity(const QString& text);

QString ctlUsage();
