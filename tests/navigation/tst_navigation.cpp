// Page navigation and panels of the main window, with a simulated headset:
// the three tabs and the modes they re-apply, the equaliser and speaker-test
// views of the surround page, folding the mode lists, the headset picture
// screen and the Reset and Save buttons.

#include "BuiltInPresets.h"
#include "GainText.h"
#include "HotplugSource.h"
#include "MessageBoxRecorder.h"
#include "SimulatedLink.h"
#include "TestFrames.h"
#include "Velumix.h"

#include <QtTest>

#include <memory>

namespace {

constexpr quint16 kHalden = 0x1054; // headset model 1
constexpr quint16 kRasko = 0x0F51;  // another accepted model, with its own picture pair

// Where the "Standard" presets sit: entry index in the page's
// preset list and the mode index for headset model 1.
constexpr int kSurroundStandardEntry = 2;
constexpr int kSurroundStandardMode = 3;
constexpr int kStereoStandardEntry = 5;
constexpr int kStereoStandardMode = 5;

constexpr char kIdleStyle[] =
    "QPushButton{background-color: rgb(50,50,50);border-radius:7px;color:rgb(100,100,100)}";
constexpr char kStereoSaveIdleStyle[] =
    "QPushButton{background-color: rgb(50,50,50);border-radius:7px;border-radius:7px;color:rgb(100,"
    "100,100)}";
constexpr char kChosenHalfStyle[] =
    "QPushButton{border-radius: 7px;height:60px;color:rgb(255,255,255);"
    "border: none;background-color: rgb(255,171,62)}";

// Gains that differ per page, per preset entry and per band, so that a frame
// tells which preset it carries.
EqGains presetGains(SoundPage page, int entry)
{
    EqGains gains{};
    const int sign = page == SoundPage::Surround ? 1 : -1;
    for (int band = 0; band < kBandCount; ++band)
        gains[band] = sign * ((entry + band) % 12 + 1);
    return gains;
}

QStringList presetEntries(SoundPage page, int count)
{
    QStringList entries;
    for (int entry = 0; entry < count; ++entry)
        entries << presetEntry(QStringLiteral("Entry%1").arg(entry),
                               gainsToText(presetGains(page, entry)));
    return entries;
}

Frames surroundStandardPair()
{
    return peqPair(kSurroundStandardMode, presetGains(SoundPage::Surround, kSurroundStandardEntry),
                   kHalden);
}

Frames stereoStandardPair()
{
    return peqPair(kStereoStandardMode, presetGains(SoundPage::Stereo, kStereoStandardEntry),
                   kHalden);
}

// Siblings only: raise() and lower() reorder the parent's children.
bool isAbove(const QWidget* upper, const QWidget* lower)
{
    const QObjectList& siblings = upper->parentWidget()->children();
    return siblings.indexOf(const_cast<QWidget*>(upper)) >
           siblings.indexOf(const_cast<QWidget*>(lower));
}

const QStringList kEditingWidgets = {"lineEdit_CustomName", "pushButton_CustomReset",
                                     "pushButton_CustomSave", "pushButton_CustomReset2",
                                     "pushButton_CustomSave2"};

// The names of one page's mode list as the fold tests use them.
struct ModeListNames
{
    QString foldButton;
    QString unfoldButton;
    QString caption;
    QString scrollArea;
    QStringList presetRadios;
    QStringList presetCopyButtons;
    QString customize;
    QString addButton;
    QString thirdSlot;
    QString thirdCopyButton;
    QString thirdDeleteButton;
};

const ModeListNames& modeListNames(SoundPage page)
{
    static const ModeListNames surround{
        "pushButton_die1",
        "pushButton_die2",
        "lineEdit_20",
        "scrollArea",
        {"radioButton_Surround_DeepBas", "radioButton_Surround_Moba", "radioButton_Surround_FPS",
         "radioButton_Surround_ZUVOStandard"},
        {"pushButton_13", "pushButton_14", "pushButton_15", "pushButton_16"},
        "radioButton_Surround_Customize",
        "pushButton_Surround_CustomAdd",
        "radioButton_Surround_Custom3",
        "pushButton_19",
        "pushButton_Surround_CustomClear_4"};
    static const ModeListNames stereo{"pushButton_die3",
                                      "pushButton_die4",
                                      "lineEdit_21",
                                      "scrollArea_2",
                                      {"radioButton_Stereo_Pop", "radioButton_Stereo_RockRoll",
                                       "radioButton_Stereo_DeepBass", "radioButton_Stereo_Jazz",
                                       "radioButton_Stereo_Classic",
                                       "radioButton_Stereo_ZUVOStandard"},
                                      {"pushButton_22", "pushButton_23", "pushButton_24",
                                       "pushButton_25", "pushButton_26", "pushButton_27"},
                                      "radioButton_Stereo_Customize",
                                      "pushButton_Stereo_CustomAdd",
                                      "radioButton_Stereo_Custom3",
                                      "pushButton_30",
                                      "pushButton_Stereo_CustomClear_4"};
    return page == SoundPage::Surround ? surround : stereo;
}

} // namespace

