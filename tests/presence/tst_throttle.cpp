// Live edits of a custom mode's sliders: the first change goes out at once,
// changes within the following half second wait and leave together with the
// sliders' latest positions when the period ends, and moves the window makes
// itself, showing the session's gains, neither send nor start a period.

#include "WidgetTables.h"
#include "WindowRig.h"

#include <QElapsedTimer>
#include <QtTest>

namespace {

constexpr int kPeriodMs = 500;
// A coarse timer may fire up to 5 % early.
constexpr int kEarliestPeriodEndMs = kPeriodMs * 95 / 100;
constexpr int kDeadlineMs = 3000;

QSlider* bandSlider(Velumix& window, SoundPage page, int band)
{
    const auto& table = page == SoundPage::Surround ? kSurroundBandSliders : kStereoBandSliders;
    return widgets(window.ui, table)[band];
}

Frames lastPair(const Frames& frames)
{
    return frames.size() < 2 ? frames : Frames(frames.end() - 2, frames.end());
}

// A shown window over one unit of this product whose page has three custom
// modes of zero gains, the page's slot chosen, with nothing sent since.
Velumix& shownOnCustomSlot(WindowRig& rig, quint16 productId, SoundPage page, int slot)
{
    const QString algorithm = algorithmOf(page);
    prepareUserFile(productId, kFirstUnit,
                    {customMode(algorithm, "One", {}), customMode(algorithm, "Two", {}),
                     customMode(algorithm, "Three", {})});
    if (!rig.startWith(productId) || !rig.openCustomList(rig.page(page)) ||
        !rig.press(rig.page(page).customSlots[size_t(slot)]) || !rig.settle())
        qFatal("the custom slot could not be chosen");
    rig.clearFrames();
    return rig.window();
}

Frames peqSent(const WindowRig& rig)
{
    return rig.framesWithCode(frame::SetPeq);
}

} // namespace

class ThrottleTest : public QObject
{
    Q_OBJECT
private slots:
    void firstChangeIsSentAtOnce_data();
    void firstChangeIsSentAtOnce();
    void changesWithinThePeriodLeaveTogetherAtItsEnd_data();
    void changesWithinThePeriodLeaveTogetherAtItsEnd();
    void presetIsSentOnceOutsideTheThrottle();
    void storedGainTextsNeitherSendNorStartAPeriod();

private:
    void addSlotColumns();
    ThrowawayHome m_home;
};

void ThrottleTest::addSlotColumns()
{
    QTest::addColumn<SoundPage>("page");
    QTest::addColumn<quint16>("productId");
    QTest::addColumn<int>("slot");
    QTest::addColumn<int>("modeIndex");
    // Editing surround slot n sends 21 + n on models other than the first.
    QTest::newRow("surround slot 3, 1029") << SoundPage::Surround << kMorvik << 2 << 24;
    QTest::newRow("surround slot 3, 1054") << SoundPage::Surround << kHalden << 2 << 8;
    QTest::newRow("stereo slot 3, 1029") << SoundPage::Stereo << kMorvik << 2 << 8;
}

void ThrottleTest::firstChangeIsSentAtOnce_data()
{
    addSlotColumns();
}

void ThrottleTest::firstChangeIsSentAtOnce()
{
    QFETCH(SoundPage, page);
    QFETCH(quint16, productId);
    QFETCH(int, slot);
    QFETCH(int, modeIndex);
    WindowRig rig;
    Velumix& window = shownOnCustomSlot(rig, productId, page, slot);
    QVERIFY(!rig.session().throttling()); // idle: no timer runs

    QTest::keyClick(bandSlider(window, page, 3), Qt::Key_Up);

    QCOMPARE(peqSent(rig), peqPair(modeIndex, {0, 0, 0, 1, 0, 0, 0, 0, 0, 0}, productId));
}

void ThrottleTest::changesWithinThePeriodLeaveTogetherAtItsEnd_data()
{
    addSlotColumns();
}

