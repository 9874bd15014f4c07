// Opening the headset, writing frames and the command procedure, against the
// simulated headset.

#include "LinkRig.h"
#include "LogRecorder.h"
#include "TraceLog.h"

#include <QtTest>

#include <functional>

namespace {

// A headset whose write call returns a chosen count, whatever was asked for.
class FixedWriteResultBackend : public SimulatedHidBackend
{
public:
    int result = 0;
    int write(HidDevice*, const uint8_t*, size_t) override { return result; }
};

using Command = std::function<LinkWritten(HeadsetLink&)>;

// Every command, by the name its debug line gives it.
const QMap<QString, Command>& commands()
{
    static const QMap<QString, Command> kCommands = {
        {"ReadVersion", [](HeadsetLink& link) { return link.readVersion(); }},
        {"ReadAudio", [](HeadsetLink& link) { return link.readAudio(); }},
        {"ReadStatus", [](HeadsetLink& link) { return link.readStatus(); }},
        {"SetMicVolume", [](HeadsetLink& link) { return link.setMicVolume(100); }},
        {"SetSwitch", [](HeadsetLink& link) { return link.setAlgorithmSwitch(1, 0, 1, 0); }},
        {"SetPEQ", [](HeadsetLink& link) { return link.sendPeq(1, 0, 4, 3, EqGains{}); }},
    };
    return kCommands;
}

} // namespace

Q_DECLARE_METATYPE(LinkOpened::Outcome)
Q_DECLARE_METATYPE(LinkWritten::Outcome)

class LinkTest : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void opensOnlyTheVendorInterfaceOfAcceptedProducts_data();
    void opensOnlyTheVendorInterfaceOfAcceptedProducts();
    void lastMatchingHeadsetWins();
    void wantedPathIsTheOnlyOneOpened();
    void openHoldsOneHandleUntilClosed();
    void openWhileOpenLeavesTheLinkAlone();
    void refusedOpenGivesThePathAndTheReason();
    void acceptedTableKeepsEachProductOnceWithoutACap();
    void writeSendsTheLengthOfTheSelector_data();
    void writeSendsTheLengthOfTheSelector();
    void writeResultCounts_data();
    void writeResultCounts();
    void failedWriteGivesTheReason_data();
    void failedWriteGivesTheReason();
    void pairsSendBothFramesAndTheFirstFailure_data();
    void pairsSendBothFramesAndTheFirstFailure();
    void frameTapSeesWhatIsWrittenAndRead();
    void commandsWithoutHeadsetSendNothing_data();
    void commandsWithoutHeadsetSendNothing();
    void commandsWriteTheirTraceRecords();
    void vendorIdDigits();
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
    QTest::addColumn<LinkOpened::Outcome>("outcome");
    const auto opened = LinkOpened::Opened;
    const auto none = LinkOpened::NoDevice;
    QTest::newRow("accepted headset") << QList<uint>{0x1054} << 0x3206u << 0xFF00u << opened;
    QTest::newRow("any vendor-defined page") << QList<uint>{0x1054} << 0x3206u << 0xFFA0u << opened;
    QTest::newRow("empty accepted table") << QList<uint>{} << 0x3206u << 0xFF00u << none;
    QTest::newRow("product not accepted") << QList<uint>{0x1029} << 0x3206u << 0xFF00u << none;
    QTest::newRow("ordinary usage page") << QList<uint>{0x1054} << 0x3206u << 0xFEFFu << none;
    QTest::newRow("other vendor") << QList<uint>{0x1054} << 0x1234u << 0xFF00u << none;
}

