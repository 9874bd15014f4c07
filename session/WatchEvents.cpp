#include "WatchEvents.h"

#include "AutomaticModes.h"
#include "CommandData.h"
#include "ConfigNames.h"
#include "HeadsetSession.h"
#include "ModeLookup.h"

WatchEvents::WatchEvents(HeadsetSession& session, QObject* parent)
    : QObject(parent), m_session(session)
{
    connect(&session, &HeadsetSession::plugged, this, [this] { announce("plugged", product()); });
    connect(&session, &HeadsetSession::unplugged, this, [this] { announce("unplugged"); });
    connect(&session, &HeadsetSession::unitChanged, this, [this] {
        QJsonObject unit = product();
        unit.insert("identity", identityToHex(m_session.unit().identity));
        announce("unit", unit);
    });
    connect(&session, &HeadsetSession::pageShownChanged, this, [this](SoundPage page) {
        announce("page", {{"page", soundPageName(page)}});
    });
    connect(&session, &HeadsetSession::modeChanged, this,
            [this](SoundPage page, const ModeName& mode) {
                announce("mode",
                         {{"page", soundPageName(page)},
                          {"kind", mode.kind},
                          {"name", mode.name.isEmpty() ? QJsonValue() : QJsonValue(mode.name)}});
            });
    connect(&session, &HeadsetSession::micLevelChanged, this, [this](int level) {
        announce("mic-level", {{"level", level}});
    });
    connect(&session, &HeadsetSession::noiseCancellationChanged, this, [this](bool on) {
        announce("noise-cancellation", {{"on", on}});
    });
}

void WatchEvents::follow(AutomaticModes& automatic)
{
    connect(&automatic, &AutomaticModes::applied, this,
            [this](const AutoModeRule& rule) { announceRule("applied", rule); });
    connect(&automatic, &AutomaticModes::ended, this,
            [this](const AutoModeRule& rule) { announceRule("ended", rule); });
    connect(&automatic, &AutomaticModes::held, this,
            [this](const AutoModeRule& rule) { announceRule("held", rule); });
    connect(&automatic, &AutomaticModes::skipped, this,
            [this](const AutoModeRule& rule, const QString& reason) {
                announceRule("skipped", rule, reason);
            });
}

void WatchEvents::announceRule(const char* state, const AutoModeRule& rule, const QString& reason)
{
    QJsonObject members{{"state", QLatin1String(state)},
                        {"application", rule.application},
                        {"page", soundPageName(rule.page)},
                        {"mode", rule.mode}};
    if (!reason.isEmpty())
        members.insert(QStringLiteral("reason"), reason);
    announce("auto", members);
}

void WatchEvents::announce(const char* name, QJsonObject members)
{
    members.insert(QStringLiteral("event"), QLatin1String(name));
    emit announced(members);
}

QJsonObject WatchEvents::product() const
{
    return {{"productId", remote::idDigits(m_session.productId())},
            {"model", m_session.modelName()}};
}
