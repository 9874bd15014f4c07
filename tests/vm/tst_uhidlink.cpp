// The headset link on the kernel's hidraw driver, against the virtual
// headset: replies read when the event loop sees the node readable while
// frames keep going out, the headset vanishing in the middle of it, and
// another unit taken over after it.

#include "HeadsetLink.h"
#include "HidrawBackend.h"
#include "UhidHeadsetProcess.h"

#include <QSignalSpy>
#include <QtTest>

#include <memory>

namespace {

constexpr uint16_t kProduct = 0x1054;
const QString kIdentity = QStringLiteral("0a1b2c3d");
constexpr DeviceIdentity kOtherIdentity{0x11, 0x22, 0x33, 0x44};
constexpr int kTrafficFrames = 200;
// Frames written but not yet acknowledged; the kernel's queues hold more.
constexpr int kFramesInFlight = 8;
constexpr int kReplyTimeoutMs = 5000;

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

// How often this thread has given up the processor to wait, by the kernel's
// count: once per wake-up of an event loop that has nothing to do.
long waitsOfThisThread()
{
    QFile status(QStringLiteral("/proc/thread-self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray key = "voluntary_ctxt_switches:";
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith(key))
            return line.mid(key.size()).trimmed().toLong();
    }
    return -1;
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
    void repliesKeepUpWhileFramesGoOut();
    void headsetVanishingUnderTrafficLosesTheLinkAtOnce();
    void headsetVanishingWhileIdleIsNoticedAtOnce();
    void idleLinkWaitsUntilTheHeadsetSpeaks();

private:
    // Sends the traffic's frames, at most kFramesInFlight unacknowledged,
    // each next one when an acknowledgement comes; stops after `count`.
    void startTraffic(int count);
    void sendTrafficFrame();

    HidrawBackend m_backend;
    std::unique_ptr<HeadsetLink> m_link;
    std::unique_ptr<UhidHeadsetProcess> m_headset;
    int m_sent = 0;
    int m_acknowledged = 0;
    int m_trafficEnd = 0;
    int m_refused = 0;
    QList<QByteArray> m_written;
};

void UhidLinkTest::initTestCase()
{
    // The link's own diagnostics would drown the test's output.
    QLoggingCategory::setFilterRules("velumix.*.debug=false");
}

void UhidLinkTest::init()
{
    m_link = std::make_unique<HeadsetLink>(m_backend);
    m_link->setAcceptedProductIds({kProduct});
    m_sent = m_acknowledged = m_trafficEnd = m_refused = 0;
    m_written.clear();
    connect(m_link.get(), &HeadsetLink::peqAcknowledged, this, [this] {
        ++m_acknowledged;
        sendTrafficFrame();
    });
    m_headset = std::make_unique<UhidHeadsetProcess>();
    QVERIFY(m_headset->started());
    QVERIFY(!m_headset->plugIn(kProduct, kIdentity).isEmpty());
    QVERIFY(m_link->open().ok());
}

void UhidLinkTest::cleanup()
{
    m_link.reset();
    m_headset.reset();
}

void UhidLinkTest::startTraffic(int count)
{
    m_trafficEnd = m_sent + count;
    for (int n = 0; n < kFramesInFlight; ++n)
        sendTrafficFrame();
}

void UhidLinkTest::sendTrafficFrame()
{
    if (m_sent == m_trafficEnd)
        return;
    const Report next = trafficFrame(m_sent++);
    if (m_link->send(next).ok())
        m_written.append(bytesOf(next));
    else
        ++m_refused;
}

void UhidLinkTest::repliesKeepUpWhileFramesGoOut()
{
    QSignalSpy lastBands(m_link.get(), &HeadsetLink::peqAcknowledged);
    startTraffic(kTrafficFrames);
    QTRY_COMPARE_WITH_TIMEOUT(m_acknowledged, kTrafficFrames, kReplyTimeoutMs);

    // Every frame arrived whole and in order, and every reply was read.
    QTRY_COMPARE(m_headset->frames("TX", frame::SetPeq).size(), kTrafficFrames);
    QCOMPARE(m_headset->frames("TX", frame::SetPeq), m_written);
    QCOMPARE(m_headset->frames("RX", frame::SetPeq).size(), kTrafficFrames);
    QCOMPARE(m_refused, 0);
    QCOMPARE(m_link->awaitedReplies(frame::SetPeq), 0);
    QVERIFY(m_link->isOpen());
    // The last acknowledgement echoes the bands of the last frame.
    QCOMPARE(lastBands.last(), (QList<QVariant>{5, 9}));
}

void UhidLinkTest::headsetVanishingUnderTrafficLosesTheLinkAtOnce()
{
    QSignalSpy lost(m_link.get(), &HeadsetLink::lost);
    startTraffic(kTrafficFrames);
    QTRY_VERIFY_WITH_TIMEOUT(m_acknowledged >= kTrafficFrames / 2, kReplyTimeoutMs);
    // Frames written meanwhile may be refused: the headset is going.
    m_headset->command("destroy");
    QVERIFY(lost.wait(kReplyTimeoutMs));
    QVERIFY(!m_link->isOpen());
    QCOMPARE(m_link->readStatus().outcome, LinkWritten::NotOpen);
    QVERIFY(!m_headset->waitForLine("destroyed").isEmpty());

    // Another unit plugged in is taken over, and its status is read.
    QVERIFY(!m_headset->plugIn(kProduct, identityHex(kOtherIdentity)).isEmpty());
    QVERIFY(m_link->open().ok());
    QSignalSpy status(m_link.get(), &HeadsetLink::statusReported);
    QVERIFY(m_link->readStatus().ok());
    QVERIFY(status.wait(kReplyTimeoutMs));
    QCOMPARE(status.last().first().value<HeadsetStatus>().identity, kOtherIdentity);
}

void UhidLinkTest::headsetVanishingWhileIdleIsNoticedAtOnce()
{
    QSignalSpy version(m_link.get(), &HeadsetLink::versionReported);
    QVERIFY(version.wait(kReplyTimeoutMs)); // the open's question, answered
    QSignalSpy lost(m_link.get(), &HeadsetLink::lost);
    QVERIFY(m_headset->pullOut());
    // Without a single write: the kernel tells the waiting event loop.
    QTRY_COMPARE_WITH_TIMEOUT(lost.count(), 1, kReplyTimeoutMs);
    QVERIFY(!m_link->isOpen());
    QVERIFY(!lost.first().first().toString().isEmpty());
}

void UhidLinkTest::idleLinkWaitsUntilTheHeadsetSpeaks()
{
    QSignalSpy handled(m_link.get(), &HeadsetLink::replyHandled);
    QVERIFY(handled.wait(kReplyTimeoutMs)); // the open's question, answered
    handled.clear();
    const long waitsBefore = waitsOfThisThread();
    QEventLoop idle;
    QTimer::singleShot(1000, &idle, &QEventLoop::quit);
    idle.exec();
    // A figure for the bench, not a check: the second's own timer is one.
    qInfo("wake-ups in an idle second with the headset open: %ld",
          waitsOfThisThread() - waitsBefore);
    QCOMPARE(handled.count(), 0);
    QVERIFY(m_link->isOpen());

    QVERIFY(m_link->readStatus().ok());
    QVERIFY(handled.wait(kReplyTimeoutMs));
}

QTEST_GUILESS_MAIN(UhidLinkTest)
#include "tst_uhidlink.moc"
