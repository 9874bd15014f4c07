// What the window shows of the headset's replies, which reach the session
// through the link: the tabs a headset lacks, the algorithm switch after an
// equaliser upload, the page the headset reports, and each unit's own user
// file with its saved mode, also when units are swapped while the program
// runs and when the program starts again.

#include "WindowRig.h"

#include <QtTest>

#include <memory>

Q_DECLARE_METATYPE(Frames)
Q_DECLARE_METATYPE(DeviceIdentity)

namespace {

const QString kDeviceChange = QStringLiteral("prompt: Device Change!");
// The gains of the custom modes named "Real" in prepared user files.
constexpr EqGains kRealGains{1, 2, 3, 4, 5, -5, -4, -3, -2, -1};

// The sound page of a tab.
SoundPage pageOfTab(int tab)
{
    return tab == 1 ? SoundPage::Stereo : SoundPage::Surround;
}

// The switch the session sends once the headset acknowledged bands 5-9: that
// of the sound page in force, which the microphone page leaves as it was
// (the surround page after start).
Frames switchAfterUpload(int tab, quint16 productId)
{
    if (tab == 1)
        return {algorithmSwitch({1, 0, 0, 0, 0, 1})};
    return {algorithmSwitch({1, 0, 1, 0, 0, uint8_t(productId == kHalden ? 1 : 0)})};
}

int standardModeIndex(SoundPage page, quint16 productId)
{
    if (page == SoundPage::Stereo)
        return 5;
    return productId == kHalden ? 3 : 19;
}

Frames standardPair(SoundPage page, quint16 productId)
{
    return peqPair(standardModeIndex(page, productId),
                   shippedPresetGains(productId, algorithmOf(page), "ZUVO Standard"), productId);
}

} // namespace

class RepliesTest : public QObject
{
    Q_OBJECT

private slots:
    void init() { m_home = std::make_unique<ThrowawayHome>(); }
    void cleanup() { m_home.reset(); }

    void capabilitiesDisableTabs_data();
    void capabilitiesDisableTabs();
    void presetUploadEndsWithOneSwitch_data();
    void presetUploadEndsWithOneSwitch();
    void peqAcknowledgement_data();
    void peqAcknowledgement();
    void statusSelectsPage_data();
    void statusSelectsPage();
    void firstUnitLoadsItsFileSilently_data();
    void firstUnitLoadsItsFileSilently();
    void anotherUnitShowsDeviceChange_data();
    void anotherUnitShowsDeviceChange();
    void savedCustomModeRestoredAtNextStart_data();
    void savedCustomModeRestoredAtNextStart();
    void savedModeOfFileRestored_data();
    void savedModeOfFileRestored();

private:
    std::unique_ptr<ThrowawayHome> m_home;
};

void RepliesTest::capabilitiesDisableTabs_data()
{
    QTest::addColumn<bool>("stereoCapable");
    QTest::addColumn<bool>("surroundCapable");
    QTest::addColumn<quint16>("productId");
    QTest::addColumn<bool>("stereoTabEnabled");
    QTest::addColumn<bool>("surroundTabEnabled");
    QTest::addColumn<int>("tab");
    for (quint16 productId : {kHalden, kMorvik}) {
        const bool model1 = productId == kHalden;
        const QByteArray model = model1 ? "model 1" : "model 2";
        QTest::addRow("both, %s", model.constData())
            << true << true << productId << true << true << 0;
        QTest::addRow("no stereo, %s", model.constData())
            << false << true << productId << false << true << 0;
        QTest::addRow("no surround, %s", model.constData())
            << true << false << productId << true << model1 << (model1 ? 0 : 1);
        // With both sound tabs disabled, the tab bar moves to the microphone's.
        QTest::addRow("neither, %s", model.constData())
            << false << false << productId << false << model1 << (model1 ? 0 : 2);
    }
}

