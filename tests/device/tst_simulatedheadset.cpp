// The simulated back end keeps the promise of a hidraw node: its descriptor
// is readable exactly while a report is due or the unit is gone, so that a
// program watching it wakes only then, and reads never wait.

#include "SimulatedHeadset.h"

#include <QtTest>

#include <poll.h>

#include <chrono>
#include <functional>

namespace {

constexpr uint16_t kProduct = 0x1054;

struct Opened
{
    SimulatedHidBackend& backend;
    int unit;
    HidDevice* handle;

    void ask(const Report& command) const
    {
        QCOMPARE(backend.write(handle, command.data(), size_t(frame::commandLength(command[0]))),
                 frame::commandLength(command[0]));
    }
};

using Prepare = std::function<void(const Opened&)>;

bool readableWithin(int descriptor, int milliseconds)
{
    pollfd watched{descriptor, POLLIN, 0};
    return poll(&watched, 1, milliseconds) == 1 && (watched.revents & POLLIN);
}

bool readableNow(int descriptor)
{
    return readableWithin(descriptor, 0);
}

// The timer of a report due now expires a moment after it was set, not
// before the write returns.
bool readableSoon(int descriptor)
{
    return readableWithin(descriptor, 5000);
}

HidDevice* openVendorInterface(SimulatedHidBackend& backend, std::string& error)
{
    const std::vector<HidDeviceInfo> found = backend.enumerate(0x3206, kProduct);
    return found.empty() ? nullptr : backend.open(found.back(), error);
}

} // namespace

Q_DECLARE_METATYPE(Prepare)

class SimulatedHeadsetTest : public QObject
{
    Q_OBJECT
private slots:
    void descriptorIsReadableExactlyWhileSomethingIsDue_data();
    void descriptorIsReadableExactlyWhileSomethingIsDue();
    void openRefusalsGiveTheReason();
    void handlesOfAnEarlierPlugInStayGone();
};

void SimulatedHeadsetTest::descriptorIsReadableExactlyWhileSomethingIsDue_data()
{
    using namespace std::chrono_literals;
    QTest::addColumn<Prepare>("prepare");
    QTest::addColumn<bool>("readable");
    QTest::addColumn<int>("read"); // what a read returns then

    QTest::newRow("just opened") << Prepare([](const Opened&) {}) << false << 0;
    QTest::newRow("reply due") << Prepare([](const Opened& o) { o.ask(frame::readAudioCommand()); })
                               << true << kReportSize;
    QTest::newRow("reply read") << Prepare([](const Opened& o) {
        o.ask(frame::readAudioCommand());
        Report reply;
        QCOMPARE(o.backend.read(o.handle, reply.data(), reply.size()), kReportSize);
    }) << false << 0;
    QTest::newRow("one of two replies read") << Prepare([](const Opened& o) {
        o.ask(frame::readAudioCommand());
        o.ask(frame::readStatusCommand());
        Report reply;
        QCOMPARE(o.backend.read(o.handle, reply.data(), reply.size()), kReportSize);
    }) << true << kReportSize;
    QTest::newRow("no reply coming") << Prepare([](const Opened& o) {
        o.backend.firmware(o.unit).faults().silent = true;
        o.ask(frame::readAudioCommand());
    }) << false << 0;
    QTest::newRow("reply not due yet") << Prepare([](const Opened& o) {
        o.backend.setReplyDelay(1h);
        o.ask(frame::readAudioCommand());
    }) << false << 0;
    QTest::newRow("short reply due") << Prepare([](const Opened& o) {
        o.backend.firmware(o.unit).faults().reportSize = kShortReportSize;
        o.ask(frame::readStatusCommand());
    }) << true << kShortReportSize;
    QTest::newRow("pulled out") << Prepare([](const Opened& o) { o.backend.unplug(o.unit); })
                                << true << -1;
    QTest::newRow("pulled out with a reply due") << Prepare([](const Opened& o) {
        o.ask(frame::readAudioCommand());
        o.backend.unplug(o.unit);
    }) << true << -1;
}

void SimulatedHeadsetTest::descriptorIsReadableExactlyWhileSomethingIsDue()
{
    QFETCH(Prepare, prepare);
    QFETCH(bool, readable);
    QFETCH(int, read);
    SimulatedHidBackend backend;
    const int unit = backend.addHeadset(HeadsetSettings{});
    std::string error;
    HidDevice* handle = openVendorInterface(backend, error);
    QVERIFY(handle);
    prepare({backend, unit, handle});

    const int descriptor = backend.readableDescriptor(handle);
    QCOMPARE(readable ? readableSoon(descriptor) : readableNow(descriptor), readable);
    Report report;
    QCOMPARE(backend.read(handle, report.data(), report.size()), read);
    if (read < 0) {
        QCOMPARE(handle->lastError(), std::string("No such device"));
        QVERIFY(readableSoon(descriptor)); // a gone unit stays readable, as hidraw does
    }
    backend.close(handle);
}

void SimulatedHeadsetTest::openRefusalsGiveTheReason()
{
    SimulatedHidBackend backend;
    const int unit = backend.addHeadset(HeadsetSettings{});
    const HidDeviceInfo vendorInterface = backend.enumerate(0x3206, kProduct).back();
    std::string error;

    backend.setOpenFails(true);
    QVERIFY(!backend.open(vendorInterface, error));
    QCOMPARE(error, std::string("Permission denied"));
    backend.setOpenFails(false);
    backend.unplug(unit);
    QVERIFY(!backend.open(vendorInterface, error));
    QCOMPARE(error, std::string("No such device"));
    QCOMPARE(backend.openHandleCount(), 0);
}

void SimulatedHeadsetTest::handlesOfAnEarlierPlugInStayGone()
{
    SimulatedHidBackend backend;
    const int unit = backend.addHeadset(HeadsetSettings{});
    std::string error;
    HidDevice* before = openVendorInterface(backend, error);
    QVERIFY(before);
    backend.unplug(unit);
    backend.plug(unit);
    HidDevice* after = openVendorInterface(backend, error);
    QVERIFY(after);
    const Opened replugged{backend, unit, after};
    replugged.ask(frame::readAudioCommand());

    Report report;
    QCOMPARE(backend.read(before, report.data(), report.size()), -1);
    QVERIFY(readableSoon(backend.readableDescriptor(before)));
    QCOMPARE(backend.read(after, report.data(), report.size()), kReportSize);
    QVERIFY(!readableNow(backend.readableDescriptor(after)));
    backend.close(before);
    backend.close(after);
    QCOMPARE(backend.openHandleCount(), 0);
}

QTEST_GUILESS_MAIN(SimulatedHeadsetTest)
#include "tst_simulatedheadset.moc"
