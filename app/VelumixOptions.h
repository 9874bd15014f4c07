#pragma once

#include <QString>
#include <QStringList>

#include <cstdint>

// What velumix's own options ask for. "--simulate" (or "--simulate=") or
// "--simulate=PID": the program talks to a simulated headset with that product ID (hexadecimal,
// as productIdFromText reads it) instead of the real ones. "--high-contrast":
// the high-contrast look, remembered for later starts. Other arguments
// (Qt's, -autorun) are left to their readers.
struct VelumixOptions
{
    bool simulate = false;
    uint16_t simulatedProductId = 0x1054;
    bool highContrast = false; // "--high-contrast"
    QString error;             // empty when the options are good; else what is wrong with them
};

// arguments as QCoreApplication::arguments() gives them, program name first.
VelumixOptions parseVelumixOptions(const QStringList& arguments);