void LinkTest::opensOnlyTheVendorInterfaceOfAcceptedProducts()
{
    QFETCH(QList<uint>, accepted);
    QFETCH(uint, vendorId);
    QFETCH(uint, usagePage);
    QFETCH(LinkOpened::Outcome, outcome);
    LinkRig rig(std::vector<uint16_t>{});
    rig.link.setAcceptedProductIds(std::vector<uint16_t>(accepted.begin(), accepted.end()));
    rig.backend.addHeadset(HeadsetSettings{}, {{0, 0x000C}, {3, static_cast<uint16_t>(usagePage)}},
                           static_cast<uint16_t>(vendorId));

    QCOMPARE(rig.link.open().outcome, outcome);
    const bool opened = outcome == LinkOpened::Opened;
    QCOMPARE(rig.link.isOpen(), opened);
    QCOMPARE(rig.backend.openHandleCount(), opened ? 1 : 0);
    // Only the vendor-defined interface ever receives a frame: the version
    // request of the open.
    QCOMPARE(rig.frames(), opened ? Frames{bytesOf(frame::readVersionCommand())} : Frames{});
}

void LinkTest::lastMatchingHeadsetWins()
{
    LinkRig rig({0x1054, 0x1029});
    rig.addHeadset(0x1054);
    const int second = rig.addHeadset(0x1029);
    const LinkOpened opened = rig.link.open();
    QVERIFY(opened.ok());
    QCOMPARE(rig.link.vendorId(), uint16_t(0x3206));
    QCOMPARE(rig.link.productId(), uint16_t(0x1029));
    QCOMPARE(opened.path, rig.backend.interfacePaths(second).back());
    QCOMPARE(rig.link.path(), opened.path);
    QCOMPARE(rig.frames(), Frames{bytesOf(frame::readVersionCommand())});
}

void LinkTest::wantedPathIsTheOnlyOneOpened()
{
    LinkRig rig;
    const int first = rig.addHeadset();
    rig.addHeadset();
    const std::string wanted = rig.backend.interfacePaths(first).back();
    rig.link.setWantedPath(wanted);
    QCOMPARE(rig.link.open().path, wanted);
    rig.link.close();

    rig.backend.unplug(first);
    QCOMPARE(rig.link.open().outcome, LinkOpened::NoDevice);
}

void LinkTest::openHoldsOneHandleUntilClosed()
{
    LinkRig rig;
    rig.addHeadset();
    QVERIFY(rig.link.open().ok());
    QCOMPARE(rig.backend.openHandleCount(), 1);
    QCOMPARE(rig.link.awaitedReplies(frame::ReadVersion), 1);
    rig.link.close();
    QVERIFY(!rig.link.isOpen());
    QCOMPARE(rig.backend.openHandleCount(), 0);
    // Replies still owed are forgotten.
    QCOMPARE(rig.link.awaitedReplies(), 0);
}

void LinkTest::openWhileOpenLeavesTheLinkAlone()
{
    LinkRig rig;
    rig.addHeadset();
    QVERIFY(rig.link.open().ok());
    const std::string path = rig.link.path();
    QTest::ignoreMessage(QtDebugMsg, "Please Insert USB Device!");
    QCOMPARE(rig.link.open().outcome, LinkOpened::NoDevice);
    QVERIFY(rig.link.isOpen());
    QCOMPARE(rig.link.path(), path);
    QCOMPARE(rig.backend.openHandleCount(), 1);
}

void LinkTest::refusedOpenGivesThePathAndTheReason()
{
    LinkRig rig;
    const int unit = rig.addHeadset();
    rig.backend.setOpenFails(true);
    QTest::ignoreMessage(QtDebugMsg, "Open Device Fail!");
    const LinkOpened refused = rig.link.open();
    QCOMPARE(refused.outcome, LinkOpened::Refused);
    QCOMPARE(refused.path, rig.backend.interfacePaths(unit).back());
    // The person is told why, as the system words it.
    QCOMPARE(refused.reason, std::string("Permission denied"));
    QVERIFY(!rig.link.isOpen());
    QVERIFY(rig.frames().empty());

    rig.backend.setOpenFails(false);
    const LinkOpened opened = rig.link.open();
    QVERIFY(opened.ok());
    QCOMPARE(opened.reason, std::string());
}

