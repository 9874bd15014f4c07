// From an application's stream starting to play to its rule's mode sent to
// the headset, and from the stream's end to the person's own mode sent
// again (scripts/bench.sh). The real window and its automatic modes run
// against a simulated headset as `velumix --simulate` runs them: a private
// sound server's default output stands in for the headset's. The window is
// shown, or with -autorun left in the tray as a start at login leaves it. A rule
// gives an application the stereo page's Pop while the person's own mode is
// on the surround page, where the simulated headset starts. Then, stream
// after stream, the application plays silence there (pacat) and ends, and
// the link's frame tap notes when each PEQ frame and algorithm switch is
// handed to the headset. A mode is sent with its last frame: the algorithm
// switch, which follows the headset's acknowledgement of the last PEQ frame.
//
// A stream starts when the server announces it playing, and ends when the
// server announces it gone (StreamAnnouncements.h): the earliest moments
// the server tells any client. The program hears of them through the same
// announcement on its own connection, so the time before (pacat starting,
// connecting and setting up its stream) is not the program's, and all that
// follows is: reading the server's streams, matching the rule, sending the
// mode. A stream that ends counts no more at once; only a paused one counts
// for a while (AutomaticModes::kPauseGraceMs), and these are never paused.
//
// The server is the tests' throwaway one (tests/platform/pulse-fixture.sh,
// named by VELUMIX_PULSE_FIXTURE), started below VELUMIX_PULSE_DIR. Prints,
// as medians and worst cases over the streams, in milliseconds:
//   switch_ms MEDIAN MAX    the stream's start to the rule's mode sent
//   restore_ms MEDIAN MAX   the stream's end to the person's own mode sent

#include "AutomaticModes.h"
#include "Autostart.h"
#include "Figures.h"
#include "Frames.h"
#include "PlaybackStreams.h"
#include "SimulatedWindow.h"
#include "SoundStreams.h"
#include "StreamAnnouncements.h"
#include "Velumix.h"

#include <QApplication>
#include <QLoggingCategory>

#include <algorithm>
#include <cstdio>
#include <optional>
#include <vector>

namespace {

constexpr int kStreams = 9;
// Streams heard of late (see Streams::note) are played again, this often at most.
constexpr int kMostStreams = 3 * kStreams;
// Long enough for pacat to start or end and for the program to answer.
constexpr int kSettleMs = 1000;

const QString kOutput = QStringLiteral("headset_out");
const QString kStreamKey = QStringLiteral("game");
const QString kApplicationName = QStringLiteral("Bench Game");
const AutoModeRule kRule{QStringLiteral("velumix-bench-game"), SoundPage::Stereo,
                         QStringLiteral("Pop")};

struct SentFrame
{
    uint8_t code;
    Clock::time_point at;
};

void report(const char* what)
{
    std::fprintf(stderr, "auto-switch: %s\n", what);
}

bool complain(const char* what)
{
    report(what);
    return false;
}

int failed(const char* what)
{
    report(what);
    return 1;
}

// A server of the bench's own, whose one output is the default, as the
// headset's output is under --simulate.
bool startSoundServer(SoundStreams& sound)
{
    return sound.start() && sound.addOutput(kOutput) && sound.setDefaultOutput(kOutput);
}

// The moment a mode went out: its last frame, an algorithm switch after PEQ
// frames.
std::optional<Clock::time_point> modeSent(const std::vector<SentFrame>& frames)
{
    const bool peqSent = std::any_of(frames.begin(), frames.end(), [](const SentFrame& sent) {
        return sent.code == frame::SetPeq;
    });
    if (!peqSent || frames.back().code != frame::SetAlgorithmSwitch)
        return std::nullopt;
    return frames.back().at;
}

// Notes when each PEQ frame and algorithm switch is handed to the headset.
void tapModeFrames(HeadsetLink& link, std::vector<SentFrame>& frames)
{
    link.setFrameTap([&frames](bool outgoing, const uint8_t* data, int length) {
        if (!outgoing || length <= frame::kCodeOffset)
            return;
        const uint8_t code = data[frame::kCodeOffset];
        if (code == frame::SetPeq || code == frame::SetAlgorithmSwitch)
            frames.push_back({code, Clock::now()});
    });
}

// One stream after another, each switching the headset to the rule's mode
// and back.
class Streams
{
public:
    Streams(SoundStreams& sound, StreamAnnouncements& server, const HeadsetSession& session,
            std::vector<SentFrame>& frames)
        : m_sound(sound), m_server(server), m_session(session), m_frames(frames),
          m_ownPage(session.pageShown()), m_ownMode(session.modeName(m_ownPage))
    {}

