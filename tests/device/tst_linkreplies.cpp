// The link's reader against the simulated headset: which replies it accepts,
// the signals it emits for them and in what order, what a pulled-out headset
// does, and what a reply handler may do to the link.

#include "LinkRig.h"
#include "LogRecorder.h"

#include <QEventLoop>
#include <QSocketNotifier>
#include <QtTest>

#include <chrono>
#include <functional>
#include <memory>

namespace {

using Setup = std::function<void(HeadsetFirmware&)>;
using Send = std::function<void(HeadsetLink&)>;

const DeviceIdentity kIdentity{0xde, 0xad, 0xbe, 0xef};
const QString kCapabilities = QStringLiteral("capabilities stereo 1 surround 0 48000 Hz");
const QString kSurroundStatus = QStringLiteral("status surround deadbeef");

// What a reply handler does to the link that called it.
enum class Reaction
{
    Close,
    Reopen,
    Delete,
    WaitInNestedLoop,
};

} // namespace

Q_DECLARE_METATYPE(Setup)
Q_DECLARE_METATYPE(Send)
Q_DECLARE_METATYPE(Reaction)

class LinkRepliesTest : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { QLoggingCategory::setFilterRules("velumix.trace.debug=false"); }
    void init();
    void cleanup() { m_rig.reset(); }
    void replies_data();
    void replies();
    void droppedRepliesLeaveNoTrace_data();
    void droppedRepliesLeaveNoTrace();
    void onlyRepliesToItsOwnCommandsAreHandled();
    void replyDelayIsHonoured();
    void unplugWhileIdleIsNoticedAtOnce();
    void handlerMayCloseReopenDeleteOrWait_data();
    void handlerMayCloseReopenDeleteOrWait();

private:
    std::unique_ptr<LinkRig> m_rig;
    int m_unit = 0;
};

void LinkRepliesTest::init()
{
    m_rig = std::make_unique<LinkRig>();
    m_unit = m_rig->addHeadset(kProduct, kIdentity);
    HeadsetFirmware& firmware = m_rig->backend.firmware(m_unit);
    firmware.settings().stereoCapable = true;
    firmware.settings().surroundCapable = false;
}

void LinkRepliesTest::replies_data()
{
    QTest::addColumn<Setup>("setup");
    QTest::addColumn<Send>("send");
    QTest::addColumn<QStringList>("lines");
    const Setup none = [](HeadsetFirmware&) {};
    const Send readAudio = [](HeadsetLink& link) { link.readAudio(); };
    const Send readStatus = [](HeadsetLink& link) { link.readStatus(); };
    const Send readVersion = [](HeadsetLink& link) { link.readVersion(); };
    const Send peqPair = [](HeadsetLink& link) { link.sendPeqPair(1, 3, EqGains{}); };

    QTest::newRow("audio") << none << readAudio << QStringList{kCapabilities, "handled 0x20"};
    QTest::newRow("unknown sample rate")
        << Setup([](HeadsetFirmware& f) { f.settings().sampleRateCode = 7; }) << readAudio
        << QStringList{"capabilities stereo 1 surround 0 0 Hz", "handled 0x20"};
    QTest::newRow("surround state 16")
        << Setup([](HeadsetFirmware& f) { f.settings().stateByte = 16; }) << readStatus
        << QStringList{kSurroundStatus, "handled 0x32"};
    QTest::newRow("stereo state 15")
        << Setup([](HeadsetFirmware& f) { f.settings().stateByte = 15; }) << readStatus
        << QStringList{"status stereo deadbeef", "handled 0x32"};
    QTest::newRow("status with error")
        << Setup([](HeadsetFirmware& f) { f.faults().errorStatus = true; }) << readStatus
        << QStringList{"error 0x32", "handled 0x32"};
    QTest::newRow("peq pair") << none << peqPair
                              << QStringList{"peq 0-4", "handled 0x21", "peq 5-9", "handled 0x21"};
    QTest::newRow("peq with error")
        << Setup([](HeadsetFirmware& f) { f.faults().errorStatus = true; }) << peqPair
        << QStringList{"error 0x21", "handled 0x21", "error 0x21", "handled 0x21"};
    QTest::newRow("32-byte '$' reports") << Setup([](HeadsetFirmware& f) {
        f.faults().marker = '$';
        f.faults().reportSize = 32;
    }) << Send([](HeadsetLink& link) {
        link.readAudioAndStatus();
    }) << QStringList{kCapabilities, "handled 0x20", kSurroundStatus, "handled 0x32"};
    QTest::newRow("version") << none << readVersion
                             << QStringList{"version VLX-FW 1.4.2", "handled 0x01"};
    // Its first byte is the text's format, never an error status.
    QTest::newRow("version in an error reply")
        << Setup([](HeadsetFirmware& f) { f.faults().errorStatus = true; }) << readVersion
        << QStringList{"version VLX-FW 1.4.2", "handled 0x01"};
    QTest::newRow("no version text")
        << Setup([](HeadsetFirmware& f) { f.settings().version.clear(); }) << readVersion
        << QStringList{"version ", "handled 0x01"};
    QTest::newRow("mic and switch say only that they were handled")
        << none << Send([](HeadsetLink& link) {
               link.setMicVolume(20);
               link.setAlgorithmSwitch(1, 0, 1, 0);
           })
        << QStringList{"handled 0x30", "handled 0x31"};
    QTest::newRow("mic error") << Setup([](HeadsetFirmware& f) { f.faults().errorStatus = true; })
                               << Send([](HeadsetLink& link) { link.setMicVolume(20); })
                               << QStringList{"error 0x30", "handled 0x30"};
}

