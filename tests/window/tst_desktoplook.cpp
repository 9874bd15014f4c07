// The look follows the desktop while the program runs. A stand-in settings
// portal on the test's own session bus answers the start's questions and
// tells of changes as a desktop's does; the window's look and the tray's
// "High contrast" check follow each change of the desktop's contrast, unless
// the person chose a look, which stays theirs.

#include "Look.h"
#include "WindowRig.h"

#include <QDBusConnection>
#include <QDBusContext>
#include <QDBusVariant>
#include <QMenu>
#include <QSettings>
#include <QtTest>

#include <optional>

namespace {

const QString kPortalService = QStringLiteral("org.freedesktop.portal.Desktop");
const QString kPortalPath = QStringLiteral("/org/freedesktop/portal/desktop");
const QString kPortalSettings = QStringLiteral("org.freedesktop.portal.Settings");
const QString kAppearance = QStringLiteral("org.freedesktop.appearance");
const QString kGnomeAccess = QStringLiteral("org.gnome.desktop.a11y.interface");

using Setting = QPair<QString, QString>; // namespace, key

// The settings portal as a desktop offers it: Read answers a setting it has,
// wrapped in two variants, and SettingChanged tells of each change.
class StandInPortal : public QObject, protected QDBusContext
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.portal.Settings")

public:
    QHash<Setting, QVariant> settings;

    void change(const QString& space, const QString& key, const QVariant& value)
    {
        settings[{space, key}] = value;
        emit SettingChanged(space, key, QDBusVariant(value));
    }

public slots:
    QDBusVariant Read(const QString& space, const QString& key)
    {
        const auto found = settings.constFind({space, key});
        if (found == settings.cend()) {
            sendErrorReply(QStringLiteral("org.freedesktop.portal.Error.NotFound"),
                           QStringLiteral("Requested setting not found"));
            return {};
        }
        return QDBusVariant(QVariant::fromValue(QDBusVariant(*found)));
    }

signals:
    void SettingChanged(const QString& space, const QString& key, const QDBusVariant& value);
};

// Counts the portal's SettingChanged signals as they come back from the bus.
// The bus hands every listener one signal before the next, so once a later
// signal has arrived here the window has had the earlier ones.
class SignalsHeard : public QObject
{
    Q_OBJECT

public:
    int count = 0;

public slots:
    void hear() { ++count; }
};

QAction* highContrastEntry(Velumix& window)
{
    for (QAction* action : window.tray().menu()->actions())
        if (action->text() == QLatin1String("High contrast"))
            return action;
    qFatal("the tray menu has no High contrast entry");
}

// Whether the window's style sheet is drawn in the high-contrast look, which
// has nothing left to replace in it.
bool drawnInHighContrast()
{
    const QString sheet = qApp->styleSheet();
    return look::inHighContrast(sheet) == sheet;
}

} // namespace

class DesktopLookTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void lookFollowsTheDesktopUnlessThePersonChose_data();
    void lookFollowsTheDesktopUnlessThePersonChose();
    void cleanup();

private:
    StandInPortal m_portal;
    SignalsHeard m_heard;
};

void DesktopLookTest::initTestCase()
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    QVERIFY2(bus.isConnected(), "the test runs on a private session bus (dbus-run-session)");
    QVERIFY(bus.registerService(kPortalService));
    QVERIFY(
        bus.registerObject(kPortalPath, &m_portal,
                           QDBusConnection::ExportAllSlots | QDBusConnection::ExportAllSignals));
    QVERIFY(bus.connect(kPortalService, kPortalPath, kPortalSettings,
                        QStringLiteral("SettingChanged"), &m_heard, SLOT(hear())));
}

void DesktopLookTest::lookFollowsTheDesktopUnlessThePersonChose_data()
{
    QTest::addColumn<QVariant>("chosen");             // the person's look; none when invalid
    QTest::addColumn<bool>("desktopAsksAtStart");     // the portal's contrast at start
    QTest::addColumn<Setting>("changed");             // the setting the desktop changes
    QTest::addColumn<QVariant>("value");              // to this value
    QTest::addColumn<bool>("highContrastAfterwards"); // the look after the change

    const Setting contrast{kAppearance, "contrast"};
    const Setting gnomeSwitch{kGnomeAccess, "high-contrast"};
    QTest::newRow("desktop asks for more contrast")
        << QVariant() << false << contrast << QVariant(1u) << true;
    QTest::newRow("desktop stops asking")
        << QVariant() << true << contrast << QVariant(0u) << false;
    QTest::newRow("GNOME's switch on")
        << QVariant() << false << gnomeSwitch << QVariant(true) << true;
    QTest::newRow("GNOME's switch off")
        << QVariant() << true << gnomeSwitch << QVariant(false) << false;
    QTest::newRow("person chose the default look")
        << QVariant(false) << false << contrast << QVariant(1u) << false;
    QTest::newRow("person chose high contrast")
        << QVariant(true) << true << contrast << QVariant(0u) << true;
    QTest::newRow("an unrelated setting")
        << QVariant() << false << Setting{kAppearance, "color-scheme"} << QVariant(1u) << false;
    QTest::newRow("the same key elsewhere")
        << QVariant() << false << Setting{"org.gnome.desktop.interface", "high-contrast"}
        << QVariant(true) << false;
}

void DesktopLookTest::lookFollowsTheDesktopUnlessThePersonChose()
{
    QFETCH(QVariant, chosen);
    QFETCH(bool, desktopAsksAtStart);
    QFETCH(Setting, changed);
    QFETCH(QVariant, value);
    QFETCH(bool, highContrastAfterwards);

    // The start as the program makes it.
    m_portal.settings[{kAppearance, "contrast"}] = desktopAsksAtStart ? 1u : 0u;
    if (chosen.isValid())
        look::rememberHighContrast(chosen.toBool());
    look::setHighContrast(look::highContrastWanted());
    const bool highContrastAtStart = chosen.isValid() ? chosen.toBool() : desktopAsksAtStart;
    QCOMPARE(look::highContrast(), highContrastAtStart);
    WindowRig rig;
    Velumix& window = rig.buildWindow();
    QCOMPARE(drawnInHighContrast(), highContrastAtStart);
    QCOMPARE(highContrastEntry(window)->isChecked(), highContrastAtStart);

    m_heard.count = 0;
    m_portal.change(changed.first, changed.second, value);
    m_portal.change(QStringLiteral("org.example.test"), QStringLiteral("end-of-changes"), 0u);
    QTRY_COMPARE_WITH_TIMEOUT(m_heard.count, 2, 10000);

    QCOMPARE(look::highContrast(), highContrastAfterwards);
    QCOMPARE(drawnInHighContrast(), highContrastAfterwards);
    QCOMPARE(highContrastEntry(window)->isChecked(), highContrastAfterwards);
    const std::optional<bool> chosenAfterwards = look::chosenHighContrast();
    QCOMPARE(chosenAfterwards ? QVariant(*chosenAfterwards) : QVariant(), chosen);
}

void DesktopLookTest::cleanup()
{
    m_portal.settings.clear();
    // The program's settings hold the person's choice alone.
    QSettings(QSettings::IniFormat, QSettings::UserScope, "velumix", "velumix").clear();
    look::setHighContrast(false);
}

QTEST_MAIN(DesktopLookTest)
#include "tst_desktoplook.moc"
