// The window on a Linux desktop: closing it where the desktop shows no tray,
// a tray that appears later, Ctrl+Q, the free faces that stand in for the
// form's, and the factor that fits the fixed-size window on a scaled screen.

#include "BareWindow.h"
#include "DesktopIntegration.h"
#include "EventLoop.h"
#include "HotplugSource.h"
#include "MessageBox.h"
#include "SingleInstance.h"
#include "Velumix.h"

#include <QLocalSocket>
#include <QtTest>

#include <functional>
#include <memory>

namespace {

bool s_trayShown = false;
bool trayShown()
{
    return s_trayShown;
}

} // namespace

class DesktopTest : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void cleanup();

    void closingWithoutTrayMinimises();
    void trayAppearingLaterIsUsed();
    void laterStartBringsMinimisedWindowBack();
    void ctrlQQuits();
    void formFacesAreServedByFreeFaces_data();
    void formFacesAreServedByFreeFaces();
    void shrinkToFit_data();
    void shrinkToFit();

private:
    Velumix& window() { return m_bare->window; }
    // Closes the window inside a running event loop, as the desktop would.
    int closeInEventLoop();

    std::unique_ptr<BareWindow> m_bare;
};

void DesktopTest::initTestCase()
{
    QLoggingCategory::setFilterRules("velumix.*.debug=false");
    setMessageBoxHandler([](QMessageBox::Icon, const QString&, const QString&, const QString&) {});
}

void DesktopTest::cleanupTestCase()
{
    setMessageBoxHandler({});
}

void DesktopTest::init()
{
    s_trayShown = false;
    m_bare = std::make_unique<BareWindow>();
    window().trayAvailable = &trayShown;
}

void DesktopTest::cleanup()
{
    m_bare.reset();
}

int DesktopTest::closeInEventLoop()
{
    return runEventLoop([this] {
        window().ui.pushButton_DefaultClose->click();
        QTimer::singleShot(0, [] { QCoreApplication::exit(kLoopLeftByTest); });
    });
}

// A hidden window with no tray could never come back: it goes to the task
// bar, and the program goes on.
void DesktopTest::closingWithoutTrayMinimises()
{
    window().show();
    QSignalSpy lastWindowClosed(qApp, &QGuiApplication::lastWindowClosed);

    QCOMPARE(closeInEventLoop(), kLoopLeftByTest);

    QCOMPARE(lastWindowClosed.count(), 0);
    QVERIFY(window().isVisible());
    QVERIFY(window().isMinimized());
}

void DesktopTest::trayAppearingLaterIsUsed()
{
    window().show();
    QCOMPARE(closeInEventLoop(), kLoopLeftByTest);
    QVERIFY(window().isMinimized());

    window().showNormal();
    s_trayShown = true; // a StatusNotifier host has started since
    QCOMPARE(closeInEventLoop(), kLoopLeftByTest);
    QVERIFY(window().isHidden());
}

// The process stays reachable: a later start's request brings the window
// back from the task bar.
void DesktopTest::laterStartBringsMinimisedWindowBack()
{
    window().show();
    QCOMPARE(closeInEventLoop(), kLoopLeftByTest);
    QVERIFY(window().isMinimized());

    SingleInstance first(QStringLiteral("velumix-desktop-test"));
    QVERIFY(first.acquire());
    QObject::connect(&first, &SingleInstance::raiseRequested, &window(),
                     [this] { bringWindowForward(window()); });
    QLocalSocket later;
    later.connectToServer(SingleInstance::sessionKeys("velumix-desktop-test").socket);
    QVERIFY(later.waitForConnected(5000));
    later.write("{\"command\":\"raise\",\"version\":1}\n");
    QTRY_VERIFY(!window().isMinimized());
    QVERIFY(window().isVisible());
}

void DesktopTest::ctrlQQuits()
{
    window().show();
    QApplication::setActiveWindow(&window());
    QVERIFY(QTest::qWaitForWindowActive(&window()));
    QSignalSpy aboutToQuit(qApp, &QCoreApplication::aboutToQuit);

    const int exitCode =
        runEventLoop([this] { QTest::keyClick(&window(), Qt::Key_Q, Qt::ControlModifier); });

    QCOMPARE(exitCode, 0); // quit, not the guard's time-out
    QCOMPARE(aboutToQuit.count(), 1);
}

void DesktopTest::formFacesAreServedByFreeFaces_data()
{
    QTest::addColumn<QString>("formFamily");
    QTest::addColumn<QString>("servedFamily");
    QTest::newRow("Arial") << "Arial"
                           << "Liberation Sans";
    QTest::newRow("BankGothic Lt BT") << "BankGothic Lt BT"
                                      << "Jura";
}

// The faces come from Debian's packages through fontconfig: nothing is added
// from files of the program's own.
void DesktopTest::formFacesAreServedByFreeFaces()
{
    QFETCH(QString, formFamily);
    QFETCH(QString, servedFamily);
    useFreeFacesForForm();
    QVERIFY2(faceServedFor(formFamily).startsWith(servedFamily),
             qPrintable(faceServedFor(formFamily)));
    QCOMPARE(QApplication::font().pixelSize(), 15);
    QVERIFY(QFontInfo(QApplication::font()).family().startsWith("Liberation Sans"));
}

void DesktopTest::shrinkToFit_data()
{
    QTest::addColumn<QSize>("available");
    QTest::addColumn<qreal>("factor");
    // 1920x1080 at 100 %, and at 150 % (1280x720) with and without a panel.
    QTest::newRow("100 %") << QSize(1920, 1040) << 1.0;
    QTest::newRow("150 %, whole screen") << QSize(1280, 720) << (720.0 - 8) / 730;
    QTest::newRow("150 %, GNOME's top bar") << QSize(1280, 688) << (688.0 - 8) / 730;
    QTest::newRow("narrow") << QSize(1000, 1000) << (1000.0 - 8) / 1176;
    QTest::newRow("exactly enough") << QSize(1184, 738) << 1.0;
    QTest::newRow("no screen") << QSize() << 1.0;
}

void DesktopTest::shrinkToFit()
{
    QFETCH(QSize, available);
    QFETCH(qreal, factor);
    const qreal fit = ::shrinkToFit(available, QSize(1176, 730));
    QVERIFY2(qFuzzyCompare(fit, factor), qPrintable(QString::number(fit)));
    if (fit < 1.0) {
        QVERIFY(1176 * fit <= available.width());
        QVERIFY(730 * fit <= available.height());
    }
}

QTEST_MAIN(DesktopTest)
#include "tst_desktop.moc"
