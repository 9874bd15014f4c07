// Page navigation and panels of the main window, with a simulated headset:
// the three tabs and the modes they re-apply, the equaliser and speaker-test
// views of the surround page, folding the mode lists, the headset picture
// screen and the Reset and Save buttons.

#include "BuiltInPresets.h"
#include "GainText.h"
#include "WidgetTables.h"
#include "WindowRig.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonDocument>
#include <QtTest>

namespace {

constexpr quint16 kRasko = 0x0F51; // another accepted model, with its own picture pair
constexpr quint16 kSorel = 0x4130; // one more, with its own pair

// Where the "Standard" presets sit: entry index in the page's
// preset list and the mode index for headset model 1.
constexpr int kSurroundStandardEntry = 2;
constexpr int kSurroundStandardMode = 3;
constexpr int kStereoStandardEntry = 5;
constexpr int kStereoStandardMode = 5;

constexpr char kIdleStyle[] =
    "QPushButton{background-color: rgb(50,50,50);border-radius:7px;color:rgb(100,100,100)}";
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

// Gains of the custom mode in slot `slot` of the page.
EqGains slotGains(SoundPage page, int slot)
{
    EqGains gains = presetGains(page, slot + 6);
    gains[0] = slot;
    return gains;
}

// The unit's file: preset lists whose gains tell the presets apart, and four
// custom modes on each page.
void prepareUnitFile(quint16 productId)
{
    QJsonObject root = shippedDefault(productId);
    root.insert("uuid", "0a1b2c3d");
    QJsonObject presets;
    QJsonArray modes;
    for (SoundPage page : kSoundPages) {
        const QString algorithm = algorithmOf(page);
        const int count = page == SoundPage::Surround ? 4 : 6;
        for (int entry = 0; entry < count; ++entry)
            presets.insert(QStringLiteral("%1%2").arg(algorithm.toLower()).arg(entry + 1),
                           QJsonObject{{"algorithm", algorithm},
                                       {"name", QStringLiteral("Entry%1").arg(entry)},
                                       {"parameter", gainsToText(presetGains(page, entry))}});
        for (int slot = 0; slot < 4; ++slot)
            modes.append(QJsonObject{{"algorithm", algorithm},
                                     {"name", QStringLiteral("Mine %1").arg(slot + 1)},
                                     {"parameter", gainsToText(slotGains(page, slot))}});
    }
    root.insert("defaultMode", presets);
    root.insert("customMode", modes);
    const QString path = userFilePath(productId, kFirstUnit);
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(QJsonDocument(root).toJson()) < 0)
        qFatal("cannot write %s", qPrintable(path));
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

// A tab icon as drawn.
QImage iconImage(const QIcon& icon)
{
    return icon.pixmap(24, 24).toImage();
}

QImage tabIconImage(const QString& name)
{
    const QMap<QString, QString> files = {
        {"game", "game.png"},     {"gameGray", "game-hui.png"},
        {"ear", "ear.png"},       {"earWhite", "ear-bai.png"},
        {"mic", "maikefeng.png"}, {"micWhite", "maikefeng-bai.png"}};
    if (!files.contains(name))
        qFatal("no tab icon %s", qPrintable(name));
    return iconImage(QIcon(":/min/pic/min/" + files[name]));
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

QString pictureButtonStyle(const QString& hover, const QString& rest)
{
    return QString("QPushButton{\nborder-image: url(:/headset/pic/headset/%1);\n}\n"
                   "QPushButton:hover{\nborder-image: url(:/headset/pic/headset/%2);\n}")
        .arg(rest, hover);
}

} // namespace

Q_DECLARE_METATYPE(EqGains)

class NavigationTest : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void surroundTabShowsAllTabs_data();
    void surroundTabShowsAllTabs();
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
    void firstPageButtonShowsTheSurroundPage();
    void surroundPageSwitchesItsViews_data();
    void surroundPageSwitchesItsViews();
    void resetAndSaveComeBackWithTheEqualiser();
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
    Velumix& window() { return m_rig->window(); }
    const VelumixClass& ui() { return m_rig->window().ui; }
    template <typename Widget = QWidget> Widget* widget(const QString& name)
    {
        return named<Widget>(window(), name);
    }
    // Starts with a headset of this product whose file tells the presets
    // and custom modes apart; only frames written afterwards are kept.
    bool start(quint16 productId = kHalden);
    // Clicks the tab and waits for what that set off.
    bool clickTab(int index) { return m_rig->clickTab(index) && m_rig->settle(); }
    // The PEQ frames the headset received since the last clear.
    Frames peqFrames() const { return m_rig->framesWithCode(frame::SetPeq); }
    // The page's list open and its custom slot chosen.
    bool chooseSlot(SoundPage page, int slot);