void ThrottleTest::changesWithinThePeriodLeaveTogetherAtItsEnd()
{
    QFETCH(SoundPage, page);
    QFETCH(quint16, productId);
    QFETCH(int, slot);
    QFETCH(int, modeIndex);
    WindowRig rig;
    Velumix& window = shownOnCustomSlot(rig, productId, page, slot);

    bandSlider(window, page, 0)->setValue(4);
    QElapsedTimer sinceFirstSend;
    sinceFirstSend.start();
    QCOMPARE(peqSent(rig).size(), size_t(2));
    QTest::keyClick(bandSlider(window, page, 1), Qt::Key_Down);
    QTest::keyClick(bandSlider(window, page, 1), Qt::Key_Down);
    bandSlider(window, page, 0)->setValue(6);
    QCOMPARE(peqSent(rig).size(), size_t(2)); // nothing more at once

    QTRY_COMPARE_WITH_TIMEOUT(peqSent(rig).size(), size_t(4), kDeadlineMs);
    QVERIFY2(sinceFirstSend.elapsed() >= kEarliestPeriodEndMs,
             qPrintable(QString("second pair after %1 ms").arg(sinceFirstSend.elapsed())));
    const EqGains latest{6, -2, 0, 0, 0, 0, 0, 0, 0, 0};
    QCOMPARE(lastPair(peqSent(rig)), peqPair(modeIndex, latest, productId));

    // The period that this send began ends with nothing waiting: all goes quiet.
    QTRY_VERIFY_WITH_TIMEOUT(!rig.session().throttling(), kDeadlineMs);
    QCOMPARE(peqSent(rig).size(), size_t(4));
    // After a quiet period the next change is again sent at once.
    bandSlider(window, page, 9)->setValue(-5);
    QCOMPARE(peqSent(rig).size(), size_t(6));
    QCOMPARE(lastPair(peqSent(rig)),
             peqPair(modeIndex, {6, -2, 0, 0, 0, 0, 0, 0, 0, -5}, productId));
}

void ThrottleTest::presetIsSentOnceOutsideTheThrottle()
{
    WindowRig rig;
    Velumix& window = shownOnCustomSlot(rig, kMorvik, SoundPage::Surround, 2);

    window.ui.radioButton_Surround_FPS->click();

    const EqGains fps = shippedPresetGains(kMorvik, "Surround", "FPS");
    QCOMPARE(peqSent(rig), peqPair(18, fps, kMorvik));
    QVERIFY(!rig.session().throttling());
}

// The sliders showing another mode's stored gains send nothing of their own.
void ThrottleTest::storedGainTextsNeitherSendNorStartAPeriod()
{
    const EqGains stored{1, 2, 3, 4, 5, 6, 7, 8, 9, 10};
    prepareUserFile(kMorvik, kFirstUnit,
                    {customMode("Surround", "Flat", {}), customMode("Surround", "Stored", stored)});
    WindowRig rig;
    QVERIFY(rig.startOnCustomList(kMorvik, SoundPage::Surround));
    const PageControls surround = rig.page(SoundPage::Surround);
    QVERIFY(rig.press(surround.customSlots[0]));
    QVERIFY(rig.settle());
    rig.clearFrames();

    QVERIFY(rig.press(surround.customSlots[1]));

    QCOMPARE(sliderGains(surround), stored);
    QCOMPARE(peqSent(rig), peqPair(21, stored, kMorvik)); // the choice's own send
    QVERIFY(!rig.session().throttling());
    // No period is under way, so the user's next change goes out at once.
    bandSlider(rig.window(), SoundPage::Surround, 9)->setValue(0);
    QCOMPARE(lastPair(peqSent(rig)), peqPair(23, {1, 2, 3, 4, 5, 6, 7, 8, 9, 0}, kMorvik));
}

QTEST_MAIN(ThrottleTest)
#include "tst_throttle.moc"
