// The ten built-in preset buttons: the gains they take from the headset's
// configuration, the sliders, the name box, the current mode and the two PEQ
// frames the headset receives; and what happens without a headset or with a
// preset list that lacks the entry.

#include "UsbHidOperation.h"
#include "WidgetTables.h"
#include "WindowRig.h"

#include <QtTest>

namespace {

struct PresetButton
{
    const char* radio;
    SoundPage page;
    const char* storedName; // as in the configuration file and the current mode
    const char* nameBoxText;
    int modeIndexHalden; // headset model 1 (product 0x1054)
    int modeIndexOthers;
};

const PresetButton kPresetButtons[] = {
    {"radioButton_Surround_DeepBas", SoundPage::Surround, "Deep Bass", "Deep Bass", 0, 16},
    {"radioButton_Surround_FPS", SoundPage::Surround, "FPS", "FPS", 1, 18},
    {"radioButton_Surround_Moba", SoundPage::Surround, "MOBA", "Moba", 2, 17},
    {"radioButton_Surround_ZUVOStandard", SoundPage::Surround, "ZUVO Standard", "KAVRO Standard", 3,
     19},
    {"radioButton_Stereo_Pop", SoundPage::Stereo, "Pop", "POP", 0, 0},
    {"radioButton_Stereo_RockRoll", SoundPage::Stereo, "Rack&Roll", "Rock & Roll", 1, 1},
    {"radioButton_Stereo_DeepBass", SoundPage::Stereo, "Deep Bass", "Deep Bass", 2, 2},
    {"radioButton_Stereo_Jazz", SoundPage::Stereo, "Jazz", "Jazz", 3, 3},
    {"radioButton_Stereo_Classic", SoundPage::Stereo, "Classic", "Classic", 4, 4},
    {"radioButton_Stereo_ZUVOStandard", SoundPage::Stereo, "ZUVO Standard", "KAVRO Standard", 5, 5},
};

// Where the sliders stand before a click that must not move them.
constexpr EqGains kUntouched{7, 7, 7, 7, 7, 7, 7, 7, 7, 7};

QLineEdit* nameBoxOf(Velumix& window, SoundPage page)
{
    return page == SoundPage::Surround ? window.ui.lineEdit_23 : window.ui.lineEdit_15;
}

void setSliders(Velumix& window, SoundPage page, const EqGains& gains)
{
    const auto& table = page == SoundPage::Surround ? kSurroundBandSliders : kStereoBandSliders;
    const auto sliders = widgets(window.ui, table);
    for (int band = 0; band < kBandCount; ++band)
        sliders[band]->setValue(gains[band]);
}

bool slidersEnabled(Velumix& window, SoundPage page)
{
    const auto& table = page == SoundPage::Surround ? kSurroundBandSliders : kStereoBandSliders;
    for (QSlider* slider : widgets(window.ui, table))
        if (slider->isEnabled())
            return true;
    return false;
}

QRadioButton* radioNamed(Velumix& window, const QString& name)
{
    auto* radio = window.findChild<QRadioButton*>(name);
    if (!radio)
        qFatal("the window has no radio button %s", qPrintable(name));
    return radio;
}

void addPresetColumns()
{
    QTest::addColumn<QString>("radio");
    QTest::addColumn<SoundPage>("page");
}

} // namespace

class PresetTest : public QObject
{
    Q_OBJECT
private slots:
    void presetSendsItsGainsAndModeIndex_data();
    void presetSendsItsGainsAndModeIndex();
    void withoutHeadsetOnlyWarns_data();
    void withoutHeadsetOnlyWarns();
    void gainsBeyondTheRangeAreClamped_data();
    void gainsBeyondTheRangeAreClamped();
    void missingEntryAppliesAndSendsNothing_data();
    void missingEntryAppliesAndSendsNothing();

private:
    ThrowawayHome m_home;
};

void PresetTest::presetSendsItsGainsAndModeIndex_data()
{
    addPresetColumns();
    QTest::addColumn<quint16>("productId");
    QTest::addColumn<QString>("storedName");
    QTest::addColumn<QString>("nameBoxText");
    QTest::addColumn<int>("modeIndex");
    for (quint16 productId : {kHalden, kMorvik}) {
        for (const PresetButton& button : kPresetButtons) {
            const int modeIndex =
                productId == kHalden ? button.modeIndexHalden : button.modeIndexOthers;
            QTest::addRow("%04x %s", productId, button.radio)
                << button.radio << button.page << productId << button.storedName
                << button.nameBoxText << modeIndex;
        }
    }
    // These two products carry their own Q tables for the standard presets.
    for (quint16 productId : {quint16(0x0F51), quint16(0x4130)}) {
        QTest::addRow("%04x surround standard", productId)
            << "radioButton_Surround_ZUVOStandard" << SoundPage::Surround << productId
            << "ZUVO Standard"
            << "KAVRO Standard" << 19;
        QTest::addRow("%04x stereo standard", productId)
            << "radioButton_Stereo_ZUVOStandard" << SoundPage::Stereo << productId
            << "ZUVO Standard"
            << "KAVRO Standard" << 5;
    }
}

