#pragma once
// velumixctl's own way of carrying out a request when no window runs: the
// window's headset session and command service, over velumixctl's own link
// to the headset. It sends only what the command asks for (the session does
// not keep the headset in step), and it waits for the headset's answers, so
// that a command that ends well was taken by the headset.

#include "HeadsetLink.h"
#include "RemoteProtocol.h"

#include <QString>

#include <vector>

// The headset velumixctl talks to, as its options describe it.
struct DirectHeadset
{
    HidBackend& backend;
    // The products taken for headsets; empty: those of the default files.
    std::vector<uint16_t> acceptedProductIds;
    // A device path or an identity (8 hex digits) picks one of several
    // headsets; empty: the one there is.
    QString device;
    // Sees every report written and read; may be empty.
    FrameTap frameTap;
};

// The folder of default configuration files beside the program.
QString defaultFileFolder();

// Runs one request (its arguments already checked) against the headset,
// with the exit codes and messages of docs/remote-protocol.md: a headset
// that does not answer in time is exit 6, an answer that carries the error
// status exit 7. Leaves the headset closed.
remote::Result runDirect(const remote::Request& request, const DirectHeadset& headset);