Q_DECLARE_METATYPE(SoundPage)
Q_DECLARE_METATYPE(Frames)
Q_DECLARE_METATYPE(EqGains)

class NavigationTest : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void cleanup();

    void surroundTabRebuildsTheTabs_data();
    void surroundTabRebuildsTheTabs();
    void otherTabsSwitchPageIconsAndPanels_data();
    void otherTabsSwitchPageIconsAndPanels();
    void stereoTabShowsSpectrumOrPicture_data();
    void stereoTabShowsSpectrumOrPicture();
    void pageSwitchReappliesStandardOfBothPages_data();
    void pageSwitchReappliesStandardOfBothPages();
    void customizeEntryIsNeverReapplied_data();
    void customizeEntryIsNeverReapplied();
    void checkedCustomSlotIsReapplied_data();
    void checkedCustomSlotIsReapplied();
    void firstPageButtonOnlyMakesTabZeroCurrent();
    void surroundPageSwitchesItsViews_data();
    void surroundPageSwitchesItsViews();
    void leavingThePageStopsOnlyAPlayingTest_data();
    void leavingThePageStopsOnlyAPlayingTest();
    void foldButtonsPlaceTheRows_data();
    void foldButtonsPlaceTheRows();
    void presetClickHidesCustomRowButtons_data();
    void presetClickHidesCustomRowButtons();
    void backArrowShowsTheHeadsetPicture_data();
    void backArrowShowsTheHeadsetPicture();
    void resetAndSaveGreyTheirPagesButtons_data();
    void resetAndSaveGreyTheirPagesButtons();
    void resetRestoresTheShownPagesSliders_data();
    void resetRestoresTheShownPagesSliders();

private:
    Velumix& window() { return *m_window; }
    const VelumixClass& ui() const { return m_window->ui; }
    template <typename Widget = QWidget> Widget* widget(const QString& name) const
    {
        auto* found = m_window->findChild<Widget*>(name);
        if (!found)
            qFatal("the window has no widget %s", qPrintable(name));
        return found;
    }
    const QIcon& icon(const QString& name) const;
    // Plugs in a headset after the window is built and opens it, as the
    // window would, with preset lists whose gains tell the presets apart.
    bool openHeadset(quint16 productId = kHalden);
    void clickTab(int index);
    Frames frames() const { return m_link->frames(); }

    // No real hot-plug event ever reaches these tests.
    ManualHotplugSource m_noHotplug;
    std::unique_ptr<SimulatedLink> m_link;
    std::unique_ptr<Velumix> m_window;
    MessageBoxRecorder m_boxRecorder;
};

void NavigationTest::initTestCase()
{
    QLoggingCategory::setFilterRules("velumix.*.debug=false");
}

void NavigationTest::cleanupTestCase() {}

void NavigationTest::init()
{
    m_boxRecorder.clear();
    m_link = std::make_unique<SimulatedLink>();
    m_link->context.hotplugSource = &m_noHotplug;
    m_window = std::make_unique<Velumix>();
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
}

void NavigationTest::cleanup()
{
    m_window.reset();
    m_link.reset();
}

const QIcon& NavigationTest::icon(const QString& name) const
{
    const QMap<QString, const QIcon*> icons = {
        {"game", &m_window->m_iconGame}, {"gameGray", &m_window->m_iconGameGray},
        {"ear", &m_window->m_iconEar},   {"earWhite", &m_window->m_iconEarWhite},
        {"mic", &m_window->m_iconMic},   {"micWhite", &m_window->m_iconMicWhite}};
    if (!icons.contains(name))
        qFatal("no tab icon %s", qPrintable(name));
    return *icons[name];
}

