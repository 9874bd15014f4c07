#pragma once
// velumixctl's side of the window's local channel.

#include "RemoteProtocol.h"
#include "SessionSocket.h"

#include <functional>
#include <optional>

namespace remote {

// The socket of the window of this user's session.
QString windowSocketPath();

// Sends one request to the window listening at `socketPath` and waits for
// its result. Nothing when no window listens there; a failure result
// (ExitNoWindow) when the window does not answer in time or answers with
// something that is not a result.
std::optional<Result> askWindow(const QString& socketPath, const Request& request,
                                int timeoutMs = 5000);

// Sends a "watch" request and hands each event to `onEvent` until the window
// goes away or `onEvent` returns false. Returns the result of the request
// (nothing when no window listens); on success, returns only once the
// watching ends.
std::optional<Result> watchWindow(const QString& socketPath,
                                  const std::function<bool(const QJsonObject& event)>& onEvent);

} // namespace remote
