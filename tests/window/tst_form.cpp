// The generated main form on its own: what setupUi builds and which of the
// window's slots each of its connections reaches, in which order.

#include "ChildNamed.h"
#include "LogRecorder.h"
#include "Velumix.h"

#include <QAccessible>
#include <QtTest>

// The window's slots, in its declaration order: name and parameter list.
#define VELUMIX_WINDOW_SLOTS(X)                                                                    \
    X(on_TabWidget_Clicked, (int))                                                                 \
    X(pushButton_die1_fold, ())                                                                    \
    X(pushButton_die2_fold, ())                                                                    \
    X(pushButton_die3_fold, ())                                                                    \
    X(pushButton_die4_fold, ())                                                                    \
    X(slot1, ())                                                                                   \
    X(main_clicked, ())                                                                            \
    X(main_changed, ())                                                                            \
    X(Red_Dialog_STEREO, ())                                                                       \
    X(Red_Dialog2_STEREO, ())                                                                      \
    X(Red_Dialog, ())                                                                              \
    X(Red_Dialog2, ())                                                                             \
    X(On_Button_Surround, ())                                                                      \
    X(On_Button_Style, ())                                                                         \
    X(Off_Button_MousePressEvent, ())                                                              \
    X(On_Button_MousePressEvent, ())                                                               \
    X(on_PushButton_DefaultClose_Clicked, ())                                                      \
    X(on_PushButton_Minimize_Clicked, ())                                                          \
    X(on_PushButton_Close_Clicked, ())                                                             \
    X(on_PushButton_PlayTest_Clicked, ())                                                          \
    X(on_PushButton_CustomReset_Clicked, ())                                                       \
    X(on_PushButton_CustomSave_Clicked, ())                                                        \
    X(on_PushButton_Stereo_CustomAdd_Clicked, ())                                                  \
    X(on_PushButton_Stereo_CustomClear_Clicked, ())                                                \
    X(on_PushButton_Surround_CustomAdd_Clicked, ())                                                \
    X(on_PushButton_Surround_CustomClear_Clicked, ())                                              \
    X(on_RadioButton_Surround_DeepBass_Clicked, ())                                                \
    X(on_RadioButton_Surround_FPS_Clicked, ())                                                     \
    X(on_RadioButton_Surround_Moba_Clicked, ())                                                    \
    X(on_RadioButton_Surround_ZUVOStandard_Clicked, ())                                            \
    X(on_RadioButton_Surround_Customize_Clicked, ())                                               \
    X(on_RadioButton_Stereo_Pop_Clicked, ())                                                       \
    X(on_RadioButton_Stereo_RockRoll_Clicked, ())                                                  \
    X(on_RadioButton_Stereo_DeepBass_Clicked, ())                                                  \
    X(on_RadioButton_Stereo_Jazz_Clicked, ())                                                      \
    X(on_RadioButton_Stereo_Classic_Clicked, ())                                                   \
    X(on_RadioButton_Stereo_ZUVOStandard_Clicked, ())                                              \
    X(on_RadioButton_Stereo_Customize_Clicked, ())                                                 \
    X(on_RadioButton_Surround_CustomOne_Clicked, ())                                               \
    X(on_RadioButton_Surround_CustomTwo_Clicked, ())                                               \
    X(on_RadioButton_Surround_CustomThree_Clicked, ())                                             \
    X(on_RadioButton_Surround_CustomFour_Clicked, ())                                              \
    X(on_RadioButton_Surround_CustomFive_Clicked, ())                                              \
    X(on_RadioButton_Stereo_CustomOne_Clicked, ())                                                 \
    X(on_RadioButton_Stereo_CustomTwo_Clicked, ())                                                 \
    X(on_RadioButton_Stereo_CustomThree_Clicked, ())                                               \
    X(on_RadioButton_Stereo_CustomFour_Clicked, ())                                                \
    X(on_RadioButton_Stereo_CustomFive_Clicked, ())                                                \
    X(on_CheckBox_MicENC_Clicked, ())                                                              \
    X(on_VerticalSlider_Stereo_ValueChange, ())                                                    \
    X(on_VerticalSlider_Surround_ValueChange, ())

