// The "Automatic modes" list in the window: reached from the window and the
// tray menu, it shows the session's rules, adds one from the applications
// playing now or by name, changes and removes one, all by keyboard and with
// names; a rules file that cannot be read is named and left as it is. The
// tray's tooltip says which rule is in force.

#include "WindowRig.h"

#include "AutomaticModes.h"
#include "AutomaticModesDialog.h"
#include "PlaybackStreams.h"

#include <QAction>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTableWidget>
#include <QtTest>

namespace {

QList<AutoModeRule> rulesInFile()
{
    return readAutoModeRules(automaticModesPath()).rules;
}

PlaybackStream playing(uint32_t index, const QString& binary, bool onHeadset = true)
{
    PlaybackStream stream;
    stream.index = index;
    stream.processBinary = binary;
    stream.applicationName = binary;
    stream.onHeadset = onHeadset;
    return stream;
}

void typeInto(QComboBox* box, const QString& text)
{
    box->setFocus();
    box->lineEdit()->selectAll();
    QTest::keyClicks(box->lineEdit(), text);
}

} // namespace

class TestAutomaticModesList : public QObject
{
    Q_OBJECT

private slots:
    void addChangeAndRemoveByKeyboard();
    void reachedFromTheWindowAndTheTray();
    void trayTooltipNamesTheRuleInForce();
    void unreadableFileIsNamedAndKept();
};

void TestAutomaticModesList::addChangeAndRemoveByKeyboard()
{
    WindowRig rig;
    QVERIFY(rig.startWith(kHalden));
    AutomaticModes automatic(rig.session(), automaticModesPath());
    rig.window().setAutomaticModes(&automatic);
    automatic.followStreams({playing(1, "steam", false), playing(2, "mpv")});
    AutomaticModesDialog* list = rig.window().showAutomaticModes();
    QVERIFY(list);
    QVERIFY(QTest::qWaitForWindowExposed(list));
    QCOMPARE(list->application()->count(), 2);
    QCOMPARE(list->application()->itemText(0), QStringLiteral("steam"));

    // From the applications playing now.
    list->application()->setFocus();
    QTest::keyClick(list->application(), Qt::Key_Down);
    list->application()->setCurrentIndex(0);
    typeInto(list->mode(), "FPS");
    QTest::keyClick(list->mode(), Qt::Key_Tab);
    QVERIFY(list->addButton()->hasFocus());
    QTest::keyClick(list->addButton(), Qt::Key_Space);
    QCOMPARE(rulesInFile(), (QList<AutoModeRule>{{"steam", SoundPage::Surround, "FPS"}}));
    QCOMPARE(list->list()->rowCount(), 1);
    QCOMPARE(list->list()->item(0, 2)->text(), QStringLiteral("FPS"));

    // By name, on the stereo page.
    typeInto(list->application(), "Spotify");
    list->page()->setFocus();
    QTest::keyClick(list->page(), Qt::Key_Down);
    QCOMPARE(list->page()->currentText(), QStringLiteral("Stereo"));
    QVERIFY(list->mode()->findText("Jazz") >= 0);
    typeInto(list->mode(), "Jazz");
    QTest::keyClick(list->addButton(), Qt::Key_Space);
    QCOMPARE(list->list()->rowCount(), 2);

    // Change: the selected rule fills the form.
    list->list()->setFocus();
    list->list()->selectRow(0);
    QCOMPARE(list->application()->currentText(), QStringLiteral("steam"));
    typeInto(list->mode(), "Moba");
    QTest::keyClick(list->addButton(), Qt::Key_Space);
    QCOMPARE(rulesInFile(), (QList<AutoModeRule>{{"steam", SoundPage::Surround, "Moba"},
                                                 {"Spotify", SoundPage::Stereo, "Jazz"}}));

    // Remove.
    list->list()->selectRow(1);
    QTest::keyClick(list->removeButton(), Qt::Key_Space);
    QCOMPARE(rulesInFile(), (QList<AutoModeRule>{{"steam", SoundPage::Surround, "Moba"}}));
    QCOMPARE(list->list()->rowCount(), 1);

    // Every control a key reaches has a name.
    for (QWidget* widget : list->findChildren<QWidget*>())
        if (widget->focusPolicy() & Qt::TabFocus && widget->isVisible() &&
            !qobject_cast<QLineEdit*>(widget))
            QVERIFY2(!widget->accessibleName().isEmpty(),
                     qPrintable(widget->objectName() + " " + widget->metaObject()->className()));
}

void TestAutomaticModesList::reachedFromTheWindowAndTheTray()
{
    WindowRig rig;
    QVERIFY(rig.startWith(kHalden));
    AutomaticModes automatic(rig.session(), automaticModesPath());
    rig.window().setAutomaticModes(&automatic);
    QAction* trayEntry = rig.window().tray().automaticModesAction();
    QVERIFY(trayEntry);
    QVERIFY(rig.window().tray().menu()->actions().contains(trayEntry));
    trayEntry->trigger();
    auto* list = rig.window().findChild<AutomaticModesDialog*>();
    QVERIFY(list && list->isVisible());
    list->hide();
    bool inWindow = false;
    for (QAction* action : rig.window().actions())
        if (action->shortcut() == QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_A)) {
            inWindow = true;
            action->trigger();
        }
    QVERIFY(inWindow);
    QVERIFY(list->isVisible());
}

void TestAutomaticModesList::trayTooltipNamesTheRuleInForce()
{
    WindowRig rig;
    QVERIFY(rig.startWith(kHalden));
    QVERIFY(saveAutoModeRules(automaticModesPath(), {{"steam", SoundPage::Surround, "FPS"}}).ok());
    AutomaticModes automatic(rig.session(), automaticModesPath());
    rig.window().setAutomaticModes(&automatic);
    automatic.followStreams({playing(7, "steam")});
    QTRY_VERIFY(rig.window().tray().icon()->toolTip().contains("FPS for steam"));
    automatic.followStreams({});
    QTRY_VERIFY(!rig.window().tray().icon()->toolTip().contains("FPS for steam"));
}

void TestAutomaticModesList::unreadableFileIsNamedAndKept()
{
    WindowRig rig;
    QVERIFY(rig.startWith(kHalden));
    const QString path = automaticModesPath();
    QVERIFY(QDir().mkpath(QFileInfo(path).absolutePath()));
    const QByteArray broken = "{\"rules\": [1]}";
    {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(broken);
    }
    AutomaticModes automatic(rig.session(), path);
    rig.window().setAutomaticModes(&automatic);
    AutomaticModesDialog* list = rig.window().showAutomaticModes();
    QVERIFY(list->message()->text().contains(path));
    typeInto(list->application(), "steam");
    typeInto(list->mode(), "FPS");
    QTest::keyClick(list->addButton(), Qt::Key_Space);
    QVERIFY(list->message()->text().contains("rule 1 is not an object"));
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), broken);
}

QTEST_MAIN(TestAutomaticModesList)
#include "tst_automaticmodeslist.moc"