    std::unique_ptr<ThrowawayHome> m_home;
    std::unique_ptr<WindowRig> m_rig;
};

void NavigationTest::init()
{
    m_home = std::make_unique<ThrowawayHome>();
    m_rig = std::make_unique<WindowRig>();
}

void NavigationTest::cleanup()
{
    m_rig.reset();
    m_home.reset();
}

bool NavigationTest::start(quint16 productId)
{
    prepareUnitFile(productId);
    if (!m_rig->startWith(productId))
        return false;
    m_rig->clearFrames();
    return true;
}

bool NavigationTest::chooseSlot(SoundPage page, int slot)
{
    const PageControls controls = m_rig->page(page);
    return m_rig->openCustomList(controls) && m_rig->press(controls.customSlots[size_t(slot)]) &&
           m_rig->settle();
}

void NavigationTest::surroundTabShowsAllTabs_data()
{
    QTest::addColumn<int>("tabBefore");
    QTest::addColumn<bool>("clicked");
    QTest::newRow("click from the stereo page") << 1 << true;
    QTest::newRow("click from the microphone page") << 2 << true;
    // The headset reports the surround page while the stereo page is shown.
    QTest::newRow("status reply from the stereo page") << 1 << false;
}

void NavigationTest::surroundTabShowsAllTabs()
{
    QFETCH(int, tabBefore);
    QFETCH(bool, clicked);
    QVERIFY(start());
    QVERIFY(clickTab(tabBefore));
    QTabWidget* tabs = window().ui.tabWidget;

    if (clicked) {
        QVERIFY(clickTab(0));
    } else {
        m_rig->session().link().readStatus();
        QVERIFY(m_rig->settle());
    }

    QCOMPARE(tabs->count(), 3);
    const QList<QWidget*> pages = {ui().widget_2, ui().widget, ui().widget_3};
    const QStringList icons = {"game", "ear", "mic"};
    for (int tab = 0; tab < 3; ++tab) {
        QCOMPARE(tabs->widget(tab), pages[tab]);
        QVERIFY2(tabs->isTabEnabled(tab), qPrintable(QString::number(tab)));
        QCOMPARE(tabs->tabText(tab), QString());
        QCOMPARE(iconImage(tabs->tabIcon(tab)), tabIconImage(icons[tab]));
    }
    QCOMPARE(tabs->currentIndex(), 0);
    QCOMPARE(m_rig->session().pageShown(), SoundPage::Surround);
}

void NavigationTest::otherTabsSwitchPageIconsAndPanels_data()
{
    QTest::addColumn<int>("tab");
    QTest::addColumn<QStringList>("icons");
    QTest::addColumn<int>("disabledTab");
    QTest::addColumn<QStringList>("shown");
    QTest::addColumn<QStringList>("hidden");
    QTest::newRow("stereo page") << 1 << QStringList{"gameGray", "earWhite", "mic"} << 2
                                 << QStringList{"lineEdit_15", "widget_Param_Stereo",
                                                "groupBox_Stereo_Spectrum", "label_dB", "label_Hz"}
                                 << QStringList{"widget_Param_Surround", "groupBox_SurroundTest"};
    QTest::newRow("microphone page")
        << 2 << QStringList{"gameGray", "ear", "micWhite"} << 1 << QStringList{}
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
    QFETCH(QStringList, icons);
    QFETCH(int, disabledTab);
    QFETCH(QStringList, shown);
    QFETCH(QStringList, hidden);
    QVERIFY(start());
    QTabWidget* tabs = window().ui.tabWidget;
    tabs->setTabEnabled(disabledTab, false);
    for (const QString& name : shown)
        widget(name)->hide();
    for (const QString& name : hidden)
        widget(name)->show();
    ui().pushButton_SurroundTest->setText("Testing");

    QVERIFY(clickTab(tab));

    QCOMPARE(tabs->currentIndex(), tab);
    for (int i = 0; i < 3; ++i)
        QCOMPARE(iconImage(tabs->tabIcon(i)), tabIconImage(icons[i]));
    // A tab follows what the headset offers; nothing else enables it again.
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
    QTest::addColumn<bool>("pulledOut");
    QTest::addColumn<bool>("spectrumShown");
    QTest::addColumn<bool>("pictureBefore");
    QTest::addColumn<bool>("pictureAfter");
    QTest::newRow("other model, open") << kSorel << false << true << false << true;
    QTest::newRow("other model, pulled out") << kSorel << true << false << false << true;
    QTest::newRow("built-in model, open") << kHalden << false << false << false << true;
    // Without a link no model is known: the picture area shows as for others.
    QTest::newRow("built-in model, pulled out") << kHalden << true << false << false << true;
}