void LinkRepliesTest::replies()
{
    QFETCH(Setup, setup);
    QFETCH(Send, send);
    QFETCH(QStringList, lines);
    QVERIFY(m_rig->openAndSettle());
    const LinkEvents events(m_rig->link);
    setup(m_rig->backend.firmware(m_unit));
    send(m_rig->link);
    QTRY_COMPARE_WITH_TIMEOUT(events.lines, lines, kReplyWaitMs);
    QCOMPARE(m_rig->link.awaitedReplies(), 0);
}

void LinkRepliesTest::droppedRepliesLeaveNoTrace_data()
{
    QTest::addColumn<Setup>("fault");
    QTest::newRow("wrong checksum")
        << Setup([](HeadsetFirmware& f) { f.faults().badChecksum = true; });
    QTest::newRow("garbage report") << Setup([](HeadsetFirmware& f) { f.faults().garbage = true; });
    QTest::newRow("no reply") << Setup([](HeadsetFirmware& f) { f.faults().silent = true; });
}

void LinkRepliesTest::droppedRepliesLeaveNoTrace()
{
    QFETCH(Setup, fault);
    QVERIFY(m_rig->openAndSettle());
    const LinkEvents events(m_rig->link);
    HeadsetFirmware& firmware = m_rig->backend.firmware(m_unit);
    fault(firmware);
    m_rig->link.readStatus();
    m_rig->link.sendPeq(1, 5, 9, 3, EqGains{});
    firmware.faults() = FirmwareFaults{};
    // Replies come in order: once the healthy one is here, the faulty ones
    // have been read and dropped.
    m_rig->link.readAudio();
    QTRY_COMPARE_WITH_TIMEOUT(events.lines, (QStringList{kCapabilities, "handled 0x20"}),
                              kReplyWaitMs);
    // Still owed: a late reply of the right code would be taken for them.
    QCOMPARE(m_rig->link.awaitedReplies(frame::ReadStatus), 1);
    QCOMPARE(m_rig->link.awaitedReplies(frame::SetPeq), 1);
}

// Another program with the interface open (an older velumixctl, a debugging
// tool) gets the link's replies and the link gets its replies: a status
// reply nobody here asked for must not move the session to another page.
void LinkRepliesTest::onlyRepliesToItsOwnCommandsAreHandled()
{
    QLoggingCategory::setFilterRules("velumix.trace.debug=false");
    const LogRecorder log;
    QVERIFY(m_rig->openAndSettle());
    const LinkEvents events(m_rig->link);
    const std::vector<HidDeviceInfo> interfaces = m_rig->link.acceptedInterfaces();
    QCOMPARE(interfaces.size(), size_t(1));
    std::string error;
    HidDevice* otherProgram = m_rig->backend.open(interfaces.front(), error);
    QVERIFY(otherProgram);
    const Report status = frame::readStatusCommand();
    const auto otherProgramAsks = [&] {
        return m_rig->backend.write(otherProgram, status.data(), kReportSize) == kReportSize;
    };
    const QString ignored =
        QStringLiteral("Ignored a reply (code 50) to another program's command");

    QVERIFY(otherProgramAsks());
    QTRY_COMPARE_WITH_TIMEOUT(log.debugLineCount(ignored), 1, kReplyWaitMs);
    QCOMPARE(events.lines, QStringList());

    m_rig->link.readStatus();
    QVERIFY(otherProgramAsks());
    QTRY_COMPARE_WITH_TIMEOUT(log.debugLineCount(ignored), 2, kReplyWaitMs);
    // Its own, owed once.
    QCOMPARE(events.lines, (QStringList{kSurroundStatus, "handled 0x32"}));
    m_rig->backend.close(otherProgram);
}

