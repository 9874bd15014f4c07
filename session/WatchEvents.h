#pragma once
// What the watchers of the window's socket hear: the session's changes as
// the events of docs/remote-protocol.md, {"event": name, members...}: the
// headset coming and going, a new unit, the sound page shown, each page's
// mode, the microphone level and noise cancellation.

#include <QJsonObject>
#include <QObject>

class HeadsetSession;

class WatchEvents : public QObject
{
    Q_OBJECT

public:
    explicit WatchEvents(HeadsetSession& session, QObject* parent = nullptr);

signals:
    void event(const QJsonObject& event);

private:
    void announce(const char* name, QJsonObject members = {});
    QJsonObject product() const;

    HeadsetSession& m_session;
};
