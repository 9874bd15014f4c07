// The hidraw back end's own I/O, on nodes every machine has: a named pipe
// stands in for a hidraw node (one write, one report), /dev/full for a node
// that refuses writes. The kernel's hidraw driver itself is tested in the
// guest (tests/vm).

#include "Frames.h"
#include "HidrawBackend.h"

#include <QTemporaryDir>
#include <QtTest>

#include <poll.h>
#include <sys/stat.h>

#include <memory>

namespace {

bool readableNow(int descriptor)
{
    pollfd watched{descriptor, POLLIN, 0};
    return poll(&watched, 1, 0) == 1 && (watched.revents & POLLIN);
}

HidDeviceInfo node(const QString& path)
{
    return {path.toStdString(), kHeadsetVendorId, 0x1054, 3, 0xFF00};
}

} // namespace

class HidrawBackendTest : public QObject
{
    Q_OBJECT
private slots:
    void missingNodeIsRefusedWithTheReason();
    void reportsComeWithoutWaiting();
    void refusedWriteKeepsTheReason();
};

void HidrawBackendTest::missingNodeIsRefusedWithTheReason()
{
    HidrawBackend backend;
    std::string error;
    QVERIFY(!backend.open(node("/nonexistent/hidraw9"), error));
    QCOMPARE(error, std::string("No such file or directory"));
}

void HidrawBackendTest::reportsComeWithoutWaiting()
{
    QTemporaryDir folder;
    QVERIFY(folder.isValid());
    const QString path = folder.filePath("hidraw0");
    QCOMPARE(mkfifo(QFile::encodeName(path).constData(), 0600), 0);
    HidrawBackend backend;
    std::string error;
    HidDevice* device = backend.open(node(path), error);
    QVERIFY2(device, error.c_str());
    const int descriptor = backend.readableDescriptor(device);
    Report report{};

    QCOMPARE(backend.read(device, report.data(), report.size()), 0);
    QVERIFY(!readableNow(descriptor));
    const Report sent = frame::readAudioCommand();
    QCOMPARE(backend.write(device, sent.data(), kReportSize), kReportSize);
    QVERIFY(readableNow(descriptor));
    QCOMPARE(backend.read(device, report.data(), report.size()), kReportSize);
    QCOMPARE(report, sent);
    QVERIFY(!readableNow(descriptor));
    QCOMPARE(backend.read(device, report.data(), report.size()), 0);
    QCOMPARE(device->lastError(), std::string());
    backend.close(device);
}

void HidrawBackendTest::refusedWriteKeepsTheReason()
{
    HidrawBackend backend;
    std::string error;
    HidDevice* device = backend.open(node("/dev/full"), error);
    QVERIFY2(device, error.c_str());
    const Report sent = frame::readStatusCommand();
    QCOMPARE(backend.write(device, sent.data(), kReportSize), -1);
    QCOMPARE(device->lastError(), std::string("No space left on device"));
    backend.close(device);
}

QTEST_GUILESS_MAIN(HidrawBackendTest)
#include "tst_hidrawbackend.moc"
