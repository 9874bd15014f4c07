// Opening the headset, writing frames and the command procedure, against the
// simulated headset.

#include "LogRecorder.h"
#include "SimulatedLink.h"
#include "TraceLog.h"

#include <QtTest>

namespace {

std::vector<uint8_t> asVector(const Report& report, int length)
{
    return std::vector<uint8_t>(report.begin(), report.begin() + length);
}

// A headset whose write call returns a chosen count, whatever was asked for.
class FixedWriteResultBackend : public SimulatedHidBackend
{
public:
    int result = 0;
    int write(HidDevice*, const uint8_t*, size_t) override { return result; }
};

} // namespace

class LinkTest : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void opensOnlyTheVendorInterfaceOfAcceptedProducts_data();
    void opensOnlyTheVendorInterfaceOfAcceptedProducts();
    void lastMatchingHeadsetWins();
    void openKeepsSeparateReadAndWriteHandles();
    void openWhileOpenLeavesTheLinkAlone();
    void failedOpenLeavesTheLinkClosed();
    void acceptedTableKeepsEachProductOnceWithoutACap();
    void writeSendsTheLengthOfTheSelector_data();
    void writeSendsTheLengthOfTheSelector();
    void writeResultCounts_data();
    void writeResultCounts();
    void commandsWithoutHeadsetSendNothing_data();
    void commandsWithoutHeadsetSendNothing();
    void commandsWriteTheirTraceRecords();
    void onlyRepliesToItsOwnCommandsAreHandled();
};

void LinkTest::initTestCase()
{
    QLoggingCategory::setFilterRules("velumix.trace.debug=false");
}

void LinkTest::opensOnlyTheVendorInterfaceOfAcceptedProducts_data()
{
    QTest::addColumn<QList<uint>>("accepted");
    QTest::addColumn<uint>("vendorId");
    QTest::addColumn<uint>("usagePage");
    QTest::addColumn<int>("result");
    QTest::newRow("accepted headset") << QList<uint>{0x1054} << 0x3206u << 0xFF00u << 0;
    QTest::newRow("any vendor-defined page") << QList<uint>{0x1054} << 0x3206u << 0xFFA0u << 0;
    QTest::newRow("empty accepted table") << QList<uint>{} << 0x3206u << 0xFF00u << -2;
    QTest::newRow("product not accepted") << QList<uint>{0x1029} << 0x3206u << 0xFF00u << -2;
    QTest::newRow("ordinary usage page") << QList<uint>{0x1054} << 0x3206u << 0xFEFFu << -2;
    QTest::newRow("other vendor") << QList<uint>{0x1054} << 0x1234u << 0xFF00u << -2;
}

void LinkTest::opensOnlyTheVendorInterfaceOfAcceptedProducts()
{
    QFETCH(QList<uint>, accepted);
    QFETCH(uint, vendorId);
    QFETCH(uint, usagePage);
    QFETCH(int, result);
    SimulatedLink link({});
    for (uint id : accepted)
        addAcceptedProductId(static_cast<uint16_t>(id));
    HeadsetSettings settings;
    link.backend.addHeadset(settings, {{0, 0x000C}, {3, static_cast<uint16_t>(usagePage)}},
                            static_cast<uint16_t>(vendorId));

    QCOMPARE(usbHidOpenDevice(), result);
    QCOMPARE(linkState.deviceOpened, result == 0 ? 1 : 0);
    QCOMPARE(link.backend.openHandleCount(), result == 0 ? 2 : 0);
    // Only the vendor-defined interface ever receives a frame.
    for (const auto& frame : link.backend.receivedFrames())
        QCOMPARE(frame.bytes.size(), size_t(32));
}

void LinkTest::lastMatchingHeadsetWins()
{
    SimulatedLink link({0x1054, 0x1029});
    link.addHeadset(0x1054);
    const int second = link.addHeadset(0x1029);
    QCOMPARE(usbHidOpenDevice(), 0);
    QCOMPARE(linkState.connectedVendorId, uint16_t(0x3206));
    QCOMPARE(linkState.connectedProductId, uint16_t(0x1029));
    QCOMPARE(usbHidLastMatchedPath(), link.backend.interfacePaths(second).back());
    // The open asks for the version: a 32-byte 'N' report.
    QCOMPARE(link.frames(), {asVector(frame::readVersionCommand(), 32)});
}

void LinkTest::openKeepsSeparateReadAndWriteHandles()
{
    SimulatedLink link;
    link.addHeadset();
    QCOMPARE(usbHidOpenDevice(), 0);
    QVERIFY(linkState.deviceHandle.load());
    QVERIFY(linkState.readHandle.load());
    QVERIFY(linkState.deviceHandle.load() != linkState.readHandle.load());
    usbHidCloseDevice();
    QCOMPARE(link.backend.openHandleCount(), 0);
    QCOMPARE(linkState.deviceOpened, 0);
    QVERIFY(!linkState.deviceHandle.load());
}