#define RECORDING_SLOT(name, parameters)                                                           \
    void name parameters                                                                           \
    {                                                                                              \
        calls.append(QStringLiteral(#name));                                                       \
    }

// A bare main window that carries the window's slots and only notes which ran.
class ProbeWindow : public QMainWindow
{
    Q_OBJECT
public:
    QStringList calls;

public slots:
    VELUMIX_WINDOW_SLOTS(RECORDING_SLOT)
};

namespace {

QStringList ownSlotSignatures(const QMetaObject& meta)
{
    QStringList signatures;
    for (int i = meta.methodOffset(); i < meta.methodCount(); ++i) {
        const QMetaMethod method = meta.method(i);
        if (method.methodType() == QMetaMethod::Slot)
            signatures.append(QString::fromLatin1(method.methodSignature()));
    }
    return signatures;
}

// The buttons of the five custom rows of both pages: copy, then delete.
const QStringList kCustomRowButtons = {"pushButton_17",
                                       "pushButton_18",
                                       "pushButton_19",
                                       "pushButton_20",
                                       "pushButton_21",
                                       "pushButton_28",
                                       "pushButton_29",
                                       "pushButton_30",
                                       "pushButton_31",
                                       "pushButton_32",
                                       "pushButton_Surround_CustomClear_2",
                                       "pushButton_Surround_CustomClear_3",
                                       "pushButton_Surround_CustomClear_4",
                                       "pushButton_Surround_CustomClear_5",
                                       "pushButton_Surround_CustomClear_6",
                                       "pushButton_Stereo_CustomClear_2",
                                       "pushButton_Stereo_CustomClear_3",
                                       "pushButton_Stereo_CustomClear_4",
                                       "pushButton_Stereo_CustomClear_5",
                                       "pushButton_Stereo_CustomClear_6"};

} // namespace

class FormTest : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();

    void probeCarriesTheWindowsSlots();
    void everyConnectionFindsItsSignalAndSlot();
    void windowHasItsSizeAndFirstTab();
    void tabsShowIconsOnly_data();
    void tabsShowIconsOnly();
    void onlyTheStandardEntriesStartChecked();
    void rockAndRollShowsOneAmpersand();
    void checkedCustomRowShowsOnlyItsButtons_data();
    void checkedCustomRowShowsOnlyItsButtons();
    void rowDeleteButtonRunsThePageDeleteOnce_data();
    void rowDeleteButtonRunsThePageDeleteOnce();
    void resetAndSaveReachThePageSlotAlone_data();
    void resetAndSaveReachThePageSlotAlone();
    void presetClickClosesTheDeleteStrip_data();
    void presetClickClosesTheDeleteStrip();

private:
    std::unique_ptr<ProbeWindow> m_probe;
    VelumixClass m_form;
    QStringList m_connectWarnings;
};

void FormTest::initTestCase()
{
    // The form's pictures are compiled into the window library.
    Q_INIT_RESOURCE(velumix);
}

void FormTest::init()
{
    m_probe = std::make_unique<ProbeWindow>();
    const LogRecorder messages;
    m_form.setupUi(m_probe.get());
    m_connectWarnings = messages.warningsMatching("^QObject::connect");
}

void FormTest::cleanup()
{
    m_probe.reset();
}

void FormTest::probeCarriesTheWindowsSlots()
{
    const QStringList windowSlots = ownSlotSignatures(Velumix::staticMetaObject);
    QCOMPARE(windowSlots.size(), 51);
    QCOMPARE(ownSlotSignatures(ProbeWindow::staticMetaObject), windowSlots);
}

void FormTest::everyConnectionFindsItsSignalAndSlot()
{
    QCOMPARE(m_connectWarnings, QStringList());
}

void FormTest::windowHasItsSizeAndFirstTab()
{
    QCOMPARE(m_probe->size(), QSize(1176, 730));
    QCOMPARE(m_probe->minimumSize(), QSize(1176, 730));
    QCOMPARE(m_form.tabWidget->count(), 3);
    QCOMPARE(m_form.tabWidget->currentIndex(), 0);
}

void FormTest::tabsShowIconsOnly_data()
{
    QTest::addColumn<int>("tab");
    QTest::addColumn<QString>("page");
    QTest::addColumn<QString>("icon");
    QTest::newRow("surround") << 0 << "widget_2"
                              << ":/min/pic/min/game-hui.png";
    QTest::newRow("stereo") << 1 << "widget"
                            << ":/min/pic/min/ear.png";
    QTest::newRow("microphone") << 2 << "widget_3"
                                << ":/min/pic/min/maikefeng.png";
}

void FormTest::tabsShowIconsOnly()
{
    QFETCH(int, tab);
    QFETCH(QString, page);
    QFETCH(QString, icon);
    QTabWidget* tabs = m_form.tabWidget;
    QCOMPARE(tabs->widget(tab)->objectName(), page);
    QCOMPARE(tabs->tabText(tab), QString());
    const QSize size = tabs->iconSize();
    const QImage shown = tabs->tabIcon(tab).pixmap(size).toImage();
    QVERIFY2(!shown.isNull(), "the tab shows no picture");
    QCOMPARE(shown, QIcon(icon).pixmap(size).toImage());
}

void FormTest::onlyTheStandardEntriesStartChecked()
{
    QStringList checked;
    for (const QRadioButton* radio : m_probe->findChildren<QRadioButton*>())
        if (radio->isChecked())
            checked.append(radio->objectName());
    checked.sort();
    QCOMPARE(checked,
             QStringList({"radioButton_Stereo_ZUVOStandard", "radioButton_Surround_ZUVOStandard"}));
}

void FormTest::rockAndRollShowsOneAmpersand()
{
    QRadioButton* radio = m_form.radioButton_Stereo_RockRoll;
    // What assistive technology reads is the text as drawn, mnemonics resolved.
    QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(radio);
    QVERIFY(accessible);
    QCOMPARE(accessible->text(QAccessible::Name), QString("Rock & Roll"));
    // A lone '&' would have made "R" a keyboard shortcut instead.
    QVERIFY(radio->shortcut().isEmpty());
}

void FormTest::checkedCustomRowShowsOnlyItsButtons_data()
{
    QTest::addColumn<QString>("previousRadio");
    QTest::addColumn<QString>("radio");
    QTest::addColumn<QStringList>("rowButtons");
    QTest::newRow("surround 1 to 2")
        << "radioButton_Surround_Custom1"
        << "radioButton_Surround_Custom2"
        << QStringList{"pushButton_18", "pushButton_Surround_CustomClear_3"};
    QTest::newRow("surround 5 to 3")
        << "radioButton_Surround_Custom5"
        << "radioButton_Surround_Custom3"
        << QStringList{"pushButton_19", "pushButton_Surround_CustomClear_4"};
    QTest::newRow("stereo 1 to 4")
        << "radioButton_Stereo_Custom1"
        << "radioButton_Stereo_Custom4"
        << QStringList{"pushButton_31", "pushButton_Stereo_CustomClear_5"};
    QTest::newRow("stereo 4 to 5")
        << "radioButton_Stereo_Custom4"
        << "radioButton_Stereo_Custom5"
        << QStringList{"pushButton_32", "pushButton_Stereo_CustomClear_6"};
}

void FormTest::checkedCustomRowShowsOnlyItsButtons()
{
    QFETCH(QString, previousRadio);
    QFETCH(QString, radio);
    QFETCH(QStringList, rowButtons);
    // The window starts with every row's buttons hidden.
    for (const QString& name : kCustomRowButtons)
        childNamed<QPushButton>(m_probe.get(), name)->hide();
    childNamed<QRadioButton>(m_probe.get(), previousRadio)->setChecked(true);
    childNamed<QRadioButton>(m_probe.get(), radio)->setChecked(true);

    // Visible on its page, whether or not that page is the current tab.
    for (const QString& name : kCustomRowButtons) {
        const bool shown = !childNamed<QPushButton>(m_probe.get(), name)->isHidden();
        QVERIFY2(shown == rowButtons.contains(name),
                 qPrintable(name + (shown ? " is shown" : " is hidden")));
    }
}

void FormTest::rowDeleteButtonRunsThePageDeleteOnce_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<QString>("pageSlot");
    const QString surround = "on_PushButton_Surround_CustomClear_Clicked";
    const QString stereo = "on_PushButton_Stereo_CustomClear_Clicked";
    for (int row = 2; row <= 6; ++row) {
        const QString surroundButton = QString("pushButton_Surround_CustomClear_%1").arg(row);
        const QString stereoButton = QString("pushButton_Stereo_CustomClear_%1").arg(row);
        QTest::newRow(qPrintable(surroundButton)) << surroundButton << surround;
        QTest::newRow(qPrintable(stereoButton)) << stereoButton << stereo;
    }
}