void NavigationTest::stereoTabShowsSpectrumOrPicture()
{
    QFETCH(quint16, productId);
    QFETCH(bool, pulledOut);
    QFETCH(bool, spectrumShown);
    QFETCH(bool, pictureBefore);
    QFETCH(bool, pictureAfter);
    QVERIFY(start(productId));
    if (pulledOut)
        m_rig->pullOut(0);
    ui().widget_Spectrum->setVisible(!spectrumShown);
    ui().label_Spectrum->setVisible(pictureBefore);

    // The start screen covers the tabs of a pulled-out headset, out of
    // reach of mouse and keyboard; the tab changes as the program changes it.
    if (pulledOut)
        ui().tabWidget->setCurrentIndex(1);
    else
        QVERIFY(clickTab(1));

    QCOMPARE(!ui().widget_Spectrum->isHidden(), spectrumShown);
    QCOMPARE(!ui().label_Spectrum->isHidden(), pictureAfter);
}

void NavigationTest::pageSwitchReappliesStandardOfBothPages_data()
{
    QTest::addColumn<int>("tab");
    QTest::addColumn<Frames>("expected");
    QTest::addColumn<int>("tabAfter");
    QTest::newRow("surround tab: stereo, then surround")
        << 0 << concatenated(stereoStandardPair(), surroundStandardPair()) << 0;
    QTest::newRow("stereo tab: surround, then stereo")
        << 1 << concatenated(surroundStandardPair(), stereoStandardPair()) << 1;
    QTest::newRow("microphone tab: nothing") << 2 << Frames{} << 2;
    QTest::newRow("beside every tab: nothing") << -1 << Frames{} << 2;
}

void NavigationTest::pageSwitchReappliesStandardOfBothPages()
{
    QFETCH(int, tab);
    QFETCH(Frames, expected);
    QFETCH(int, tabAfter);
    QVERIFY(start());
    QVERIFY(clickTab(2));
    m_rig->clearFrames();

    if (tab >= 0)
        QVERIFY(clickTab(tab));
    else
        window().on_TabWidget_Clicked(tab);
    QVERIFY(m_rig->settle());

    QCOMPARE(peqFrames(), expected);
    QCOMPARE(ui().tabWidget->currentIndex(), tabAfter);
    QCOMPARE(m_rig->boxes(), QStringList());
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
    QVERIFY(start());
    QVERIFY(clickTab(tab));
    auto* entry = widget<QRadioButton>(customize);
    QVERIFY(m_rig->press(entry));
    QVERIFY(entry->isChecked());
    QVERIFY(clickTab(2));
    widget(customFrame)->hide();
    m_rig->clearFrames();

    QVERIFY(clickTab(tab));

    QCOMPARE(peqFrames(), expected);
    // The page's custom list is chosen, so its frame shows.
    QVERIFY(!widget(customFrame)->isHidden());
}

void NavigationTest::checkedCustomSlotIsReapplied_data()
{
    QTest::addColumn<SoundPage>("page");
    QTest::addColumn<int>("slot");
    QTest::newRow("surround slot 2") << SoundPage::Surround << 1;
    QTest::newRow("stereo slot 4") << SoundPage::Stereo << 3;
}

