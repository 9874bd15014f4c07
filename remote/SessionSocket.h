#pragma once
// Where the programs of one login session meet: the session's runtime folder
// ($XDG_RUNTIME_DIR, or Qt's private per-user fallback folder) and the local
// socket a program listens on there. Other users and other sessions have
// other folders, so they never meet these.

#include <QString>

namespace remote {

// $XDG_RUNTIME_DIR, or else the path of Qt's fallback folder (which may not
// exist yet: the listening side creates it).
QString sessionRuntimeFolder();

// "<runtime folder>/<programName>-<uid>".
QString sessionSocketPath(const QString& programName);

} // namespace remote
