#include "SystemVolume.h"

#include "PulseSupport.h"

#include <pulse/context.h>
#include <pulse/error.h>
#include <pulse/introspect.h>
#include <pulse/operation.h>
#include <pulse/rtclock.h>
#include <pulse/subscribe.h>
#include <pulse/thread-mainloop.h>
#include <pulse/timeval.h>

#include <algorithm>
#include <utility>

namespace {

const char* const kStepConnect = "connect";
const char* const kStepDefaultSink = "default sink";
const char* const kStepSetVolume = "set volume";

// The server resolves this name to the current default output device.
const char* const kDefaultSinkName = "@DEFAULT_SINK@";

// A local sound server answers within a millisecond; waiting longer only
// means the caller's thread hangs along with a stuck server.
constexpr pa_usec_t kReplyDeadlineUs = 500 * PA_USEC_PER_MSEC;

SystemVolumeResult failure(const char* step, const QString& reason)
{
    SystemVolumeResult result;
    result.failedStep = QString::fromLatin1(step);
    result.reason = reason;
    return result;
}

SystemVolumeResult noMainloopFailure()
{
    return failure(kStepConnect, QStringLiteral("the sound server thread could not be started"));
}

QString noAnswerReason()
{
    return QStringLiteral("the sound server did not answer within %1 ms")
        .arg(kReplyDeadlineUs / PA_USEC_PER_MSEC);
}

void wakeWaiters(pa_operation*, void* mainloop)
{
    pa_threaded_mainloop_signal(static_cast<pa_threaded_mainloop*>(mainloop), 0);
}

struct Deadline
{
    pa_threaded_mainloop* mainloop;
    bool passed;
};

void markDeadlinePassed(pa_mainloop_api*, pa_time_event*, const struct timeval*, void* userdata)
{
    auto* deadline = static_cast<Deadline*>(userdata);
    deadline->passed = true;
    pa_threaded_mainloop_signal(deadline->mainloop, 0);
}

// Waits with the main loop's lock held until done() holds or the reply
// deadline has passed; returns done().
template <typename Done>
bool waitWithDeadline(pa_threaded_mainloop* mainloop, pa_context* context, Done done)
{
    Deadline deadline{mainloop, false};
    pa_time_event* timer = pa_context_rttime_new(context, pa_rtclock_now() + kReplyDeadlineUs,
                                                 &markDeadlinePassed, &deadline);
    while (!done() && !deadline.passed && timer)
        pa_threaded_mainloop_wait(mainloop);
    if (timer)
        pa_threaded_mainloop_get_api(mainloop)->time_free(timer);
    return done();
}

void storeSuccess(pa_context*, int success, void* accepted)
{
    *static_cast<bool*>(accepted) = success != 0;
}

} // namespace

using pulse::contextUsable;
using pulse::MainloopLock;

// The client library's C callbacks; they run on the main loop's thread with
// its lock held, except where noted.
struct SystemVolumeCallbacks
{
    // Also runs on the caller's thread when a connection fails at once.
    static void contextState(pa_context* context, void* self)
    {
        auto* volume = static_cast<SystemVolume*>(self);
        switch (pa_context_get_state(context)) {
        case PA_CONTEXT_READY:
            volume->startFollowing();
            break;
        case PA_CONTEXT_FAILED:
        case PA_CONTEXT_TERMINATED:
            volume->connectionLost();
            break;
        default:
            break;
        }
        pa_threaded_mainloop_signal(volume->m_mainloop, 0);
    }

    static void changeEvent(pa_context*, pa_subscription_event_type_t event, uint32_t index,
                            void* self)
    {
        auto* volume = static_cast<SystemVolume*>(self);
        const bool otherSink =
            (event & PA_SUBSCRIPTION_EVENT_FACILITY_MASK) == PA_SUBSCRIPTION_EVENT_SINK &&
            volume->m_defaultSinkIndex != PA_INVALID_INDEX && index != volume->m_defaultSinkIndex;
        if (!otherSink)
            volume->requestDefaultSinkUpdate();
    }

    static void defaultSinkUpdate(pa_context*, const pa_sink_info* sink, int, void* self)
    {
        if (sink)
            static_cast<SystemVolume*>(self)->followDefaultSink(*sink);
    }

