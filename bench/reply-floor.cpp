// The floor of the reply latency (scripts/bench.sh): what the kernel and
// Qt's event loop take to hand a program a descriptor that became readable
// while it slept. A timerfd in a QSocketNotifier expires a fixed delay
// after it was set, as the simulated headset's replies do; its expiry is the
// arrival, the notifier's handler the handling. Prints, in milliseconds:
//   reply_ms MEDIAN MAX

#include <QCoreApplication>
#include <QSocketNotifier>
#include <QTimer>

#include <sys/timerfd.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kReplies = 101;
constexpr std::chrono::milliseconds kReplyDelay(20);
constexpr int kBetweenRepliesMs = 40;

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    const int timer = timerfd_create(CLOCK_MONOTONIC, TFD_NONBLOCK | TFD_CLOEXEC);
    if (timer < 0)
        return 1;
    QSocketNotifier notifier(timer, QSocketNotifier::Read);
    Clock::time_point due;
    std::vector<double> latencies;
    QObject::connect(&notifier, &QSocketNotifier::activated, [&] {
        uint64_t expirations = 0;
        if (read(timer, &expirations, sizeof expirations) != sizeof expirations)
            return;
        latencies.push_back(std::chrono::duration<double, std::milli>(Clock::now() - due).count());
    });
    QTimer next;
    next.setInterval(kBetweenRepliesMs);
    QObject::connect(&next, &QTimer::timeout, [&] {
        if (int(latencies.size()) >= kReplies) {
            app.quit();
            return;
        }
        itimerspec when{};
        when.it_value.tv_nsec = std::chrono::nanoseconds(kReplyDelay).count();
        due = Clock::now() + kReplyDelay;
        timerfd_settime(timer, 0, &when, nullptr);
    });
    next.start();
    app.exec();
    close(timer);
    std::sort(latencies.begin(), latencies.end());
    std::printf("reply_ms %.3f %.3f\n", latencies[latencies.size() / 2], latencies.back());
    return 0;
}
