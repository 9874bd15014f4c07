// The window as the program builds it, when first shown: started in the tray
// it makes nothing of its form while the tray serves the headset; shown, it
// shows the session as it is then; hidden again, it lets go of the form, its
// pictures and the sound server's connection, and comes back as it was.

#include "WindowRig.h"

#include "SystemVolume.h"

#include <QMenu>
#include <QtTest>

#include <qcustomplot.h>

namespace {

bool chooseInTray(Velumix& window, const QString& text)
{
    for (QAction* action : window.tray().menu()->actions()) {
        if (action->text() == text) {
            action->trigger();
            return true;
        }
    }
    qWarning("the tray menu has no entry %s", qPrintable(text));
    return false;
}

// Nothing of the form, its plots or the parts that show the session.
bool holdsNoForm(Velumix& window)
{
    return !window.built() && !window.centralWidget() && !window.ui.tabWidget &&
           !window.findChild<QCustomPlot*>() && !window.findChild<SystemVolume*>() &&
           !window.findChild<SoundPageView*>();
}

} // namespace

class HiddenStartTest : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void startInTheTrayBuildsNothingYetTheTrayServes();
    void firstShowingShowsTheSessionAsItIs();
    void goingToTheTrayLetsGoAndComingBackShowsTheSession();

private:
    // A unit plugged in, the window built as the program builds it and
    // hidden, the unit known.
    Velumix& startInTray();

    std::unique_ptr<WindowRig> m_rig;
};

void HiddenStartTest::init()
{
    m_rig = std::make_unique<WindowRig>();
}

void HiddenStartTest::cleanup()
{
    m_rig.reset();
}

Velumix& HiddenStartTest::startInTray()
{
    m_rig->addUnit(kHalden);
    Velumix& window = m_rig->buildWindow(programSessionOptions(), Velumix::Build::WhenShown);
    window.trayAvailable = [] { return true; };
    window.hide();
    if (!QTest::qWaitFor([this] { return m_rig->session().unitKnown(); }))
        qWarning("the unit did not become known");
    return window;
}

void HiddenStartTest::startInTheTrayBuildsNothingYetTheTrayServes()
{
    Velumix& window = startInTray();
    QVERIFY(m_rig->settle());
    QVERIFY(window.isHidden());
    QVERIFY(holdsNoForm(window));

    m_rig->clearFrames();
    QVERIFY(chooseInTray(window, "Microphone 25%"));
    QVERIFY(m_rig->settle());
    QCOMPARE(m_rig->session().micLevel(), 25);
    QCOMPARE(m_rig->framesWithCode(frame::SetMicVolume).size(), size_t(1)); // to the headset
    QVERIFY(holdsNoForm(window));
}

void HiddenStartTest::firstShowingShowsTheSessionAsItIs()
{
    Velumix& window = startInTray();
    QVERIFY(chooseInTray(window, "Microphone 75%"));
    m_rig->session().showPage(SoundPage::Stereo);
    QVERIFY(m_rig->settle());

    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QVERIFY(window.built());
    QVERIFY(mainScreenInFront(window));
    QCOMPARE(window.ui.tabWidget->currentIndex(), kStereoTab);
    QCOMPARE(window.ui.Slider_Voice1_3->value(), 75);
    QCOMPARE(window.windowIcon().cacheKey(), window.tray().icon()->icon().cacheKey());
}

void HiddenStartTest::goingToTheTrayLetsGoAndComingBackShowsTheSession()
{
    Velumix& window = startInTray();
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QVERIFY(m_rig->press(window.ui.pushButton_Close)); // to the tray
    QTRY_VERIFY(holdsNoForm(window));
    QVERIFY(window.isHidden());

    QVERIFY(chooseInTray(window, "Microphone 50%"));
    QVERIFY(m_rig->settle());
    window.tray().menu()->actions().first()->trigger(); // "Home Page"
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QVERIFY(mainScreenInFront(window));
    QCOMPARE(window.ui.Slider_Voice1_3->value(), 50);

    m_rig->pullOut(0);
    QVERIFY(startScreenInFront(window));
}

QTEST_MAIN(HiddenStartTest)
#include "tst_hiddenstart.moc"