void LinkTest::acceptedTableKeepsEachProductOnceWithoutACap()
{
    LinkRig rig(std::vector<uint16_t>{});
    const LogRecorder log;
    std::vector<uint16_t> ids = {0x1054, 0x1054};
    for (uint16_t id = 1; id <= 1000; ++id)
        ids.push_back(id);
    ids.push_back(0x1054);
    rig.link.setAcceptedProductIds(ids);
    const std::vector<uint16_t>& accepted = rig.link.acceptedProductIds();
    QCOMPARE(accepted.size(), size_t(1001));
    QCOMPARE(accepted.front(), uint16_t(0x1054));
    QCOMPARE(accepted.back(), uint16_t(1000));
    QCOMPARE(log.warningsMatching("not accepted"), QStringList());
    QVERIFY(rig.link.accepts({"path", kHeadsetVendorId, 99, 3, 0xFF00}));
    QVERIFY(rig.link.accepts({"path", kHeadsetVendorId, 1000, 3, 0xFF00}));
    QVERIFY(!rig.link.accepts({"path", kHeadsetVendorId, 1001, 3, 0xFF00}));
}

void LinkTest::writeSendsTheLengthOfTheSelector_data()
{
    QTest::addColumn<int>("selector");
    QTest::addColumn<LinkWritten::Outcome>("outcome");
    QTest::addColumn<int>("bytesSent");
    QTest::newRow("'N' sends 32") << int('N') << LinkWritten::Written << 32;
    QTest::newRow("'O' sends 64") << int('O') << LinkWritten::Written << 64;
    QTest::newRow("other selector sends nothing") << int('#') << LinkWritten::NotOpen << 0;
}

void LinkTest::writeSendsTheLengthOfTheSelector()
{
    QFETCH(int, selector);
    QFETCH(LinkWritten::Outcome, outcome);
    QFETCH(int, bytesSent);
    LinkRig rig;
    rig.addHeadset();
    QVERIFY(rig.link.open().ok());
    rig.backend.clearReceivedFrames();
    Report command{};
    command[0] = static_cast<uint8_t>(selector);
    QCOMPARE(rig.link.send(command).outcome, outcome);
    const Frames frames = rig.frames();
    QCOMPARE(frames.size(), size_t(bytesSent ? 1 : 0));
    if (bytesSent)
        QCOMPARE(frames.front().size(), size_t(bytesSent));
}

void LinkTest::writeResultCounts_data()
{
    QTest::addColumn<int>("written");
    QTest::addColumn<LinkWritten::Outcome>("outcome");
    QTest::newRow("32 bytes") << 32 << LinkWritten::Written;
    QTest::newRow("64 bytes for a 32-byte frame") << 64 << LinkWritten::Written;
    QTest::newRow("short write") << 31 << LinkWritten::Failed;
    QTest::newRow("nothing") << 0 << LinkWritten::Failed;
    QTest::newRow("error") << -1 << LinkWritten::Failed;
}

void LinkTest::writeResultCounts()
{
    QFETCH(int, written);
    QFETCH(LinkWritten::Outcome, outcome);
    FixedWriteResultBackend backend;
    HeadsetLink link(backend);
    link.setAcceptedProductIds({kProduct});
    backend.addHeadset(HeadsetSettings{});
    QVERIFY(link.open().ok());
    const int failedBefore = link.failedWrites();
    backend.result = written;
    QCOMPARE(link.readStatus().outcome, outcome);
    const bool ok = outcome == LinkWritten::Written;
    QCOMPARE(link.failedWrites(), failedBefore + (ok ? 0 : 1));
    // Owed only when the frame went out.
    QCOMPARE(link.awaitedReplies(frame::ReadStatus), ok ? 1 : 0);
    QVERIFY(link.isOpen()); // a failed write keeps the link open
}

void LinkTest::failedWriteGivesTheReason_data()
{
    QTest::addColumn<bool>("unplugged");
    QTest::addColumn<QString>("reason");
    QTest::newRow("refused") << false << "Input/output error";
    QTest::newRow("pulled out") << true << "No such device";
}

void LinkTest::failedWriteGivesTheReason()
{
    QFETCH(bool, unplugged);
    QFETCH(QString, reason);
    LinkRig rig;
    const int unit = rig.addHeadset();
    QVERIFY(rig.link.open().ok());
    if (unplugged)
        rig.backend.unplug(unit);
    else
        rig.backend.setWriteFails(true);
    const LinkWritten written = rig.link.setMicVolume(40);
    QCOMPARE(written.outcome, LinkWritten::Failed);
    QCOMPARE(QString::fromStdString(written.reason), reason);
    QCOMPARE(rig.link.failedWrites(), 1);
}