bool NavigationTest::openHeadset(quint16 productId)
{
    m_link->addHeadset(productId);
    if (usbHidOpenDevice() != 0)
        return false;
    window().m_headsetModel = headsetModelOf(productId);
    window().m_currentDeviceConfig.surroundPresets = presetEntries(SoundPage::Surround, 4);
    window().m_currentDeviceConfig.stereoPresets = presetEntries(SoundPage::Stereo, 6);
    m_link->backend.clearReceivedFrames();
    return true;
}

void NavigationTest::clickTab(int index)
{
    QTabBar* bar = ui().tabWidget->tabBar();
    QTest::mouseClick(bar, Qt::LeftButton, Qt::NoModifier, bar->tabRect(index).center());
}

void NavigationTest::surroundTabRebuildsTheTabs_data()
{
    QTest::addColumn<int>("tabBefore");
    QTest::addColumn<int>("disabledTab");
    QTest::addColumn<bool>("clicked");
    QTest::newRow("click, stereo tab disabled") << 0 << 1 << true;
    QTest::newRow("click from the microphone page") << 2 << -1 << true;
    // The status reply makes tab 0 current and then runs the switch.
    QTest::newRow("status reply from the stereo page") << 1 << -1 << false;
    QTest::newRow("status reply, surround tab disabled") << 1 << 0 << false;
}

void NavigationTest::surroundTabRebuildsTheTabs()
{
    QFETCH(int, tabBefore);
    QFETCH(int, disabledTab);
    QFETCH(bool, clicked);
    QVERIFY(openHeadset());
    QTabWidget* tabs = ui().tabWidget;
    tabs->setCurrentIndex(tabBefore);
    window().m_currentPage = 3;
    if (disabledTab >= 0)
        tabs->setTabEnabled(disabledTab, false);

    if (clicked) {
        clickTab(0);
    } else {
        tabs->setCurrentIndex(0);
        window().on_TabWidget_Clicked(0);
    }

    QCOMPARE(tabs->count(), 3);
    const QList<QWidget*> pages = {ui().widget_2, ui().widget, ui().widget_3};
    const QStringList icons = {"game", "ear", "mic"};
    for (int tab = 0; tab < 3; ++tab) {
        QCOMPARE(tabs->widget(tab), pages[tab]);
        QVERIFY2(tabs->isTabEnabled(tab), qPrintable(QString::number(tab)));
        QCOMPARE(tabs->tabText(tab), QString());
        QCOMPARE(tabs->tabIcon(tab).cacheKey(), icon(icons[tab]).cacheKey());
    }
    QCOMPARE(tabs->currentIndex(), 0);
    QCOMPARE(window().m_currentPage, 2);
}

void NavigationTest::otherTabsSwitchPageIconsAndPanels_data()
{
    QTest::addColumn<int>("tab");
    QTest::addColumn<int>("page");
    QTest::addColumn<QStringList>("icons");
    QTest::addColumn<int>("disabledTab");
    QTest::addColumn<QStringList>("shown");
    QTest::addColumn<QStringList>("hidden");
    QTest::newRow("stereo page") << 1 << 1 << QStringList{"gameGray", "earWhite", "mic"} << 2
                                 << QStringList{"lineEdit_15", "widget_Param_Stereo",
                                                "groupBox_Stereo_Spectrum", "label_dB", "label_Hz"}
                                 << QStringList{"widget_Param_Surround", "groupBox_SurroundTest"};
    QTest::newRow("microphone page")
        << 2 << 3 << QStringList{"gameGray", "ear", "micWhite"} << 1 << QStringList{}
        << QStringList{"lineEdit_15",
                       "widget_Param_Stereo",
                       "widget_Param_Surround",
                       "groupBox_Stereo_Spectrum",
                       "groupBox_SurroundTest",
                       "label_dB",
                       "label_Hz"} +
               kEditingWidgets;
}

void NavigationTest::otherTabsSwitchPageIconsAndPanels()
{
    QFETCH(int, tab);
    QFETCH(int, page);
    QFETCH(QStringList, icons);
    QFETCH(int, disabledTab);
    QFETCH(QStringList, shown);
    QFETCH(QStringList, hidden);
    QVERIFY(openHeadset());
    QTabWidget* tabs = ui().tabWidget;
    tabs->setTabEnabled(disabledTab, false);
    for (const QString& name : shown)
        widget(name)->hide();
    for (const QString& name : hidden)
        widget(name)->show();
    ui().pushButton_SurroundTest->setText("Testing");

    clickTab(tab);

    QCOMPARE(window().m_currentPage, page);
    QCOMPARE(tabs->currentIndex(), tab);
    for (int i = 0; i < 3; ++i)
        QCOMPARE(tabs->tabIcon(i).cacheKey(), icon(icons[i]).cacheKey());
    // Only the surround tab makes disabled tabs usable again.
    QVERIFY(!tabs->isTabEnabled(disabledTab));
    for (const QString& name : shown)
        QVERIFY2(!widget(name)->isHidden(), qPrintable(name));
    for (const QString& name : hidden)
        QVERIFY2(widget(name)->isHidden(), qPrintable(name));
    QCOMPARE(ui().pushButton_SurroundTest->text(), QString("Test"));
}

