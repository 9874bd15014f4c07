// What a person chose stays chosen: after a restart and after another unit
// was plugged in between, each page shows its own last mode and the headset
// gets the one of the page it reports; a unit whose file is broken starts
// from its model's presets and keeps nothing of the unit before.

#include "WindowRig.h"

#include <QFile>
#include <QtTest>

namespace {

QRadioButton* radio(WindowRig& rig, const char* name)
{
    return named<QRadioButton>(rig.window(), name);
}

Frames haldenPreset(const QString& algorithm, const QString& storedName, int modeIndex)
{
    return peqPair(modeIndex, shippedPresetGains(kHalden, algorithm, storedName), kHalden);
}

// FPS on the surround page, then Jazz on the stereo page, then back to the
// surround page, which the headset reports.
bool chooseFpsAndJazz(WindowRig& rig)
{
    return rig.press(radio(rig, "radioButton_Surround_FPS")) &&
           rig.openPage(rig.page(SoundPage::Stereo)) &&
           rig.press(radio(rig, "radioButton_Stereo_Jazz")) &&
           rig.openPage(rig.page(SoundPage::Surround)) && rig.settle();
}

bool showsFpsAndJazz(WindowRig& rig)
{
    return radio(rig, "radioButton_Surround_FPS")->isChecked() &&
           radio(rig, "radioButton_Stereo_Jazz")->isChecked();
}

} // namespace

class RememberedModesTest : public QObject
{
    Q_OBJECT
private slots:
    void init() { m_home = std::make_unique<ThrowawayHome>(); }
    void cleanup() { m_home.reset(); }
    void restartShowsEachPagesChoice();
    void unitSwitchAndBackShowsEachPagesChoice();
    void brokenFileStartsFromTheModelsPresets();

private:
    std::unique_ptr<ThrowawayHome> m_home;
};

void RememberedModesTest::restartShowsEachPagesChoice()
{
    WindowRig rig;
    rig.addUnit(kHalden);
    QVERIFY(rig.start());
    QVERIFY(chooseFpsAndJazz(rig));

    rig.stop();
    rig.clearFrames();
    QVERIFY(rig.start());

    QVERIFY(showsFpsAndJazz(rig));
    QCOMPARE(lastPeqPair(rig), haldenPreset("Surround", "FPS", 1));
}

void RememberedModesTest::unitSwitchAndBackShowsEachPagesChoice()
{
    WindowRig rig;
    const int a = rig.addUnit(kHalden, kFirstUnit);
    const int b = rig.addUnit(kHalden, kSecondUnit, false);
    QVERIFY(rig.start());
    QVERIFY(chooseFpsAndJazz(rig));

    rig.pullOut(a);
    rig.plugIn(b);
    QVERIFY(rig.settle());
    QVERIFY(radio(rig, "radioButton_Surround_ZUVOStandard")->isChecked());
    QVERIFY(radio(rig, "radioButton_Stereo_ZUVOStandard")->isChecked());
    rig.pullOut(b);
    rig.plugIn(a);
    QVERIFY(rig.settle());

    QVERIFY(showsFpsAndJazz(rig));
    QCOMPARE(lastPeqPair(rig), haldenPreset("Surround", "FPS", 1));
}

void RememberedModesTest::brokenFileStartsFromTheModelsPresets()
{
    WindowRig rig;
    const int a = rig.addUnit(kHalden, kFirstUnit);
    const int b = rig.addUnit(kHalden, kSecondUnit, false);
    QVERIFY(rig.start());
    QVERIFY(rig.press(radio(rig, "radioButton_Surround_FPS")));
    {
        QFile broken(userFilePath(kHalden, kSecondUnit));
        QVERIFY(broken.open(QIODevice::WriteOnly));
        broken.write("{\"customMode\": [");
    }

    rig.pullOut(a);
    rig.clearFrames();
    rig.plugIn(b);
    QVERIFY(rig.settle());

    QVERIFY(rig.boxes().contains("Error: Json File Is Error!"));
    QVERIFY(radio(rig, "radioButton_Surround_ZUVOStandard")->isChecked());
    const EqGains standard = shippedPresetGains(kHalden, "Surround", "ZUVO Standard");
    QCOMPARE(sliderGains(rig.page(SoundPage::Surround)), standard);
    QCOMPARE(lastPeqPair(rig), peqPair(3, standard, kHalden));
    QVERIFY(rig.openPage(rig.page(SoundPage::Stereo)));
    QVERIFY(rig.press(radio(rig, "radioButton_Stereo_Jazz")));
    QVERIFY(rig.settle());
    QCOMPARE(lastPeqPair(rig), haldenPreset("Stereo", "Jazz", 3));
}

QTEST_MAIN(RememberedModesTest)
#include "tst_rememberedmodes.moc"
