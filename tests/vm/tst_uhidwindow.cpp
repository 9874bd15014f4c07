// The window following the virtual headset through libudev on the real
// kernel, once with the udev daemon running (the "udev" monitor) and once
// without it (the "kernel" monitor): start screen without a headset, main
// screen and status exchange when it comes, start screen again when it goes
// in the middle of traffic, and a second unit loading its own user file.

#include "HidrawBackend.h"
#include "LogRecorder.h"
#include "MessageBoxRecorder.h"
#include "UdevHotplugSource.h"
#include "UhidHeadsetProcess.h"
#include "WindowRig.h"

#include <QFile>
#include <QMutex>
#include <QSignalSpy>
#include <QTimer>
#include <QtTest>

#include <memory>
#include <optional>

namespace {

constexpr uint16_t kProduct = 0x1054;
const QString kFirstUnitDigits = QStringLiteral("0a1b2c3d");
const QString kSecondUnitDigits = QStringLiteral("11223344");
const char kUdevDaemon[] = "/lib/systemd/systemd-udevd";
// udev_queue_get_udev_is_active() looks for the daemon's control socket.
const char kUdevControlSocket[] = "/run/udev/control";
constexpr int kTimeoutMs = 10000;
constexpr int kClickIntervalMs = 15;

// The udev daemon of the host's root, for as long as the object lives.
class UdevDaemon
{
public:
    bool start()
    {
        m_process.setProcessChannelMode(QProcess::ForwardedChannels);
        m_process.start(kUdevDaemon, QStringList());
        return QTest::qWaitFor([] { return QFile::exists(kUdevControlSocket); }, kTimeoutMs);
    }
    ~UdevDaemon()
    {
        if (m_process.state() == QProcess::NotRunning)
            return;
        m_process.terminate();
        m_process.waitForFinished();
        // The daemon leaves its socket behind, which would still tell libudev
        // that a daemon runs.
        QFile::remove(kUdevControlSocket);
    }

private:
    QProcess m_process;
};

bool userFileOfUnit(const HeadsetSession& session, const QString& identity)
{
    const QString file = session.unit().userFile;
    return session.unitKnown() && file.endsWith("UUID-" + identity + ".json") &&
           QFile::exists(file);
}

} // namespace

class UhidWindowTest : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanup();
    void cleanupTestCase();
    void windowFollowsTheHeadset_data();
    void windowFollowsTheHeadset();

private:
    HidrawBackend m_backend;
    MessageBoxRecorder m_boxRecorder;
};

void UhidWindowTest::initTestCase()
{
    if (QFile::exists(kUdevControlSocket))
        QSKIP("a udev daemon is running already; the test starts and stops its own");
}

void UhidWindowTest::cleanup()
{
    m_boxRecorder.clear();
}

void UhidWindowTest::cleanupTestCase() {}

void UhidWindowTest::windowFollowsTheHeadset_data()
{
    QTest::addColumn<bool>("withDaemon");
    QTest::addColumn<QString>("monitor");
    QTest::newRow("kernel events, no udev daemon") << false << "kernel";
    QTest::newRow("udev daemon") << true << "udev";
}

void UhidWindowTest::windowFollowsTheHeadset()
{
    QFETCH(bool, withDaemon);
    QFETCH(QString, monitor);
    UdevDaemon daemon;
    if (withDaemon)
        QVERIFY(daemon.start());
    LogRecorder log;
    UhidHeadsetProcess headset;
    QVERIFY(headset.started());

    // As the program builds them.
    UdevHotplugSource source(UdevHotplugSource::Monitor::Automatic);
    HeadsetSession session(m_backend, &source, programSessionOptions());
    auto window = std::make_unique<Velumix>(session);
    window->startSession();
    QCOMPARE(source.monitorName(), monitor);
    QVERIFY(startScreenInFront(*window));
    const QSignalSpy closed(&session, &HeadsetSession::unplugged);

    // The headset comes: main screen, the status exchange, the unit's file.
    QVERIFY(!headset.plugIn(kProduct, kFirstUnitDigits).isEmpty());
    QTRY_VERIFY_WITH_TIMEOUT(mainScreenInFront(*window), kTimeoutMs);
    QTRY_VERIFY_WITH_TIMEOUT(!headset.frames("RX", frame::ReadStatus).isEmpty(), kTimeoutMs);
    QCOMPARE(headset.frames("TX", frame::ReadStatus).size(), 1);
    QTRY_VERIFY_WITH_TIMEOUT(userFileOfUnit(session, kFirstUnitDigits), kTimeoutMs);
    QVERIFY(!headset.lines().contains("controls opened")); // only the vendor-defined interface

    // Traffic: presets chosen one after another, each sent as two PEQ frames.
    QTimer clicker;
    bool jazz = false;
    connect(&clicker, &QTimer::timeout, window.get(), [&] {
        jazz = !jazz;
        (jazz ? window->ui.radioButton_Stereo_Jazz : window->ui.radioButton_Stereo_Pop)->click();
    });
    const int peqFramesBefore = headset.frames("TX", frame::SetPeq).size();
    clicker.start(kClickIntervalMs);
    QTRY_VERIFY_WITH_TIMEOUT(headset.frames("RX", frame::SetPeq).size() >= peqFramesBefore + 20,
                             kTimeoutMs);

    // Pulled out in the middle of it: start screen, the link closed once.
    headset.command("destroy");
    QTRY_VERIFY_WITH_TIMEOUT(startScreenInFront(*window), kTimeoutMs);
    QTRY_VERIFY_WITH_TIMEOUT(!session.isOpen(), kTimeoutMs);
    clicker.stop();
    QVERIFY(!headset.waitForLine("destroyed").isEmpty());
    // Presets chosen without a headset only ask for one.
    m_boxRecorder.discard("warning: Please Insert Device!");
    QVERIFY2(m_boxRecorder.boxes().isEmpty(), qPrintable(m_boxRecorder.boxes().join('\n')));
    QCOMPARE(closed.count(), 1);

    // Another unit: main screen again, its own user file, "Device Change!".
    QVERIFY(!headset.plugIn(kProduct, kSecondUnitDigits).isEmpty());
    QTRY_VERIFY_WITH_TIMEOUT(mainScreenInFront(*window), kTimeoutMs);
    QTRY_VERIFY_WITH_TIMEOUT(userFileOfUnit(session, kSecondUnitDigits), kTimeoutMs);
    QVERIFY2(m_boxRecorder.boxes() == QStringList{"prompt: Device Change!"},
             qPrintable(m_boxRecorder.boxes().join('\n')));
}

QTEST_MAIN(UhidWindowTest)
#include "tst_uhidwindow.moc"
