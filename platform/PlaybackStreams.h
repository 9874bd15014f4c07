#pragma once
// The sound server's playback streams, followed through the PulseAudio
// client library (PipeWire's pulse server answers it as well): which
// application plays where, and whether it plays or is paused. The automatic
// modes follow the streams on the headset's own output.
//
// Event-driven: one connection with its own thread (a libpulse threaded main
// loop) subscribes to the server's stream, output and server events, and
// each one brings a fresh reading of the streams. Readings reach the
// object's thread only through queued calls, as streamsChanged(). No timer
// runs while the server answers; without a server the object connects
// again as soon as one appears (to a server named explicitly: a few times,
// with growing pauses; see pulse::ReconnectSchedule).

#include "ReconnectSchedule.h"

#include <QByteArray>
#include <QList>
#include <QMetaType>
#include <QObject>
#include <QString>

#include <cstdint>
#include <vector>

struct pa_context;
struct pa_threaded_mainloop;

// One playback stream (a sink input) as the server describes it.
struct PlaybackStream
{
    uint32_t index = 0;
    QString applicationName; // application.name
    QString processBinary;   // application.process.binary
    uint32_t sink = 0;       // the output it plays on
    bool corked = false;     // paused by its application
    bool onHeadset = false;  // the output is the headset's own

    bool operator==(const PlaybackStream& other) const
    {
        return index == other.index && applicationName == other.applicationName &&
               processBinary == other.processBinary && sink == other.sink &&
               corked == other.corked && onHeadset == other.onHeadset;
    }
    bool operator!=(const PlaybackStream& other) const { return !(*this == other); }
    // What the person knows the application by: its binary, else its name.
    QString application() const
    {
        return processBinary.isEmpty() ? applicationName : processBinary;
    }
};
Q_DECLARE_METATYPE(PlaybackStream)
Q_DECLARE_METATYPE(QList<PlaybackStream>)

// Which output is the headset's.
struct HeadsetOutput
{
    // The server's default output stands in for the headset (--simulate).
    bool defaultSink = false;
    // Otherwise the output of the USB audio device with this vendor ID and
    // one of these product IDs (any of the vendor's when empty).
    uint16_t vendorId = 0;
    std::vector<uint16_t> productIds;
};

class PlaybackStreams : public QObject
{
    Q_OBJECT

public:
    // Connects to the server the client library chooses, or to `server`
    // ("unix:/run/user/1000/pulse/native") when given.
    explicit PlaybackStreams(const HeadsetOutput& output, const QString& server = {},
                             QObject* parent = nullptr);
    ~PlaybackStreams() override;

    // Changes which output is the headset's; a fresh reading follows.
    void setHeadsetOutput(const HeadsetOutput& output);
    // The streams as read last, in the server's order; on the object's thread.
    const QList<PlaybackStream>& streams() const { return m_streams; }
    // Whether the server answered the last connection.
    bool connected() const { return m_connected; }

signals:
    // A reading that differs from the one before.
    void streamsChanged(const QList<PlaybackStream>& streams);
    void connectedChanged(bool connected);

private:
    friend struct PlaybackStreamsCallbacks;
    struct Reading;

    void connectContext();
    void dropContext();
    // Run on the main loop's thread.
    void subscribe();
    void requestReading();
    void finishReading(Reading* reading);
    void connectionLost();
    // Run on the object's thread.
    void reconnect();
    void takeReading(const QList<PlaybackStream>& streams);
    void setConnected(bool connected);

    const QByteArray m_server;
    pa_threaded_mainloop* m_mainloop = nullptr;
    // Guarded by the main loop's lock.
    pa_context* m_context = nullptr;
    HeadsetOutput m_output;
    std::vector<Reading*> m_readings; // asked for and not yet complete

    QList<PlaybackStream> m_streams;
    bool m_connected = false;
    pulse::ReconnectSchedule m_reconnect;
};
