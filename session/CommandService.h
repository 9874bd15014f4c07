#pragma once
// Runs one command of velumixctl or of the window's socket against the
// session, as the matching click would, and reports what it did. The window
// serves its socket with it and velumixctl, run on its own, its command
// line, so a command means the same whoever carries it out.

#include "HeadsetSession.h"
#include "RemoteProtocol.h"

class CommandService
{
public:
    explicit CommandService(HeadsetSession& session) : m_session(session) {}

    // "raise", "watch" and "simulate" belong to the window, which answers
    // them itself; any other request is checked against the command table
    // and carried out. A command any of whose writes to the headset failed
    // fails (exit 5).
    remote::Result run(const remote::Request& request);

private:
    using Handler = remote::Result (CommandService::*)(const QJsonObject& arguments);
    static Handler handlerOf(const QString& command);

    remote::Result get(const QJsonObject& arguments);
    remote::Result info(const QJsonObject& arguments);
    remote::Result status(const QJsonObject& arguments);
    remote::Result list(const QJsonObject& arguments);
    remote::Result preset(const QJsonObject& arguments);
    remote::Result presetList(const QJsonObject& arguments);
    remote::Result customList(const QJsonObject& arguments);
    remote::Result customApply(const QJsonObject& arguments);
    remote::Result customImport(const QJsonObject& arguments);
    remote::Result customExport(const QJsonObject& arguments);
    remote::Result micVolume(const QJsonObject& arguments);
    remote::Result noiseCancellation(const QJsonObject& arguments);
    remote::Result equaliser(const QJsonObject& arguments);
    remote::Result rawSwitch(const QJsonObject& arguments);

    remote::Result failureOf(const Outcome& outcome) const;
    // "No headset found", or why the headset that is there is not used.
    remote::Result noHeadset() const;
    ConfigRecord unitPresets() const;

    HeadsetSession& m_session;
};