    bool ownModeIsOther() const { return m_ownPage != kRule.page; }
    bool enough() const { return m_switches.size() >= kStreams && m_restores.size() >= kStreams; }

    bool play()
    {
        m_server.forget();
        m_frames.clear();
        if (!m_sound.play(kStreamKey, kOutput, kApplicationName, kRule.application))
            return complain("pacat did not start");
        runEventLoopFor(kSettleMs);
        if (!m_server.playing())
            return complain("the server announced no stream playing");
        if (m_session.pageShown() != kRule.page ||
            m_session.modeName(kRule.page).name != kRule.mode)
            return complain("the rule's mode did not come");
        return note(*m_server.playing(), m_switches);
    }

    bool end()
    {
        m_frames.clear();
        m_sound.stop(kStreamKey);
        runEventLoopFor(kSettleMs);
        if (!m_server.gone())
            return complain("the server announced no stream gone");
        if (m_session.pageShown() != m_ownPage || m_session.modeName(m_ownPage) != m_ownMode)
            return complain("the person's own mode did not come back");
        return note(*m_server.gone(), m_restores);
    }

    void print() const
    {
        printResult("switch_ms", m_switches);
        printResult("restore_ms", m_restores);
    }

private:
    bool note(Clock::time_point announced, std::vector<double>& figures)
    {
        const std::optional<Clock::time_point> sent = modeSent(m_frames);
        if (!sent)
            return complain("no PEQ frames and algorithm switch went out");
        // The program acted before the bench heard: a busy machine woke the
        // bench's connection late, and the figure would flatter the program.
        if (m_frames.front().at < announced) {
            report("an announcement was heard late; the stream is played again");
            return true;
        }
        figures.push_back(msBetween(announced, *sent));
        return true;
    }

    SoundStreams& m_sound;
    StreamAnnouncements& m_server;
    const HeadsetSession& m_session;
    std::vector<SentFrame>& m_frames;
    const SoundPage m_ownPage;
    const ModeName m_ownMode;
    std::vector<double> m_switches;
    std::vector<double> m_restores;
};

// Plays streams until each figure has been measured kStreams times.
bool measure(Streams& streams)
{
    for (int played = 0; !streams.enough(); ++played) {
        if (played == kMostStreams)
            return complain("too many announcements were heard late");
        if (!streams.play() || !streams.end())
            return false;
    }
    return true;
}

} // namespace

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    // As the program runs: its diagnostics go to the trace log alone.
    QLoggingCategory::setFilterRules(QStringLiteral("velumix.*.debug=false"));
    SoundStreams sound(QStringLiteral("auto-switch"));
    if (!startSoundServer(sound))
        return failed("the sound server did not start");
    StreamAnnouncements server;
    if (!server.listen(sound.address()))
        return failed("the sound server did not answer");

    SimulatedHeadsetSession simulated;
    std::vector<SentFrame> frames;
    tapModeFrames(simulated.session.link(), frames);
    // Made, wired and started as the program does.
    const bool autorun = isAutorunStart(QCoreApplication::arguments());
    AutomaticModes automatic(simulated.session, automaticModesPath());
    Velumix window(simulated.session, nullptr,
                   autorun ? Velumix::Build::WhenShown : Velumix::Build::Now);
    window.setAutomaticModes(&automatic);
    window.startSession();
    HeadsetOutput headsetOutput;
    headsetOutput.defaultSink = true;
    PlaybackStreams playbackStreams(headsetOutput, sound.address());
    QObject::connect(&playbackStreams, &PlaybackStreams::streamsChanged, &automatic,
                     &AutomaticModes::followStreams);
    // Started at login, the window waits in the tray unbuilt. Not
    // startHidden(): on a display without a tray (Xvfb) it would show the
    // window minimised.
    if (!autorun)
        window.show();
    runEventLoopFor(kStartUpMs);
    if (!playbackStreams.connected())
        return failed("the program did not reach the sound server");
    if (const QString problem = automatic.addRule(kRule); !problem.isEmpty())
        return failed(qPrintable(problem));

    Streams streams(sound, server, simulated.session, frames);
    if (!streams.ownModeIsOther())
        return failed("the person's own mode is on the rule's page");
    if (!measure(streams))
        return 1;
    streams.print();
    return 0;
}