void RepliesTest::capabilitiesDisableTabs()
{
    QFETCH(bool, stereoCapable);
    QFETCH(bool, surroundCapable);
    QFETCH(quint16, productId);
    QFETCH(bool, stereoTabEnabled);
    QFETCH(bool, surroundTabEnabled);
    QFETCH(int, tab);
    WindowRig rig;
    const int unit = rig.addUnit(productId);
    rig.settings(unit).stereoCapable = stereoCapable;
    rig.settings(unit).surroundCapable = surroundCapable;
    QVERIFY(rig.start());
    // At open the status reply follows the capabilities and, by selecting the
    // surround page, enables every tab again; so the capabilities are asked
    // once more to see the reply on its own.
    rig.session().link().readAudio();
    QVERIFY(rig.settle());

    const QTabWidget* tabs = rig.window().ui.tabWidget;
    QCOMPARE(tabs->isTabEnabled(1), stereoTabEnabled);
    QCOMPARE(tabs->isTabEnabled(0), surroundTabEnabled);
    QCOMPARE(tabs->currentIndex(), tab);
    if (tab != 2)
        QCOMPARE(rig.session().pageShown(), pageOfTab(tab));
    QCOMPARE(rig.window().ui.widget_Param_Stereo->isVisibleTo(&rig.window()), tab == 1);
    QCOMPARE(rig.boxes(), QStringList());
}

void RepliesTest::presetUploadEndsWithOneSwitch_data()
{
    QTest::addColumn<int>("tab");
    QTest::addColumn<quint16>("productId");
    QTest::addColumn<QString>("preset");
    QTest::addColumn<QString>("storedName");
    QTest::addColumn<int>("modeIndex");
    QTest::newRow("surround FPS, model 1") << 0 << kHalden << "radioButton_Surround_FPS"
                                           << "FPS" << 1;
    QTest::newRow("surround FPS, model 2") << 0 << kMorvik << "radioButton_Surround_FPS"
                                           << "FPS" << 18;
    QTest::newRow("stereo Jazz, model 1") << 1 << kHalden << "radioButton_Stereo_Jazz"
                                          << "Jazz" << 3;
    QTest::newRow("stereo Jazz, model 2") << 1 << kMorvik << "radioButton_Stereo_Jazz"
                                          << "Jazz" << 3;
}

void RepliesTest::presetUploadEndsWithOneSwitch()
{
    QFETCH(int, tab);
    QFETCH(quint16, productId);
    QFETCH(QString, preset);
    QFETCH(QString, storedName);
    QFETCH(int, modeIndex);
    WindowRig rig;
    QVERIFY(rig.startWith(productId));
    QVERIFY(rig.clickTab(tab));
    QVERIFY(rig.settle());
    rig.clearFrames();

    QVERIFY(rig.press(named<QRadioButton>(rig.window(), preset)));
    QVERIFY(rig.settle());

    const EqGains gains =
        shippedPresetGains(productId, tab == 0 ? "Surround" : "Stereo", storedName);
    QCOMPARE(rig.frames(),
             concatenated(peqPair(modeIndex, gains, productId), switchAfterUpload(tab, productId)));
}

void RepliesTest::peqAcknowledgement_data()
{
    QTest::addColumn<int>("tab");
    QTest::addColumn<quint16>("productId");
    QTest::addColumn<int>("firstBand");
    QTest::addColumn<int>("lastBand");
    QTest::addColumn<int>("uploads");
    QTest::addColumn<Frames>("switches");
    const char* const tabNames[] = {"surround page", "stereo page", "microphone page"};
    for (int tab = 0; tab < 3; ++tab) {
        for (quint16 productId : {kHalden, kMorvik}) {
            const int model = productId == kHalden ? 1 : 2;
            const Frames once = switchAfterUpload(tab, productId);
            QTest::addRow("%s, model %d, bands 5-9", tabNames[tab], model)
                << tab << productId << 5 << 9 << 1 << once;
            QTest::addRow("%s, model %d, bands 5-9 twice", tabNames[tab], model)
                << tab << productId << 5 << 9 << 2 << concatenated(once, once);
            QTest::addRow("%s, model %d, bands 0-4", tabNames[tab], model)
                << tab << productId << 0 << 4 << 1 << Frames{};
        }
    }
}

