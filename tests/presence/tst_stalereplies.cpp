// Replies that outlive their link: a headset plugged in and pulled out within
// one turn of the event loop has had its replies read, and queued for the
// window, before its link closed. The window handles them only after that, or
// after the next link opened, and must act on none of them then.

#include "UsbHidOperation.h"
#include "WindowRig.h"

#include <QtTest>

#include <memory>

namespace {

constexpr int kQuickCycles = 20;
constexpr int kLateReplyMs = 200;

} // namespace

class StaleRepliesTest : public QObject
{
    Q_OBJECT

private slots:
    void init() { m_home = std::make_unique<ThrowawayHome>(); }
    void cleanup() { m_home.reset(); }

    void repliesOfAPulledHeadsetAreDropped();
    void repliesOfAPulledUnitDoNotReachTheNextLink();

private:
    std::unique_ptr<ThrowawayHome> m_home;
};

void StaleRepliesTest::repliesOfAPulledHeadsetAreDropped()
{
    WindowRig rig;
    const int unit = rig.addUnit(kMorvik, kFirstUnit, false);
    Velumix& window = rig.buildWindow();

    for (int cycle = 0; cycle < kQuickCycles; ++cycle) {
        rig.plugIn(unit);
        QVERIFY(rig.waitUntilRepliesRead(frame::ReadStatus));
        rig.pullOutAtOnce(unit);
        rig.finishTurnAfterClose();
    }

    // Above all no "Please Insert Device!" for a headset nobody asked about.
    QCOMPARE(rig.boxes(), QStringList());
    QCOMPARE(rig.debugLineCount("SLOT::Read Cmd!"), 0);
    QVERIFY(startScreenInFront(window));
    QCOMPARE(window.m_firmwareVersion, QString());
    QCOMPARE(window.m_identitySeen, 0);
    QVERIFY(!QFile::exists(userFilePath(kMorvik, kFirstUnit)));
    // The next arrival that stays is handled as ever, as the first unit.
    rig.plugIn(unit);
    QVERIFY(rig.settle());
    QVERIFY(mainScreenInFront(window));
    QCOMPARE(window.m_identitySeen, 1);
    QCOMPARE(window.m_knownDeviceIdentity, kFirstUnit);
    QVERIFY(!window.m_firmwareVersion.isEmpty());
    QVERIFY(QFile::exists(userFilePath(kMorvik, kFirstUnit)));
    QCOMPARE(rig.boxes(), QStringList());
}

// Another unit plugged in for a moment between two links of the known unit:
// its replies must not be taken for the new link's, which would load its
// configuration and announce two device changes.
void StaleRepliesTest::repliesOfAPulledUnitDoNotReachTheNextLink()
{
    WindowRig rig;
    const int known = rig.addUnit(kHalden, kSecondUnit);
    const int passing = rig.addUnit(kHalden, kFirstUnit, false);
    QVERIFY(rig.start());
    Velumix& window = rig.window();
    rig.pullOut(known);

    rig.plugIn(passing);
    QVERIFY(rig.waitUntilRepliesRead(frame::ReadStatus));
    rig.pullOutAtOnce(passing);
    // The known unit answers late, so that the window meets the passing
    // unit's replies before the known unit has said who it is.
    rig.backend.setReplyDelay(std::chrono::milliseconds(kLateReplyMs));
    rig.plugIn(known);
    QVERIFY(QTest::qWaitFor([&window] {
        return window.m_identityKnown && window.m_knownDeviceIdentity == kSecondUnit;
    }));

    QCOMPARE(rig.boxes(), QStringList());
    QVERIFY(!QFile::exists(userFilePath(kHalden, kFirstUnit)));
    QVERIFY(mainScreenInFront(window));
}

QTEST_MAIN(StaleRepliesTest)
#include "tst_stalereplies.moc"
