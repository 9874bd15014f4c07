#include "AutomaticModes.h"

#include "Diagnostics.h"
#include "ModeLookup.h"

#include <QLoggingCategory>

#include <algorithm>
#include <set>

Q_LOGGING_CATEGORY(lcAutomatic, "velumix.automatic")

namespace {

bool sameApplication(const QString& a, const QString& b)
{
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

} // namespace

AutomaticModes::AutomaticModes(HeadsetSession& session, const QString& rulesPath, QObject* parent)
    : QObject(parent), m_session(session), m_rulesPath(rulesPath)
{
    m_clock.start();
    m_pauseTimer.setSingleShot(true);
    connect(&m_pauseTimer, &QTimer::timeout, this, &AutomaticModes::evaluate);
    connect(&m_session, &HeadsetSession::personChose, this, &AutomaticModes::personChose);
    // A unit that comes gets the rule of what plays now; one that goes ends it.
    connect(&m_session, &HeadsetSession::unitReady, this, &AutomaticModes::evaluate);
    connect(&m_session, &HeadsetSession::unplugged, this, [this] {
        for (auto& [index, tracked] : m_tracked)
            tracked.skipped = false;
        if (m_active) {
            const AutoModeRule rule = *std::exchange(m_active, std::nullopt);
            m_held = false;
            emit ended(rule);
            emit inForceChanged();
        }
    });
    reload();
}

void AutomaticModes::reload()
{
    const AutoModeRulesRead read = readAutoModeRules(m_rulesPath);
    m_problem = read.errorText;
    if (!read.ok())
        debugLine(lcAutomatic(),
                  QStringLiteral("The automatic modes are not used: %1").arg(read.errorText));
    setRules(read.rules);
}

void AutomaticModes::setRules(const QList<AutoModeRule>& rules)
{
    m_rules = rules;
    // A rule skipped before may do now.
    for (auto& [index, tracked] : m_tracked)
        tracked.skipped = false;
    emit rulesChanged();
    // The streams are matched afresh against the new rules.
    followStreams(m_streams);
}

QString AutomaticModes::addRule(const AutoModeRule& rule)
{
    if (const QString problem = autoModeRuleProblem(rule); !problem.isEmpty())
        return problem;
    const QList<AutoModeRule> rules = withAutoModeRule(m_rules, rule);
    const ConfigWriteResult saved = saveAutoModeRules(m_rulesPath, rules);
    if (!saved.ok())
        return saved.errorText;
    m_problem.clear();
    setRules(rules);
    return {};
}

QString AutomaticModes::removeRule(const QString& application)
{
    const int found = findAutoModeRule(m_rules, application);
    if (found < 0)
        return QStringLiteral("no rule for '%1'").arg(nameInMessage(application));
    QList<AutoModeRule> rules = m_rules;
    rules.removeAt(found);
    const ConfigWriteResult saved = saveAutoModeRules(m_rulesPath, rules);
    if (!saved.ok())
        return saved.errorText;
    m_problem.clear();
    setRules(rules);
    return {};
}

QStringList AutomaticModes::playingApplications() const
{
    QStringList applications;
    for (const PlaybackStream& stream : m_streams) {
        const QString application = stream.application();
        if (application.isEmpty())
            continue;
        const bool known =
            std::any_of(applications.begin(), applications.end(),
                        [&](const QString& seen) { return sameApplication(seen, application); });
        if (!known)
            applications << application;
    }
    return applications;
}

std::optional<AutoModeRule> AutomaticModes::ruleInForce() const
{
    return m_held ? std::nullopt : m_active;
}

QString AutomaticModes::inForceText() const
{
    const std::optional<AutoModeRule> rule = ruleInForce();
    return rule ? tr("%1 for %2").arg(rule->mode, rule->application) : QString();
}

void AutomaticModes::followStreams(const QList<PlaybackStream>& streams)
{
    const QStringList playingBefore = playingApplications();
    m_streams = streams;
    if (playingApplications() != playingBefore)
        emit playingChanged();
    std::map<uint32_t, Tracked> tracked;
    for (const PlaybackStream& stream : streams) {
        if (!stream.onHeadset)
            continue;
        const int rule = matchAutoModeRule(m_rules, stream.processBinary, stream.applicationName);
        if (rule < 0)
            continue;
        const auto before = m_tracked.find(stream.index);
        Tracked now = before != m_tracked.end() ? before->second : Tracked{};
        if (!sameApplication(now.application, m_rules[rule].application)) {
            now = Tracked{};
            now.application = m_rules[rule].application;
        }
        const bool playing = !stream.corked;
        if (playing && !now.playing) {
            // Started, or playing again after a pause: the latest start.
            now.started = ++m_starts;
            now.pausedAtMs = -1;
        } else if (!playing && now.playing) {
            now.pausedAtMs = m_clock.elapsed();
        } else if (!playing && now.started == 0 && now.pausedAtMs < 0) {
            // Paused before it was ever seen playing: it does not count.
            now.pausedAtMs = m_clock.elapsed() - m_pauseGraceMs;
        }
        now.playing = playing;
        tracked[stream.index] = now;
    }
    m_tracked = std::move(tracked);
    evaluate();
}

void AutomaticModes::evaluate()
{
    const qint64 now = m_clock.elapsed();
    // A choice by hand holds until the application it set aside has no stream.
    if (!m_heldApplication.isEmpty() &&
        std::none_of(m_tracked.begin(), m_tracked.end(), [this](const auto& entry) {
            return sameApplication(entry.second.application, m_heldApplication);
        }))
        m_heldApplication.clear();

    qint64 nextPauseEnd = -1;
    const Tracked* winner = nullptr;
    for (const auto& [index, tracked] : m_tracked) {
        if (tracked.skipped || sameApplication(tracked.application, m_heldApplication))
            continue;
        if (!tracked.playing) {
            const qint64 end = tracked.pausedAtMs + m_pauseGraceMs;
            if (end <= now)
                continue;
            if (nextPauseEnd < 0 || end < nextPauseEnd)
                nextPauseEnd = end;
        }
        if (!winner || tracked.started > winner->started)
            winner = &tracked;
    }
    if (nextPauseEnd >= 0)
        m_pauseTimer.start(int(nextPauseEnd - now));
    else
        m_pauseTimer.stop();

    if (!winner) {
        // What is held stays as the person chose until its application ends.
        if (m_active && (!m_held || m_heldApplication.isEmpty()))
            end();
        return;
    }
    const int ruleIndex = findAutoModeRule(m_rules, winner->application);
    if (ruleIndex < 0)
        return;
    const AutoModeRule& rule = m_rules[ruleIndex];
    if (m_active && !m_held && *m_active == rule && m_session.ruleModeInForce())
        return;
    if (!m_session.unitKnown())
        return;
    QString reason;
    const std::optional<ModeChoice> choice = choiceOf(rule, reason);
    if (!choice) {
        for (auto& [index, tracked] : m_tracked)
            if (sameApplication(tracked.application, rule.application))
                tracked.skipped = true;
        debugLine(lcAutomatic(),
                  QStringLiteral("The rule for %1 is skipped: %2").arg(rule.application, reason));
        emit skipped(rule, reason);
        evaluate();
        return;
    }
    const Outcome outcome = m_session.applyRuleMode(rule.page, *choice);
    if (!outcome.ok()) {
        emit skipped(rule, outcome.error);
        return;
    }
    if (m_active && !(*m_active == rule))
        emit ended(*m_active);
    m_active = rule;
    m_held = false;
    emit applied(rule);
    emit inForceChanged();
}

void AutomaticModes::end()
{
    const AutoModeRule rule = *std::exchange(m_active, std::nullopt);
    m_held = false;
    m_session.endRuleModes();
    emit ended(rule);
    emit inForceChanged();
}

// The rule's mode on the connected unit: a preset it offers, else one of its
// custom modes on the rule's page.
std::optional<ModeChoice> AutomaticModes::choiceOf(const AutoModeRule& rule, QString& reason) const
{
    const UnitSettings& unit = m_session.unit();
    if (!m_session.pageOffered(rule.page)) {
        reason = QStringLiteral("the headset has no %1 page").arg(soundPageName(rule.page));
        return std::nullopt;
    }
    if (const std::optional<BuiltInPreset> preset = findBuiltInPreset(rule.mode, rule.page)) {
        const auto& presets = builtInPresets();
        for (size_t i = 0; i < presets.size(); ++i)
            if (presets[i].page == preset->page && presets[i].entryIndex == preset->entryIndex &&
                unit.offersPreset(int(i)))
                return ModeChoice::ofPreset(int(i));
    }
    const CustomModeLookup custom = lookUpCustomMode(unit.customModes, rule.mode, rule.page);
    if (custom.page)
        return ModeChoice::ofSlot(custom.slot);
    reason = QStringLiteral("%1 has no preset or custom mode '%2' on the %3 page")
                 .arg(m_session.modelName(), nameInMessage(rule.mode), soundPageName(rule.page));
    return std::nullopt;
}

// The person's choice holds over the rule until its application's streams end.
void AutomaticModes::personChose()
{
    if (!m_active || m_held)
        return;
    m_held = true;
    m_heldApplication = m_active->application;
    emit held(*m_active);
    emit inForceChanged();
}
