#pragma once
// What the sound server's clients share: the main loop's lock as a guard,
// and when a connection is worth keeping. When they try a lost server again
// is ReconnectSchedule's.

#include <pulse/context.h>
#include <pulse/thread-mainloop.h>

namespace pulse {

// Locks the main loop for the lifetime of the guard.
class MainloopLock
{
public:
    explicit MainloopLock(pa_threaded_mainloop* mainloop) : m_mainloop(mainloop)
    {
        pa_threaded_mainloop_lock(m_mainloop);
    }
    ~MainloopLock() { pa_threaded_mainloop_unlock(m_mainloop); }
    MainloopLock(const MainloopLock&) = delete;
    MainloopLock& operator=(const MainloopLock&) = delete;

private:
    pa_threaded_mainloop* m_mainloop;
};

// Connected or on its way there; main loop lock held.
inline bool contextUsable(pa_context* context)
{
    return context && PA_CONTEXT_IS_GOOD(pa_context_get_state(context));
}

} // namespace pulse
