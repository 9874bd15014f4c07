#pragma once
// A PulseAudio server of a test's own, for cases that stop it, start it late
// or take its output device away. It lives below the pulse_server fixture's
// folder (VELUMIX_PULSE_DIR), so the fixture's cleanup stops it even after a
// crash, and is run by the fixture's script (VELUMIX_PULSE_FIXTURE).

#include <QProcess>
#include <QString>
#include <QStringList>

class PrivatePulseServer
{
public:
    explicit PrivatePulseServer(const QString& name)
        : m_dir(qEnvironmentVariable("VELUMIX_PULSE_DIR") + QLatin1Char('/') + name)
    {}
    ~PrivatePulseServer() { stop(); }
    PrivatePulseServer(const PrivatePulseServer&) = delete;
    PrivatePulseServer& operator=(const PrivatePulseServer&) = delete;

    // Starts it afresh, with one output device at full volume.
    bool start() const { return runFixture(QStringLiteral("start")); }
    bool stop() const { return runFixture(QStringLiteral("stop")); }
    QString address() const { return QStringLiteral("unix:%1/native").arg(m_dir); }

private:
    bool runFixture(const QString& command) const
    {
        const QString script = qEnvironmentVariable("VELUMIX_PULSE_FIXTURE");
        return QProcess::execute(QStringLiteral("bash"), {script, command, m_dir}) == 0;
    }

    QString m_dir;
};