void LinkRepliesTest::replyDelayIsHonoured()
{
    using Clock = std::chrono::steady_clock;
    constexpr std::chrono::milliseconds kDelay(300);
    QVERIFY(m_rig->openAndSettle());
    QSignalSpy handled(&m_rig->link, &HeadsetLink::replyHandled);
    m_rig->backend.setReplyDelay(kDelay);
    const Clock::time_point asked = Clock::now();
    m_rig->link.readAudio();
    QVERIFY(handled.wait(kReplyWaitMs));
    QVERIFY(Clock::now() - asked >= kDelay);
    // The code reaches spies and queued connections too.
    QCOMPARE(handled.first().first().value<uint8_t>(), uint8_t(frame::ReadAudio));
}

void LinkRepliesTest::unplugWhileIdleIsNoticedAtOnce()
{
    QVERIFY(m_rig->openAndSettle());
    m_rig->backend.clearReceivedFrames();
    const LinkEvents events(m_rig->link);
    QSignalSpy lost(&m_rig->link, &HeadsetLink::lost);
    m_rig->backend.unplug(m_unit);
    QVERIFY(lost.wait(kReplyWaitMs));
    QCOMPARE(events.lines, QStringList{"lost No such device"});
    QVERIFY(!m_rig->link.isOpen());
    QCOMPARE(m_rig->backend.openHandleCount(), 0);
    QCOMPARE(m_rig->link.awaitedReplies(), 0);
    // Noticed without a write.
    QVERIFY(m_rig->frames().empty());

    m_rig->backend.plug(m_unit);
    QVERIFY(m_rig->openAndSettle());
}

void LinkRepliesTest::handlerMayCloseReopenDeleteOrWait_data()
{
    QTest::addColumn<Reaction>("reaction");
    QTest::addColumn<QStringList>("lines");
    // The three replies arrive together; the first one's handler reacts.
    QTest::newRow("close") << Reaction::Close << QStringList{kCapabilities};
    QTest::newRow("reopen") << Reaction::Reopen
                            << QStringList{kCapabilities, "version VLX-FW 1.4.2", "handled 0x01"};
    QTest::newRow("delete") << Reaction::Delete << QStringList{kCapabilities};
    // A message box: the reply that comes meanwhile waits until the handler
    // has returned and the replies read before it have been handled.
    QTest::newRow("nested event loop")
        << Reaction::WaitInNestedLoop
        << QStringList{kCapabilities,   "nested loop left",     "handled 0x20",
                       kSurroundStatus, "handled 0x32",         "peq 5-9",
                       "handled 0x21",  "version VLX-FW 1.4.2", "handled 0x01"};
}

void LinkRepliesTest::handlerMayCloseReopenDeleteOrWait()
{
    QFETCH(Reaction, reaction);
    QFETCH(QStringList, lines);
    QObject owner; // deletes the link when a check fails first
    auto* link = new HeadsetLink(m_rig->backend, &owner);
    link->setAcceptedProductIds({kProduct});
    QVERIFY(link->open().ok());
    QVERIFY(QTest::qWaitFor([link] { return link->awaitedReplies() == 0; }, kReplyWaitMs));
    LinkEvents events(*link);
    const auto react = [&] {
        switch (reaction) {
        case Reaction::Close:
            link->close();
            break;
        case Reaction::Reopen:
            link->close();
            link->open();
            break;
        case Reaction::Delete:
            delete link;
            link = nullptr;
            break;
        case Reaction::WaitInNestedLoop: {
            link->readVersion();
            // Left once the event loop has seen the version reply waiting.
            auto* notifier = link->findChild<QSocketNotifier*>();
            QSocketNotifier replyWaiting(notifier->socket(), QSocketNotifier::Read);
            QEventLoop nested;
            connect(&replyWaiting, &QSocketNotifier::activated, &nested, &QEventLoop::quit);
            nested.exec();
            events.lines << "nested loop left";
            break;
        }
        }
    };
    connect(link, &HeadsetLink::capabilitiesReported, &events, react);
    link->readAudio();
    link->readStatus();
    link->sendPeq(1, 5, 9, 3, EqGains{});

    QTRY_COMPARE_WITH_TIMEOUT(events.lines, lines, kReplyWaitMs);
    const bool open = reaction == Reaction::Reopen || reaction == Reaction::WaitInNestedLoop;
    QCOMPARE(m_rig->backend.openHandleCount(), open ? 1 : 0);
}

QTEST_GUILESS_MAIN(LinkRepliesTest)
#include "tst_linkreplies.moc"
