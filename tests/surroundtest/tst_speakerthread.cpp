// The speaker test's stepping thread on its own, driven from the test's main
// thread as the window drives it: runs, pauses, restarts and stops cross
// threads through atomics, a condition and a queued signal. The test command
// also runs it under ThreadSanitizer.
#include "MyThread_Two.h"

#include <QLoggingCategory>
#include <QTest>

Q_LOGGING_CATEGORY(lcWindow, "velumix.window")

namespace {

// The steps as the window takes them: queued to this (the main) thread, and
// only those of the run in progress.
class StepReceiver : public QObject
{
public:
    explicit StepReceiver(MyThread_Two& thread)
    {
        connect(&thread, &MyThread_Two::sendSetMicTimer, this, [this, &thread](int step) {
            if (thread.isStepOfCurrentRun(step))
                steps << step;
        });
    }
    QList<int> steps;
};

const QList<int> kWholeRun = {1, 2, 3, 4, 5, 6, 7, 8};

} // namespace

class SpeakerThreadTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { qputenv("VELUMIX_TEST_TICK_MS", "1"); }
    void wholeRunLightsEverySpeakerInTurn();
    void pausedRunCountsNothingUntilResumed();
    void restartedRunDropsTheEarlierRunsSteps();
    void stoppedRunSleepsUntilTheNext();
};

void SpeakerThreadTest::wholeRunLightsEverySpeakerInTurn()
{
    MyThread_Two thread;
    StepReceiver received(thread);
    thread.start();
    QTRY_VERIFY(thread.isWaitingForRun());

    thread.startRun();
    QTRY_COMPARE(received.steps, kWholeRun);
    QVERIFY(thread.isStepOfCurrentRun(MyThread_Two::kFinalStep));
    QTRY_VERIFY(thread.isWaitingForRun());
}

void SpeakerThreadTest::pausedRunCountsNothingUntilResumed()
{
    MyThread_Two thread;
    StepReceiver received(thread);
    thread.start();
    thread.startRun();
    QTRY_VERIFY(!received.steps.isEmpty());

    thread.setPaused(true);
    QTRY_VERIFY(thread.isWaitingForRun());
    const int pausedAt = thread.tickCount;
    QTest::qWait(50);
    const QList<int> stepsWhilePaused = received.steps;
    QCOMPARE(thread.tickCount.load(), pausedAt);
    QTest::qWait(50);
    QCOMPARE(received.steps, stepsWhilePaused);

    thread.setPaused(false);
    QTRY_COMPARE(received.steps, kWholeRun);
}

void SpeakerThreadTest::restartedRunDropsTheEarlierRunsSteps()
{
    MyThread_Two thread;
    StepReceiver received(thread);
    thread.start();
    thread.startRun();
    QTRY_VERIFY(received.steps.contains(3));

    thread.startRun();
    // The new run counts from tick 0: the third speaker is not due yet.
    QVERIFY(!thread.isStepOfCurrentRun(3));
    received.steps.clear();
    QTRY_COMPARE(received.steps, kWholeRun);
}

void SpeakerThreadTest::stoppedRunSleepsUntilTheNext()
{
    MyThread_Two thread;
    StepReceiver received(thread);
    thread.start();
    thread.startRun();
    QTRY_VERIFY(!received.steps.isEmpty());

    thread.stopRun();
    QTRY_VERIFY(thread.isWaitingForRun());
    QCOMPARE(thread.tickCount.load(), 0);
    QVERIFY(thread.isStepOfCurrentRun(MyThread_Two::kFinalStep));
    QVERIFY(!thread.isStepOfCurrentRun(1));

    thread.quitAndWait();
    QVERIFY(thread.isFinished());
}

QTEST_GUILESS_MAIN(SpeakerThreadTest)
#include "tst_speakerthread.moc"