void NavigationTest::checkedCustomSlotIsReapplied()
{
    QFETCH(SoundPage, page);
    QFETCH(int, slot);
    QVERIFY(start());
    QVERIFY(chooseSlot(page, slot));
    QVERIFY(clickTab(2));
    m_rig->clearFrames();

    QVERIFY(clickTab(m_rig->page(page).tab));

    QCOMPARE(lastPeqPair(*m_rig),
             peqPair(customSlotModeIndex(page, slot, 1), slotGains(page, slot), kHalden));
    QCOMPARE(checkedSlot(m_rig->page(page)), slot + 1);
}

// The start screen's page button makes the surround tab current, and the
// surround page is shown as a click on its tab shows it.
void NavigationTest::firstPageButtonShowsTheSurroundPage()
{
    QVERIFY(start());
    QVERIFY(clickTab(1));
    m_rig->clearFrames();

    ui().radioButton->click();
    QVERIFY(m_rig->settle());

    QCOMPARE(ui().tabWidget->currentIndex(), 0);
    QCOMPARE(m_rig->session().pageShown(), SoundPage::Surround);
    QCOMPARE(peqFrames(), concatenated(stereoStandardPair(), surroundStandardPair()));
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
    QVERIFY(start());
    for (const QString& name : pressed) {
        // The switch reacts to the press, before any release.
        QTest::mousePress(widget(name), Qt::LeftButton);
        QCOMPARE(!ui().groupBox_SurroundTest->isHidden(), name == "pushButton_5");
        QTest::mouseRelease(widget(name), Qt::LeftButton);
    }

    for (QWidget* equaliser : std::initializer_list<QWidget*>{
             ui().verticalSlider_30_2, ui().verticalSlider_1k_2, ui().verticalSlider_16k_2,
             ui().label_16, ui().label_Hz_2, ui().widget_Param_Surround, ui().lineEdit_23})
        QVERIFY2(equaliser->isHidden() == testView, qPrintable(equaliser->objectName()));
    QCOMPARE(!ui().groupBox_SurroundTest->isHidden(), testView);
    QCOMPARE(!ui().pushButton_SurroundTest->isHidden(), testView);
    QPushButton* chosen = testView ? ui().pushButton_5 : ui().pushButton_4;
    QPushButton* other = testView ? ui().pushButton_4 : ui().pushButton_5;
    QVERIFY(isAbove(chosen, other));
    QCOMPARE(chosen->styleSheet(), QString(kChosenHalfStyle));
    QVERIFY(other->styleSheet().contains("color:rgb(90,90,90)"));

    // Editing a custom mode keeps Reset and Save out of the speaker view.
    QVERIFY(m_rig->press(ui().radioButton_Surround_Customize));
    QVERIFY(m_rig->press(ui().radioButton_Surround_Custom1));
    QCOMPARE(ui().pushButton_CustomReset->isHidden(), testView);
    QCOMPARE(ui().pushButton_CustomSave->isHidden(), testView);
}

