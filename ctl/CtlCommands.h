#pragma once
#include "CtlOptions.h"

#include <QTextStream>

enum CtlExit
{
    ExitSuccess = 0,
    ExitUsage = 2,
    ExitNoHeadset = 3,
    ExitOpenFailed = 4,
    ExitWriteFailed = 5,
    ExitNoReply = 6,
    ExitHeadsetError = 7,
    ExitNoConfiguration = 8,
};

// The folder of default configuration files beside the program.
QString defaultFileFolder();

// Runs one command against the device link with the back end and accepted
// product IDs already set up. Results go to `out`, messages to `err`.
int runCtlCommand(const CtlOptions& options, QTextStream& out, QTextStream& err);