void LinkTest::pairsSendBothFramesAndTheFirstFailure_data()
{
    QTest::addColumn<bool>("writeFails");
    QTest::addColumn<LinkWritten::Outcome>("outcome");
    QTest::newRow("written") << false << LinkWritten::Written;
    QTest::newRow("refused") << true << LinkWritten::Failed;
}

void LinkTest::pairsSendBothFramesAndTheFirstFailure()
{
    QFETCH(bool, writeFails);
    QFETCH(LinkWritten::Outcome, outcome);
    LinkRig rig;
    rig.addHeadset();
    Frames tapped;
    rig.link.setFrameTap([&tapped](bool outgoing, const uint8_t* data, int length) {
        if (outgoing)
            tapped.push_back(Frame(data, data + length));
    });
    QVERIFY(rig.link.open().ok());
    tapped.clear();
    rig.backend.clearReceivedFrames();
    rig.backend.setWriteFails(writeFails);
    const EqGains gains{1, 2, 3, 4, 5, 6, 7, 8, 9, 10};

    QCOMPARE(rig.link.sendPeqPair(1, 3, gains).outcome, outcome);
    QCOMPARE(rig.link.readAudioAndStatus().outcome, outcome);
    const Frames expected =
        concatenated(peqPair(3, gains, kProduct),
                     {bytesOf(frame::readAudioCommand()), bytesOf(frame::readStatusCommand())});
    QCOMPARE(tapped, expected);
    QCOMPARE(rig.frames(), writeFails ? Frames{} : expected);
    QCOMPARE(rig.link.failedWrites(), writeFails ? 4 : 0);
}

void LinkTest::frameTapSeesWhatIsWrittenAndRead()
{
    LinkRig rig;
    rig.addHeadset();
    QList<bool> directions;
    Frames tapped;
    rig.link.setFrameTap([&](bool outgoing, const uint8_t* data, int length) {
        directions.append(outgoing);
        tapped.push_back(Frame(data, data + length));
    });
    QVERIFY(rig.openAndSettle());
    QCOMPARE(directions, (QList<bool>{true, false}));
    QCOMPARE(tapped.front(), bytesOf(frame::readVersionCommand()));
    QCOMPARE(tapped.back().size(), size_t(kReportSize));
    QVERIFY(frame::replyAccepted(tapped.back().data(), kReportSize));
}

void LinkTest::commandsWithoutHeadsetSendNothing_data()
{
    QTest::addColumn<QString>("command");
    for (const QString& name : commands().keys())
        QTest::newRow(qPrintable(name)) << name;
}

void LinkTest::commandsWithoutHeadsetSendNothing()
{
    QFETCH(QString, command);
    LinkRig rig;
    rig.addHeadset(); // plugged in, but the link is not open
    QTest::ignoreMessage(QtDebugMsg,
                         qPrintable(QStringLiteral("[Send - %1::Device Not Open!]").arg(command)));
    QCOMPARE(commands()[command](rig.link).outcome, LinkWritten::NotOpen);
    QVERIFY(rig.frames().empty());
    QCOMPARE(rig.link.awaitedReplies(), 0);
}

void LinkTest::commandsWriteTheirTraceRecords()
{
    QLoggingCategory::setFilterRules("velumix.*.debug=false");
    initTraceLog();
    LinkRig rig;
    rig.addHeadset();
    QVERIFY(rig.link.open().ok());
    QFile log(traceLogFilePath());
    QVERIFY(log.open(QIODevice::ReadOnly));
    log.readAll(); // what the open wrote
    rig.link.setMicVolume(40);
    rig.backend.setWriteFails(true);
    rig.link.sendPeq(1, 0, 4, 3, EqGains{});

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

void LinkTest::vendorIdDigits()
{
    QCOMPARE(headsetVendorIdDigits(), QStringLiteral("3206"));
}

QTEST_GUILESS_MAIN(LinkTest)
#include "tst_link.moc"