void LinkTest::openWhileOpenLeavesTheLinkAlone()
{
    SimulatedLink link;
    link.addHeadset();
    QCOMPARE(usbHidOpenDevice(), 0);
    HidDevice* handle = linkState.deviceHandle;
    QTest::ignoreMessage(QtDebugMsg, "Please Insert USB Device!");
    QCOMPARE(usbHidOpenDevice(), -2);
    QCOMPARE(linkState.deviceHandle.load(), handle);
    QCOMPARE(linkState.deviceOpened, 1);
    QCOMPARE(link.backend.openHandleCount(), 2);
}

void LinkTest::failedOpenLeavesTheLinkClosed()
{
    SimulatedLink link;
    link.addHeadset();
    link.backend.setOpenFails(true);
    QTest::ignoreMessage(QtDebugMsg, "Open Device Fail!");
    QCOMPARE(usbHidOpenDevice(), -1);
    QCOMPARE(linkState.deviceOpened, 0);
    QVERIFY(!linkState.deviceHandle.load());
    QVERIFY(link.frames().empty());
    // The person is told why, as the HID library words it.
    QCOMPARE(usbHidLastOpenError(), std::string("Permission denied"));

    link.backend.setOpenFails(false);
    QCOMPARE(usbHidOpenDevice(), int(OpenSucceeded));
    QCOMPARE(usbHidLastOpenError(), std::string());
}

void LinkTest::acceptedTableKeepsEachProductOnceWithoutACap()
{
    SimulatedLink link({});
    const LogRecorder log;
    addAcceptedProductId(0x1054);
    addAcceptedProductId(0x1054);
    QCOMPARE(linkState.acceptedProductIds.size(), size_t(1));
    for (uint16_t id = 1; id <= 1000; ++id)
        addAcceptedProductId(id);
    QCOMPARE(linkState.acceptedProductIds.size(), size_t(1001));
    QCOMPARE(linkState.acceptedProductIds[1000], uint16_t(1000));
    // A product already in the table is still accepted, without a word.
    addAcceptedProductId(0x1054);
    QCOMPARE(linkState.acceptedProductIds.size(), size_t(1001));
    QCOMPARE(log.warningsMatching("not accepted"), QStringList());
    QVERIFY(usbHidInterfaceMatches({"path", kHeadsetVendorId, 99, 3, 0xFF00}));
    QVERIFY(usbHidInterfaceMatches({"path", kHeadsetVendorId, 1000, 3, 0xFF00}));
    QVERIFY(!usbHidInterfaceMatches({"path", kHeadsetVendorId, 1001, 3, 0xFF00}));
}

void LinkTest::writeSendsTheLengthOfTheSelector_data()
{
    QTest::addColumn<int>("selector");
    QTest::addColumn<int>("result");
    QTest::addColumn<int>("bytesSent");
    QTest::newRow("'N' sends 32") << int('N') << 0 << 32;
    QTest::newRow("'O' sends 64") << int('O') << 0 << 64;
    QTest::newRow("other selector sends nothing") << int('#') << 2 << 0;
}

void LinkTest::writeSendsTheLengthOfTheSelector()
{
    QFETCH(int, selector);
    QFETCH(int, result);
    QFETCH(int, bytesSent);
    SimulatedLink link;
    link.addHeadset();
    QCOMPARE(usbHidOpenDevice(), 0);
    link.backend.clearReceivedFrames();
    Report frame{};
    frame[0] = static_cast<uint8_t>(selector);
    QCOMPARE(usbHidWriteDevice(frame.data()), result);
    const auto frames = link.frames();
    QCOMPARE(frames.size(), size_t(bytesSent ? 1 : 0));
    if (bytesSent)
        QCOMPARE(frames.front().size(), size_t(bytesSent));
}

void LinkTest::writeResultCounts_data()
{
    QTest::addColumn<int>("written");
    QTest::addColumn<int>("result");
    QTest::newRow("32 bytes") << 32 << 0;
    QTest::newRow("64 bytes for a 32-byte frame") << 64 << 0;
    QTest::newRow("short write") << 31 << 1;
    QTest::newRow("nothing") << 0 << 1;
    QTest::newRow("error") << -1 << 1;
}

void LinkTest::writeResultCounts()
{
    QFETCH(int, written);
    QFETCH(int, result);
    FixedWriteResultBackend backend;
    LinkContext link(backend);
    const LinkContextGuard installed(link);
    clearAcceptedProductIds();
    addAcceptedProductId(0x1054);
    backend.addHeadset(HeadsetSettings{});
    QCOMPARE(usbHidOpenDevice(), 0);
    backend.result = written;
    QCOMPARE(usbHidWriteDevice(frame::readVersionCommand().data()), result);
    QCOMPARE(linkState.deviceOpened, 1); // a failed write keeps the link open
    QCOMPARE(usbHidWriteDevice(nullptr), 2);
    usbHidCloseDevice();
}

