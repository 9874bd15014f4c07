// The 7.1 speaker test of the main window, driven through its test button
// with a simulated headset and a short tick, and the 7.1 sound file the build
// makes for it.

#include "BareWindow.h"
#include "DataFolder.h"
#include "HotplugSource.h"
#include "MessageBoxRecorder.h"
#include "MyThread_Two.h"
#include "SpeakerTest.h"
#include "Velumix.h"

#include <QMediaPlayer>
#include <QMovie>
#include <QtTest>

#include <cmath>
#include <functional>
#include <memory>

namespace {

// The tests run the speaker steps this many times faster than the program.
constexpr int kTickMs = 2;
constexpr int kFinalTick = 1390;
// The longest time between two speaker steps, in ticks.
constexpr int kLongestStepTicks = 190;

struct SpeakerLabel
{
    const char* label;
    const char* stillPicture;
};
// In the order the test lights them: front left, centre, front right, side
// right, back right, back left, side left.
const SpeakerLabel kSpeakerLabels[] = {
    {"label_Horn_LeftUp", ":/png/pic/png/左上1.png"},
    {"label_Horn_Up", ":/png/pic/png/上1.png"},
    {"label_Horn_RightUp", ":/png/pic/png/右上1.png"},
    {"label_Horn_Right", ":/png/pic/png/右1.png"},
    {"label_Horn_RightDown", ":/png/pic/png/右下1.png"},
    {"label_Horn_LeftDown", ":/png/pic/png/左下1.png"},
    {"label_Horn_Left", ":/png/pic/png/左1.png"},
};

// Keeps the event loop running for the time given and reports whether the
// condition held at every look.
bool holdsFor(int ms, const std::function<bool()>& condition)
{
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < ms) {
        if (!condition())
            return false;
        QTest::qWait(5);
    }
    return condition();
}

// How often the kernel has switched the named thread of this process off
// its processor: a thread asleep on a condition is never switched; -1 when
// there is not exactly one such thread.
qint64 contextSwitchesOfThread(const QByteArray& name)
{
    qint64 switches = -1;
    for (const QString& task :
         QDir("/proc/self/task").entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        QFile comm("/proc/self/task/" + task + "/comm");
        if (!comm.open(QIODevice::ReadOnly) || comm.readAll().trimmed() != name)
            continue;
        if (switches != -1)
            return -1;
        QFile status("/proc/self/task/" + task + "/status");
        if (!status.open(QIODevice::ReadOnly))
            return -1;
        switches = 0;
        for (const QByteArray& line : status.readAll().split('\n'))
            if (line.contains("ctxt_switches:"))
                switches += line.split(':').last().trimmed().toLongLong();
    }
    return switches;
}

// Waits for the condition without handling events, so that whatever the
// stepping thread emits meanwhile stays queued for the window.
bool becomesTrueWithoutEvents(const std::function<bool()>& condition)
{
    const QDeadlineTimer deadline(20000);
    while (!condition()) {
        if (deadline.hasExpired())
            return false;
        QThread::msleep(1);
    }
    return true;
}

qint64 testThreadSwitches()
{
    return contextSwitchesOfThread("MyThread_Two");
}

struct WavFormat
{
    quint16 formatTag = 0;
    quint16 channels = 0;
    quint32 sampleRate = 0;
    quint16 bitsPerSample = 0;
    quint32 channelMask = 0;
    QByteArray subFormat;
    QByteArray data;
};

WavFormat readWav(const QString& path)
{
    WavFormat wav;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return wav;
    QDataStream in(&file);
    in.setByteOrder(QDataStream::LittleEndian);
    QByteArray riff(12, 0);
    in.readRawData(riff.data(), 12);
    if (!riff.startsWith("RIFF") || riff.mid(8) != "WAVE")
        return wav;
    while (!in.atEnd()) {
        QByteArray id(4, 0);
        quint32 size = 0;
        in.readRawData(id.data(), 4);
        in >> size;
        QByteArray body(int(size), 0);
        in.readRawData(body.data(), int(size));
        if (id == "fmt " && size >= 40) {
            QDataStream format(body);
            format.setByteOrder(QDataStream::LittleEndian);
            quint32 byteRate = 0;
            quint16 blockAlign = 0, extensionSize = 0, validBits = 0;
            format >> wav.formatTag >> wav.channels >> wav.sampleRate >> byteRate >> blockAlign >>
                wav.bitsPerSample >> extensionSize >> validBits >> wav.channelMask;
            wav.subFormat = body.mid(24, 16);
        } else if (id == "data") {
            wav.data = body;
        }
        if (size & 1)
            in.skipRawData(1);
    }
    return wav;
}

