#pragma once
#include <QThread>

#include <atomic>

// The reader thread: reads the headset's replies on its own handle, parses
// them and tells the window through the queued signal sendReadAudio.
class MyThread : public QThread
{
    Q_OBJECT
public:
    using QThread::QThread;
    // The loop runs while this is 1; the window clears it on unplug.
    std::atomic<int> running{0};

signals:
    void sendSetMicTimer(int);
    void sendReadAudio(int iCmdType);

protected:
    void run() override;
};
