// Replies that outlive their link: a headset plugged in and pulled out within
// one turn of the event loop has its replies waiting, due at once, when its
// link closes. The event loop turns only after that, or after the next link
// opened, and the session must act on none of them then.

#include "WindowRig.h"

#include <QSignalSpy>
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
    const QSignalSpy replies(&rig.session().link(), &HeadsetLink::replyHandled);

    for (int cycle = 0; cycle < kQuickCycles; ++cycle) {
        rig.plugIn(unit);
        rig.pullOutAtOnce(unit);
        rig.finishTurnAfterClose();
    }

    // Above all no "Please Insert Device!" for a headset nobody asked about.
    QCOMPARE(rig.boxes(), QStringList());
    QCOMPARE(replies.count(), 0);
    QVERIFY(startScreenInFront(window));
    QCOMPARE(rig.session().firmwareVersion(), QString());
    QVERIFY(!rig.session().unitKnown());
    QVERIFY(!QFile::exists(userFilePath(kMorvik, kFirstUnit)));
    // The next arrival that stays is handled as ever, as the first unit.
    rig.plugIn(unit);
    QVERIFY(rig.settle());
    QVERIFY(mainScreenInFront(window));
    QVERIFY(rig.session().unitKnown());
    QCOMPARE(rig.session().unit().identity, kFirstUnit);
    QVERIFY(!rig.session().firmwareVersion().isEmpty());
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
    rig.pullOutAtOnce(passing);
    // The known unit answers late, so that the window meets the passing
    // unit's replies before the known unit has said who it is.
    rig.backend.setReplyDelay(std::chrono::milliseconds(kLateReplyMs));
    rig.plugIn(known);
    HeadsetSession& session = rig.session();
    QVERIFY(QTest::qWaitFor(
        [&session] { return session.unitKnown() && session.unit().identity == kSecondUnit; }));

    QCOMPARE(rig.boxes(), QStringList());
    QVERIFY(!QFile::exists(userFilePath(kHalden, kFirstUnit)));
    QVERIFY(mainScreenInFront(window));
}

QTEST_MAIN(StaleRepliesTest)
#include "tst_stalereplies.moc"
