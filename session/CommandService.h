#pragma once
// Runs one command of velumixctl or of the window's socket against the
// session, as the matching click would, and reports what it did. The window
// serves its socket with it and velumixctl, run on its own, its command
// line, so a command means the same whoever carries it out.

#include "AutomaticModes.h"
#include "HeadsetSession.h"
#include "RemoteProtocol.h"

#include <QObject>
#include <QTimer>

#include <functional>
#include <memory>
#include <vector>

class CommandService : public QObject
{
    Q_OBJECT

public:
    using Reply = std::function<void(const remote::Result&)>;

    // A command for the unit waits this long for the headset to say which
    // unit it is.
    static constexpr int kUnitWaitMs = 3000;

    // The automatic modes' commands act on `automatic` (the window's), or
    // without one on the rules file alone (velumixctl run on its own).
    explicit CommandService(HeadsetSession& session, int unitWaitMs = kUnitWaitMs,
                            AutomaticModes* automatic = nullptr, QObject* parent = nullptr);

    // "raise", "watch" and "simulate" belong to the window, which answers
    // them itself; any other request is checked against the command table
    // and carried out now. A command any of whose writes to the headset
    // failed fails (exit 5).
    remote::Result run(const remote::Request& request);
    // The same, bound to the unit it is meant for: a command for the unit
    // that comes while a headset has just been plugged in waits until it has
    // said which unit it is, and is refused when it goes or says nothing in
    // time. `reply` is called once, now or later.
    void serve(const remote::Request& request, Reply reply);

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
    remote::Result autoList(const QJsonObject& arguments);
    remote::Result autoAdd(const QJsonObject& arguments);
    remote::Result autoRemove(const QJsonObject& arguments);
    AutomaticModes& automatic();

    bool waitsForUnit(const remote::Request& request) const;
    void answerWaiting(const std::optional<remote::Result>& refusal);

    remote::Result failureOf(const Outcome& outcome) const;
    // "No headset found", or why the headset that is there is not used.
    remote::Result noHeadset() const;
    ConfigRecord unitPresets() const;

    HeadsetSession& m_session;
    AutomaticModes* m_automatic;
    std::unique_ptr<AutomaticModes> m_ownAutomatic;
    struct Waiting
    {
        remote::Request request;
        Reply reply;
    };
    std::vector<Waiting> m_waiting;
    QTimer m_unitWait;
};
