#pragma once
// A private sound server with outputs and streams a test chooses: null
// outputs that stand in for the headset's and for other speakers, and
// endless streams of silence (pacat) with the application properties the
// test gives, for the automatic modes. The server lives below the
// pulse_server fixture's folder (PrivatePulseServer).

#include "PrivatePulseServer.h"

#include <QProcess>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

#include <map>
#include <memory>
#include <optional>

class SoundStreams
{
public:
    explicit SoundStreams(const QString& name) : m_server(name) {}
    ~SoundStreams()
    {
        m_players.clear();
        m_server.stop();
    }

    bool start() const { return m_server.start(); }
    QString address() const { return m_server.address(); }

    // A null output; with a USB vendor and product ID it carries them as the
    // server's ALSA outputs of a USB device do.
    bool addOutput(const QString& name, const QString& vendorId = {},
                   const QString& productId = {}) const
    {
        QStringList arguments{"load-module", "module-null-sink", "sink_name=" + name};
        if (!vendorId.isEmpty())
            arguments << QStringLiteral("sink_properties='device.bus=usb device.vendor.id=%1 "
                                        "device.product.id=%2'")
                             .arg(vendorId, productId);
        return pactl(arguments).has_value();
    }
    bool setDefaultOutput(const QString& name) const
    {
        return pactl({"set-default-sink", name}).has_value();
    }

    // Starts an endless stream of silence on the output; `key` names it for
    // stop(). False when pacat did not start.
    bool play(const QString& key, const QString& output, const QString& applicationName,
              const QString& processBinary)
    {
        auto player = std::make_unique<QProcess>();
        player->setProcessEnvironment(environment());
        QStringList arguments{"--playback", "--raw", "--device=" + output,
                              "--property=application.name=" + applicationName};
        if (!processBinary.isEmpty())
            arguments << "--property=application.process.binary=" + processBinary;
        arguments << "/dev/zero";
        player->start(QStringLiteral("pacat"), arguments);
        if (!player->waitForStarted(5000))
            return false;
        m_players[key] = std::move(player);
        return true;
    }
    void stop(const QString& key)
    {
        const auto found = m_players.find(key);
        if (found == m_players.end())
            return;
        found->second->terminate();
        found->second->waitForFinished(5000);
        m_players.erase(found);
    }

    void stopAll()
    {
        while (!m_players.empty())
            stop(m_players.begin()->first);
    }

    std::optional<QString> pactl(const QStringList& arguments) const
    {
        QProcess process;
        process.setProcessEnvironment(environment());
        process.start(QStringLiteral("pactl"), arguments);
        if (!process.waitForFinished(10000) || process.exitStatus() != QProcess::NormalExit ||
            process.exitCode() != 0)
            return std::nullopt;
        return QString::fromUtf8(process.readAllStandardOutput()).trimmed();
    }

private:
    QProcessEnvironment environment() const
    {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("PULSE_SERVER"), address());
        return environment;
    }

    PrivatePulseServer m_server;
    std::map<QString, std::unique_ptr<QProcess>> m_players;
};
