// The ten built-in preset buttons: the gains they take from the headset's
// configuration, the sliders, the name box, the saved mode and the two PEQ
// frames the headset receives; and what happens without a headset or with a
// preset list that lacks the entry.

#include "PageWidgets.h"
#include "SoundPageView.h"
#include "WidgetTables.h"
#include "WindowRig.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonDocument>
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

// A unit's user file whose page keeps only its first `entries` presets,
// the first of them with these gains as the file writes them.
void prepareUnitPresets(quint16 productId, SoundPage page, int entries,
                        const QString& firstParameter = {})
{
    QJsonObject root = shippedDefault(productId);
    root.insert("uuid", "0a1b2c3d");
    QJsonObject presets = root["defaultMode"].toObject();
    const QString prefix = page == SoundPage::Surround ? "surround" : "stereo";
    int kept = 0;
    for (const QString& key : presets.keys()) {
        if (!key.startsWith(prefix))
            continue;
        if (kept++ >= entries) {
            presets.remove(key);
        } else if (kept == 1 && !firstParameter.isEmpty()) {
            QJsonObject entry = presets[key].toObject();
            entry.insert("parameter", firstParameter);
            presets.insert(key, entry);
        }
    }
    root.insert("defaultMode", presets);
    const QString path = userFilePath(productId, kFirstUnit);
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(QJsonDocument(root).toJson()) < 0)
        qFatal("cannot write %s", qPrintable(path));
}

QLineEdit* nameBoxOf(Velumix& window, SoundPage page)
{
    return page == SoundPage::Surround ? window.ui.lineEdit_23 : window.ui.lineEdit_15;
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
    QVERIFY(rig.startOnPage(productId, page));
    Velumix& window = rig.window();
    rig.clearFrames();

    radioNamed(window, radio)->click();

    const EqGains gains = shippedPresetGains(productId, algorithmOf(page), storedName);
    QCOMPARE(rig.framesWithCode(frame::SetPeq), peqPair(modeIndex, gains, productId));
    QCOMPARE(sliderGains(window, page), gains);
    QVERIFY(!slidersEnabled(window, page));
    const ConfigRecord& saved = rig.session().unit().saved;
    QCOMPARE(saved.algorithm, algorithmOf(page));
    QCOMPARE(saved.mode, QString("default"));
    QCOMPARE(saved.name, storedName);
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
    const EqGains before = sliderGains(window, page);

    // The start screen covers the list, out of reach of mouse and keyboard;
    // the preset is chosen as its entry chooses it.
    SoundPageView& view = window.pageView(page);
    for (const PresetRow& row : view.widgets().presets) {
        if (row.radio == radioNamed(window, radio))
            view.choosePreset(row.preset);
    }

    QCOMPARE(rig.boxes(), QStringList{"warning: Please Insert Device!"});
    QCOMPARE(rig.frames(), Frames{});
    QCOMPARE(sliderGains(window, page), before);
    QCOMPARE(rig.session().unit().saved.mode, QString());
    // The page shows what it had: its standard preset stays checked.
    QCOMPARE(radioNamed(window, radio)->isChecked(), radio.endsWith(QLatin1String("ZUVOStandard")));
    QVERIFY(window.pageView(page).widgets().presets.back().radio->isChecked());
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
    prepareUnitPresets(kMorvik, page, 1, "20,-15,1,2,3,4,5,6,7,8");
    WindowRig rig;
    QVERIFY(rig.startOnPage(kMorvik, page));
    Velumix& window = rig.window();
    rig.clearFrames();

    radioNamed(window, radio)->click();

    const EqGains clamped{12, -12, 1, 2, 3, 4, 5, 6, 7, 8};
    QCOMPARE(sliderGains(window, page), clamped);
    QCOMPARE(rig.framesWithCode(frame::SetPeq), peqPair(modeIndex, clamped, kMorvik));
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
    // A file without any entry of the page takes the model's own presets
    // (the session's rule), so the shortest list that lacks FPS has one.
    QTest::newRow("fps, one surround entry")
        << "radioButton_Surround_FPS" << SoundPage::Surround << 1;
}

void PresetTest::missingEntryAppliesAndSendsNothing()
{
    QFETCH(QString, radio);
    QFETCH(SoundPage, page);
    QFETCH(int, entries);
    prepareUnitPresets(kMorvik, page, entries);
    WindowRig rig;
    QVERIFY(rig.startOnPage(kMorvik, page));
    Velumix& window = rig.window();
    const EqGains before = sliderGains(window, page);
    const ConfigRecord savedBefore = rig.session().unit().saved;
    rig.clearFrames();

    radioNamed(window, radio)->click();

    QCOMPARE(rig.frames(), Frames{});
    QCOMPARE(sliderGains(window, page), before);
    QCOMPARE(rig.session().unit().saved.mode, savedBefore.mode);
    QCOMPARE(rig.session().unit().saved.name, savedBefore.name);
    QVERIFY(!radioNamed(window, radio)->isChecked());
    QCOMPARE(rig.boxes(), QStringList());
}

QTEST_MAIN(PresetTest)
#include "tst_presets.moc"