    static void storeSinkReading(pa_context*, const pa_sink_info* sink, int, void* reading)
    {
        if (!sink)
            return;
        auto* target = static_cast<SystemVolume::SinkReading*>(reading);
        target->found = true;
        target->index = sink->index;
        target->volume = sink->volume;
    }
};

SystemVolume::SystemVolume(QObject* parent) : SystemVolume(QString(), parent) {}

SystemVolume::SystemVolume(const QString& server, QObject* parent)
    : QObject(parent), m_server(server.toUtf8()), m_reconnect(m_server, this)
{
    connect(&m_reconnect, &pulse::ReconnectSchedule::retryDue, this, &SystemVolume::reconnect);
    startMainloop();
}

SystemVolume::~SystemVolume()
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

pa_volume_t SystemVolume::percentToVolume(int percent)
{
    const uint64_t clamped = static_cast<uint64_t>(std::clamp(percent, 0, 100));
    return static_cast<pa_volume_t>((clamped * PA_VOLUME_NORM + 50) / 100);
}

int SystemVolume::volumeToPercent(pa_volume_t volume)
{
    const uint64_t percent =
        (static_cast<uint64_t>(volume) * 100 + PA_VOLUME_NORM / 2) / PA_VOLUME_NORM;
    return static_cast<int>(std::min<uint64_t>(percent, 100));
}

SystemVolumeResult SystemVolume::getSystemVolume()
{
    if (!m_mainloop)
        return noMainloopFailure();
    MainloopLock lock(m_mainloop);
    SinkReading sink;
    SystemVolumeResult result = readDefaultSink(sink);
    if (result.ok()) {
        result.percent = volumeToPercent(pa_cvolume_max(&sink.volume));
        m_knownPercent = result.percent;
    }
    return result;
}

SystemVolumeResult SystemVolume::setSystemVolume(int percent)
{
    if (!m_mainloop)
        return noMainloopFailure();
    MainloopLock lock(m_mainloop);
    SinkReading sink;
    SystemVolumeResult result = readDefaultSink(sink);
    if (!result.ok())
        return result;

    result.percent = std::clamp(percent, 0, 100);
    // Scaling keeps the ratio between the channels, so a balance the user set
    // elsewhere survives; the loudest channel takes the level, which is also
    // the channel getSystemVolume() reads back.
    pa_cvolume_scale(&sink.volume, percentToVolume(result.percent));
    // Known before the request leaves: the server's change event for this
    // write then finds nothing new to report.
    const int previousPercent = std::exchange(m_knownPercent, result.percent);
    bool accepted = false;
    const QString problem = awaitOperation(pa_context_set_sink_volume_by_index(
        m_context, sink.index, &sink.volume, &storeSuccess, &accepted));
    if (problem.isEmpty() && accepted)
        return result;
    m_knownPercent = previousPercent;
    return failure(kStepSetVolume, problem.isEmpty() ? serverError() : problem);
}

bool SystemVolume::serverReachable()
{
    if (!m_mainloop)
        return false;
    MainloopLock lock(m_mainloop);
    return connectionProblem().isEmpty();
}

