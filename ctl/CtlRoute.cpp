#include "CtlRoute.h"

#include "RemoteClient.h"

#include <QJsonArray>

namespace {

constexpr char kSocketVariable[] = "VELUMIXCTL_WINDOW_SOCKET";

// Whether the window's connected unit is `device` (a path or an identity);
// any unit will do when no device is named.
bool windowHasDevice(const QString& socketPath, const QString& device)
{
    if (device.isEmpty())
        return true;
    const auto settings = remote::askWindow(socketPath, {QStringLiteral("get"), {}});
    if (!settings || !settings->ok())
        return false;
    const QString identity = settings->data[QLatin1String("identity")].toString();
    if (identity.isEmpty())
        return false;
    if (!device.startsWith('/'))
        return device == identity;
    // The window's list names the identity of the unit it has open.
    const auto interfaces = remote::askWindow(socketPath, {QStringLiteral("list"), {}});
    if (!interfaces || !interfaces->ok())
        return false;
    for (const QJsonValue& entry : interfaces->data.toArray()) {
        const QJsonObject object = entry.toObject();
        if (object[QLatin1String("path")].toString() == device)
            return object[QLatin1String("identity")].toString() == identity;
    }
    return false;
}

// The window's socket when the command is to go there; empty otherwise.
QString windowRoute(const CtlOptions& options)
{
    if (options.privateHeadset())
        return QString();
    const QString socketPath = ctlWindowSocketPath();
    return windowHasDevice(socketPath, options.device) ? socketPath : QString();
}

} // namespace

QString ctlWindowSocketPath()
{
    const QString standIn = qEnvironmentVariable(kSocketVariable);
    return standIn.isEmpty() ? remote::windowSocketPath() : standIn;
}

std::optional<remote::Result> askWindowFor(const CtlOptions& options)
{
    const QString socketPath = windowRoute(options);
    if (socketPath.isEmpty())
        return std::nullopt;
    return remote::askWindow(socketPath, options.request);
}

std::optional<remote::Result> watchWindowFor(const CtlOptions& options,
                                             const std::function<void(const QJsonObject&)>& onEvent)
{
    const QString socketPath = windowRoute(options);
    if (socketPath.isEmpty())
        return std::nullopt;
    return remote::watchWindow(socketPath, [&](const QJsonObject& event) {
        onEvent(event);
        return true;
    });
}
