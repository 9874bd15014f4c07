// The device link on the kernel's hidraw driver, through hidapi, against the
// virtual headset: the reader thread reading on its handle while the GUI
// thread writes on the other, and the headset vanishing in the middle of it.

#include "HidapiBackend.h"
#include "MyThread.h"
#include "UhidHeadsetProcess.h"
#include "UsbHidOperation.h"
#include "WatchedBackend.h"

#include <QSemaphore>
#include <QtTest>

#include <memory>
#include <optional>

namespace {

constexpr uint16_t kProduct = 0x1054;
const QString kIdentity = QStringLiteral("0a1b2c3d");
constexpr DeviceIdentity kOtherIdentity{0x11, 0x22, 0x33, 0x44};
constexpr int kTrafficFrames = 200;
// Frames written but not yet acknowledged; the kernel's queues hold more.
constexpr int kFramesInFlight = 8;
constexpr int kReplyTimeoutMs = 5000;
// The reader leaves its loop within one pass (a 50 ms read and 1 ms).
constexpr int kReaderStopTimeoutMs = 1000;

QString identityHex(const DeviceIdentity& identity)
{
    return QByteArray(reinterpret_cast<const char*>(identity.data()), int(identity.size())).toHex();
}

// The n-th frame of the traffic: bands 0-4 and 5-9 in turn, gains that
// change with n, so every frame differs from the one before.
Report trafficFrame(int n)
{
    EqGains gains{};
    for (int band = 0; band < kBandCount; ++band)
        gains[band] = (n + band) % 25 - 12;
    const int first = n % 2 == 0 ? 0 : 5;
    return frame::setPeqCommand(1, first, first + 4, 3, gains, kProduct);
}

// The link's write result: 0 written, 1 refused.
int sendTrafficFrame(int n)
{
    linkState.txReport = trafficFrame(n);
    return usbHidWriteDevice(linkState.txReport.data());
}

QByteArray bytesOf(const Report& report)
{
    return QByteArray(reinterpret_cast<const char*>(report.data()),
                      frame::commandLength(report[0]));
}

} // namespace

class UhidLinkTest : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();
    void readerKeepsUpWhileTheGuiThreadWrites();
    void headsetVanishingUnderTrafficEndsReadsAndNothingHangs();

private:
    void openLink();
    void startReader();
    bool stopReader();

    Watched<HidapiBackend> m_backend;
    LinkContext m_link{m_backend};
    std::optional<LinkContextGuard> m_installed;
    std::unique_ptr<UhidHeadsetProcess> m_headset;
    std::unique_ptr<MyThread> m_reader;
    // One credit per frame that may still be written; each reply gives one back.
    QSemaphore m_credits;
    std::atomic<int> m_acknowledged{0};
};

void UhidLinkTest::initTestCase()
{
    // The link's own diagnostics would drown the test's output.
    QLoggingCategory::setFilterRules("velumix.*.debug=false");
}

void UhidLinkTest::init()
{
    m_installed.emplace(m_link);
    clearAcceptedProductIds();
    addAcceptedProductId(kProduct);
    m_headset = std::make_unique<UhidHeadsetProcess>();
    QVERIFY(m_headset->started());
    QVERIFY(!m_headset->plugIn(kProduct, kIdentity).isEmpty());
    openLink();
}

void UhidLinkTest::cleanup()
{
    stopReader();
    usbHidCloseDevice();
    QCOMPARE(m_backend.closesDuringRead(), 0);
    m_headset.reset();
    m_installed.reset();
}

void UhidLinkTest::openLink()
{
    QCOMPARE(usbHidOpenDevice(), 0);
    m_credits.acquire(m_credits.available());
    m_credits.release(kFramesInFlight);
    m_acknowledged = 0;
    startReader();
}

void UhidLinkTest::startReader()
{
    m_reader = std::make_unique<MyThread>();
    // Counted on the reader thread itself, the moment the reply is parsed.
    connect(
        m_reader.get(), &MyThread::sendReadAudio, m_reader.get(),
        [this](int type) {
            if (type == PeqAcknowledged) {
                ++m_acknowledged;
                m_credits.release();
            }
        },
        Qt::DirectConnection);
    m_reader->running = 1;
    m_reader->start();
}

bool UhidLinkTest::stopReader()
{
    if (!m_reader)
        return true;
    m_reader->running = 0;
    const bool stopped = m_reader->wait(kReaderStopTimeoutMs);
    if (stopped)
        m_reader.reset();
    return stopped;
}

void UhidLinkTest::readerKeepsUpWhileTheGuiThreadWrites()
{
    QList<QByteArray> written;
    for (int n = 0; n < kTrafficFrames; ++n) {
        QVERIFY2(m_credits.tryAcquire(1, kReplyTimeoutMs),
                 qPrintable(QStringLiteral("no reply to frame %1").arg(n - kFramesInFlight)));
        QCOMPARE(sendTrafficFrame(n), 0);
        written.append(bytesOf(trafficFrame(n)));
    }
    QTRY_COMPARE_WITH_TIMEOUT(m_acknowledged.load(), kTrafficFrames, kReplyTimeoutMs);

    // Every frame arrived whole and in order, and every reply was read.
    QTRY_COMPARE(m_headset->frames("TX", frame::SetPeq).size(), kTrafficFrames);
    QCOMPARE(m_headset->frames("TX", frame::SetPeq), written);
    QCOMPARE(m_headset->frames("RX", frame::SetPeq).size(), kTrafficFrames);
    QCOMPARE(m_backend.readErrors(), 0);
    // The last acknowledgement echoes the bands of the last frame.
    QCOMPARE(replyState.peqAckFirst.load(), 5);
    QCOMPARE(replyState.peqAckLast.load(), 9);
}

void UhidLinkTest::headsetVanishingUnderTrafficEndsReadsAndNothingHangs()
{
    int n = 0;
    for (; n < kTrafficFrames / 2; ++n) {
        QVERIFY(m_credits.tryAcquire(1, kReplyTimeoutMs));
        QCOMPARE(sendTrafficFrame(n), 0);
    }
    m_headset->command("destroy");
    // The GUI thread writes on until the kernel refuses: the device is gone.
    QDeadlineTimer deadline(kReplyTimeoutMs);
    int result = 0;
    while (result == 0 && !deadline.hasExpired()) {
        static_cast<void>(m_credits.tryAcquire(1, 1)); // paces the writes while replies come
        result = sendTrafficFrame(n++);
    }
    QCOMPARE(result, 1);
    QVERIFY(!m_headset->waitForLine("destroyed").isEmpty());

    // The reader's reads now end in an error; it keeps going until told to stop.
    QTRY_VERIFY_WITH_TIMEOUT(m_backend.readErrors() > 0, kReplyTimeoutMs);
    QVERIFY(m_reader->isRunning());
    QVERIFY2(stopReader(), "the reader thread did not leave its loop");
    usbHidCloseDevice();
    QCOMPARE(m_backend.closesDuringRead(), 0);

    // Another unit plugged in is taken over, and its status is read.
    QVERIFY(!m_headset->plugIn(kProduct, identityHex(kOtherIdentity)).isEmpty());
    openLink();
    usbHidSend_ReadStatus();
    QCOMPARE(usbHidLastWriteResult(), 0);
    QTRY_COMPARE_WITH_TIMEOUT(replyState.deviceIdentity.load(), kOtherIdentity, kReplyTimeoutMs);
}

QTEST_GUILESS_MAIN(UhidLinkTest)
#include "tst_uhidlink.moc"
