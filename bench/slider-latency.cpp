// From the release of a band slider to the last PEQ frame written
// (scripts/bench.sh). The real window runs against a simulated headset; a
// custom mode's slider is dragged as a mouse drag moves it (pressed, moved
// in steps, released) within one throttle period, and the link's frame tap
// notes when each PEQ frame is handed to the headset. The drag's first
// change goes out at once; the rest wait for the period's end, so the last
// frame is due when the throttle allows it: half a second after the first
// pair went out. Prints, as medians and worst cases over the drags:
//   release_ms MEDIAN MAX   the release to the last PEQ frame
//   late_ms MEDIAN MAX      the moment the throttle allows it to that frame

#include "Figures.h"
#include "Frames.h"
#include "SimulatedWindow.h"
#include "SoundPageView.h"
#include "Velumix.h"

#include <QApplication>

#include <chrono>
#include <cstdio>
#include <vector>

namespace {

constexpr int kDrags = 9;
constexpr int kStepCount = 6;
constexpr int kStepMs = 40;
// The window's throttle period, and a wait past it in which all goes quiet.
constexpr int kThrottlePeriodMs = 500;
constexpr int kQuietMs = 800;

// A custom mode of the stereo page, chosen; choosing it is not measured.
void editStereoCustomMode(Velumix& window)
{
    window.session().addCustomMode(SoundPage::Stereo, EqGains{});
}

// Pressed, moved one step every kStepMs, released; returns the release time.
Clock::time_point drag(QSlider* slider, int firstValue)
{
    slider->setSliderDown(true);
    for (int step = 0; step < kStepCount; ++step) {
        slider->setSliderPosition(firstValue + step);
        runEventLoopFor(kStepMs);
    }
    slider->setSliderDown(false);
    return Clock::now();
}

} // namespace

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    SimulatedHeadsetSession simulated;
    std::vector<Clock::time_point> peqWrites;
    simulated.session.link().setFrameTap([&peqWrites](bool outgoing, const uint8_t* data,
                                                      int length) {
        if (outgoing && length > frame::kCodeOffset && data[frame::kCodeOffset] == frame::SetPeq)
            peqWrites.push_back(Clock::now());
    });

    Velumix window(simulated.session);
    window.startSession();
    window.show();
    runEventLoopFor(kStartUpMs);
    editStereoCustomMode(window);
    QSlider* slider = window.pageView(SoundPage::Stereo).widgets().sliders[3];

    std::vector<double> releaseToLast;
    std::vector<double> lateness;
    for (int i = 0; i < kDrags; ++i) {
        runEventLoopFor(kQuietMs);
        peqWrites.clear();
        // Alternately up and down, so that every step changes the value.
        const Clock::time_point released = drag(slider, i % 2 ? -kStepCount : 1);
        runEventLoopFor(kQuietMs);
        if (peqWrites.size() != 4) {
            std::fprintf(stderr, "slider-latency: %zu PEQ frames for a drag, not 4\n",
                         peqWrites.size());
            return 1;
        }
        // The period starts once the first pair is written.
        const Clock::time_point allowed =
            peqWrites[1] + std::chrono::milliseconds(kThrottlePeriodMs);
        releaseToLast.push_back(msBetween(released, peqWrites.back()));
        lateness.push_back(msBetween(allowed, peqWrites.back()));
    }
    printResult("release_ms", releaseToLast);
    printResult("late_ms", lateness);
    return 0;
}
