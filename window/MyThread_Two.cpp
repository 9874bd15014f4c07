#include "MyThread_Two.h"

#include <QLoggingCategory>

Q_DECLARE_LOGGING_CATEGORY(lcWindow)

namespace {

using Clock = std::chrono::steady_clock;
using Lock = std::unique_lock<std::mutex>;

constexpr int kStartTimerTick = 10;
constexpr int kLongestTickMs = 1000;

int tickLengthFromEnvironment()
{
    const QByteArray text = qgetenv("VELUMIX_TEST_TICK_MS");
    if (text.isEmpty())
        return MyThread_Two::kDefaultTickMs;
    bool ok = false;
    const int ms = text.trimmed().toInt(&ok);
    if (ok && ms >= 1 && ms <= kLongestTickMs)
        return ms;
    qCWarning(lcWindow).noquote()
        << QStringLiteral("VELUMIX_TEST_TICK_MS must be a whole number of milliseconds from 1 to "
                          "%1, not \"%2\"; the speaker test ticks every %3 ms")
               .arg(kLongestTickMs)
               .arg(QString::fromLocal8Bit(text))
               .arg(MyThread_Two::kDefaultTickMs);
    return MyThread_Two::kDefaultTickMs;
}

} // namespace

MyThread_Two::MyThread_Two() : m_tick(tickLengthFromEnvironment()) {}

MyThread_Two::~MyThread_Two()
{
    quitAndWait();
}

void MyThread_Two::startRun()
{
    {
        Lock lock(m_mutex);
        tickCount = 0;
        paused = 0;
        active = 1;
        m_restartSchedule = true;
    }
    m_changed.notify_all();
}

void MyThread_Two::stopRun()
{
    {
        Lock lock(m_mutex);
        active = 0;
    }
    m_changed.notify_all();
}

void MyThread_Two::setPaused(bool pause)
{
    {
        Lock lock(m_mutex);
        paused = pause ? 1 : 0;
        // Counting resumes a whole tick after the resume, not at the old
        // schedule's next tick.
        m_restartSchedule = !pause;
    }
    m_changed.notify_all();
}

void MyThread_Two::quitAndWait()
{
    {
        Lock lock(m_mutex);
        m_quit = true;
    }
    m_changed.notify_all();
    wait();
    // wait() synchronises inside Qt, where a thread checker cannot see it.
    // The loop's last act was to release the lock: taking it once more shows
    // that everything the thread wrote happened before what follows.
    Lock lock(m_mutex);
}

bool MyThread_Two::isStepOfCurrentRun(int step) const
{
    if (step == kFinalStep)
        return active == 0;
    if (step < 1 || step > kFinalStep)
        return false;
    // A new run starts again from tick 0, so a step left over from an
    // earlier run is ahead of the count.
    return active == 1 && tickCount >= kSteps[step - 1].tick;
}

void MyThread_Two::run()
{
    qCDebug(lcWindow).noquote() << "thread Two... ... ... ...";
    Lock lock(m_mutex);
    Clock::time_point nextTick;
    while (!m_quit) {
        if (!isCounting()) {
            if (active == 0)
                tickCount = 0;
            m_waitingForRun = true;
            m_changed.wait(lock);
            m_waitingForRun = false;
            continue;
        }
        if (m_restartSchedule) {
            nextTick = Clock::now() + m_tick;
            m_restartSchedule = false;
        }
        m_changed.wait_until(lock, nextTick);
        // Woken by the window rather than by the clock: look again.
        if (m_quit || !isCounting() || m_restartSchedule || Clock::now() < nextTick)
            continue;
        // The schedule is kept from the run's start, so the steps stay on
        // time with the sound even when a wake-up comes late.
        nextTick += m_tick;
        const int step = countTick();
        if (step != 0) {
            // Emitted unlocked, so that no receiver can run into the lock.
            lock.unlock();
            emit sendSetMicTimer(step);
            lock.lock();
        }
    }
}

int MyThread_Two::countTick()
{
    const int tick = ++tickCount;
    if (tick == kStartTimerTick)
        qCDebug(lcWindow).noquote() << "-------------------- Start Timer --------------------";
    for (size_t i = 0; i < kSteps.size(); ++i) {
        if (kSteps[i].tick != tick)
            continue;
        qCDebug(lcWindow).noquote() << kSteps[i].debugLine;
        const int step = static_cast<int>(i) + 1;
        if (step == kFinalStep)
            active = 0;
        return step;
    }
    return 0;
}