void SystemVolume::startMainloop()
{
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

// Main loop lock held.
void SystemVolume::connectContext()
{
    dropContext();
    m_defaultSinkIndex = PA_INVALID_INDEX;
    m_context = pa_context_new(pa_threaded_mainloop_get_api(m_mainloop), "Velumix");
    if (!m_context)
        return;
    pa_context_set_state_callback(m_context, &SystemVolumeCallbacks::contextState, this);
    pa_context_set_subscribe_callback(m_context, &SystemVolumeCallbacks::changeEvent, this);
    // Never start a sound server of our own: the session has one or there is none.
    const char* server = m_server.isEmpty() ? nullptr : m_server.constData();
    pa_context_connect(m_context, server, PA_CONTEXT_NOAUTOSPAWN, nullptr);
}

// Main loop lock held. Cancels whatever the old connection still had pending.
void SystemVolume::dropContext()
{
    if (!m_context)
        return;
    pa_context_set_state_callback(m_context, nullptr, nullptr);
    pa_context_set_subscribe_callback(m_context, nullptr, nullptr);
    pa_context_disconnect(m_context);
    pa_context_unref(m_context);
    m_context = nullptr;
}

// Main loop lock held. Connects again if the server went away; returns why
// there is no ready connection, or an empty string.
QString SystemVolume::connectionProblem()
{
    if (!contextUsable(m_context))
        connectContext();
    if (!m_context)
        return QStringLiteral("no connection to the sound server could be created");
    const bool settled = waitWithDeadline(m_mainloop, m_context, [this] {
        const pa_context_state_t state = pa_context_get_state(m_context);
        return state == PA_CONTEXT_READY || !PA_CONTEXT_IS_GOOD(state);
    });
    if (!settled)
        return noAnswerReason();
    return pa_context_get_state(m_context) == PA_CONTEXT_READY ? QString() : serverError();
}

// Main loop lock held. Waits for the operation; returns why it did not
// complete, or an empty string.
QString SystemVolume::awaitOperation(pa_operation* operation)
{
    if (!operation)
        return serverError();
    pa_operation_set_state_callback(operation, &wakeWaiters, m_mainloop);
    const bool settled = waitWithDeadline(m_mainloop, m_context, [operation] {
        return pa_operation_get_state(operation) != PA_OPERATION_RUNNING;
    });
    // A cancelled operation never calls back, so its callback cannot reach
    // the caller's stack after this function returns.
    if (!settled)
        pa_operation_cancel(operation);
    const bool done = pa_operation_get_state(operation) == PA_OPERATION_DONE;
    pa_operation_unref(operation);
    if (!settled)
        return noAnswerReason();
    return done ? QString() : serverError();
}

QString SystemVolume::serverError() const
{
    return QString::fromUtf8(pa_strerror(m_context ? pa_context_errno(m_context) : PA_ERR_UNKNOWN));
}

// Main loop lock held.
SystemVolumeResult SystemVolume::readDefaultSink(SinkReading& sink)
{
    const QString connectProblem = connectionProblem();
    if (!connectProblem.isEmpty())
        return failure(kStepConnect, connectProblem);
    const QString problem = awaitOperation(pa_context_get_sink_info_by_name(
        m_context, kDefaultSinkName, &SystemVolumeCallbacks::storeSinkReading, &sink));
    if (!problem.isEmpty())
        return failure(kStepDefaultSink, problem);
    if (!sink.found)
        return failure(kStepDefaultSink,
                       QStringLiteral("the sound server has no default output device (%1)")
                           .arg(serverError()));
    m_defaultSinkIndex = sink.index;
    return SystemVolumeResult();
}

void SystemVolume::startFollowing()
{
    pa_operation* subscription =
        pa_context_subscribe(m_context,
                             static_cast<pa_subscription_mask_t>(PA_SUBSCRIPTION_MASK_SINK |
                                                                 PA_SUBSCRIPTION_MASK_SERVER),
                             nullptr, nullptr);
    if (subscription)
        pa_operation_unref(subscription);
    // Catches up with anything that changed while there was no connection.
    requestDefaultSinkUpdate();
    QMetaObject::invokeMethod(
        this,
        [this] {
            m_reconnect.connected();
            setServerAvailable(true);
        },
        Qt::QueuedConnection);
}

void SystemVolume::connectionLost()
{
    QMetaObject::invokeMethod(
        this,
        [this] {
            setServerAvailable(false);
            m_reconnect.connectionFailed();
        },
        Qt::QueuedConnection);
}

void SystemVolume::requestDefaultSinkUpdate()
{
    pa_operation* query = pa_context_get_sink_info_by_name(
        m_context, kDefaultSinkName, &SystemVolumeCallbacks::defaultSinkUpdate, this);
    if (query)
        pa_operation_unref(query);
}

void SystemVolume::followDefaultSink(const pa_sink_info& sink)
{
    m_defaultSinkIndex = sink.index;
    const int percent = volumeToPercent(pa_cvolume_max(&sink.volume));
    if (percent == m_knownPercent)
        return;
    // The first reading after start-up is no change: the caller asks for it.
    const bool firstReading = m_knownPercent < 0;
    m_knownPercent = percent;
    if (!firstReading)
        QMetaObject::invokeMethod(
            this, [this, percent] { emit systemVolumeChanged(percent); }, Qt::QueuedConnection);
}

void SystemVolume::reconnect()
{
    if (!m_mainloop)
        return;
    MainloopLock lock(m_mainloop);
    if (!contextUsable(m_context))
        connectContext();
}

void SystemVolume::setServerAvailable(bool available)
{
    if (available == m_serverAvailable)
        return;
    m_serverAvailable = available;
    emit serverAvailabilityChanged(available);
}