// One PEQ frame at a time goes to the headset, which acknowledges it; the
// window answers an acknowledgement of the high bands on its own.
void RepliesTest::peqAcknowledgement()
{
    QFETCH(int, tab);
    QFETCH(quint16, productId);
    QFETCH(int, firstBand);
    QFETCH(int, lastBand);
    QFETCH(int, uploads);
    QFETCH(Frames, switches);
    WindowRig rig;
    QVERIFY(rig.startWith(productId));
    QVERIFY(rig.clickTab(tab));
    QVERIFY(rig.settle());
    QCOMPARE(rig.window().ui.tabWidget->currentIndex(), tab);
    rig.clearFrames();

    for (int upload = 0; upload < uploads; ++upload) {
        rig.session().link().sendPeq(1, firstBand, lastBand, 0, EqGains{});
        QVERIFY(rig.settle());
    }

    QCOMPARE(rig.framesWithCode(frame::SetAlgorithmSwitch), switches);
}

void RepliesTest::statusSelectsPage_data()
{
    QTest::addColumn<int>("stateByte");
    QTest::addColumn<int>("tab");
    QTest::newRow("state 15") << 15 << 1;
    QTest::newRow("state 16") << 16 << 0;
    QTest::newRow("state 0") << 0 << 1;
    QTest::newRow("state 255") << 255 << 0;
}

// At open the reported page is shown; a later status reply of the same unit
// puts its page in force silently, and a person on the microphone page stays
// there.
void RepliesTest::statusSelectsPage()
{
    QFETCH(int, stateByte);
    QFETCH(int, tab);
    WindowRig rig;
    const int unit = rig.addUnit(kHalden);
    rig.settings(unit).stateByte = uint8_t(stateByte);
    QVERIFY(rig.start());
    QCOMPARE(rig.window().ui.tabWidget->currentIndex(), tab);
    QCOMPARE(rig.session().pageShown(), pageOfTab(tab));
    QVERIFY(rig.clickTab(2));
    QVERIFY(rig.settle());

    rig.session().link().readStatus();
    QVERIFY(rig.settle());

    QCOMPARE(rig.window().ui.tabWidget->currentIndex(), 2);
    QCOMPARE(rig.session().pageShown(), pageOfTab(tab));
    QCOMPARE(rig.boxes(), QStringList());
}

void RepliesTest::firstUnitLoadsItsFileSilently_data()
{
    QTest::addColumn<quint16>("productId");
    QTest::addColumn<DeviceIdentity>("identity");
    QTest::addColumn<QString>("uuid");
    QTest::newRow("model 1") << kHalden << kFirstUnit << "0a1b2c3d";
    QTest::newRow("model 2") << kMorvik << kFirstUnit << "0a1b2c3d";
    QTest::newRow("model 1, identity zero") << kHalden << DeviceIdentity{} << "00000000";
    QTest::newRow("model 2, identity zero") << kMorvik << DeviceIdentity{} << "00000000";
}

void RepliesTest::firstUnitLoadsItsFileSilently()
{
    QFETCH(quint16, productId);
    QFETCH(DeviceIdentity, identity);
    QFETCH(QString, uuid);
    const QString file = userFilePath(productId, identity);
    QVERIFY(!QFile::exists(file));
    WindowRig rig;
    rig.addUnit(productId, identity);

    QVERIFY(rig.start());

    QJsonObject expected = shippedDefault(productId);
    expected.insert("uuid", uuid);
    QCOMPARE(described(readJsonFile(file)), described(expected));
    QCOMPARE(rig.boxes(), QStringList());
    QCOMPARE(rig.session().unit().identity, identity);
    // The default file's saved mode is the Surround Standard preset.
    QVERIFY(rig.window().ui.radioButton_Surround_ZUVOStandard->isChecked());
    QCOMPARE(lastPeqPair(rig), standardPair(SoundPage::Surround, productId));
}

void RepliesTest::anotherUnitShowsDeviceChange_data()
{
    QTest::addColumn<quint16>("secondProductId");
    QTest::newRow("same model") << kHalden;
    QTest::newRow("other model") << kMorvik;
}

