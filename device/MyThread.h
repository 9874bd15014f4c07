#pragma once
#include <QString>
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
    // The firmware version a version reply named (empty for "no version").
    void sendVersion(const QString& version);

protected:
    void run() override;
};