// A custom mode edited, a visit to the speaker view, back to the equaliser:
// the edit can still be saved.
void NavigationTest::resetAndSaveComeBackWithTheEqualiser()
{
    QVERIFY(start());
    QVERIFY(chooseSlot(SoundPage::Surround, 0));
    const PageControls surround = m_rig->page(SoundPage::Surround);
    QVERIFY(m_rig->drag(surround.sliders[4], 9));

    QTest::mousePress(ui().pushButton_5, Qt::LeftButton);
    QVERIFY(surround.save->isHidden());
    QTest::mousePress(ui().pushButton_4, Qt::LeftButton);

    QVERIFY(!surround.reset->isHidden());
    QVERIFY(!surround.save->isHidden());
    QVERIFY(surround.save->isEnabled());
    QVERIFY(m_rig->press(surround.save));
    EqGains saved = slotGains(SoundPage::Surround, 0);
    saved[4] = 9;
    QStringList surroundModes;
    for (const CustomRecord& mode : customRecordsInFile(userFilePath(kHalden, kFirstUnit)))
        if (mode.algorithm == "Surround")
            surroundModes << mode.parameter;
    QCOMPARE(surroundModes.value(0), gainText(saved));
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
    QVERIFY(start());
    QTest::mousePress(ui().pushButton_5, Qt::LeftButton);
    for (int click = 0; click < clicksBefore; ++click)
        QVERIFY(m_rig->press(ui().pushButton_SurroundTest));
    QCOMPARE(m_rig->boxes(), QStringList());
    const SpeakerTest& test = window().speakerTest();

    if (action.startsWith("tab"))
        QVERIFY(clickTab(action.back().digitValue()));
    else if (action == "Equalizer")
        QTest::mousePress(ui().pushButton_4, Qt::LeftButton);
    else
        QTest::mouseClick(ui().pushButton_8, Qt::LeftButton);

    QCOMPARE(test.clickCount(), stopped ? 0 : clicksBefore);
    QCOMPARE(test.isRunning(), !stopped && clicksBefore % 2 == 1);
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
    QVERIFY(start());
    QVERIFY(clickTab(page == SoundPage::Surround ? 0 : 1));
    QVERIFY(chooseSlot(page, 2));
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

    QCOMPARE(widget(names.foldButton)->isHidden(), !unfoldAgain);
    // One arrow at a time: the other would be a covered stop of the focus chain.
    QCOMPARE(widget(names.unfoldButton)->isHidden(), unfoldAgain);
    for (const QString& preset : names.presetRadios)
        QVERIFY2(widget(preset)->isHidden() == !unfoldAgain, qPrintable(preset));
    for (const QString& copy : names.presetCopyButtons)
        QVERIFY2(widget(copy)->isHidden(), qPrintable(copy));
    QCOMPARE(widget<QLineEdit>(names.caption)->text(),
             QString(unfoldAgain ? "Default" : "Customize"));
    QCOMPARE(widget(names.customize)->geometry(), customize);
    QCOMPARE(widget(names.addButton)->geometry(), addButton);
    // The chosen slot 3 shows its copy and delete buttons where the rows now are.
    QCOMPARE(widget(names.thirdSlot)->geometry(), thirdSlot);
    QCOMPARE(widget(names.thirdCopyButton)->geometry(), thirdCopy);
    QCOMPARE(widget(names.thirdDeleteButton)->geometry(), thirdDelete);
    QVERIFY(!widget(names.thirdCopyButton)->isHidden());
    QVERIFY(!widget(names.thirdDeleteButton)->isHidden());
    QCOMPARE(scrollBar->value(), 0);
}

void NavigationTest::presetClickHidesCustomRowButtons_data()
{
    QTest::addColumn<SoundPage>("page");
    QTest::addColumn<QString>("preset");
    QTest::addColumn<QStringList>("rowButtons");
    QTest::newRow("surround") << SoundPage::Surround << "radioButton_Surround_FPS"
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
    QTest::newRow("stereo") << SoundPage::Stereo << "radioButton_Stereo_Jazz"
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
    QFETCH(SoundPage, page);
    QFETCH(QString, preset);
    QFETCH(QStringList, rowButtons);
    QVERIFY(start());
    QVERIFY(chooseSlot(page, 1));
    for (const QString& name : rowButtons)
        widget(name)->show();

    QVERIFY(m_rig->press(widget<QRadioButton>(preset)));

    for (const QString& name : rowButtons)
        QVERIFY2(widget(name)->isHidden(), qPrintable(name));
}

void NavigationTest::backArrowShowsTheHeadsetPicture_data()
{
    QTest::addColumn<quint16>("productId");
    QTest::addColumn<QString>("picture");
    QTest::newRow("0x0F51") << kRasko
                            << pictureButtonStyle("Rasko_main_bai.jpg", "Rasko_main_hui.jpg");
    QTest::newRow("0x4130") << kSorel
                            << pictureButtonStyle("Sorel_main_bai.jpg", "Sorel_main_hui.jpg");
    // A model with a picture of its own shows that, not another model's.
    QTest::newRow("Halden") << kHalden
                            << "QPushButton{border-image: url(:/headset/pic/headset/Halden.png);}";
}

void NavigationTest::backArrowShowsTheHeadsetPicture()
{
    QFETCH(quint16, productId);
    QFETCH(QString, picture);
    QVERIFY(start(productId));
    QVERIFY(clickTab(1));
    const VelumixClass& form = ui();

    QTest::mouseClick(form.pushButton_8, Qt::LeftButton);

    QVERIFY(form.pushButton_8->isHidden());
    QCOMPARE(form.pushButton_9->geometry(), QRect(338, 67, 500, 598));
    QCOMPARE(form.label->styleSheet(),
             QString("QLabel{border-image: url(:/headset/pic/headset/Rasko_main_back.jpg);}"));
    QCOMPARE(form.pushButton_9->styleSheet(), picture);
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
    QCOMPARE(m_rig->session().pageShown(), SoundPage::Stereo);
}

