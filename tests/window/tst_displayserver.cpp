// The window on a real display server, with and without a tray, as
// tests/window/display-server.sh starts one: X11 (Xvfb, the xcb platform) or
// Wayland (headless weston, the wayland platform).
//   - A hidden start (-autorun) goes to the tray, or with no tray comes up
//     minimised, in the task bar.
//   - Closing goes to the tray; with no tray it minimises on X11 and hides on
//     Wayland, and a later start's "raise" shows the window again.
//   - A tray that appears while the window waits minimised takes it.
// The X11 tray is a stand-in that owns the _NET_SYSTEM_TRAY_S0 selection, as
// every XEmbed tray does; Qt asks for its owner. Wayland has no tray of its
// own: Qt 5.15 uses a StatusNotifier host on D-Bus, and asks for one once per
// process, so there the tray is the window's test seam (trayAvailable), and
// a tray appearing later is not followed (the next start uses it).

#include "BareWindow.h"
#include "DesktopIntegration.h"
#include "MessageBox.h"
#include "SingleInstance.h"
#include "TrayMenu.h"
#include "Velumix.h"

#include <QLocalSocket>
#include <QtTest>

#include <xcb/xcb.h>

#include <memory>

namespace {

constexpr int kExposeDeadlineMs = 10000;

bool s_trayShown = false;
bool trayShown()
{
    return s_trayShown;
}

bool onX11()
{
    return QGuiApplication::platformName() == QLatin1String("xcb");
}

// An XEmbed tray's claim: the owner of the screen's tray selection, on a
// connection of its own, as a tray program would hold it.
class StandInTray
{
public:
    StandInTray()
    {
        m_connection = xcb_connect(nullptr, nullptr);
        if (xcb_connection_has_error(m_connection))
            return;
        xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(m_connection)).data;
        m_window = xcb_generate_id(m_connection);
        xcb_create_window(m_connection, XCB_COPY_FROM_PARENT, m_window, screen->root, 0, 0, 1, 1, 0,
                          XCB_WINDOW_CLASS_INPUT_ONLY, XCB_COPY_FROM_PARENT, 0, nullptr);
        const char name[] = "_NET_SYSTEM_TRAY_S0";
        xcb_intern_atom_reply_t* atom = xcb_intern_atom_reply(
            m_connection, xcb_intern_atom(m_connection, 0, sizeof name - 1, name), nullptr);
        if (!atom)
            return;
        xcb_set_selection_owner(m_connection, m_window, atom->atom, XCB_CURRENT_TIME);
        announce(screen->root, atom->atom);
        free(atom);
        xcb_flush(m_connection);
        m_ok = true;
    }
    ~StandInTray()
    {
        xcb_disconnect(m_connection); // the selection goes with the connection
    }
    StandInTray(const StandInTray&) = delete;
    StandInTray& operator=(const StandInTray&) = delete;
    bool ok() const { return m_ok; }

private:
    // A new tray tells the clients with a MANAGER message to the root window.
    void announce(xcb_window_t root, xcb_atom_t selection)
    {
        const char name[] = "MANAGER";
        xcb_intern_atom_reply_t* manager = xcb_intern_atom_reply(
            m_connection, xcb_intern_atom(m_connection, 0, sizeof name - 1, name), nullptr);
        if (!manager)
            return;
        xcb_client_message_event_t message{};
        message.response_type = XCB_CLIENT_MESSAGE;
        message.format = 32;
        message.window = root;
        message.type = manager->atom;
        message.data.data32[0] = XCB_CURRENT_TIME;
        message.data.data32[1] = selection;
        message.data.data32[2] = m_window;
        xcb_send_event(m_connection, false, root, XCB_EVENT_MASK_STRUCTURE_NOTIFY,
                       reinterpret_cast<const char*>(&message));
        free(manager);
    }

    xcb_connection_t* m_connection = nullptr;
    xcb_window_t m_window = 0;
    bool m_ok = false;
};

} // namespace

class DisplayServerTest : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void cleanup();

    void hiddenStart_data();
    void hiddenStart();
    void closeThenLaterStart_data();
    void closeThenLaterStart();
    void trayAppearingLaterTakesTheWindow();

private:
    Velumix& window() { return m_bare->window; }
    void setTray(bool shown);
    void closeAsTheDesktopDoes();
    bool askForRaise();

    std::unique_ptr<BareWindow> m_bare;
    std::unique_ptr<StandInTray> m_tray;
    std::unique_ptr<SingleInstance> m_instance;
};

void DisplayServerTest::initTestCase()
{
    const QString platform = QGuiApplication::platformName();
    QVERIFY2(platform == "xcb" || onWayland(),
             qPrintable("run through tests/window/display-server.sh, not on " + platform));
    qInfo().noquote() << "platform:" << platform;
    QLoggingCategory::setFilterRules("velumix.*.debug=false");
    setMessageBoxHandler([](QMessageBox::Icon, const QString&, const QString&, const QString&) {});
}

