#pragma once
// The virtual headset (tools/uhid-headset, beside the test program) as a
// child process: the tests plug units in and out through it and read back
// every frame it received (TX) and sent (RX).

#include <QByteArray>
#include <QFile>
#include <QList>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <cstdint>

class UhidHeadsetProcess
{
public:
    UhidHeadsetProcess();
    ~UhidHeadsetProcess();
    UhidHeadsetProcess(const UhidHeadsetProcess&) = delete;
    UhidHeadsetProcess& operator=(const UhidHeadsetProcess&) = delete;

    bool started() const { return m_process.state() == QProcess::Running; }
    void command(const QString& line);
    // The first line after the last one waited for that starts with
    // `prefix`; empty when none came in time. Events are processed meanwhile.
    QString waitForLine(const QString& prefix, int timeoutMs = 10000);

    // Creates a unit (identity: 8 hex digits) and waits until the kernel has
    // made its nodes; returns the headset's hidraw node, empty on failure.
    QString plugIn(uint16_t productId, const QString& identity);
    bool pullOut();

    // Every line so far.
    QStringList lines();
    // The reports of one direction ("TX" or "RX") carrying this command code.
    QList<QByteArray> frames(const QString& direction, uint8_t code);

private:
    void readOutput();

    // The headset writes to a file, so that it never waits for the test to
    // read while the test is busy writing frames.
    QTemporaryDir m_folder;
    QFile m_output;
    QProcess m_process;
    QStringList m_lines;
    QByteArray m_partialLine;
    int m_linesWaitedFor = 0;
};
