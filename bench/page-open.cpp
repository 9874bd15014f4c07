// The first opening of each page of the window (scripts/bench.sh): the real
// window runs against a simulated headset; once its start-up work is done,
// each page is opened as its button opens it, then the events this leaves
// are handled and the window painted. Pictures of a page are decoded when
// it is first shown, so this is where their cost shows. Prints, per page:
//   page_ms NAME MS
// Between two pages the surround page comes back (not measured).

#include "SimulatedWindow.h"
#include "Velumix.h"

#include <QApplication>

#include <chrono>
#include <cstdio>
#include <functional>

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kBetweenPagesMs = 200;
// The window's tabs.
constexpr int kSurroundTab = 0;
constexpr int kStereoTab = 1;
constexpr int kMicrophoneTab = 2;

// A click on a tab makes it current, which opens its page.
void openTab(Velumix& window, int tab)
{
    window.ui.tabWidget->setCurrentIndex(tab);
}

void backToSurroundPage(Velumix& window)
{
    window.main_clicked();
    openTab(window, kSurroundTab);
    window.On_Button_Style();
}

// Opens a page and paints the window; the milliseconds this took.
double timeOpening(Velumix& window, const std::function<void()>& open)
{
    const Clock::time_point start = Clock::now();
    open();
    QApplication::processEvents();
    window.repaint();
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

struct Page
{
    const char* name;
    std::function<void(Velumix&)> open;
};

} // namespace

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    SimulatedHeadsetSession simulated;
    Velumix window(simulated.session);
    window.startSession();
    window.show();
    runEventLoopFor(kStartUpMs);
    const Page pages[] = {
        {"stereo", [](Velumix& w) { openTab(w, kStereoTab); }},
        {"microphone", [](Velumix& w) { openTab(w, kMicrophoneTab); }},
        {"speaker-test", [](Velumix& w) { w.On_Button_Surround(); }},
        {"headset-picture", [](Velumix& w) { w.main_changed(); }},
    };
    for (const Page& page : pages) {
        backToSurroundPage(window);
        runEventLoopFor(kBetweenPagesMs);
        const double ms = timeOpening(window, [&] { page.open(window); });
        std::printf("page_ms %s %.1f\n", page.name, ms);
    }
    return 0;
}
