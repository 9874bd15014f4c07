// The reader thread against the simulated headset: which replies it accepts,
// what it stores and which signal types reach the window.

#include "MyThread.h"
#include "SimulatedLink.h"

#include <QtTest>

#include <functional>
#include <memory>

namespace {

// Receives the reader's signal on the test thread, as the window does, and
// keeps what the reply state held when each signal arrived.
class Window : public QObject
{
    Q_OBJECT
public:
    struct Seen
    {
        int type;
        int first, last;
        DeviceIdentity identity;
    };
    QList<int> types;
    QList<Seen> seen;

public slots:
    void on_SLOTReadAudio(int iCmdType)
    {
        types.append(iCmdType);
        seen.append({iCmdType, replyState.peqAckFirst, replyState.peqAckLast,
                     replyState.deviceIdentity.load()});
    }
};

using Setup = std::function<void(HeadsetFirmware&, SimulatedHidBackend&)>;
using Send = std::function<void()>;

} // namespace

Q_DECLARE_METATYPE(Setup)
Q_DECLARE_METATYPE(Send)

class ReaderThreadTest : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { QLoggingCategory::setFilterRules("velumix.*.debug=false"); }
    void init();
    void cleanup();
    void replies_data();
    void replies();
    void statusErrorKeepsTheIdentity();
    void droppedRepliesLeaveNoTrace_data();
    void droppedRepliesLeaveNoTrace();
    void delayedReplyStillArrives();
    void unplugEndsReadsAndTheLoopStopsOnRequest();

private:
    void startReader();
    std::unique_ptr<SimulatedLink> m_link;
    std::unique_ptr<MyThread> m_reader;
    std::unique_ptr<Window> m_window;
    int m_unit = 0;
};

void ReaderThreadTest::init()
{
    m_link = std::make_unique<SimulatedLink>();
    m_unit = m_link->addHeadset(0x1054, {0xde, 0xad, 0xbe, 0xef});
    m_window = std::make_unique<Window>();
}

void ReaderThreadTest::startReader()
{
    QCOMPARE(usbHidOpenDevice(), 0);
    m_reader = std::make_unique<MyThread>();
    m_reader->running = 1;
    m_reader->start(QThread::InheritPriority);
    connect(m_reader.get(), &MyThread::sendReadAudio, m_window.get(), &Window::on_SLOTReadAudio,
            Qt::QueuedConnection);
}

void ReaderThreadTest::cleanup()
{
    if (m_reader) {
        m_reader->running = 0;
        QVERIFY(m_reader->wait(2000));
        m_reader.reset();
    }
    m_link.reset();
}

void ReaderThreadTest::replies_data()
{
    QTest::addColumn<Setup>("setup");
    QTest::addColumn<Send>("send");
    QTest::addColumn<QList<int>>("types");
    const Setup none = [](HeadsetFirmware&, SimulatedHidBackend&) {};
    QTest::newRow("audio reply") << none << Send(usbHidSend_ReadAudio) << QList<int>{20};
    QTest::newRow("surround state 16")
        << Setup([](HeadsetFirmware& f, SimulatedHidBackend&) { f.settings().stateByte = 16; })
        << Send(usbHidSend_ReadStatus) << QList<int>{1};
    QTest::newRow("stereo state 15")
        << Setup([](HeadsetFirmware& f, SimulatedHidBackend&) { f.settings().stateByte = 15; })
        << Send(usbHidSend_ReadStatus) << QList<int>{2};
    QTest::newRow("status with error")
        << Setup([](HeadsetFirmware& f, SimulatedHidBackend&) { f.faults().errorStatus = true; })
        << Send(usbHidSend_ReadStatus) << QList<int>{0};
    QTest::newRow("peq pair acknowledged") << none << Send([] {
        usbHidSend_SetPEQ(1, 0, 4, 3, EqGains{});
        usbHidSend_SetPEQ(1, 5, 9, 3, EqGains{});
    }) << QList<int>{21, 21};
    QTest::newRow("32-byte '$' reports") << Setup([](HeadsetFirmware& f, SimulatedHidBackend&) {
        f.faults().marker = '$';
        f.faults().reportSize = 32;
    }) << Send([] {
        usbHidSend_ReadAudio();
        usbHidSend_ReadStatus();
    }) << QList<int>{20, 1};
    QTest::newRow("version, mic and switch replies raise no signal") << none << Send([] {
        usbHidSend_ReadVersion();
        usbHidSend_SetMicVolume(20);
        usbHidSend_SetAlgorithmSwitch(1, 0, 1, 0);
        usbHidSend_ReadAudio();
    }) << QList<int>{20};
}

