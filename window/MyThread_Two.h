#pragma once
// The stepping thread of the surround speaker test. While a run is active it
// counts ticks and tells the window which speaker to light through the queued
// signal sendSetMicTimer. Between runs and while a run is paused it sleeps on
// a condition the window signals, so an idle program never wakes it.

#include <QThread>

#include <array>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>

class MyThread_Two : public QThread
{
    Q_OBJECT

public:
    struct Step
    {
        int tick;              // tick count of the run at which the step is due
        const char* debugLine; // the speaker's name in the debug output
    };
    // Steps 1-7 light the speakers in turn; step 8 ends the run. The test
    // sound's announcements are placed by these tick counts too.
    static constexpr std::array<Step, 8> kSteps{{
        {100, "FrontLeft!"},
        {260, "Center!"},
        {450, "FrontRight!"},
        {620, "AuxiliaryRight!"},
        {810, "BackRight!"},
        {980, "BackLeft!"},
        {1160, "AuxiliaryLeft!"},
        {1390, "Close!"},
    }};
    static constexpr int kFinalStep = 8;
    static constexpr int kDefaultTickMs = 10;

    // The tick length is kDefaultTickMs unless VELUMIX_TEST_TICK_MS names
    // another (tests run the whole table in a fraction of the time).
    MyThread_Two();
    // Ends the loop and waits for it.
    ~MyThread_Two() override;

    // Begins a new run counting from tick 0, not paused.
    void startRun();
    // Ends the current run at once; a step emitted just before may still be
    // queued for the window.
    void stopRun();
    void setPaused(bool pause);
    // Ends run() for good and returns once the thread has finished.
    void quitAndWait();

    // False for a step still queued from a run that has since been stopped
    // or replaced, so that the window does not act on it.
    bool isStepOfCurrentRun(int step) const;
    // True while the loop sleeps until the window starts or resumes a run.
    bool isWaitingForRun() const { return m_waitingForRun; }

    // Written by the window (through the calls above) and by the thread;
    // read by both without a lock.
    std::atomic<int> active{0};
    std::atomic<int> tickCount{0};
    std::atomic<int> paused{0};

signals:
    void sendSetMicTimer(int);

protected:
    void run() override;

private:
    bool isCounting() const { return active == 1 && paused == 0; }
    // One tick of the run; returns the step now due, or 0.
    int countTick();

    const std::chrono::milliseconds m_tick;
    // Guards the changes the loop sleeps on: the three fields' writes, the
    // schedule restart and the quit request. (The standard library's lock
    // is the one thread checkers understand.)
    std::mutex m_mutex;
    std::condition_variable m_changed;
    bool m_quit = false;
    // The window started or resumed a run: the next tick is one tick from now.
    bool m_restartSchedule = false;
    std::atomic<bool> m_waitingForRun{false};
};
