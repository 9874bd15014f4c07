// From a report's arrival to its handling (scripts/bench.sh). The real
// window runs against a simulated headset whose replies become readable a
// fixed delay after the command that asks for them, so that each one
// arrives while the program sleeps, as a headset's reply does: its arrival
// is the moment the command's frame went to the headset (the link's frame
// tap) plus that delay, a few microseconds early at most. The reply is
// handled once the link has announced it and everything it drives has run
// (the link's last signal for it, replyHandled). The replies are to the
// microphone volume, which the session only notes. Prints, over the
// replies, in milliseconds:
//   reply_ms MEDIAN MAX

#include "Frames.h"
#include "SimulatedWindow.h"
#include "Velumix.h"

#include <QApplication>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kReplies = 101;
// Long enough for the program to fall asleep before each reply arrives.
constexpr std::chrono::milliseconds kReplyDelay(20);
constexpr int kBetweenRepliesMs = 40;

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

} // namespace

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    SimulatedHeadsetSession simulated;
    Clock::time_point sent;
    simulated.session.link().setFrameTap([&sent](bool outgoing, const uint8_t* data, int length) {
        if (outgoing && length > frame::kCodeOffset &&
            data[frame::kCodeOffset] == frame::SetMicVolume)
            sent = Clock::now();
    });
    std::vector<double> latencies;
    QObject::connect(&simulated.session.link(), &HeadsetLink::replyHandled, [&](uint8_t code) {
        if (code != frame::SetMicVolume)
            return;
        const Clock::time_point arrived = sent + kReplyDelay;
        latencies.push_back(
            std::chrono::duration<double, std::milli>(Clock::now() - arrived).count());
    });

    Velumix window(simulated.session);
    window.startSession();
    window.show();
    runEventLoopFor(kStartUpMs);
    simulated.headsets.setReplyDelay(kReplyDelay);
    latencies.clear();
    for (int i = 0; i < kReplies; ++i) {
        simulated.session.setMicLevel(i % 2 ? 40 : 60);
        runEventLoopFor(kBetweenRepliesMs);
    }
    if (latencies.size() != size_t(kReplies)) {
        std::fprintf(stderr, "reply-latency: %zu replies handled, not %d\n", latencies.size(),
                     kReplies);
        return 1;
    }
    std::printf("reply_ms %.3f %.3f\n", median(latencies),
                *std::max_element(latencies.begin(), latencies.end()));
    return 0;
}
