#pragma once
// velumixctl's own way of carrying out a request, when no window runs: it
// opens the headset itself and reports the same data the window would
// (docs/remote-protocol.md), with what only the window knows left null.

#include "RemoteProtocol.h"

#include <QString>

// The folder of default configuration files beside the program.
QString defaultFileFolder();

// Runs one request (its arguments already checked) against the device link,
// with the back end and accepted product IDs already set up. `device`, a
// device path or an identity, picks one of several headsets; empty: any.
// Leaves the link closed.
remote::Result runDirect(const remote::Request& request, const QString& device = QString());
