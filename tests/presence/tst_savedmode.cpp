// Restoring the mode a headset's user file names as the last one chosen:
// which entry the window shows checked, what the headset receives, and
// which records are passed over.

#include "WindowRig.h"

#include <QtTest>

namespace {

// Whose file holds the record: the unit's own, or a file the unit does not read.
enum class FileOf
{
    Unit,
    OtherUnit,
    OtherModel,
};

const QStringList kStandardsChecked = {"radioButton_Surround_ZUVOStandard",
                                       "radioButton_Stereo_ZUVOStandard"};

// The checked entry of each page's list, surround first.
QStringList checkedListEntries(Velumix& window)
{
    QStringList checked;
    for (SoundPage page : kSoundPages) {
        const PageWidgets& widgets = window.pageView(page).widgets();
        if (widgets.customize->isChecked())
            checked << widgets.customize->objectName();
        for (const PresetRow& row : widgets.presets)
            if (row.radio->isChecked())
                checked << row.radio->objectName();
    }
    return checked;
}

void prepareFile(FileOf file, const QJsonObject& mode, const QList<CustomRecord>& customModes = {})
{
    QFile::remove(userFilePath(kMorvik, kFirstUnit)); // an earlier row's
    switch (file) {
    case FileOf::Unit:
        return prepareUserFile(kMorvik, kFirstUnit, customModes, mode);
    case FileOf::OtherUnit:
        return prepareUserFile(kMorvik, kSecondUnit, customModes, mode);
    case FileOf::OtherModel:
        return prepareUserFile(kHalden, kFirstUnit, customModes, mode);
    }
}

} // namespace

Q_DECLARE_METATYPE(FileOf)

class SavedModeTest : public QObject
{
    Q_OBJECT
private slots:
    void savedPresetIsShownAndSent_data();
    void savedPresetIsShownAndSent();
    void customModeThatNoSlotCarriesFallsBackToStandard();

private:
    ThrowawayHome m_home;
};

void SavedModeTest::savedPresetIsShownAndSent_data()
{
    QTest::addColumn<FileOf>("file");
    QTest::addColumn<QJsonObject>("mode");
    QTest::addColumn<QStringList>("checked");
    // The saved preset's page and stored name, and the mode index a 0x1029
    // headset receives with it; empty when the standard presets stay.
    QTest::addColumn<QString>("algorithm");
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("modeIndex");
    QTest::newRow("surround MOBA")
        << FileOf::Unit << currentMode("Surround", "default", "MOBA")
        << QStringList{"radioButton_Surround_Moba", "radioButton_Stereo_ZUVOStandard"} << "Surround"
        << "MOBA" << 17;
    QTest::newRow("stereo Rack&Roll")
        << FileOf::Unit << currentMode("Stereo", "default", "Rack&Roll")
        << QStringList{"radioButton_Surround_ZUVOStandard", "radioButton_Stereo_RockRoll"}
        << "Stereo"
        << "Rack&Roll" << 1;
    QTest::newRow("unknown preset name")
        << FileOf::Unit << currentMode("Surround", "default", "Moba Extreme") << kStandardsChecked
        << QString() << QString() << 0;
    QTest::newRow("default of no page") << FileOf::Unit << currentMode("Mono", "default", "MOBA")
                                        << kStandardsChecked << QString() << QString() << 0;
    QTest::newRow("no saved mode")
        << FileOf::Unit << QJsonObject() << kStandardsChecked << QString() << QString() << 0;
    QTest::newRow("another unit's record")
        << FileOf::OtherUnit << currentMode("Surround", "default", "MOBA") << kStandardsChecked
        << QString() << QString() << 0;
    QTest::newRow("another model's record")
        << FileOf::OtherModel << currentMode("Surround", "default", "MOBA") << kStandardsChecked
        << QString() << QString() << 0;
}

void SavedModeTest::savedPresetIsShownAndSent()
{
    QFETCH(FileOf, file);
    QFETCH(QJsonObject, mode);
    QFETCH(QStringList, checked);
    QFETCH(QString, algorithm);
    QFETCH(QString, name);
    QFETCH(int, modeIndex);
    prepareFile(file, mode);
    WindowRig rig;
    QVERIFY(rig.startWith(kMorvik));

    QCOMPARE(checkedListEntries(rig.window()), checked);
    // Both pages' modes went to the headset, each page's standard where
    // nothing of the page was saved.
    const Frames peq = rig.framesWithCode(frame::SetPeq);
    for (SoundPage page : kSoundPages) {
        const bool saved = algorithm == algorithmOf(page);
        const BuiltInPreset& standard = standardPreset(page);
        const Frames sent =
            saved ? peqPair(modeIndex, shippedPresetGains(kMorvik, algorithm, name), kMorvik)
                  : peqPair(presetModeIndex(standard, 2),
                            shippedPresetGains(kMorvik, algorithmOf(page), standard.storedName),
                            kMorvik);
        QVERIFY2(containsRun(peq, sent), qPrintable(algorithmOf(page)));
    }
    QCOMPARE(rig.boxes(), QStringList());
}

// A saved custom mode that no slot shows names nothing the unit has: the
// page comes back to its standard preset, and its list still shows the
// unit's modes.
void SavedModeTest::customModeThatNoSlotCarriesFallsBackToStandard()
{
    prepareFile(FileOf::Unit, currentMode("Surround", "custom", "Gone"),
                {{"Surround", "Mine", "1,2,3,4,5,6,7,8,9,10"}});
    WindowRig rig;
    QVERIFY(rig.startWith(kMorvik));
    Velumix& window = rig.window();

    QCOMPARE(checkedListEntries(window), kStandardsChecked);
    QCOMPARE(window.ui.tabWidget->currentIndex(), 0);
    QCOMPARE(rig.session().page(SoundPage::Surround).choice,
             ModeChoice::ofPreset(standardPresetIndex(SoundPage::Surround)));
    QCOMPARE(checkedSlot(rig.page(SoundPage::Surround)), 0);
    QCOMPARE(window.ui.radioButton_Surround_Custom1->text(), QString("Mine"));
    QCOMPARE(rig.boxes(), QStringList());
}

QTEST_MAIN(SavedModeTest)
#include "tst_savedmode.moc"
