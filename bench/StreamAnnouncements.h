#pragma once
// When the sound server announces that a stream plays, and that it has gone:
// a connection of the benchmark's own, beside the program's, subscribed to
// the server's stream events. An event is timed on the connection's thread
// the moment the client library hands it over, before anything else is done
// with it; whether the stream plays (is not paused by its application) is
// then asked of the server, and the moment reaches the main thread through a
// queued call.

#include "Figures.h"
#include "PulseSupport.h"

#include <QByteArray>
#include <QMetaObject>
#include <QObject>
#include <QString>

#include <pulse/context.h>
#include <pulse/introspect.h>
#include <pulse/subscribe.h>
#include <pulse/thread-mainloop.h>

#include <optional>
#include <set>

class StreamAnnouncements : public QObject
{
public:
    StreamAnnouncements() : m_mainloop(pa_threaded_mainloop_new())
    {
        pa_threaded_mainloop_start(m_mainloop);
    }
    ~StreamAnnouncements() override
    {
        if (m_context) {
            pulse::MainloopLock lock(m_mainloop);
            pa_context_disconnect(m_context);
            pa_context_unref(m_context);
        }
        pa_threaded_mainloop_stop(m_mainloop);
        pa_threaded_mainloop_free(m_mainloop);
    }

    // Connects to the server at `address` and subscribes to its stream
    // events; false when it does not answer.
    bool listen(const QString& address)
    {
        pulse::MainloopLock lock(m_mainloop);
        m_context = pa_context_new(pa_threaded_mainloop_get_api(m_mainloop), "Velumix bench");
        pa_context_set_state_callback(m_context, &StreamAnnouncements::stateChanged, this);
        pa_context_set_subscribe_callback(m_context, &StreamAnnouncements::streamEvent, this);
        const QByteArray server = address.toUtf8();
        if (pa_context_connect(m_context, server.constData(), PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0)
            return false;
        pa_context_state_t state;
        while ((state = pa_context_get_state(m_context)) != PA_CONTEXT_READY) {
            if (!PA_CONTEXT_IS_GOOD(state))
                return false;
            pa_threaded_mainloop_wait(m_mainloop);
        }
        pa_operation* subscribed = pa_context_subscribe(m_context, PA_SUBSCRIPTION_MASK_SINK_INPUT,
                                                        &StreamAnnouncements::answered, this);
        while (pa_operation_get_state(subscribed) == PA_OPERATION_RUNNING)
            pa_threaded_mainloop_wait(m_mainloop);
        pa_operation_unref(subscribed);
        return true;
    }

    // The moments announced since forget(), on the main thread.
    std::optional<Clock::time_point> playing() const { return m_playing; }
    std::optional<Clock::time_point> gone() const { return m_gone; }
    void forget()
    {
        m_playing.reset();
        m_gone.reset();
    }

private:
    // One event's moment, until the server has said whether its stream plays.
    struct Event
    {
        StreamAnnouncements* self;
        Clock::time_point at;
    };

    // The callbacks below run on the connection's thread.
    // listen() waits for these.
    static void stateChanged(pa_context*, void* self) { wake(self); }
    static void answered(pa_context*, int, void* self) { wake(self); }
    static void wake(void* self)
    {
        pa_threaded_mainloop_signal(static_cast<StreamAnnouncements*>(self)->m_mainloop, 0);
    }

    static void streamEvent(pa_context* context, pa_subscription_event_type_t type, uint32_t index,
                            void* data)
    {
        const Clock::time_point at = Clock::now();
        auto* self = static_cast<StreamAnnouncements*>(data);
        if ((type & PA_SUBSCRIPTION_EVENT_TYPE_MASK) == PA_SUBSCRIPTION_EVENT_REMOVE) {
            if (self->m_playingStreams.erase(index))
                self->post([self, at] { self->m_gone = at; });
            return;
        }
        // New, or changed (it may have been paused until now).
        auto* event = new Event{self, at};
        pa_operation* asked = pa_context_get_sink_input_info(
            context, index, &StreamAnnouncements::streamState, event);
        if (!asked) {
            delete event;
            return;
        }
        pa_operation_unref(asked);
    }

    static void streamState(pa_context*, const pa_sink_input_info* stream, int last, void* data)
    {
        auto* event = static_cast<Event*>(data);
        if (last) {
            delete event;
            return;
        }
        StreamAnnouncements* self = event->self;
        if (stream->corked || !self->m_playingStreams.insert(stream->index).second)
            return;
        self->post([self, at = event->at] { self->m_playing = at; });
    }

    template <typename Function> void post(Function function)
    {
        QMetaObject::invokeMethod(this, function, Qt::QueuedConnection);
    }

    pa_threaded_mainloop* m_mainloop;
    pa_context* m_context = nullptr;
    // On the connection's thread: the streams announced as playing.
    std::set<uint32_t> m_playingStreams;
    // On the main thread.
    std::optional<Clock::time_point> m_playing;
    std::optional<Clock::time_point> m_gone;
};