void FormTest::rowDeleteButtonRunsThePageDeleteOnce()
{
    QFETCH(QString, button);
    QFETCH(QString, pageSlot);
    childNamed<QPushButton>(m_probe.get(), button)->click();
    QCOMPARE(m_probe->calls, QStringList{pageSlot});
}

void FormTest::resetAndSaveReachThePageSlotAlone_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<QStringList>("calls");
    // The buttons' looks follow the session's state of the page, so each
    // reaches the page's Reset or Save alone.
    QTest::newRow("surround reset")
        << "pushButton_CustomReset" << QStringList{"on_PushButton_CustomReset_Clicked"};
    QTest::newRow("surround save")
        << "pushButton_CustomSave" << QStringList{"on_PushButton_CustomSave_Clicked"};
    QTest::newRow("stereo reset") << "pushButton_CustomReset2"
                                  << QStringList{"on_PushButton_CustomReset_Clicked"};
    QTest::newRow("stereo save") << "pushButton_CustomSave2"
                                 << QStringList{"on_PushButton_CustomSave_Clicked"};
}

void FormTest::resetAndSaveReachThePageSlotAlone()
{
    QFETCH(QString, button);
    QFETCH(QStringList, calls);
    childNamed<QPushButton>(m_probe.get(), button)->click();
    QCOMPARE(m_probe->calls, calls);
}