void LinkTest::commandsWithoutHeadsetSendNothing_data()
{
    QTest::addColumn<int>("command");
    QTest::addColumn<QString>("line");
    QTest::newRow("version") << 0 << "[Send - ReadVersion::Device Not Open!]";
    QTest::newRow("audio") << 1 << "[Send - ReadAudio::Device Not Open!]";
    QTest::newRow("status") << 2 << "[Send - ReadStatus::Device Not Open!]";
    QTest::newRow("mic volume") << 3 << "[Send - SetMicVolume::Device Not Open!]";
    QTest::newRow("switch") << 4 << "[Send - SetSwitch::Device Not Open!]";
    QTest::newRow("peq") << 5 << "[Send - SetPEQ::Device Not Open!]";
}

void LinkTest::commandsWithoutHeadsetSendNothing()
{
    QFETCH(int, command);
    QFETCH(QString, line);
    SimulatedLink link;
    link.addHeadset(); // plugged in, but the link is not open
    const std::function<void()> commands[] = {
        usbHidSend_ReadVersion,
        usbHidSend_ReadAudio,
        usbHidSend_ReadStatus,
        [] { usbHidSend_SetMicVolume(100); },
        [] { usbHidSend_SetAlgorithmSwitch(1, 0, 1, 0); },
        [] { usbHidSend_SetPEQ(1, 0, 4, 3, EqGains{}); },
    };
    QTest::ignoreMessage(QtDebugMsg, qPrintable(line));
    commands[command]();
    QCOMPARE(usbHidLastWriteResult(), 2);
    QVERIFY(link.frames().empty());
}

void LinkTest::commandsWriteTheirTraceRecords()
{
    QLoggingCategory::setFilterRules("velumix.*.debug=false");
    initTraceLog();
    SimulatedLink link;
    link.addHeadset();
    QCOMPARE(usbHidOpenDevice(), 0);
    QFile log(traceLogFilePath());
    QVERIFY(log.open(QIODevice::ReadOnly));
    log.readAll(); // what the open wrote
    usbHidSend_SetMicVolume(40);
    link.backend.setWriteFails(true);
    usbHidSend_SetPEQ(1, 0, 4, 3, EqGains{});

    QStringList records = QString::fromLatin1(log.readAll()).split('\n', Qt::SkipEmptyParts);
    static const QRegularExpression lineNumber(R"( \.\.\. \d+\);$)");
    for (QString& record : records)
        record.replace(lineNumber, " ... N);");
    const QStringList expected = {
        "Usb Hid send Switch : start\t\t(UsbHidOperation - usbHidSend_SetMicVolume ... N);",
        "*Usb Write : start\t\t(UsbHidOperation - usbHidWriteDevice ... N);",
        "*Usb Write : success\t\t(UsbHidOperation - usbHidWriteDevice ... N);",
        "Usb Hid send Switch : end(0)\t\t(UsbHidOperation - usbHidSend_SetMicVolume ... N);",
        "Usb Hid send PEQ : start\t\t(UsbHidOperation - usbHidSend_SetPEQ ... N);",
        "*Usb Write : start\t\t(UsbHidOperation - usbHidWriteDevice ... N);",
        "*Usb Write : fail111\t\t(UsbHidOperation - usbHidWriteDevice ... N);",
        "Usb Hid send PEQ : end(1)\t\t(UsbHidOperation - usbHidSend_SetPEQ ... N);",
    };
    QCOMPARE(records, expected);
}

QTEST_GUILESS_MAIN(LinkTest)
#include "tst_link.moc"

// Another program with the interface open (an older velumixctl, a debugging
// tool) gets the link's replies and the link gets its replies: a status
// reply nobody here asked for must not move the window to another page.
void LinkTest::onlyRepliesToItsOwnCommandsAreHandled()
{
    SimulatedLink link;
    link.addHeadset();
    QCOMPARE(usbHidOpenDevice(), int(OpenSucceeded));
    const auto readAndDispatch = [] {
        const int bytesRead = usbHidReadReport(200);
        return bytesRead > 0 ? usbHidDispatchReply(bytesRead) : NoSignal - 100;
    };
    QCOMPARE(readAndDispatch(), int(VersionReply)); // the one the open asked for

    HidDeviceInfo vendorInterface;
    for (const HidDeviceInfo& entry : link.backend.enumerate(0, 0)) {
        if (usbHidInterfaceMatches(entry))
            vendorInterface = entry;
    }
    HidDevice* otherProgram = link.backend.open(vendorInterface);
    QVERIFY(otherProgram);
    const Report status = frame::readStatusCommand();
    QVERIFY(link.backend.write(otherProgram, status.data(), frame::commandLength(status[0])) > 0);
    QCOMPARE(readAndDispatch(), int(NotAwaited));

    usbHidSend_ReadStatus();
    QVERIFY(link.backend.write(otherProgram, status.data(), frame::commandLength(status[0])) > 0);
    QCOMPARE(readAndDispatch(), int(StatusSurround)); // its own, owed once
    QCOMPARE(readAndDispatch(), int(NotAwaited));
    link.backend.close(otherProgram);
}
