#pragma once
// The device link's own switches, gathered in one context: which HID back end
// the link uses, who watches the frames, what the last open and write left
// behind, and which hot-plug source the window listens to. A program or a test
// installs one with a LinkContextGuard for as long as it runs the link; with no
// context installed the link stops the program instead of touching hardware.

#include "HidBackend.h"

#include <functional>
#include <string>

class HotplugSource;

// Observes every report written (outgoing) and read, for tools that print the
// traffic. Called on the writing or the reading thread.
using FrameTap = std::function<void(bool outgoing, const uint8_t* data, int length)>;

// usbHidOpenDevice's results.
enum OpenResult
{
    OpenSucceeded = 0,
    OpenFailed = -1,
    OpenNoDevice = -2, // none found, or the link is open already
};

// usbHidWriteDevice's results.
enum WriteResult
{
    WriteSucceeded = 0,
    WriteFailed = 1,
    WriteNotOpen = 2, // or a frame that cannot be sent
};

struct LinkContext
{
    explicit LinkContext(HidBackend& backend) : backend(backend) {}

    HidBackend& backend;
    // Set before the link opens.
    FrameTap frameTap;
    // The one interface the open may choose (a device path), for a program
    // told which of several headsets to use; empty: any accepted one.
    std::string wantedPath;
    // The source the window listens to; null: the window watches udev itself.
    HotplugSource* hotplugSource = nullptr;
    // The interface the last open chose, and why that open failed (empty when
    // it did not).
    std::string lastMatchedPath;
    std::string lastOpenError;
    int lastWriteResult = WriteNotOpen;
    int failedWrites = 0;
};

// Installs a context on construction and puts the previous one back on
// destruction. Install before any thread of the link runs.
class LinkContextGuard
{
public:
    explicit LinkContextGuard(LinkContext& context);
    ~LinkContextGuard();
    LinkContextGuard(const LinkContextGuard&) = delete;
    LinkContextGuard& operator=(const LinkContextGuard&) = delete;

private:
    LinkContext* m_previous;
};

// The installed context; stops the program with a message when there is none.
LinkContext& linkContext();
// The installed context's back end.
HidBackend& hidBackend();