void NavigationTest::resetAndSaveGreyTheirPagesButtons_data()
{
    QTest::addColumn<SoundPage>("page");
    QTest::addColumn<QString>("pressed");
    QTest::addColumn<QStringList>("greyed");
    QTest::addColumn<QStringList>("untouched");
    const QStringList surround = {"pushButton_CustomReset", "pushButton_CustomSave"};
    const QStringList stereo = {"pushButton_CustomReset2", "pushButton_CustomSave2"};
    QTest::newRow("Save, surround page")
        << SoundPage::Surround << "pushButton_CustomSave" << surround << stereo;
    QTest::newRow("Reset, surround page")
        << SoundPage::Surround << "pushButton_CustomReset" << surround << stereo;
    QTest::newRow("Reset, stereo page")
        << SoundPage::Stereo << "pushButton_CustomReset2" << stereo << surround;
    QTest::newRow("Save, stereo page")
        << SoundPage::Stereo << "pushButton_CustomSave2" << stereo << surround;
}

// An edit makes the page's Reset and Save usable; either of them leaves
// nothing to reset or save, and greys both; the other page's stay as they were.
void NavigationTest::resetAndSaveGreyTheirPagesButtons()
{
    QFETCH(SoundPage, page);
    QFETCH(QString, pressed);
    QFETCH(QStringList, greyed);
    QFETCH(QStringList, untouched);
    QVERIFY(start());
    QVERIFY(chooseSlot(page, 0));
    QVERIFY(m_rig->drag(m_rig->page(page).sliders[1], 3));
    for (const QString& name : greyed)
        QVERIFY2(widget(name)->isEnabled(), qPrintable(name));
    QMap<QString, bool> before;
    for (const QString& name : untouched)
        before[name] = widget(name)->isEnabled();

    QVERIFY(m_rig->press(widget<QPushButton>(pressed)));

    for (const QString& name : greyed) {
        QVERIFY2(!widget(name)->isEnabled(), qPrintable(name));
        QCOMPARE(widget(name)->styleSheet(), QString(kIdleStyle));
    }
    for (const QString& name : untouched)
        QCOMPARE(widget(name)->isEnabled(), before[name]);
}

void NavigationTest::resetRestoresTheShownPagesSliders_data()
{
    QTest::addColumn<int>("tab");
    QTest::addColumn<QString>("resetButton");
    QTest::addColumn<bool>("restored");
    QTest::newRow("stereo page") << 1 << "pushButton_CustomReset2" << true;
    QTest::newRow("surround page") << 0 << "pushButton_CustomReset" << true;
    QTest::newRow("microphone page") << 2 << "pushButton_CustomReset2" << false;
}

// Reset puts back the saved gains of the page on screen's custom mode; the
// other page keeps what it shows.
void NavigationTest::resetRestoresTheShownPagesSliders()
{
    QFETCH(int, tab);
    QFETCH(QString, resetButton);
    QFETCH(bool, restored);
    const SoundPage page = tab == 0 ? SoundPage::Surround : SoundPage::Stereo;
    QVERIFY(start());
    QVERIFY(chooseSlot(otherPage(page), 1));
    QVERIFY(chooseSlot(page, 2));
    const PageControls controls = m_rig->page(page);
    QVERIFY(m_rig->dragTo(controls, EqGains{5, 5, 5, 5, 5, 5, 5, 5, 5, 5}));
    const EqGains edited = sliderGains(controls);
    const EqGains otherBefore = sliderGains(m_rig->page(otherPage(page)));
    QVERIFY(clickTab(tab));

    widget<QPushButton>(resetButton)->click();

    QCOMPARE(sliderGains(controls), restored ? slotGains(page, 2) : edited);
    QCOMPARE(sliderGains(m_rig->page(otherPage(page))), otherBefore);
}

QTEST_MAIN(NavigationTest)
#include "tst_navigation.moc"