void PresetTest::presetSendsItsGainsAndModeIndex()
{
    QFETCH(QString, radio);
    QFETCH(SoundPage, page);
    QFETCH(quint16, productId);
    QFETCH(QString, storedName);
    QFETCH(QString, nameBoxText);
    QFETCH(int, modeIndex);
    WindowRig rig;
    rig.addSilentUnit(productId);
    Velumix& window = rig.buildWindow();
    window.m_currentDeviceConfig = shippedConfig(productId);
    rig.backend.clearReceivedFrames();

    radioNamed(window, radio)->click();

    const EqGains gains = shippedPresetGains(productId, algorithmOf(page), storedName);
    QCOMPARE(rig.frames(), peqPair(modeIndex, gains, productId));
    QCOMPARE(sliderGains(window, page), gains);
    QVERIFY(!slidersEnabled(window, page));
    QCOMPARE(window.m_qstrCurrentAlgorithm, algorithmOf(page));
    QCOMPARE(window.m_qstrCurrentMode, QString("default"));
    QCOMPARE(window.m_qstrCurrentName, storedName);
    QCOMPARE(nameBoxOf(window, page)->text(), nameBoxText);
    QVERIFY(!nameBoxOf(window, page)->isEnabled());
    QVERIFY(radioNamed(window, radio)->isChecked());
    QCOMPARE(rig.boxes(), QStringList());
}

void PresetTest::withoutHeadsetOnlyWarns_data()
{
    addPresetColumns();
    for (const PresetButton& button : kPresetButtons)
        QTest::newRow(button.radio) << button.radio << button.page;
}

void PresetTest::withoutHeadsetOnlyWarns()
{
    QFETCH(QString, radio);
    QFETCH(SoundPage, page);
    WindowRig rig;
    Velumix& window = rig.buildWindow();
    window.m_currentDeviceConfig = shippedConfig(kMorvik);
    setSliders(window, page, kUntouched);

    radioNamed(window, radio)->click();

    QCOMPARE(rig.boxes(), QStringList{"warning: Please Insert Device!"});
    QCOMPARE(rig.frames(), Frames{});
    QCOMPARE(sliderGains(window, page), kUntouched);
    QCOMPARE(window.m_qstrCurrentMode, QString());
    QCOMPARE(window.m_qstrCurrentName, QString());
    QVERIFY(radioNamed(window, radio)->isChecked());
}

void PresetTest::gainsBeyondTheRangeAreClamped_data()
{
    addPresetColumns();
    QTest::addColumn<int>("modeIndex");
    QTest::newRow("surround deep bass")
        << "radioButton_Surround_DeepBas" << SoundPage::Surround << 16;
    QTest::newRow("stereo pop") << "radioButton_Stereo_Pop" << SoundPage::Stereo << 0;
}

void PresetTest::gainsBeyondTheRangeAreClamped()
{
    QFETCH(QString, radio);
    QFETCH(SoundPage, page);
    QFETCH(int, modeIndex);
    WindowRig rig;
    rig.addSilentUnit(kMorvik);
    Velumix& window = rig.buildWindow();
    const QStringList entries = {"Loud_'20,-15,1,2,3,4,5,6,7,8'"};
    (page == SoundPage::Surround ? window.m_currentDeviceConfig.surroundPresets
                                 : window.m_currentDeviceConfig.stereoPresets) = entries;
    rig.backend.clearReceivedFrames();

    radioNamed(window, radio)->click();

    const EqGains clamped{12, -12, 1, 2, 3, 4, 5, 6, 7, 8};
    QCOMPARE(sliderGains(window, page), clamped);
    QCOMPARE(rig.frames(), peqPair(modeIndex, clamped, kMorvik));
}

void PresetTest::missingEntryAppliesAndSendsNothing_data()
{
    addPresetColumns();
    QTest::addColumn<int>("entries");
    // Moba is the fourth surround entry, Classic the fifth stereo entry.
    QTest::newRow("moba, three surround entries")
        << "radioButton_Surround_Moba" << SoundPage::Surround << 3;
    QTest::newRow("classic, four stereo entries")
        << "radioButton_Stereo_Classic" << SoundPage::Stereo << 4;
    QTest::newRow("fps, no surround entries")
        << "radioButton_Surround_FPS" << SoundPage::Surround << 0;
}

void PresetTest::missingEntryAppliesAndSendsNothing()
{
    QFETCH(QString, radio);
    QFETCH(SoundPage, page);
    QFETCH(int, entries);
    WindowRig rig;
    rig.addSilentUnit(kMorvik);
    Velumix& window = rig.buildWindow();
    ConfigRecord config = shippedConfig(kMorvik);
    QStringList& presets =
        page == SoundPage::Surround ? config.surroundPresets : config.stereoPresets;
    presets = presets.mid(0, entries);
    window.m_currentDeviceConfig = config;
    setSliders(window, page, kUntouched);
    rig.backend.clearReceivedFrames();

    radioNamed(window, radio)->click();

    QCOMPARE(rig.frames(), Frames{});
    QCOMPARE(sliderGains(window, page), kUntouched);
    QCOMPARE(window.m_qstrCurrentMode, QString());
    QCOMPARE(window.m_qstrCurrentName, QString());
    QCOMPARE(rig.boxes(), QStringList());
}

QTEST_MAIN(PresetTest)
#include "tst_presets.moc"