void RepliesTest::anotherUnitShowsDeviceChange()
{
    QFETCH(quint16, secondProductId);
    const EqGains beeGains{3, 1, -2, 0, 5, 6, -7, 2, 0, -1};
    prepareUserFile(secondProductId, kSecondUnit, {customMode("Stereo", "Bee", beeGains)},
                    currentMode("Stereo", "custom", "Bee"));
    WindowRig rig;
    const int first = rig.addUnit(kHalden, kFirstUnit);
    const int second = rig.addUnit(secondProductId, kSecondUnit, false);
    // Its saved mode is restored on the page the unit reports.
    rig.settings(second).stateByte = kStereoState;
    QVERIFY(rig.start());
    Velumix& window = rig.window();
    const PageControls stereo = rig.page(SoundPage::Stereo);
    const PageControls surround = rig.page(SoundPage::Surround);
    QCOMPARE(rig.boxes(), QStringList());

    // The second unit comes with its own file and saved mode.
    rig.pullOut(first);
    rig.plugIn(second);
    QVERIFY(rig.settle());
    QCOMPARE(rig.boxes(), QStringList{kDeviceChange});
    // The picture screen shows the unit's own headset.
    QVERIFY(window.ui.pushButton_9->styleSheet().contains(
        secondProductId == kHalden ? "Halden.png" : "Morvik.png"));
    QCOMPARE(window.ui.tabWidget->currentIndex(), 1);
    QCOMPARE(visibleSlotTexts(stereo), QStringList{"Bee"});
    QCOMPARE(checkedSlot(stereo), 1);
    QCOMPARE(sliderGains(stereo), beeGains);
    QCOMPARE(lastPeqPair(rig), peqPair(6, beeGains, secondProductId));

    // Back to the first unit: announced again, with its own (empty) list.
    rig.pullOut(second);
    rig.plugIn(first);
    QVERIFY(rig.settle());
    QCOMPARE(rig.boxes(), (QStringList{kDeviceChange, kDeviceChange}));
    QVERIFY(window.ui.radioButton_Surround_ZUVOStandard->isChecked());
    QVERIFY(rig.clickTab(1));
    QVERIFY(rig.settle());
    QVERIFY(rig.press(stereo.customize));
    QCOMPARE(visibleSlotTexts(stereo), QStringList());

    // The same unit again: its file is not read again and nothing is shown,
    // even though the file changed meanwhile.
    rig.pullOut(first);
    prepareUserFile(kHalden, kFirstUnit, {customMode("Surround", "Sneaky", beeGains)});
    rig.plugIn(first);
    QVERIFY(rig.settle());
    QCOMPARE(rig.boxes(), (QStringList{kDeviceChange, kDeviceChange}));
    QVERIFY(rig.clickTab(0));
    QVERIFY(rig.settle());
    QVERIFY(rig.press(surround.customize));
    QCOMPARE(visibleSlotTexts(surround), QStringList());
    QCOMPARE(customModesInFile(userFilePath(secondProductId, kSecondUnit)),
             described({customMode("Stereo", "Bee", beeGains)}));
}

void RepliesTest::savedCustomModeRestoredAtNextStart_data()
{
    QTest::addColumn<SoundPage>("page");
    QTest::addColumn<quint16>("productId");
    QTest::addColumn<int>("modeIndex"); // of slot 2
    QTest::newRow("surround, model 1") << SoundPage::Surround << kHalden << 7;
    QTest::newRow("surround, model 2") << SoundPage::Surround << kMorvik << 21;
    QTest::newRow("stereo, model 1") << SoundPage::Stereo << kHalden << 7;
    QTest::newRow("stereo, model 2") << SoundPage::Stereo << kMorvik << 7;
}

