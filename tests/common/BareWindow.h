#pragma once
// The window as the program builds it, over a session that finds no headset
// (simulated units the test may add, a hot-plug source only the test
// drives): for what the window shows on its own.

#include "ConfigNames.h"
#include "DataFolder.h"
#include "HeadsetSession.h"
#include "HotplugSource.h"
#include "SimulatedHeadset.h"
#include "TraceLog.h"
#include "Velumix.h"

inline HeadsetSession::Options bareSessionOptions()
{
    HeadsetSession::Options options;
    options.defaultFileFolder = dataFolder() + "/" + kDefaultFileFolder;
    options.userFileFolder = userFileFolder(programBaseName());
    return options;
}

struct BareWindow
{
    SimulatedHidBackend headsets;
    ManualHotplugSource hotplug;
    HeadsetSession session{headsets, &hotplug, bareSessionOptions()};
    Velumix window{session};

    BareWindow() { window.startSession(); }
};