void ReaderThreadTest::replies()
{
    QFETCH(Setup, setup);
    QFETCH(Send, send);
    QFETCH(QList<int>, types);
    HeadsetFirmware& firmware = m_link->backend.firmware(m_unit);
    firmware.settings().stereoCapable = true;
    firmware.settings().surroundCapable = false;
    startReader();
    setup(firmware, m_link->backend);
    send();
    QTRY_COMPARE(m_window->types, types);

    if (types.contains(20)) {
        QCOMPARE(replyState.stereoTabFlag.load(), 1);
        QCOMPARE(replyState.surroundTabFlag.load(), 0);
    }
    if (types == QList<int>{21, 21}) {
        QCOMPARE(m_window->seen[1].first, 5);
        QCOMPARE(m_window->seen[1].last, 9);
    }
    if (types.contains(1) || types.contains(2))
        QCOMPARE(replyState.deviceIdentity.load(), (DeviceIdentity{0xde, 0xad, 0xbe, 0xef}));
}

void ReaderThreadTest::statusErrorKeepsTheIdentity()
{
    startReader();
    HeadsetFirmware& firmware = m_link->backend.firmware(m_unit);
    usbHidSend_ReadStatus();
    QTRY_COMPARE(m_window->types, QList<int>{1});

    firmware.settings().identity = {9, 9, 9, 9};
    firmware.faults().errorStatus = true;
    usbHidSend_ReadStatus();
    usbHidSend_SetPEQ(1, 5, 9, 3, EqGains{}); // an erroneous acknowledgement still counts
    QTRY_COMPARE(m_window->types, (QList<int>{1, 0, 21}));
    QCOMPARE(replyState.deviceIdentity.load(), (DeviceIdentity{0xde, 0xad, 0xbe, 0xef}));
    QCOMPARE(m_window->seen.last().first, 5);
    QCOMPARE(m_window->seen.last().last, 9);
}

void ReaderThreadTest::droppedRepliesLeaveNoTrace_data()
{
    QTest::addColumn<Setup>("fault");
    QTest::newRow("wrong checksum")
        << Setup([](HeadsetFirmware& f, SimulatedHidBackend&) { f.faults().badChecksum = true; });
    QTest::newRow("garbage report")
        << Setup([](HeadsetFirmware& f, SimulatedHidBackend&) { f.faults().garbage = true; });
    QTest::newRow("no reply") << Setup(
        [](HeadsetFirmware& f, SimulatedHidBackend&) { f.faults().silent = true; });
}

void ReaderThreadTest::droppedRepliesLeaveNoTrace()
{
    QFETCH(Setup, fault);
    startReader();
    HeadsetFirmware& firmware = m_link->backend.firmware(m_unit);
    fault(firmware, m_link->backend);
    usbHidSend_ReadStatus();
    usbHidSend_SetPEQ(1, 5, 9, 3, EqGains{});
    firmware.faults() = FirmwareFaults{};
    // Replies come in order: once the healthy one is here, the faulty ones
    // have been read and dropped.
    usbHidSend_ReadAudio();
    QTRY_COMPARE(m_window->types, QList<int>{20});
    QCOMPARE(replyState.deviceIdentity.load(), DeviceIdentity{});
    QCOMPARE(replyState.peqAckLast.load(), 0);
}

void ReaderThreadTest::delayedReplyStillArrives()
{
    startReader();
    m_link->backend.setReplyDelay(std::chrono::milliseconds(300));
    usbHidSend_ReadAudio();
    QTRY_COMPARE_WITH_TIMEOUT(m_window->types, QList<int>{20}, 5000);
}

void ReaderThreadTest::unplugEndsReadsAndTheLoopStopsOnRequest()
{
    startReader();
    usbHidSend_ReadAudio();
    QTRY_COMPARE(m_window->types, QList<int>{20});
    m_link->backend.unplug(m_unit);
    usbHidSend_ReadStatus();
    QCOMPARE(usbHidLastWriteResult(), 1);
    QVERIFY(m_reader->isRunning()); // errors alone do not end the loop
    m_reader->running = 0;
    QVERIFY(m_reader->wait(2000));
    usbHidCloseDevice();
    QCOMPARE(m_link->backend.openHandleCount(), 0);
    QCOMPARE(m_window->types, QList<int>{20});
}

QTEST_GUILESS_MAIN(ReaderThreadTest)
#include "tst_readerthread.moc"