void NavigationTest::stereoTabShowsSpectrumOrPicture_data()
{
    QTest::addColumn<quint16>("productId");
    QTest::addColumn<bool>("opened");
    QTest::addColumn<bool>("spectrumShown");
    QTest::addColumn<bool>("pictureBefore");
    QTest::addColumn<bool>("pictureAfter");
    QTest::newRow("other model, open") << quint16(0x4130) << true << true << false << true;
    QTest::newRow("other model, closed") << quint16(0x4130) << false << false << false << true;
    QTest::newRow("built-in model, open") << kHalden << true << false << false << true;
    QTest::newRow("built-in model, closed: picture as it was")
        << kHalden << false << false << false << false;
}

void NavigationTest::stereoTabShowsSpectrumOrPicture()
{
    QFETCH(quint16, productId);
    QFETCH(bool, opened);
    QFETCH(bool, spectrumShown);
    QFETCH(bool, pictureBefore);
    QFETCH(bool, pictureAfter);
    if (opened)
        QVERIFY(openHeadset(productId));
    window().m_headsetModel = headsetModelOf(productId);
    ui().widget_Spectrum->setVisible(!spectrumShown);
    ui().label_Spectrum->setVisible(pictureBefore);

    clickTab(1);

    QCOMPARE(!ui().widget_Spectrum->isHidden(), spectrumShown);
    QCOMPARE(!ui().label_Spectrum->isHidden(), pictureAfter);
}

void NavigationTest::pageSwitchReappliesStandardOfBothPages_data()
{
    QTest::addColumn<int>("tab");
    QTest::addColumn<Frames>("expected");
    QTest::addColumn<int>("page");
    QTest::newRow("surround tab: stereo, then surround")
        << 0 << concatenated(stereoStandardPair(), surroundStandardPair()) << 2;
    QTest::newRow("stereo tab: surround, then stereo")
        << 1 << concatenated(surroundStandardPair(), stereoStandardPair()) << 1;
    QTest::newRow("microphone tab: nothing") << 2 << Frames{} << 3;
    QTest::newRow("beside every tab: nothing") << -1 << Frames{} << 3;
}

void NavigationTest::pageSwitchReappliesStandardOfBothPages()
{
    QFETCH(int, tab);
    QFETCH(Frames, expected);
    QFETCH(int, page);
    QVERIFY(openHeadset());
    window().m_currentPage = 3;

    if (tab >= 0)
        clickTab(tab);
    else
        window().on_TabWidget_Clicked(tab);

    QCOMPARE(frames(), expected);
    QCOMPARE(window().m_currentPage, page);
    QCOMPARE(m_boxRecorder.boxes(), QStringList());
}

void NavigationTest::customizeEntryIsNeverReapplied_data()
{
    QTest::addColumn<QString>("customize");
    QTest::addColumn<QString>("customFrame");
    QTest::addColumn<int>("tab");
    QTest::addColumn<Frames>("expected");
    QTest::newRow("surround page") << "radioButton_Surround_Customize"
                                   << "groupBox_Surround" << 0 << stereoStandardPair();
    QTest::newRow("stereo page") << "radioButton_Stereo_Customize"
                                 << "groupBox_Stereo" << 1 << surroundStandardPair();
}

void NavigationTest::customizeEntryIsNeverReapplied()
{
    QFETCH(QString, customize);
    QFETCH(QString, customFrame);
    QFETCH(int, tab);
    QFETCH(Frames, expected);
    QVERIFY(openHeadset());
    auto* entry = widget<QRadioButton>(customize);
    entry->click();
    QVERIFY(entry->isChecked());
    widget(customFrame)->hide();
    m_link->backend.clearReceivedFrames();
    QSignalSpy customizeClicks(entry, &QAbstractButton::clicked);

    clickTab(tab);

    QCOMPARE(customizeClicks.count(), 0);
    QCOMPARE(frames(), expected);
    // The page's custom list is selected, so its frame shows.
    QVERIFY(!widget(customFrame)->isHidden());
}

