#pragma once
// Modes that follow the application: while an application plays on the
// headset's own output, the mode its rule names is in force; when it stops,
// the person's own mode comes back. The rules are the person's
// (config/AutoModeRules.h); the streams come from the sound server
// (platform/PlaybackStreams.h); the session applies the modes. No widgets.
//
// - A stream counts while it plays on the headset's output, and for a few
//   seconds after its application pauses it.
// - Of the streams that count, the one that started playing last wins.
// - A mode chosen by hand while a rule is in force holds: that rule's
//   application changes nothing more until all its streams have ended.
// - When no stream counts any more, the person's own modes and page come
//   back (the unit's file, which rules never write, names them).
// - A rule whose mode the connected unit lacks is skipped, and says why.

#include "AutoModeRules.h"
#include "HeadsetSession.h"
#include "PlaybackStreams.h"

#include <QElapsedTimer>
#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QTimer>

#include <map>
#include <optional>

class AutomaticModes : public QObject
{
    Q_OBJECT

public:
    // How long a paused stream still counts.
    static constexpr int kPauseGraceMs = 3000;

    // Reads the rules from `rulesPath`; a file that cannot be read leaves no
    // rules, and problem() says why.
    AutomaticModes(HeadsetSession& session, const QString& rulesPath, QObject* parent = nullptr);

    const QList<AutoModeRule>& rules() const { return m_rules; }
    QString rulesPath() const { return m_rulesPath; }
    // Why the rules file could not be read; empty when it could.
    QString problem() const { return m_problem; }
    // Reads the file again.
    void reload();
    // Adds the rule, or changes the application's; stored at once. The
    // error, one line, when the rule or the file does not do.
    QString addRule(const AutoModeRule& rule);
    QString removeRule(const QString& application);

    // The applications playing now, on any output, each once (by process
    // binary, else name), for choosing a rule's application.
    QStringList playingApplications() const;
    // The rule in force, and the application whose stream put it there.
    std::optional<AutoModeRule> ruleInForce() const;
    // "FPS for steam"; empty when no rule is in force.
    QString inForceText() const;

    // The sound server's streams as read last.
    void followStreams(const QList<PlaybackStream>& streams);
    // How long a paused stream still counts (tests shorten it).
    void setPauseGrace(int milliseconds) { m_pauseGraceMs = milliseconds; }

signals:
    void rulesChanged();
    // A rule's mode came into force, ended, was set aside by a choice by
    // hand, or was skipped.
    void applied(const AutoModeRule& rule);
    void ended(const AutoModeRule& rule);
    void held(const AutoModeRule& rule);
    void skipped(const AutoModeRule& rule, const QString& reason);
    void inForceChanged();
    // The applications playing now changed.
    void playingChanged();

private:
    struct Tracked
    {
        QString application; // the rule's application, as the rule names it
        quint64 started = 0; // when it started playing, in the order of starts
        bool playing = false;
        qint64 pausedAtMs = -1;
        bool skipped = false;
    };

    void evaluate();
    std::optional<ModeChoice> choiceOf(const AutoModeRule& rule, QString& reason) const;
    void personChose();
    void setRules(const QList<AutoModeRule>& rules);
    void end();

    HeadsetSession& m_session;
    QString m_rulesPath;
    QList<AutoModeRule> m_rules;
    QString m_problem;
    QList<PlaybackStream> m_streams;
    std::map<uint32_t, Tracked> m_tracked;
    quint64 m_starts = 0;
    // The rule in force: applied, or held by a choice by hand.
    std::optional<AutoModeRule> m_active;
    bool m_held = false;
    // The application whose rule a choice by hand set aside, until its streams end.
    QString m_heldApplication;
    QTimer m_pauseTimer;
    int m_pauseGraceMs = kPauseGraceMs;
    QElapsedTimer m_clock;
};
