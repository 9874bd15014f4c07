// Live edits of a custom mode's sliders: the first change goes out at once,
// changes within the following half second wait and leave together with the
// sliders' latest positions when the period ends, and moves the program makes
// itself neither send nor start a period.

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

// What choosing a custom slot leaves behind; choosing it is not under test.
void selectCustomSlot(Velumix& window, SoundPage page, int slot)
{
    if (page == SoundPage::Surround) {
        window.m_surroundSelectionKind = 102;
        window.m_surroundCustomSlot = slot;
        window.showSurroundEditControls(true);
    } else {
        window.m_stereoSelectionKind = 202;
        window.m_stereoCustomSlot = slot;
        window.showStereoEditControls(true);
    }
}

Frames lastPair(const Frames& frames)
{
    return frames.size() < 2 ? frames : Frames(frames.end() - 2, frames.end());
}

// A shown window over one silent unit of this product, on a custom slot of
// the page, with nothing sent yet.
Velumix& shownOnCustomSlot(WindowRig& rig, quint16 productId, SoundPage page, int slot)
{
    rig.addSilentUnit(productId);
    Velumix& window = rig.buildWindow();
    window.show();
    selectCustomSlot(window, page, slot);
    rig.backend.clearReceivedFrames();
    return window;
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
    QTest::newRow("surround slot 3, 1029") << SoundPage::Surround << kMorvik << 23 << 24;
    QTest::newRow("surround slot 3, 1054") << SoundPage::Surround << quint16(0x1054) << 23 << 8;
    QTest::newRow("stereo slot 3, 1029") << SoundPage::Stereo << kMorvik << 43 << 8;
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
    QVERIFY(!window.m_throttleTimer.isActive()); // idle: no timer runs

    QTest::keyClick(bandSlider(window, page, 3), Qt::Key_Up);

    QCOMPARE(rig.frames(), peqPair(modeIndex, {0, 0, 0, 1, 0, 0, 0, 0, 0, 0}, productId));
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
    QCOMPARE(rig.frames().size(), size_t(2));
    QTest::keyClick(bandSlider(window, page, 1), Qt::Key_Down);
    QTest::keyClick(bandSlider(window, page, 1), Qt::Key_Down);
    bandSlider(window, page, 0)->setValue(6);
    QCOMPARE(rig.frames().size(), size_t(2)); // nothing more at once

    QTRY_COMPARE_WITH_TIMEOUT(rig.frames().size(), size_t(4), kDeadlineMs);
    QVERIFY2(sinceFirstSend.elapsed() >= kEarliestPeriodEndMs,
             qPrintable(QString("second pair after %1 ms").arg(sinceFirstSend.elapsed())));
    const EqGains latest{6, -2, 0, 0, 0, 0, 0, 0, 0, 0};
    QCOMPARE(lastPair(rig.frames()), peqPair(modeIndex, latest, productId));

    // The period that this send began ends with nothing waiting: all goes quiet.
    QTRY_VERIFY_WITH_TIMEOUT(!window.m_throttleTimer.isActive(), kDeadlineMs);
    QCOMPARE(rig.frames().size(), size_t(4));
    // After a quiet period the next change is again sent at once.
    bandSlider(window, page, 9)->setValue(-5);
    QCOMPARE(rig.frames().size(), size_t(6));
    QCOMPARE(lastPair(rig.frames()),
             peqPair(modeIndex, {6, -2, 0, 0, 0, 0, 0, 0, 0, -5}, productId));
}

void ThrottleTest::presetIsSentOnceOutsideTheThrottle()
{
    WindowRig rig;
    rig.addSilentUnit(kMorvik);
    Velumix& window = rig.buildWindow();
    window.m_currentDeviceConfig = shippedConfig(kMorvik);
    selectCustomSlot(window, SoundPage::Surround, 23);
    rig.backend.clearReceivedFrames();

    window.ui.radioButton_Surround_FPS->click();

    const EqGains fps = shippedPresetGains(kMorvik, "Surround", "FPS");
    QCOMPARE(rig.frames(), peqPair(18, fps, kMorvik));
    QVERIFY(!window.m_throttleTimer.isActive());
}

void ThrottleTest::storedGainTextsNeitherSendNorStartAPeriod()
{
    WindowRig rig;
    rig.addSilentUnit(kMorvik);
    Velumix& window = rig.buildWindow();
    selectCustomSlot(window, SoundPage::Surround, 23);
    rig.backend.clearReceivedFrames();

    window.m_surroundGainTexts = {"1", "2", "3", "4", "5", "6", "7", "8", "9", "10"};
    window.applySurroundGainTexts();

    const EqGains stored{1, 2, 3, 4, 5, 6, 7, 8, 9, 10};
    QCOMPARE(sliderGains(window, SoundPage::Surround), stored);
    QCOMPARE(rig.frames(), Frames{});
    QVERIFY(!window.m_throttleTimer.isActive());
    // No period is under way, so the user's next change goes out at once.
    bandSlider(window, SoundPage::Surround, 9)->setValue(0);
    QCOMPARE(rig.frames(), peqPair(24, {1, 2, 3, 4, 5, 6, 7, 8, 9, 0}, kMorvik));
}

QTEST_MAIN(ThrottleTest)
#include "tst_throttle.moc"