QString testSoundPath()
{
    return dataFolder() + "/audio/test.wav";
}

// Root mean square of one channel over [from, to) seconds, full scale 1.
double channelLevel(const WavFormat& wav, int channel, double from, double to)
{
    const auto* samples = reinterpret_cast<const qint16*>(wav.data.constData());
    const qint64 frames = wav.data.size() / (2 * wav.channels);
    const qint64 first = qBound<qint64>(0, qint64(from * wav.sampleRate), frames);
    const qint64 last = qBound<qint64>(0, qint64(to * wav.sampleRate), frames);
    double sum = 0;
    for (qint64 frame = first; frame < last; ++frame) {
        const double value = qFromLittleEndian(samples[frame * wav.channels + channel]) / 32768.0;
        sum += value * value;
    }
    return last > first ? std::sqrt(sum / double(last - first)) : 0;
}

// Speaker steps of the sound: channel in the 7.1 order FL FR FC LFE BL BR SL
// SR, and the time from which the speaker is lit up to the next step.
struct SoundStep
{
    const char* speaker;
    int channel;
    double from;
    double to;
};
const SoundStep kSoundSteps[] = {
    {"front left", 0, 1.0, 2.6},  {"centre", 2, 2.6, 4.5},     {"front right", 1, 4.5, 6.2},
    {"side right", 7, 6.2, 8.1},  {"back right", 5, 8.1, 9.8}, {"back left", 4, 9.8, 11.6},
    {"side left", 6, 11.6, 13.9},
};
constexpr int kChannelCount = 8;
// A voice is well above this level; silence is exactly zero.
constexpr double kAudibleLevel = 0.01;
// The voice begins this soon after its speaker lights up.
constexpr double kVoiceOnsetSeconds = 0.1;

} // namespace

class SurroundTestTest : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void cleanup();

    void withoutHeadsetTheButtonOnlyWarns();
    void withoutSoundServerTheButtonSaysNoSoundCanPlay();
    void aWholeRunLightsTheSpeakersInOrder();
    void pauseHoldsTheStepAndResumeGoesOn();
    void stoppingWhilePlayingReturnsToIdle_data();
    void stoppingWhilePlayingReturnsToIdle();
    void aStepLeftFromAStoppedRunIsIgnored();
    void anIdleWindowLeavesTheSteppingThreadAsleep();
    void aBrokenSoundFileStillStepsThrough();

    void testSoundIsA14SecondSevenOneWav();
    void eachSpeakerIsHeardOnlyInItsOwnStep_data();
    void eachSpeakerIsHeardOnlyInItsOwnStep();
    void soundIsSilentOutsideTheSpeakerSteps();

private:
    void openWindow(bool withHeadset);
    Velumix& window() { return m_bare->window; }
    SpeakerTest& test() { return window().speakerTest(); }
    QPushButton* testButton() { return window().ui.pushButton_SurroundTest; }
    QLabel* label(const char* name) { return window().findChild<QLabel*>(name); }
    // The speaker label whose animation runs, or an empty name.
    QString litSpeaker();
    // Follows every step the window handles: the step and the lit speaker.
    void recordSteps();
    void click() { testButton()->click(); }
    bool isIdle();

    std::unique_ptr<BareWindow> m_bare;
    MessageBoxRecorder m_boxRecorder;
    QList<QPair<int, QString>> m_steps;
};

void SurroundTestTest::initTestCase()
{
    qputenv("VELUMIX_TEST_TICK_MS", QByteArray::number(kTickMs));
    QLoggingCategory::setFilterRules("velumix.*.debug=false");
}

void SurroundTestTest::cleanupTestCase() {}

void SurroundTestTest::openWindow(bool withHeadset)
{
    m_boxRecorder.clear();
    m_steps.clear();
    m_bare = std::make_unique<BareWindow>(withHeadset ? std::vector<uint16_t>{0x1054}
                                                      : std::vector<uint16_t>{});
    QCOMPARE(m_bare->session.isOpen(), withHeadset);
}