void RepliesTest::savedCustomModeRestoredAtNextStart()
{
    QFETCH(SoundPage, page);
    QFETCH(quint16, productId);
    QFETCH(int, modeIndex);
    const EqGains gains{-5, -2, 0, 3, 8, 8, 3, 0, -2, -5};
    WindowRig rig;
    const int unit = rig.addUnit(productId);
    // A saved mode is restored on the page the unit reports.
    rig.settings(unit).stateByte = page == SoundPage::Stereo ? kStereoState : kSurroundState;
    QVERIFY(rig.start());
    PageControls controls = rig.page(page);
    QVERIFY(rig.clickTab(controls.tab));
    QVERIFY(rig.settle());
    QVERIFY(rig.press(controls.customize));
    QVERIFY(rig.press(controls.add));
    QVERIFY(rig.press(controls.add));
    QVERIFY(rig.typeName(controls.nameBox, "Night Owl"));
    QVERIFY(rig.dragTo(controls, gains));
    QVERIFY(rig.press(controls.save));
    QCOMPARE(savedModeInFile(userFilePath(productId, kFirstUnit)),
             described(currentMode(algorithmOf(page), "custom", "Night Owl")));

    rig.stop();
    rig.clearFrames();
    QVERIFY(rig.start());

    controls = rig.page(page);
    QCOMPARE(rig.window().ui.tabWidget->currentIndex(), controls.tab);
    QVERIFY(controls.customize->isChecked());
    QCOMPARE(visibleSlotTexts(controls), (QStringList{"New Equalizer", "Night Owl"}));
    QCOMPARE(checkedSlot(controls), 2);
    QCOMPARE(sliderGains(controls), gains);
    QCOMPARE(lastPeqPair(rig), peqPair(modeIndex, gains, productId));
    QCOMPARE(rig.boxes(), QStringList());
}

void RepliesTest::savedModeOfFileRestored_data()
{
    QTest::addColumn<int>("stateByte");
    QTest::addColumn<QJsonObject>("mode");
    QTest::addColumn<QString>("checkedRadio");
    QTest::addColumn<Frames>("sent");
    const auto preset = [](const char* algorithm, const char* name, int modeIndex) {
        return peqPair(modeIndex, shippedPresetGains(kMorvik, algorithm, name), kMorvik);
    };
    QTest::newRow("stereo preset") << int(kStereoState) << currentMode("Stereo", "default", "Jazz")
                                   << "radioButton_Stereo_Jazz" << preset("Stereo", "Jazz", 3);
    QTest::newRow("surround preset")
        << int(kSurroundState) << currentMode("Surround", "default", "FPS")
        << "radioButton_Surround_FPS" << preset("Surround", "FPS", 18);
    QTest::newRow("stereo custom mode")
        << int(kStereoState) << currentMode("Stereo", "custom", "Real")
        << "radioButton_Stereo_Custom1" << peqPair(6, kRealGains, kMorvik);
    // A saved mode of the other page gives way to the reported page's Standard.
    QTest::newRow("stereo preset, surround reported")
        << int(kSurroundState) << currentMode("Stereo", "default", "Jazz")
        << "radioButton_Surround_ZUVOStandard" << standardPair(SoundPage::Surround, kMorvik);
    QTest::newRow("surround preset, stereo reported")
        << int(kStereoState) << currentMode("Surround", "default", "FPS")
        << "radioButton_Stereo_ZUVOStandard" << standardPair(SoundPage::Stereo, kMorvik);
    QTest::newRow("stereo custom mode, surround reported")
        << int(kSurroundState) << currentMode("Stereo", "custom", "Real")
        << "radioButton_Surround_ZUVOStandard" << standardPair(SoundPage::Surround, kMorvik);
    // No surround slot carries the name: the reported page's Standard instead.
    QTest::newRow("unknown custom mode")
        << int(kStereoState) << currentMode("Surround", "custom", "Ghost")
        << "radioButton_Stereo_ZUVOStandard" << standardPair(SoundPage::Stereo, kMorvik);
}

void RepliesTest::savedModeOfFileRestored()
{
    QFETCH(int, stateByte);
    QFETCH(QJsonObject, mode);
    QFETCH(QString, checkedRadio);
    QFETCH(Frames, sent);
    prepareUserFile(
        kMorvik, kFirstUnit,
        {customMode("Stereo", "Real", kRealGains), customMode("Surround", "Real", kRealGains)},
        mode);
    WindowRig rig;
    const int unit = rig.addUnit(kMorvik);
    rig.settings(unit).stateByte = uint8_t(stateByte);

    QVERIFY(rig.start());

    QVERIFY(named<QRadioButton>(rig.window(), checkedRadio)->isChecked());
    QCOMPARE(lastPeqPair(rig), sent);
    QCOMPARE(rig.boxes(), QStringList());
}

QTEST_MAIN(RepliesTest)
#include "tst_replies.moc"