void NavigationTest::checkedCustomSlotIsReapplied_data()
{
    QTest::addColumn<QString>("customize");
    QTest::addColumn<QString>("slot");
    QTest::addColumn<int>("tab");
    QTest::newRow("surround slot 2") << "radioButton_Surround_Customize"
                                     << "radioButton_Surround_Custom2" << 0;
    QTest::newRow("stereo slot 4") << "radioButton_Stereo_Customize"
                                   << "radioButton_Stereo_Custom4" << 1;
}

void NavigationTest::checkedCustomSlotIsReapplied()
{
    QFETCH(QString, customize);
    QFETCH(QString, slot);
    QFETCH(int, tab);
    QVERIFY(openHeadset());
    widget<QRadioButton>(customize)->click();
    auto* chosen = widget<QRadioButton>(slot);
    chosen->setChecked(true);
    QSignalSpy slotClicks(chosen, &QAbstractButton::clicked);

    clickTab(tab);

    QCOMPARE(slotClicks.count(), 1);
}

void NavigationTest::firstPageButtonOnlyMakesTabZeroCurrent()
{
    QVERIFY(openHeadset());
    clickTab(1);
    m_link->backend.clearReceivedFrames();

    ui().radioButton->click();

    QCOMPARE(ui().tabWidget->currentIndex(), 0);
    QCOMPARE(window().m_currentPage, 1);
    QCOMPARE(frames(), Frames{});
}

void NavigationTest::surroundPageSwitchesItsViews_data()
{
    QTest::addColumn<QStringList>("pressed");
    QTest::addColumn<bool>("testView");
    QTest::newRow("Surround Sound") << QStringList{"pushButton_5"} << true;
    QTest::newRow("Equalizer after Surround Sound")
        << QStringList{"pushButton_5", "pushButton_4"} << false;
}

void NavigationTest::surroundPageSwitchesItsViews()
{
    QFETCH(QStringList, pressed);
    QFETCH(bool, testView);
    ui().pushButton_CustomReset->show();
    ui().pushButton_CustomSave->show();
    for (const QString& name : pressed) {
        // The switch reacts to the press, before any release.
        QTest::mousePress(widget(name), Qt::LeftButton);
        QCOMPARE(window().surroundSubViewActive, name == "pushButton_5");
        QTest::mouseRelease(widget(name), Qt::LeftButton);
    }

    for (QWidget* equaliser : std::initializer_list<QWidget*>{
             ui().verticalSlider_30_2, ui().verticalSlider_1k_2, ui().verticalSlider_16k_2,
             ui().label_16, ui().label_Hz_2, ui().widget_Param_Surround, ui().lineEdit_23})
        QVERIFY2(equaliser->isHidden() == testView, qPrintable(equaliser->objectName()));
    QCOMPARE(!ui().groupBox_SurroundTest->isHidden(), testView);
    QCOMPARE(!ui().pushButton_SurroundTest->isHidden(), testView);
    // "Surround Sound" hid Reset and Save; "Equalizer" does not bring them back.
    QVERIFY(ui().pushButton_CustomReset->isHidden());
    QVERIFY(ui().pushButton_CustomSave->isHidden());
    QPushButton* chosen = testView ? ui().pushButton_5 : ui().pushButton_4;
    QPushButton* other = testView ? ui().pushButton_4 : ui().pushButton_5;
    QVERIFY(isAbove(chosen, other));
    QCOMPARE(chosen->styleSheet(), QString(kChosenHalfStyle));
    QVERIFY(other->styleSheet().contains("color:rgb(90,90,90)"));

    // Editing a custom mode keeps Reset and Save out of the speaker view.
    window().showSurroundEditControls(true);
    QCOMPARE(ui().pushButton_CustomReset->isHidden(), testView);
    QCOMPARE(ui().pushButton_CustomSave->isHidden(), testView);
    QVERIFY(!ui().pushButton_CustomReset2->isHidden());
}

void NavigationTest::leavingThePageStopsOnlyAPlayingTest_data()
{
    QTest::addColumn<QString>("action");
    QTest::addColumn<int>("clicksBefore"); // odd: playing, even: paused
    QTest::addColumn<bool>("stopped");
    QTest::newRow("stereo tab, playing") << "tab 1" << 1 << true;
    QTest::newRow("microphone tab, playing") << "tab 2" << 3 << true;
    QTest::newRow("back arrow, playing") << "back arrow" << 1 << true;
    QTest::newRow("surround tab, playing") << "tab 0" << 1 << false;
    QTest::newRow("Equalizer, playing") << "Equalizer" << 1 << false;
    QTest::newRow("stereo tab, paused") << "tab 1" << 2 << false;
    QTest::newRow("back arrow, paused") << "back arrow" << 2 << false;
}

