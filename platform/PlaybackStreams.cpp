#include "PlaybackStreams.h"

#include "PulseSupport.h"

#include <pulse/context.h>
#include <pulse/introspect.h>
#include <pulse/operation.h>
#include <pulse/proplist.h>
#include <pulse/subscribe.h>
#include <pulse/thread-mainloop.h>

#include <algorithm>
#include <memory>
#include <utility>

namespace {

QString property(const pa_proplist* properties, const char* key)
{
    const char* value = properties ? pa_proplist_gets(properties, key) : nullptr;
    return value ? QString::fromUtf8(value) : QString();
}

// "3206", "0x3206": a USB ID as udev and the server write it.
bool sameId(const QString& text, uint16_t id)
{
    bool ok = false;
    const uint value = text.toUInt(&ok, 16);
    return ok && value == id;
}

} // namespace

using pulse::contextUsable;
using pulse::MainloopLock;

// One reading of the server: its default output, its outputs and its
// streams, asked for at once and complete when all three lists have come.
struct PlaybackStreams::Reading
{
    PlaybackStreams* owner = nullptr;
    int pending = 3;
    QString defaultSink;
    std::vector<uint32_t> headsetSinks;
    std::vector<std::pair<uint32_t, QString>> sinkNames;
    QList<PlaybackStream> streams;
};

// The client library's C callbacks; on the main loop's thread with its lock held.
struct PlaybackStreamsCallbacks
{
    static void contextState(pa_context* context, void* self)
    {
        auto* streams = static_cast<PlaybackStreams*>(self);
        switch (pa_context_get_state(context)) {
        case PA_CONTEXT_READY:
            streams->subscribe();
            break;
        case PA_CONTEXT_FAILED:
        case PA_CONTEXT_TERMINATED:
            streams->connectionLost();
            break;
        default:
            break;
        }
    }

    static void changeEvent(pa_context*, pa_subscription_event_type_t, uint32_t, void* self)
    {
        static_cast<PlaybackStreams*>(self)->requestReading();
    }

    static void serverInfo(pa_context*, const pa_server_info* info, void* data)
    {
        auto* reading = static_cast<PlaybackStreams::Reading*>(data);
        if (info && info->default_sink_name)
            reading->defaultSink = QString::fromUtf8(info->default_sink_name);
        reading->owner->finishReading(reading);
    }

    static void sinkInfo(pa_context*, const pa_sink_info* sink, int eol, void* data)
    {
        auto* reading = static_cast<PlaybackStreams::Reading*>(data);
        if (eol) {
            reading->owner->finishReading(reading);
            return;
        }
        if (!sink)
            return;
        reading->sinkNames.emplace_back(sink->index, QString::fromUtf8(sink->name));
        const HeadsetOutput& output = reading->owner->m_output;
        if (output.defaultSink)
            return;
        const bool vendor =
            sameId(property(sink->proplist, PA_PROP_DEVICE_VENDOR_ID), output.vendorId);
        const QString product = property(sink->proplist, PA_PROP_DEVICE_PRODUCT_ID);
        const bool knownProduct = output.productIds.empty() ||
                                  std::any_of(output.productIds.begin(), output.productIds.end(),
                                              [&](uint16_t id) { return sameId(product, id); });
        if (vendor && knownProduct)
            reading->headsetSinks.push_back(sink->index);
    }

    static void sinkInputInfo(pa_context*, const pa_sink_input_info* input, int eol, void* data)
    {
        auto* reading = static_cast<PlaybackStreams::Reading*>(data);
        if (eol) {
            reading->owner->finishReading(reading);
            return;
        }
        if (!input)
            return;
        PlaybackStream stream;
        stream.index = input->index;
        stream.applicationName = property(input->proplist, PA_PROP_APPLICATION_NAME);
        stream.processBinary = property(input->proplist, PA_PROP_APPLICATION_PROCESS_BINARY);
        stream.sink = input->sink;
        stream.corked = input->corked != 0;
        reading->streams << stream;
    }
};

PlaybackStreams::PlaybackStreams(const HeadsetOutput& output, const QString& server,
                                 QObject* parent)
    : QObject(parent), m_server(server.toUtf8()), m_output(output), m_reconnect(m_server, this)
{
    qRegisterMetaType<PlaybackStream>();
    qRegisterMetaType<QList<PlaybackStream>>();
    connect(&m_reconnect, &pulse::ReconnectSchedule::retryDue, this, &PlaybackStreams::reconnect);
    m_mainloop = pa_threaded_mainloop_new();
    if (m_mainloop && pa_threaded_mainloop_start(m_mainloop) < 0) {
        pa_threaded_mainloop_free(m_mainloop);
        m_mainloop = nullptr;
    }
    if (!m_mainloop)
        return;
    MainloopLock lock(m_mainloop);
    connectContext();
}

