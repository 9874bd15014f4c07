#pragma once

#include "ReconnectSchedule.h"

#include <QByteArray>
#include <QObject>
#include <QString>

#include <pulse/def.h>
#include <pulse/volume.h>

#include <cstdint>

struct pa_context;
struct pa_operation;
struct pa_sink_info;
struct pa_threaded_mainloop;

// Outcome of one volume operation. A failure names the step that failed
// ("connect", "default sink" or "set volume") and the server's reason; the
// caller logs it, keeps its values and goes on.
struct SystemVolumeResult
{
    int percent = 0;    // the volume read or set, 0..100
    QString failedStep; // empty on success
    QString reason;

    bool ok() const { return failedStep.isEmpty(); }
};

// The master volume of the default output device, reached through the
// PulseAudio client library (PipeWire's pulse server answers it as well).
//
// One connection lives as long as the object; its own thread (a libpulse
// threaded main loop) receives the server's sink and server change events,
// so volume changes made elsewhere arrive as systemVolumeChanged() on the
// object's thread without any polling. Every wait for the server's answer
// ends after half a second, so a hung server cannot freeze the caller. When
// there is no server, the object connects again as soon as one appears (to
// a server named explicitly: a few times, with growing pauses; see
// pulse::ReconnectSchedule), and at every call.
class SystemVolume : public QObject
{
    Q_OBJECT

public:
    // Connects to the server the client library chooses (PULSE_SERVER,
    // client.conf, the user's runtime folder).
    explicit SystemVolume(QObject* parent = nullptr);
    // Connects to the given server address, e.g. "unix:/run/user/1000/pulse/native".
    explicit SystemVolume(const QString& server, QObject* parent = nullptr);
    ~SystemVolume() override;

    // The default output device's volume in percent: its loudest channel
    // relative to PA_VOLUME_NORM, rounded, and 100 for any amplification above it.
    SystemVolumeResult getSystemVolume();
    // Sets the default output device's volume (clamped to 0..100) and keeps the
    // balance between its channels; the result carries the percentage set.
    SystemVolumeResult setSystemVolume(int percent);
    // Whether a sound server answers now; connects again first if the last
    // connection was lost.
    bool serverReachable();

    // Percentage (clamped to 0..100) to the server's volume, rounded to the nearest step.
    static pa_volume_t percentToVolume(int percent);
    // The server's volume to the nearest percentage, clamped to 0..100.
    static int volumeToPercent(pa_volume_t volume);

signals:
    // The default output device's volume was changed outside this object, or
    // the default output device itself changed to one with another volume.
    void systemVolumeChanged(int percent);
    // The connection to the sound server was made (true) or lost (false);
    // reported on the object's thread, only when it changes.
    void serverAvailabilityChanged(bool available);

private:
    friend struct SystemVolumeCallbacks;

    // The default sink as one synchronous query saw it.
    struct SinkReading
    {
        bool found = false;
        uint32_t index = 0;
        pa_cvolume volume{};
    };

    void startMainloop();
    void connectContext();
    void dropContext();
    QString connectionProblem();
    QString awaitOperation(pa_operation* operation);
    QString serverError() const;
    SystemVolumeResult readDefaultSink(SinkReading& sink);

    // Run on the main loop's thread.
    void startFollowing();
    void connectionLost();
    void requestDefaultSinkUpdate();
    void followDefaultSink(const pa_sink_info& sink);

    // Run on the object's thread.
    void reconnect();
    void setServerAvailable(bool available);

    const QByteArray m_server; // empty: the library's choice
    pa_threaded_mainloop* m_mainloop = nullptr;
    // Guarded by the main loop's lock.
    pa_context* m_context = nullptr;
    uint32_t m_defaultSinkIndex = PA_INVALID_INDEX;
    int m_knownPercent = -1; // the volume last read, set or reported; -1 before the first reading

    bool m_serverAvailable = false; // as last reported; the object's thread only
    pulse::ReconnectSchedule m_reconnect;
};