void NavigationTest::leavingThePageStopsOnlyAPlayingTest()
{
    QFETCH(QString, action);
    QFETCH(int, clicksBefore);
    QFETCH(bool, stopped);
    QVERIFY(openHeadset());
    QTest::mousePress(ui().pushButton_5, Qt::LeftButton);
    window().m_testClickCount = clicksBefore;
    window().m_testRunning = clicksBefore % 2 == 1;

    if (action.startsWith("tab"))
        clickTab(action.back().digitValue());
    else if (action == "Equalizer")
        QTest::mousePress(ui().pushButton_4, Qt::LeftButton);
    else
        QTest::mouseClick(ui().pushButton_8, Qt::LeftButton);

    QCOMPARE(window().m_testClickCount, stopped ? 0 : clicksBefore);
    QCOMPARE(window().m_testRunning, !stopped && clicksBefore % 2 == 1);
}

void NavigationTest::foldButtonsPlaceTheRows_data()
{
    QTest::addColumn<SoundPage>("page");
    QTest::addColumn<bool>("unfoldAgain");
    QTest::addColumn<QRect>("customize");
    QTest::addColumn<QRect>("addButton");
    QTest::addColumn<QRect>("thirdSlot");
    QTest::addColumn<QRect>("thirdCopy");
    QTest::addColumn<QRect>("thirdDelete");
    QTest::newRow("surround, folded")
        << SoundPage::Surround << false << QRect(0, 10, 110, 30) << QRect(210, 10, 24, 24)
        << QRect(0, 100, 110, 30) << QRect(165, 102, 20, 24) << QRect(213, 105, 18, 18);
    QTest::newRow("surround, unfolded again")
        << SoundPage::Surround << true << QRect(0, 130, 100, 25) << QRect(211, 130, 24, 24)
        << QRect(0, 220, 110, 30) << QRect(165, 222, 20, 24) << QRect(213, 225, 18, 18);
    QTest::newRow("stereo, folded")
        << SoundPage::Stereo << false << QRect(0, 10, 110, 30) << QRect(210, 10, 24, 24)
        << QRect(0, 100, 110, 30) << QRect(165, 102, 20, 24) << QRect(215, 105, 18, 18);
    QTest::newRow("stereo, unfolded again")
        << SoundPage::Stereo << true << QRect(0, 190, 110, 30) << QRect(210, 193, 24, 24)
        << QRect(0, 282, 110, 30) << QRect(160, 280, 20, 24) << QRect(215, 285, 18, 18);
}

void NavigationTest::foldButtonsPlaceTheRows()
{
    QFETCH(SoundPage, page);
    QFETCH(bool, unfoldAgain);
    QFETCH(QRect, customize);
    QFETCH(QRect, addButton);
    QFETCH(QRect, thirdSlot);
    QFETCH(QRect, thirdCopy);
    QFETCH(QRect, thirdDelete);
    const ModeListNames& names = modeListNames(page);
    ui().tabWidget->setCurrentIndex(page == SoundPage::Surround ? 0 : 1);
    widget(names.presetCopyButtons.first())->show();
    widget<QLineEdit>(names.caption)->setText("Customize");
    QScrollBar* scrollBar = widget<QScrollArea>(names.scrollArea)->verticalScrollBar();
    scrollBar->setValue(scrollBar->maximum());
    QVERIFY(scrollBar->value() > 0);

    QTest::mouseClick(widget(names.foldButton), Qt::LeftButton);
    if (unfoldAgain) {
        scrollBar->setValue(scrollBar->maximum());
        QTest::mouseClick(widget(names.unfoldButton), Qt::LeftButton);
    }
    // Choosing slot 3 shows its copy and delete buttons where the rows now are.
    widget<QRadioButton>(names.thirdSlot)->setChecked(true);

    QCOMPARE(widget(names.foldButton)->isHidden(), !unfoldAgain);
    QVERIFY(!widget(names.unfoldButton)->isHidden());
    for (const QString& preset : names.presetRadios)
        QVERIFY2(widget(preset)->isHidden() == !unfoldAgain, qPrintable(preset));
    for (const QString& copy : names.presetCopyButtons)
        QVERIFY2(widget(copy)->isHidden(), qPrintable(copy));
    QCOMPARE(widget<QLineEdit>(names.caption)->text(),
             QString(unfoldAgain ? "Default" : "Customize"));
    QCOMPARE(widget(names.customize)->geometry(), customize);
    QCOMPARE(widget(names.addButton)->geometry(), addButton);
    QCOMPARE(widget(names.thirdSlot)->geometry(), thirdSlot);
    QCOMPARE(widget(names.thirdCopyButton)->geometry(), thirdCopy);
    QCOMPARE(widget(names.thirdDeleteButton)->geometry(), thirdDelete);
    QVERIFY(!widget(names.thirdCopyButton)->isHidden());
    QVERIFY(!widget(names.thirdDeleteButton)->isHidden());
    QCOMPARE(scrollBar->value(), 0);
}

