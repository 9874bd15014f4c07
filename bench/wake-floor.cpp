// What the one periodic wake-up allowed costs on this machine
// (scripts/bench.sh): a program whose only thread waits 50 ms at a time on
// a condition variable, as the reader thread's read of the simulated
// headset does, and does nothing else.

#include <chrono>
#include <condition_variable>
#include <mutex>

int main()
{
    constexpr std::chrono::milliseconds kReadTimeout(50);
    std::mutex mutex;
    std::condition_variable neverNotified;
    std::unique_lock lock(mutex);
    for (;;)
        neverNotified.wait_until(lock, std::chrono::steady_clock::now() + kReadTimeout);
}
