#pragma once
// What the benchmark's drivers of the real window share: one simulated
// headset, plugged in from the start, behind the session the window shows,
// and a way to let the window work for a while.

#include "ConfigNames.h"
#include "DataFolder.h"
#include "HeadsetSession.h"
#include "HotplugSource.h"
#include "SimulatedHeadset.h"
#include "TraceLog.h"

#include <QEventLoop>
#include <QTimer>

// Long enough for the window to find the headset and read its state.
constexpr int kStartUpMs = 1500;

inline HeadsetSession::Options programSessionOptions()
{
    HeadsetSession::Options options;
    options.defaultFileFolder = dataFolder() + "/" + kDefaultFileFolder;
    options.userFileFolder = userFileFolder(programBaseName());
    return options;
}

// The session is not started yet, so that a driver can set the link's frame
// tap first (the window starts it).
struct SimulatedHeadsetSession
{
    SimulatedHidBackend headsets;
    ManualHotplugSource hotplug;
    HeadsetSession session{headsets, &hotplug, programSessionOptions()};

    SimulatedHeadsetSession() { headsets.addHeadset(HeadsetSettings{}); }
};

inline void runEventLoopFor(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}