void SurroundTestTest::cleanup()
{
    m_bare.reset();
}

QString SurroundTestTest::litSpeaker()
{
    QString lit;
    for (const SpeakerLabel& speaker : kSpeakerLabels) {
        QMovie* movie = label(speaker.label)->movie();
        if (movie && movie->state() == QMovie::Running)
            lit += speaker.label;
    }
    return lit;
}

void SurroundTestTest::recordSteps()
{
    // Queued after the window's own connection, so each step is seen once
    // the window has handled it.
    connect(
        test().thread(), &MyThread_Two::sendSetMicTimer, this,
        [this](int step) {
            m_steps.append({step, litSpeaker()});
        },
        Qt::QueuedConnection);
}

bool SurroundTestTest::isIdle()
{
    return test().clickCount() == 0 && !test().isRunning() && test().step() == 0 &&
           !test().player() && testButton()->text() == "Test" &&
           (!test().thread() || test().thread()->active == 0);
}

void SurroundTestTest::withoutHeadsetTheButtonOnlyWarns()
{
    openWindow(false);
    // Without a headset the start screen covers the button, out of reach of
    // mouse and keyboard; the speaker test is asked as the button asks it.
    test().pressTestButton();
    QCOMPARE(m_boxRecorder.boxes(), QStringList{"warning: Pleasr Insert Device!"});
    QCOMPARE(testButton()->text(), QString("Test"));
    QVERIFY(isIdle());
    QVERIFY(!test().thread());
}

void SurroundTestTest::withoutSoundServerTheButtonSaysNoSoundCanPlay()
{
    QTemporaryDir nowhere;
    QVERIFY(nowhere.isValid());
    const QByteArray fixtureServer = qgetenv("PULSE_SERVER");
    qputenv("PULSE_SERVER", "unix:" + QFile::encodeName(nowhere.filePath("native")));
    const auto restore = qScopeGuard([&] { qputenv("PULSE_SERVER", fixtureServer); });
    openWindow(true);

    click();

    QCOMPARE(m_boxRecorder.boxes().size(), 1);
    QVERIFY2(m_boxRecorder.boxes().first().startsWith(
                 "warning: No sound can be played: no sound server"),
             qPrintable(m_boxRecorder.boxes().first()));
    QVERIFY(isIdle());
    QCOMPARE(litSpeaker(), QString());
    // Nothing waits to light up later either.
    QVERIFY(holdsFor(kLongestStepTicks * kTickMs * 2, [this] { return litSpeaker().isEmpty(); }));
}

void SurroundTestTest::aWholeRunLightsTheSpeakersInOrder()
{
    openWindow(true);
    QElapsedTimer clock;
    clock.start();
    click();
    QCOMPARE(testButton()->text(), QString("Testing"));
    QVERIFY(test().isRunning());
    QVERIFY(test().player());
    recordSteps();
    QTRY_VERIFY_WITH_TIMEOUT(test().clickCount() == 0, 20000);
    // The ticks are waited for, not merely counted.
    QVERIFY2(clock.elapsed() >= kFinalTick * kTickMs, qPrintable(QString::number(clock.elapsed())));

    QList<QPair<int, QString>> expected;
    for (int step = 1; step <= 7; ++step)
        expected.append({step, kSpeakerLabels[step - 1].label});
    expected.append({8, QString()});
    QCOMPARE(m_steps, expected);
    QVERIFY(isIdle());
    // Every speaker shows its still picture again.
    for (const SpeakerLabel& speaker : kSpeakerLabels)
        QVERIFY2(
            label(speaker.label)->styleSheet().contains(QString::fromUtf8(speaker.stillPicture)),
            speaker.label);
}