PlaybackStreams::~PlaybackStreams()
{
    if (!m_mainloop)
        return;
    {
        MainloopLock lock(m_mainloop);
        dropContext();
    }
    pa_threaded_mainloop_stop(m_mainloop);
    pa_threaded_mainloop_free(m_mainloop);
}

void PlaybackStreams::setHeadsetOutput(const HeadsetOutput& output)
{
    if (!m_mainloop)
        return;
    MainloopLock lock(m_mainloop);
    m_output = output;
    if (m_context && pa_context_get_state(m_context) == PA_CONTEXT_READY)
        requestReading();
}

// Main loop lock held.
void PlaybackStreams::connectContext()
{
    dropContext();
    m_context = pa_context_new(pa_threaded_mainloop_get_api(m_mainloop), "Velumix streams");
    if (!m_context)
        return;
    pa_context_set_state_callback(m_context, &PlaybackStreamsCallbacks::contextState, this);
    pa_context_set_subscribe_callback(m_context, &PlaybackStreamsCallbacks::changeEvent, this);
    const char* server = m_server.isEmpty() ? nullptr : m_server.constData();
    // Never start a sound server of our own.
    if (pa_context_connect(m_context, server, PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0)
        connectionLost();
}

void PlaybackStreams::reconnect()
{
    if (!m_mainloop)
        return;
    MainloopLock lock(m_mainloop);
    if (!contextUsable(m_context))
        connectContext();
}

// Main loop lock held. Readings still on their way never call back.
void PlaybackStreams::dropContext()
{
    if (!m_context)
        return;
    pa_context_set_state_callback(m_context, nullptr, nullptr);
    pa_context_set_subscribe_callback(m_context, nullptr, nullptr);
    pa_context_disconnect(m_context);
    pa_context_unref(m_context);
    m_context = nullptr;
    for (Reading* reading : std::exchange(m_readings, {}))
        delete reading;
}

void PlaybackStreams::subscribe()
{
    pa_operation* subscription =
        pa_context_subscribe(m_context,
                             static_cast<pa_subscription_mask_t>(PA_SUBSCRIPTION_MASK_SINK_INPUT |
                                                                 PA_SUBSCRIPTION_MASK_SINK |
                                                                 PA_SUBSCRIPTION_MASK_SERVER),
                             nullptr, nullptr);
    if (subscription)
        pa_operation_unref(subscription);
    requestReading();
    QMetaObject::invokeMethod(
        this,
        [this] {
            m_reconnect.connected();
            setConnected(true);
        },
        Qt::QueuedConnection);
}

// Main loop lock held. The server answers in order, so a reading asked for
// after an event sees what the event reported.
void PlaybackStreams::requestReading()
{
    auto* reading = new Reading;
    reading->owner = this;
    m_readings.push_back(reading);
    const auto unref = [](pa_operation* operation) {
        if (operation)
            pa_operation_unref(operation);
        return operation != nullptr;
    };
    // A request the library refuses calls nothing back; the connection is
    // going, and dropping it frees the reading.
    if (unref(pa_context_get_server_info(m_context, &PlaybackStreamsCallbacks::serverInfo,
                                         reading)) &&
        unref(
            pa_context_get_sink_info_list(m_context, &PlaybackStreamsCallbacks::sinkInfo, reading)))
        unref(pa_context_get_sink_input_info_list(
            m_context, &PlaybackStreamsCallbacks::sinkInputInfo, reading));
}

void PlaybackStreams::finishReading(Reading* reading)
{
    if (--reading->pending > 0)
        return;
    m_readings.erase(std::remove(m_readings.begin(), m_readings.end(), reading), m_readings.end());
    std::unique_ptr<Reading> done(reading);
    if (m_output.defaultSink)
        for (const auto& [index, name] : done->sinkNames)
            if (name == done->defaultSink)
                done->headsetSinks.push_back(index);
    for (PlaybackStream& stream : done->streams)
        stream.onHeadset = std::find(done->headsetSinks.begin(), done->headsetSinks.end(),
                                     stream.sink) != done->headsetSinks.end();
    QMetaObject::invokeMethod(
        this, [this, streams = done->streams] { takeReading(streams); }, Qt::QueuedConnection);
}

void PlaybackStreams::connectionLost()
{
    QMetaObject::invokeMethod(
        this,
        [this] {
            setConnected(false);
            takeReading({});
            m_reconnect.connectionFailed();
        },
        Qt::QueuedConnection);
}

void PlaybackStreams::takeReading(const QList<PlaybackStream>& streams)
{
    if (streams == m_streams)
        return;
    m_streams = streams;
    emit streamsChanged(m_streams);
}

void PlaybackStreams::setConnected(bool connected)
{
    if (connected == m_connected)
        return;
    m_connected = connected;
    emit connectedChanged(connected);
}
