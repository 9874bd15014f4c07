#pragma once
// Which way a command goes: to the running window when one listens (so the
// window, its user file and the headset stay in step), else velumixctl
// carries it out itself.

#include "CtlOptions.h"

#include <QJsonObject>

#include <functional>
#include <optional>

// The window's socket: $VELUMIXCTL_WINDOW_SOCKET when set (for tests, which
// stand a window in at a socket of their own), else the session's.
QString ctlWindowSocketPath();

// The window's result for the command, or nothing when it is to run
// directly: no window listens, the options describe a private headset, or
// --device names a unit other than the window's.
std::optional<remote::Result> askWindowFor(const CtlOptions& options);

// Watches the window, handing each event to `onEvent`; nothing when no
// window listens or the options describe a private headset.
std::optional<remote::Result>
watchWindowFor(const CtlOptions& options, const std::function<void(const QJsonObject&)>& onEvent);