void SurroundTestTest::pauseHoldsTheStepAndResumeGoesOn()
{
    openWindow(true);
    click();
    recordSteps();
    QTRY_VERIFY_WITH_TIMEOUT(test().step() >= 2, 20000);
    MyThread_Two* thread = test().thread();

    click();
    QCOMPARE(testButton()->text(), QString("Test"));
    QVERIFY(!test().isRunning());
    QCOMPARE(test().clickCount(), 2);
    QTRY_VERIFY(thread->isWaitingForRun());
    // A step the thread emitted just before the pause is handled now.
    QCoreApplication::sendPostedEvents();
    const int step = test().step();
    QVERIFY2(step >= 2 && step < 7, qPrintable(QString::number(step)));
    QCOMPARE(litSpeaker(), QString());
    const int ticks = thread->tickCount;
    const qint64 switches = testThreadSwitches();
    QVERIFY(switches >= 0);
    QVERIFY(holdsFor(2 * kLongestStepTicks * kTickMs, [&] {
        return thread->tickCount == ticks && test().step() == step &&
               testThreadSwitches() == switches && litSpeaker().isEmpty();
    }));

    click();
    QCOMPARE(testButton()->text(), QString("Testing"));
    QVERIFY(test().isRunning());
    QCOMPARE(litSpeaker(), QString(kSpeakerLabels[step - 1].label));
    QTRY_VERIFY_WITH_TIMEOUT(test().clickCount() == 0, 20000);
    QList<int> steps;
    for (const auto& handled : m_steps)
        steps.append(handled.first);
    QCOMPARE(steps, (QList<int>{1, 2, 3, 4, 5, 6, 7, 8}));
    QVERIFY(isIdle());
}

void SurroundTestTest::stoppingWhilePlayingReturnsToIdle_data()
{
    QTest::addColumn<int>("step");
    QTest::addColumn<QString>("labelName");
    QTest::addColumn<QString>("styleSheet");
    // The speaker lit when the run stops gets its still picture back; the
    // side left one in the form a finished run gives it.
    const auto row = [](const char* name, int step, const char* label, const char* style) {
        QTest::newRow(name) << step << QString(label) << QString::fromUtf8(style);
    };
    row("front left", 1, "label_Horn_LeftUp", "border-image: url(:/png/pic/png/左上1.png);");
    row("side right", 4, "label_Horn_Right", "border-image: url(:/png/pic/png/右1.png);");
    row("side left", 7, "label_Horn_Left", "QLabel{border-image: url(:/png/pic/png/左1.png);}");
}

void SurroundTestTest::stoppingWhilePlayingReturnsToIdle()
{
    QFETCH(int, step);
    QFETCH(QString, labelName);
    QFETCH(QString, styleSheet);
    openWindow(true);
    click();
    QTRY_COMPARE_WITH_TIMEOUT(test().step(), step, 20000);

    test().stop();
    QVERIFY(isIdle());
    QLabel* stopped = label(qPrintable(labelName));
    QCOMPARE(stopped->styleSheet(), styleSheet);
    QVERIFY(!stopped->movie());
    QCOMPARE(litSpeaker(), QString());
    // Nothing of the ended run comes back, and the thread goes to sleep.
    QTRY_VERIFY(test().thread()->isWaitingForRun());
    QVERIFY(holdsFor(2 * kLongestStepTicks * kTickMs,
                     [&] { return isIdle() && test().thread()->tickCount == 0; }));

    // The next click starts again from the first speaker.
    recordSteps();
    click();
    QTRY_VERIFY_WITH_TIMEOUT(!m_steps.isEmpty(), 20000);
    QCOMPARE(m_steps.first(), qMakePair(1, QString("label_Horn_LeftUp")));
}

void SurroundTestTest::aStepLeftFromAStoppedRunIsIgnored()
{
    openWindow(true);
    click();
    MyThread_Two* thread = test().thread();
    // The first speaker's step is emitted but still waits in the queue...
    QVERIFY(becomesTrueWithoutEvents([&] { return thread->tickCount >= 100; }));
    // ...when the run is stopped and a new one begins.
    test().stop();
    click();
    QCoreApplication::sendPostedEvents();
    // Read after the queue: below the first step's tick, the new run cannot
    // have emitted a step of its own yet. A machine slow enough (a sanitizer
    // build under load) lets the new run reach it first, and then the two
    // steps are alike.
    if (thread->tickCount >= 100)
        QSKIP("the new run reached its first step before the queue was read");
    QCOMPARE(test().step(), 0);
    QCOMPARE(litSpeaker(), QString());
    QTRY_COMPARE_WITH_TIMEOUT(test().step(), 1, 20000);
    QCOMPARE(litSpeaker(), QString("label_Horn_LeftUp"));
}