void FormTest::presetClickClosesTheDeleteStrip_data()
{
    QTest::addColumn<QString>("radio");
    QTest::addColumn<QStringList>("calls");
    const QStringList surroundFollowUp = {"Red_Dialog2"};
    const QStringList stereoFollowUp = {"Red_Dialog2_STEREO"};
    // Deep Bass on the surround page also closes the stereo page's strip.
    QTest::newRow("surround deep bass") << "radioButton_Surround_DeepBas"
                                        << QStringList{"on_RadioButton_Surround_DeepBass_Clicked",
                                                       "Red_Dialog2", "Red_Dialog2_STEREO"};
    const QList<QPair<QString, QString>> surround = {
        {"radioButton_Surround_Moba", "on_RadioButton_Surround_Moba_Clicked"},
        {"radioButton_Surround_FPS", "on_RadioButton_Surround_FPS_Clicked"},
        {"radioButton_Surround_ZUVOStandard", "on_RadioButton_Surround_ZUVOStandard_Clicked"}};
    for (const auto& [radio, selection] : surround)
        QTest::newRow(qPrintable(radio)) << radio << QStringList{selection} + surroundFollowUp;
    const QList<QPair<QString, QString>> stereo = {
        {"radioButton_Stereo_Pop", "on_RadioButton_Stereo_Pop_Clicked"},
        {"radioButton_Stereo_RockRoll", "on_RadioButton_Stereo_RockRoll_Clicked"},
        {"radioButton_Stereo_DeepBass", "on_RadioButton_Stereo_DeepBass_Clicked"},
        {"radioButton_Stereo_Jazz", "on_RadioButton_Stereo_Jazz_Clicked"},
        {"radioButton_Stereo_Classic", "on_RadioButton_Stereo_Classic_Clicked"},
        {"radioButton_Stereo_ZUVOStandard", "on_RadioButton_Stereo_ZUVOStandard_Clicked"}};
    for (const auto& [radio, selection] : stereo)
        QTest::newRow(qPrintable(radio)) << radio << QStringList{selection} + stereoFollowUp;
}

void FormTest::presetClickClosesTheDeleteStrip()
{
    QFETCH(QString, radio);
    QFETCH(QStringList, calls);
    childNamed<QRadioButton>(m_probe.get(), radio)->click();
    QCOMPARE(m_probe->calls, calls);
}

QTEST_MAIN(FormTest)
#include "tst_form.moc"