void NavigationTest::presetClickHidesCustomRowButtons_data()
{
    QTest::addColumn<QString>("preset");
    QTest::addColumn<QString>("slot");
    QTest::addColumn<QStringList>("rowButtons");
    QTest::newRow("surround") << "radioButton_Surround_FPS"
                              << "radioButton_Surround_Custom2"
                              << QStringList{"pushButton_17",
                                             "pushButton_18",
                                             "pushButton_19",
                                             "pushButton_20",
                                             "pushButton_21",
                                             "pushButton_Surround_CustomClear_2",
                                             "pushButton_Surround_CustomClear_3",
                                             "pushButton_Surround_CustomClear_4",
                                             "pushButton_Surround_CustomClear_5",
                                             "pushButton_Surround_CustomClear_6"};
    QTest::newRow("stereo") << "radioButton_Stereo_Jazz"
                            << "radioButton_Stereo_Custom2"
                            << QStringList{"pushButton_28",
                                           "pushButton_29",
                                           "pushButton_30",
                                           "pushButton_31",
                                           "pushButton_32",
                                           "pushButton_Stereo_CustomClear_2",
                                           "pushButton_Stereo_CustomClear_3",
                                           "pushButton_Stereo_CustomClear_4",
                                           "pushButton_Stereo_CustomClear_5",
                                           "pushButton_Stereo_CustomClear_6"};
}

void NavigationTest::presetClickHidesCustomRowButtons()
{
    QFETCH(QString, preset);
    QFETCH(QString, slot);
    QFETCH(QStringList, rowButtons);
    QVERIFY(openHeadset());
    for (const QString& name : rowButtons)
        widget(name)->show();
    widget<QRadioButton>(slot)->setChecked(true);

    widget<QRadioButton>(preset)->click();

    for (const QString& name : rowButtons)
        QVERIFY2(widget(name)->isHidden(), qPrintable(name));
}

void NavigationTest::backArrowShowsTheHeadsetPicture_data()
{
    QTest::addColumn<quint16>("productId");
    QTest::addColumn<QString>("picture");
    QTest::newRow("0x0F51") << kRasko << "Rasko";
    QTest::newRow("other product") << kHalden << "Sorel";
}

void NavigationTest::backArrowShowsTheHeadsetPicture()
{
    QFETCH(quint16, productId);
    QFETCH(QString, picture);
    QVERIFY(openHeadset(productId));
    window().setPanelMode(2);
    clickTab(1);
    const VelumixClass& form = ui();

    QTest::mouseClick(form.pushButton_8, Qt::LeftButton);

    QVERIFY(form.pushButton_8->isHidden());
    QCOMPARE(form.pushButton_9->geometry(), QRect(338, 67, 500, 598));
    QCOMPARE(form.label->styleSheet(),
             QString("QLabel{border-image: url(:/headset/pic/headset/Rasko_main_back.jpg);}"));
    QCOMPARE(
        form.pushButton_9->styleSheet(),
        QString("QPushButton{\nborder-image: url(:/headset/pic/headset/%1_main_hui.jpg);\n}\n"
                "QPushButton:hover{\nborder-image: url(:/headset/pic/headset/%1_main_bai.jpg);\n}")
            .arg(picture));
    QVERIFY(isAbove(form.label, form.tabWidget));
    QVERIFY(isAbove(form.pushButton_9, form.label));
    QVERIFY(isAbove(form.pushButton_Close, form.pushButton_9));
    QVERIFY(isAbove(form.pushButton_Minimize, form.pushButton_9));

    QTest::mouseClick(form.pushButton_9, Qt::LeftButton);

    QVERIFY(!form.pushButton_8->isHidden());
    QCOMPARE(form.pushButton_9->geometry(), QRect(1330, 190, 500, 598));
    QCOMPARE(form.label->styleSheet(),
             QString("QLabel{border-image: url(:/controls/pic/control/aaa.png);}"));
    QVERIFY(isAbove(form.tabWidget, form.label));
    QVERIFY(isAbove(form.label, form.label_DefaultBackground));
    QVERIFY(isAbove(form.label_DefaultBackground, form.pushButton_DefaultClose));
    // The page shown before is still the current one.
    QCOMPARE(form.tabWidget->currentIndex(), 1);
    QCOMPARE(window().m_currentPage, 1);
}