void SurroundTestTest::anIdleWindowLeavesTheSteppingThreadAsleep()
{
    openWindow(true);
    click();
    QTRY_VERIFY_WITH_TIMEOUT(test().clickCount() == 0, 20000);
    MyThread_Two* thread = test().thread();
    QTRY_VERIFY(thread->isWaitingForRun());
    QCOMPARE(thread->tickCount.load(), 0);
    const qint64 switches = testThreadSwitches();
    QVERIFY(switches >= 0);
    QVERIFY(holdsFor(100 * kTickMs, [&] { return testThreadSwitches() == switches; }));
    QVERIFY(isIdle());
}

void SurroundTestTest::aBrokenSoundFileStillStepsThrough()
{
    openWindow(true);
    // The window finds a file that is no sound where it looks for its sound.
    const QTemporaryDir elsewhere;
    QVERIFY(QDir(elsewhere.path()).mkdir("audio"));
    QFile notASound(elsewhere.filePath("audio/test.wav"));
    QVERIFY(notASound.open(QIODevice::WriteOnly));
    notASound.write("RIFF and nothing more");
    notASound.close();
    test().soundFile = elsewhere.filePath("audio/test.wav");
    click();
    recordSteps();
    QTRY_VERIFY_WITH_TIMEOUT(test().clickCount() == 0, 20000);
    QCOMPARE(m_steps.size(), 8);
    QVERIFY(isIdle());
}

void SurroundTestTest::testSoundIsA14SecondSevenOneWav()
{
    const WavFormat wav = readWav(testSoundPath());
    QCOMPARE(wav.formatTag, quint16(0xFFFE));
    QCOMPARE(wav.channels, quint16(kChannelCount));
    QCOMPARE(wav.channelMask, quint32(0x63F));
    QCOMPARE(wav.bitsPerSample, quint16(16));
    // The PCM sub-format.
    QCOMPARE(wav.subFormat.toHex(), QByteArray("0100000000001000800000aa00389b71"));
    QVERIFY(wav.sampleRate >= 8000);
    const double seconds = double(wav.data.size()) / (2 * kChannelCount) / wav.sampleRate;
    QVERIFY2(seconds >= 13.9 && seconds <= 14.5, qPrintable(QString::number(seconds)));
}

void SurroundTestTest::eachSpeakerIsHeardOnlyInItsOwnStep_data()
{
    QTest::addColumn<int>("step");
    for (int i = 0; i < int(std::size(kSoundSteps)); ++i)
        QTest::newRow(kSoundSteps[i].speaker) << i;
}

void SurroundTestTest::eachSpeakerIsHeardOnlyInItsOwnStep()
{
    QFETCH(int, step);
    const SoundStep& own = kSoundSteps[step];
    const WavFormat wav = readWav(testSoundPath());
    QVERIFY(wav.channels == kChannelCount && !wav.data.isEmpty());

    QVERIFY2(channelLevel(wav, own.channel, own.from, own.from + kVoiceOnsetSeconds) >
                 kAudibleLevel,
             "the voice starts as the speaker lights up");
    for (const SoundStep& other : kSoundSteps)
        if (&other != &own)
            QCOMPARE(channelLevel(wav, own.channel, other.from, other.to), 0.0);
    for (int channel = 0; channel < kChannelCount; ++channel)
        if (channel != own.channel)
            QVERIFY2(channelLevel(wav, channel, own.from, own.to) == 0.0,
                     qPrintable(QString("channel %1").arg(channel)));
}

void SurroundTestTest::soundIsSilentOutsideTheSpeakerSteps()
{
    const WavFormat wav = readWav(testSoundPath());
    QVERIFY(wav.channels == kChannelCount && !wav.data.isEmpty());
    const double end = double(wav.data.size()) / (2 * kChannelCount) / wav.sampleRate;
    constexpr int kLowFrequencyChannel = 3;
    for (int channel = 0; channel < kChannelCount; ++channel) {
        QCOMPARE(channelLevel(wav, channel, 0, kSoundSteps[0].from), 0.0);
        QCOMPARE(channelLevel(wav, channel, std::end(kSoundSteps)[-1].to, end), 0.0);
    }
    QCOMPARE(channelLevel(wav, kLowFrequencyChannel, 0, end), 0.0);
}

QTEST_MAIN(SurroundTestTest)
#include "tst_surroundtest.moc"
