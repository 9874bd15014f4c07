#pragma once
// Where the programs of one login session meet: the session's runtime folder
// and, in it, the single-instance lock and the local socket the window
// listens on. A folder is trusted only when it is the user's own and nobody
// else may enter it: $XDG_RUNTIME_DIR when it is so, else a private folder
// in the user's cache folder, which no other user can make first. Other
// users and other sessions have other folders, so they never meet these.

#include <QString>

namespace remote {

// The folder to use and, for the listening side, whether it could be made
// ready; `problem` says why not (one line, naming the folder).
struct RuntimeFolder
{
    QString path;
    QString problem;

    bool ok() const { return problem.isEmpty(); }
};

// Why `path` cannot be trusted as a runtime folder (not a folder, a link,
// another user's, open to others), or empty when it can.
QString runtimeFolderProblem(const QString& path);

// The trusted folder, without making or changing anything: a client only
// looks.
QString sessionRuntimeFolder();
// The same folder, made (mode 0700) when it is the private fallback and
// does not exist yet, then checked.
RuntimeFolder readySessionRuntimeFolder();

// "<runtime folder>/<programName>-<uid>".
QString sessionSocketPath(const QString& programName);
// "<runtime folder>/<programName>-<uid>.lock".
QString sessionLockPath(const QString& programName);

} // namespace remote
