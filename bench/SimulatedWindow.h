#pragma once
// What the benchmark's drivers of the real window share: one simulated
// headset, plugged in from the start, behind the link the window uses, and a
// way to let the window work for a while.

#include "HotplugSource.h"
#include "LinkContext.h"
#include "SimulatedHeadset.h"

#include <QEventLoop>
#include <QTimer>

// Long enough for the window to find the headset and read its state.
constexpr int kStartUpMs = 1500;

// The link is not installed yet, so that a driver can set its frame tap
// first (LinkContextGuard installs it).
struct SimulatedHeadsetLink
{
    SimulatedHidBackend headsets;
    ManualHotplugSource hotplug;
    LinkContext link{headsets};

    SimulatedHeadsetLink()
    {
        headsets.addHeadset(HeadsetSettings{});
        link.hotplugSource = &hotplug;
    }
};

inline void runEventLoopFor(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}
