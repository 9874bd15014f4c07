#pragma once
// What the watchers of the window's socket hear: the session's changes as
// the events of docs/remote-protocol.md, {"event": name, members...}: the
// headset coming and going, a new unit, the sound page shown, each page's
// mode, the microphone level and noise cancellation, and the automatic modes.

#include <QJsonObject>
#include <QObject>

class AutomaticModes;
class HeadsetSession;
struct AutoModeRule;

class WatchEvents : public QObject
{
    Q_OBJECT

public:
    explicit WatchEvents(HeadsetSession& session, QObject* parent = nullptr);
    // Adds the automatic modes' events: {"event": "auto", "state":
    // "applied", "ended", "held" or "skipped", "application", "page",
    // "mode"}, and the reason of a skip.
    void follow(AutomaticModes& automatic);

signals:
    void announced(const QJsonObject& event);

private:
    void announce(const char* name, QJsonObject members = {});
    QJsonObject product() const;
    void announceRule(const char* state, const AutoModeRule& rule, const QString& reason = {});

    HeadsetSession& m_session;
};