void DisplayServerTest::cleanupTestCase()
{
    setMessageBoxHandler({});
}

void DisplayServerTest::init()
{
    s_trayShown = false;
    m_bare = std::make_unique<BareWindow>();
    if (!onX11())
        window().trayAvailable = &trayShown;
    m_instance = std::make_unique<SingleInstance>(QStringLiteral("velumix-display-test"));
    QVERIFY(m_instance->acquire());
    connect(m_instance.get(), &SingleInstance::raiseRequested, &window(),
            [this] { bringWindowForward(window()); });
}

void DisplayServerTest::cleanup()
{
    m_instance.reset();
    m_bare.reset();
    m_tray.reset();
}

void DisplayServerTest::setTray(bool shown)
{
    if (!onX11()) {
        s_trayShown = shown;
        return;
    }
    if (!shown) {
        m_tray.reset();
        QTRY_VERIFY(!QSystemTrayIcon::isSystemTrayAvailable());
        return;
    }
    m_tray = std::make_unique<StandInTray>();
    QVERIFY(m_tray->ok());
    QTRY_VERIFY(QSystemTrayIcon::isSystemTrayAvailable());
}

// The desktop's close (the title bar's button, Alt+F4) reaches the window as
// a close event; the window's own close button does the same.
void DisplayServerTest::closeAsTheDesktopDoes()
{
    window().close();
    QCoreApplication::processEvents();
}

bool DisplayServerTest::askForRaise()
{
    QLocalSocket later;
    later.connectToServer(m_instance->socketName());
    if (!later.waitForConnected(5000))
        return false;
    later.write("{\"command\":\"raise\",\"version\":1}\n");
    return later.waitForBytesWritten(5000) &&
           QTest::qWaitFor([&] { return later.canReadLine() || later.waitForReadyRead(50); });
}

void DisplayServerTest::hiddenStart_data()
{
    QTest::addColumn<bool>("tray");
    QTest::newRow("no tray") << false;
    QTest::newRow("tray") << true;
}

void DisplayServerTest::hiddenStart()
{
    QFETCH(bool, tray);
    setTray(tray);

    window().startHidden();
    QCoreApplication::processEvents();

    if (tray) {
        QVERIFY(window().isHidden());
    } else {
        QVERIFY(window().isVisible());
        // A Wayland compositor keeps the minimised state to itself: Qt
        // learns of none, and the window's state goes back to normal.
        if (onX11())
            QVERIFY(window().isMinimized());
    }
    // However it started, a later start shows it.
    QVERIFY(askForRaise());
    QTRY_VERIFY(window().isVisible() && !window().isMinimized());
    QVERIFY(QTest::qWaitForWindowExposed(&window(), kExposeDeadlineMs));
}

void DisplayServerTest::closeThenLaterStart_data()
{
    hiddenStart_data();
}

void DisplayServerTest::closeThenLaterStart()
{
    QFETCH(bool, tray);
    setTray(tray);
    window().show();
    QVERIFY(QTest::qWaitForWindowExposed(&window(), kExposeDeadlineMs));

    closeAsTheDesktopDoes();

    if (tray || onWayland()) {
        QVERIFY(window().isHidden());
    } else {
        QVERIFY(window().isVisible());
        QVERIFY(window().isMinimized());
    }
    QVERIFY(askForRaise());
    QTRY_VERIFY(window().isVisible() && !window().isMinimized());
    QVERIFY(QTest::qWaitForWindowExposed(&window(), kExposeDeadlineMs));
    // And once more: the second close and start behave as the first.
    closeAsTheDesktopDoes();
    QVERIFY(askForRaise());
    QTRY_VERIFY(window().isVisible() && !window().isMinimized());
    QVERIFY(QTest::qWaitForWindowExposed(&window(), kExposeDeadlineMs));
}

void DisplayServerTest::trayAppearingLaterTakesTheWindow()
{
    if (onWayland())
        QSKIP("Qt 5.15 asks for a StatusNotifier tray once per process on Wayland, and the "
              "compositor keeps the minimised state to itself: a later tray is used from the "
              "next start");
    setTray(false);
    window().startHidden();
    QCoreApplication::processEvents();
    QVERIFY(window().isMinimized());

    setTray(true);

    QTRY_VERIFY_WITH_TIMEOUT(window().isHidden(), 5000);
    QVERIFY(window().tray().icon()->isVisible());
}

int main(int argc, char* argv[])
{
    // The platform is the one display-server.sh chose, not the tests' offscreen.
    QApplication app(argc, argv);
    DisplayServerTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_displayserver.moc"