void NavigationTest::resetAndSaveGreyTheirPagesButtons_data()
{
    QTest::addColumn<QString>("pressed");
    QTest::addColumn<QStringList>("greyed");
    QTest::addColumn<QStringList>("untouched");
    QTest::addColumn<QString>("style");
    const QStringList surround = {"pushButton_CustomReset", "pushButton_CustomSave"};
    const QStringList stereo = {"pushButton_CustomReset2", "pushButton_CustomSave2"};
    QTest::newRow("Save, surround page")
        << "pushButton_CustomSave" << surround << stereo << kIdleStyle;
    QTest::newRow("Reset, surround page")
        << "pushButton_CustomReset" << surround << stereo << kIdleStyle;
    QTest::newRow("Reset, stereo page")
        << "pushButton_CustomReset2" << stereo << surround << kIdleStyle;
    QTest::newRow("Save, stereo page")
        << "pushButton_CustomSave2" << stereo << surround << kStereoSaveIdleStyle;
}

void NavigationTest::resetAndSaveGreyTheirPagesButtons()
{
    QFETCH(QString, pressed);
    QFETCH(QStringList, greyed);
    QFETCH(QStringList, untouched);
    QFETCH(QString, style);
    QVERIFY(openHeadset());
    // A slider drag makes all four buttons usable.
    emit ui().verticalSlider_60_2->sliderMoved(3);

    widget<QPushButton>(pressed)->click();

    for (const QString& name : greyed) {
        QVERIFY2(!widget(name)->isEnabled(), qPrintable(name));
        QCOMPARE(widget(name)->styleSheet(), style);
    }
    for (const QString& name : untouched)
        QVERIFY2(widget(name)->isEnabled(), qPrintable(name));
}

void NavigationTest::resetRestoresTheShownPagesSliders_data()
{
    QTest::addColumn<int>("tab");
    QTest::addColumn<QString>("resetButton");
    QTest::addColumn<QString>("surroundRecord"); // empty: no valid current record
    QTest::addColumn<EqGains>("surroundAfter");
    QTest::addColumn<EqGains>("stereoAfter");
    const EqGains untouched{5, 5, 5, 5, 5, 5, 5, 5, 5, 5};
    QTest::newRow("stereo page without record")
        << 1 << "pushButton_CustomReset2" << QString() << untouched << EqGains{};
    QTest::newRow("surround page with record")
        << 0 << "pushButton_CustomReset"
        << "1,2,3,4,5,6,7,8,9,10" << EqGains{1, 2, 3, 4, 5, 6, 7, 8, 9, 10} << untouched;
    QTest::newRow("microphone page")
        << 2 << "pushButton_CustomReset2" << QString() << untouched << untouched;
}

void NavigationTest::resetRestoresTheShownPagesSliders()
{
    QFETCH(int, tab);
    QFETCH(QString, resetButton);
    QFETCH(QString, surroundRecord);
    QFETCH(EqGains, surroundAfter);
    QFETCH(EqGains, stereoAfter);
    QVERIFY(openHeadset());
    clickTab(tab);
    for (const auto& table : {kSurroundBandSliders, kStereoBandSliders})
        for (QSlider* slider : widgets(ui(), table))
            slider->setValue(5);
    window().m_surroundCurrentCustomValid = !surroundRecord.isEmpty();
    window().m_surroundCurrentCustom = {"Surround", "Mine", surroundRecord};
    window().m_stereoCurrentCustomValid = false;

    widget<QPushButton>(resetButton)->click();

    for (const auto& [table, expected] : {std::pair{kSurroundBandSliders, surroundAfter},
                                          std::pair{kStereoBandSliders, stereoAfter}}) {
        const auto sliders = widgets(ui(), table);
        for (int band = 0; band < kBandCount; ++band)
            QCOMPARE(sliders[band]->value(), expected[band]);
    }
}

QTEST_MAIN(NavigationTest)
#include "tst_navigation.moc"
