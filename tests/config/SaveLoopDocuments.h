#pragma once
// The two user documents the save loop writes in turn, each in the form the
// writer stores it, shared by the loop and the test that kills it.

#include "ConfigWriter.h"

#include <QJsonObject>
#include <QList>

// Enough custom modes that a save takes long enough to be cut off mid-write.
constexpr int kSaveLoopModes = 300;

// The document with every custom mode named after `version` (0 or 1).
inline QJsonObject saveLoopDocument(int version)
{
    QList<CustomRecord> modes;
    for (int index = 0; index < kSaveLoopModes; ++index) {
        CustomRecord mode;
        mode.algorithm = index % 2 ? QStringLiteral("Stereo") : QStringLiteral("Surround");
        mode.name = QStringLiteral("Version %1 mode %2").arg(version).arg(index);
        mode.parameter = QStringLiteral("%1,0,0,0,0,0,0,0,0,%2").arg(version).arg(index % 13 - 6);
        modes.append(mode);
    }
    QJsonObject root{{QStringLiteral("pid"), QStringLiteral("1054")},
                     {QStringLiteral("uuid"), QStringLiteral("0a1b2c3d")}};
    setCustomModes(root, modes);
    return root;
}
