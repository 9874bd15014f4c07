#pragma once
// What the sound server's clients share: the main loop's lock as a guard,
// and how long they wait before trying a lost server again.

#include <pulse/thread-mainloop.h>

namespace pulse {

// A lost server is tried again after 1, 2, 4 ... s, up to the longest.
constexpr int kFirstReconnectDelayMs = 1000;
constexpr int kLongestReconnectDelayMs = 30000;

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

} // namespace pulse
