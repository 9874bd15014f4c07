#pragma once
// What `custom-import` and `custom-export` report, built once for the window
// and velumixctl (docs/remote-protocol.md).

#include "CommandTable.h"
#include "ModeImport.h"
#include "RemoteProtocol.h"

#include <QString>
#include <QStringList>

namespace remote {

// A failed import of the file at `path`: a bad file (named by its path) or
// name is a usage error (2), a page that cannot take the mode a missing
// configuration (8).
Result importFailure(const ImportedMode& imported, const QString& path);
// A page that cannot take the mode (no room, see customModeRoomProblem, or
// not on this headset): exit 8.
Result noRoomFailure(const QString& problem);

// {page, name, gains, maxErrorDb}: the mode saved and the largest difference
// between its response and the correction, 0 for a document, which imports
// unchanged.
QJsonObject importedModeData(const ImportedMode& imported);

// The mode as `format` ("parametric" or "json") for the product:
// {format, text}, the text as a file holds it.
Result exportedModeResult(const CustomRecord& mode, const QString& format, quint16 productId,
                          const QString& modelName);

} // namespace remote
