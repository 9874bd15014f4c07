// Restoring the mode a headset's user file names as the last one selected:
// which entry is clicked, what the headset receives, and which records are
// passed over.

#include "WidgetTables.h"
#include "WindowRig.h"

#include <QtTest>

namespace {

// One built-in preset the restore applies: its page, stored name and the mode
// index a 0x1029 headset receives with it.
struct ExpectedSend
{
    QString algorithm;
    QString name;
    int modeIndex;
};

const QStringList kStandardsChecked = {"radioButton_Surround_ZUVOStandard",
                                       "radioButton_Stereo_ZUVOStandard"};

QStringList checkedPresetRadios(Velumix& window)
{
    QStringList checked;
    for (QButtonGroup* group : {window.m_surroundPresetGroup, window.m_stereoPresetGroup})
        if (QAbstractButton* button = group->checkedButton())
            checked.append(button->objectName());
    return checked;
}

ConfigRecord savedRecord(const QString& mode, const QString& algorithm, const QString& name)
{
    ConfigRecord record = shippedConfig(kMorvik);
    record.identity = kFirstUnit;
    record.mode = mode;
    record.algorithm = algorithm;
    record.name = name;
    return record;
}

} // namespace

Q_DECLARE_METATYPE(ExpectedSend)
Q_DECLARE_METATYPE(ConfigRecord)

class SavedModeTest : public QObject
{
    Q_OBJECT
private slots:
    void savedPresetIsClickedAndSent_data();
    void savedPresetIsClickedAndSent();
    void customModeThatNoSlotCarriesSelectsOnlyCustomize();

private:
    ThrowawayHome m_home;
};

void SavedModeTest::savedPresetIsClickedAndSent_data()
{
    QTest::addColumn<ConfigRecord>("record");
    QTest::addColumn<bool>("recordMatches");
    QTest::addColumn<QStringList>("checked");
    QTest::addColumn<QList<ExpectedSend>>("sends");
    QTest::newRow("surround MOBA")
        << savedRecord("default", "Surround", "MOBA") << true
        << QStringList{"radioButton_Surround_Moba", "radioButton_Stereo_ZUVOStandard"}
        << QList<ExpectedSend>{{"Surround", "MOBA", 17}};
    QTest::newRow("stereo Rack&Roll")
        << savedRecord("default", "Stereo", "Rack&Roll") << true
        << QStringList{"radioButton_Surround_ZUVOStandard", "radioButton_Stereo_RockRoll"}
        << QList<ExpectedSend>{{"Stereo", "Rack&Roll", 1}};
    QTest::newRow("unknown preset name") << savedRecord("default", "Surround", "Moba Extreme")
                                         << true << kStandardsChecked << QList<ExpectedSend>{};
    QTest::newRow("default of no page") << savedRecord("default", "Mono", "MOBA") << true
                                        << kStandardsChecked << QList<ExpectedSend>{};
    // Stereo standard first, then surround standard.
    QTest::newRow("no saved mode")
        << savedRecord("", "", "") << true << kStandardsChecked
        << QList<ExpectedSend>{{"Stereo", "ZUVO Standard", 5}, {"Surround", "ZUVO Standard", 19}};
    ConfigRecord otherUnit = savedRecord("default", "Surround", "MOBA");
    otherUnit.identity = {0x0a, 0x1b, 0x2c, 0x3e};
    QTest::newRow("another unit's record")
        << otherUnit << false << kStandardsChecked << QList<ExpectedSend>{};
    ConfigRecord otherModel = savedRecord("default", "Surround", "MOBA");
    otherModel.productId = 0x1054;
    QTest::newRow("another model's record")
        << otherModel << false << kStandardsChecked << QList<ExpectedSend>{};
}

void SavedModeTest::savedPresetIsClickedAndSent()
{
    QFETCH(ConfigRecord, record);
    QFETCH(bool, recordMatches);
    QFETCH(QStringList, checked);
    QFETCH(QList<ExpectedSend>, sends);
    WindowRig rig;
    rig.addSilentUnit(kMorvik);
    Velumix& window = rig.buildWindow();
    window.m_knownDeviceIdentity = kFirstUnit;
    window.m_userDeviceList = {record};
    rig.backend.clearReceivedFrames();

    window.setDeviceUserParameter();

    Frames expected;
    for (const ExpectedSend& send : sends)
        expected = concatenated(
            expected, peqPair(send.modeIndex,
                              shippedPresetGains(kMorvik, send.algorithm, send.name), kMorvik));
    QCOMPARE(rig.frames(), expected);
    QCOMPARE(checkedPresetRadios(window), checked);
    QCOMPARE(window.m_currentDeviceConfig, recordMatches ? record : ConfigRecord{});
    if (!sends.isEmpty())
        QCOMPARE(window.m_qstrCurrentName, sends.last().name);
    QCOMPARE(rig.boxes(), QStringList());
}

void SavedModeTest::customModeThatNoSlotCarriesSelectsOnlyCustomize()
{
    WindowRig rig;
    rig.addSilentUnit(kMorvik);
    Velumix& window = rig.buildWindow();
    window.m_knownDeviceIdentity = kFirstUnit;
    window.m_userDeviceList = {savedRecord("custom", "Surround", "Gone")};
    window.m_customModeList = {{"Surround", "Mine", "1,2,3,4,5,6,7,8,9,10"}};

    window.setDeviceUserParameter();

    QVERIFY(window.ui.radioButton_Surround_Customize->isChecked());
    QCOMPARE(window.ui.tabWidget->currentIndex(), 0);
    QCOMPARE(window.m_surroundSelectionKind, 102);
    QCOMPARE(window.m_surroundCustomSlot, 0);
    QCOMPARE(window.m_surroundCustomGroup->checkedButton(), nullptr);
    // The slot list was rebuilt from the custom modes all the same.
    QCOMPARE(window.ui.radioButton_Surround_Custom1->text(), QString("Mine"));
    QCOMPARE(rig.boxes(), QStringList());
}

QTEST_MAIN(SavedModeTest)
#include "tst_savedmode.moc"
