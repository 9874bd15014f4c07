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

#include <vector>

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

    // Units of these products are plugged in when the session starts.
    explicit BareWindow(const std::vector<uint16_t>& plugged = {})
    {
        for (uint16_t productId : plugged) {
            HeadsetSettings settings;
            settings.productId = productId;
            headsets.addHeadset(settings);
        }
        window.startSession();
    }
};
