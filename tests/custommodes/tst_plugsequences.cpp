// Sequences of plugging, pulling out and swapping headset units, done as a
// person does them: through the widgets and the simulated headset's control
// window. After each sequence, and again after the program starts anew, every
// unit's user file holds exactly what was done to that unit, and the mode
// the window shows is the mode the headset received last.

#include "SimulatorPanel.h"
#include "WindowRig.h"

#include <QCheckBox>
#include <QDateTime>
#include <QFileInfo>
#include <QJsonArray>
#include <QtTest>

#include <functional>
#include <memory>

namespace {

// What a unit's user file must hold besides the shipped default file.
struct UnitFile
{
    quint16 productId;
    DeviceIdentity identity;
    QList<CustomRecord> modes;
    QJsonObject savedMode;
};

// The mode the window shows: its page, the checked entry and its gains, and
// the mode index a model-1 headset receives with it.
struct ShownMode
{
    SoundPage page;
    QString radio;
    EqGains gains;
    int modeIndex;
};

constexpr EqGains kPodcastGains{-3, -1, 2, 5, 7, 7, 4, 1, -2, -4};
constexpr EqGains kUnsavedGains{9, 9, 9, -9, -9, -9, 0, 0, 9, 9};
constexpr EqGains kCinemaGains{6, 5, 3, 0, -1, -1, 0, 2, 4, 6};
const QString kNewMode = QStringLiteral("New Equalizer");
const QString kPodcast = QStringLiteral("Podcast voice");

QString identityDigits(const DeviceIdentity& identity)
{
    return QString::asprintf("%02x%02x%02x%02x", identity[0], identity[1], identity[2],
                             identity[3]);
}

ShownMode standardShown(SoundPage page)
{
    return {page,
            page == SoundPage::Surround ? "radioButton_Surround_ZUVOStandard"
                                        : "radioButton_Stereo_ZUVOStandard",
            shippedPresetGains(kHalden, algorithmOf(page), "ZUVO Standard"),
            page == SoundPage::Surround ? 3 : 5};
}

Frames standardPair(SoundPage page)
{
    const ShownMode standard = standardShown(page);
    return peqPair(standard.modeIndex, standard.gains, kHalden);
}

QString slotRadio(SoundPage page, int slot)
{
    return QStringLiteral("radioButton_%1_Custom%2").arg(algorithmOf(page)).arg(slot);
}

// The switch a model-1 headset receives once an upload for the page is acknowledged.
Frame switchForPage(SoundPage page)
{
    return page == SoundPage::Surround ? algorithmSwitch({1, 0, 1, 0, 0, 1})
                                       : algorithmSwitch({1, 0, 0, 0, 0, 1});
}

// The simulated headsets with their control window, and what each unit's
// user file must hold.
class Bench
{
public:
    int addUnit(DeviceIdentity identity, uint8_t stateByte = kSurroundState)
    {
        const int unit = rig.addUnit(kHalden, identity);
        rig.settings(unit).stateByte = stateByte;
        return unit;
    }

    bool start(int unit)
    {
        if (!rig.start())
            return false;
        panel = std::make_unique<SimulatorPanel>(rig.backend, rig.hotplug, QList<quint16>{kHalden},
                                                 unit);
        panel->show();
        return QTest::qWaitForWindowExposed(panel.get());
    }

    bool restart()
    {
        rig.stop();
        rig.clearFrames();
        return rig.start();
    }

    // The file the program creates for a unit it has not seen before.
    UnitFile& expectFreshFile(const DeviceIdentity& identity)
    {
        const QJsonObject shipped = shippedDefault(kHalden);
        QList<CustomRecord> modes;
        for (const QJsonValue& value : shipped.value("customMode").toArray()) {
            const QJsonObject mode = value.toObject();
            modes << CustomRecord{mode.value("algorithm").toString(), mode.value("name").toString(),
                                  mode.value("parameter").toString()};
        }
        files << UnitFile{kHalden, identity, modes, shipped.value("mode").toObject()};
        return files.last();
    }

    UnitFile& expectPreparedFile(const DeviceIdentity& identity, const QList<CustomRecord>& modes,
                                 const QJsonObject& savedMode)
    {
        prepareUserFile(kHalden, identity, modes, savedMode);
        files << UnitFile{kHalden, identity, modes, savedMode};
        return files.last();
    }

    // The control window's buttons, as a person presses them.
    bool pressPanel(const QString& text)
    {
        for (QPushButton* button : panel->findChildren<QPushButton*>())
            if (button->text() == text)
                return rig.press(button);
        qWarning("the control window has no button %s", qPrintable(text));
        return false;
    }

    bool pullOut() { return rig.settle() && pressPanel("Pull out"); }

    bool plugIn() { return pressPanel("Plug in") && rig.settle(); }

    bool reportStereoPage(bool stereo)
    {
        QCheckBox* box = panel->findChild<QCheckBox*>();
        if (box->isChecked() != stereo && !rig.press(box))
            return false;
        return box->isChecked() == stereo;
    }

    bool plugInNewUnit(const DeviceIdentity& identity)
    {
        if (!rig.settle())
            return false;
        QLineEdit* identityBox = panel->findChild<QLineEdit*>();
        if (!rig.typeName(identityBox, identityDigits(identity)))
            return false;
        return pressPanel("Plug in as new unit") && rig.settle();
    }

    Frames receivedBy(int unit, uint8_t code) const
    {
        Frames frames;
        for (const auto& received : rig.backend.receivedFrames())
            if (received.unit == unit && received.bytes[frame::kCodeOffset] == code)
                frames.push_back(received.bytes);
        return frames;
    }

    int currentUnit() const { return panel->currentUnit(); }

    WindowRig rig;
    QList<UnitFile> files;
    ShownMode shown{};
    std::unique_ptr<SimulatorPanel> panel;
};

using Sequence = std::function<void(Bench&)>;

// The file holds the shipped default file with the unit's identity, and the
// custom modes and saved mode that were done to the unit. Each page's own
// record of its last choice is the session's to check.
void verifyFile(const UnitFile& expected)
{
    const QString path = userFilePath(expected.productId, expected.identity);
    QCOMPARE(customModesInFile(path), described(expected.modes));
    QCOMPARE(savedModeInFile(path), described(expected.savedMode));
    QJsonObject rest = readJsonFile(path);
    QJsonObject shippedRest = shippedDefault(expected.productId);
    shippedRest.insert("uuid", identityDigits(expected.identity));
    for (const char* member : {"customMode", "mode", "pageMode"}) {
        rest.remove(member);
        shippedRest.remove(member);
    }
    QCOMPARE(described(rest), described(shippedRest));
}

// The window shows the expected mode, and the connected unit received just
// that mode last: its gains and mode index, then the switch to its page.
void verifyShownModeSent(Bench& bench)
{
    const ShownMode& shown = bench.shown;
    Velumix& window = bench.rig.window();
    const PageControls controls = bench.rig.page(shown.page);
    QCOMPARE(window.ui.tabWidget->currentIndex(), controls.tab);
    QVERIFY2(named<QRadioButton>(window, shown.radio)->isChecked(), qPrintable(shown.radio));
    QCOMPARE(sliderGains(controls), shown.gains);
    const Frames peq = bench.receivedBy(bench.currentUnit(), frame::SetPeq);
    QVERIFY(peq.size() >= 2);
    QCOMPARE(Frames(peq.end() - 2, peq.end()), peqPair(shown.modeIndex, shown.gains, kHalden));
    const Frames switches = bench.receivedBy(bench.currentUnit(), frame::SetAlgorithmSwitch);
    QVERIFY(!switches.empty());
    QCOMPARE(switches.back(), switchForPage(shown.page));
}

void verifyOutcome(Bench& bench)
{
    for (const UnitFile& file : bench.files) {
        verifyFile(file);
        if (QTest::currentTestFailed())
            return;
    }
    verifyShownModeSent(bench);
}

// Unit A gets two Stereo modes; a new unit B that reports the stereo page
// gets nothing of them, and its "+" adds only its own mode; A comes back
// with its own saved mode.
void unitsAThenBThenA(Bench& bench)
{
    const int a = bench.addUnit(kFirstUnit);
    UnitFile& fileA = bench.expectFreshFile(kFirstUnit);
    QVERIFY(bench.start(a));
    const PageControls stereo = bench.rig.page(SoundPage::Stereo);
    QVERIFY(bench.rig.clickTab(stereo.tab));
    QVERIFY(bench.rig.settle());
    QVERIFY(bench.rig.press(stereo.customize));
    QVERIFY(bench.rig.press(stereo.add));
    QVERIFY(bench.rig.press(stereo.add));
    QVERIFY(bench.rig.typeName(stereo.nameBox, kPodcast));
    QVERIFY(bench.rig.dragTo(stereo, kPodcastGains));
    QVERIFY(bench.rig.press(stereo.save));
    fileA.modes = {customMode("Stereo", kNewMode, {}),
                   customMode("Stereo", kPodcast, kPodcastGains)};
    fileA.savedMode = currentMode("Stereo", "custom", kPodcast);

    QVERIFY(bench.reportStereoPage(true));
    UnitFile& fileB = bench.expectFreshFile(kSecondUnit);
    QVERIFY(bench.plugInNewUnit(kSecondUnit));
    const int unitB = bench.currentUnit();
    // B starts on its own Stereo Standard, with none of A's slots.
    bench.shown = standardShown(SoundPage::Stereo);
    verifyShownModeSent(bench);
    if (QTest::currentTestFailed())
        return;
    const Frames allowed =
        concatenated(standardPair(SoundPage::Surround), standardPair(SoundPage::Stereo));
    for (const Frame& frame : bench.receivedBy(unitB, frame::SetPeq))
        QVERIFY2(std::find(allowed.begin(), allowed.end(), frame) != allowed.end(),
                 "the new unit received a mode that is not its own");
    QVERIFY(bench.rig.press(stereo.customize));
    QCOMPARE(visibleSlotTexts(stereo), QStringList());
    QCOMPARE(checkedSlot(stereo), 0);
    QVERIFY(bench.rig.press(stereo.add));
    QCOMPARE(visibleSlotTexts(stereo), QStringList{kNewMode});
    QCOMPARE(checkedSlot(stereo), 1);
    fileB.modes = {customMode("Stereo", kNewMode, {})};
    fileB.savedMode = currentMode("Stereo", "custom", kNewMode);

    QVERIFY(bench.plugInNewUnit(kFirstUnit));
    QCOMPARE(visibleSlotTexts(stereo), (QStringList{kNewMode, kPodcast}));
    bench.shown = {SoundPage::Stereo, slotRadio(SoundPage::Stereo, 2), kPodcastGains, 7};
}

// The reported page wins over a saved mode of the other page; the file keeps it.
void stereoReportWithSavedSurroundMode(Bench& bench)
{
    const int unit = bench.addUnit(kFirstUnit, kStereoState);
    bench.expectPreparedFile(kFirstUnit, {customMode("Surround", "Cinema", kCinemaGains)},
                             currentMode("Surround", "custom", "Cinema"));
    QVERIFY(bench.start(unit));
    bench.shown = standardShown(SoundPage::Stereo);
}

void unplugRightAfterStart(Bench& bench)
{
    const int unit = bench.addUnit(kFirstUnit);
    bench.expectFreshFile(kFirstUnit);
    QVERIFY(bench.start(unit));
    QVERIFY(bench.pullOut());
    verifyFile(bench.files.last());
    if (QTest::currentTestFailed())
        return;
    QVERIFY(bench.plugIn());
    bench.shown = standardShown(SoundPage::Surround);
}

// A saved custom mode whose sliders were moved without Save comes back with
// its saved gains, on the page the unit reports, also when the other page
// was shown at the removal.
Sequence unplugWithUnsavedMoves(SoundPage page, bool otherPageShown)
{
    return [page, otherPageShown](Bench& bench) {
        const int unit =
            bench.addUnit(kFirstUnit, page == SoundPage::Stereo ? kStereoState : kSurroundState);
        UnitFile& file = bench.expectFreshFile(kFirstUnit);
        QVERIFY(bench.start(unit));
        const PageControls controls = bench.rig.page(page);
        QVERIFY(bench.rig.press(controls.customize));
        QVERIFY(bench.rig.press(controls.add));
        QVERIFY(bench.rig.typeName(controls.nameBox, kPodcast));
        QVERIFY(bench.rig.dragTo(controls, kPodcastGains));
        QVERIFY(bench.rig.press(controls.save));
        file.modes = {customMode(algorithmOf(page), kPodcast, kPodcastGains)};
        file.savedMode = currentMode(algorithmOf(page), "custom", kPodcast);
        QVERIFY(bench.rig.dragTo(controls, kUnsavedGains));
        if (otherPageShown)
            QVERIFY(bench.rig.clickTab(controls.tab == 0 ? 1 : 0));
        QVERIFY(bench.pullOut());
        verifyFile(file);
        if (QTest::currentTestFailed())
            return;
        QVERIFY(bench.plugIn());
        QCOMPARE(visibleSlotTexts(controls), QStringList{kPodcast});
        bench.shown = {page, slotRadio(page, 1), kPodcastGains, 6};
    };
}

// Deleting the saved custom mode leaves the file naming the mode the page
// selects instead, so that the next start shows and sends that one.
void deleteSavedModeThenRestart(Bench& bench)
{
    const int unit = bench.addUnit(kFirstUnit);
    UnitFile& file = bench.expectFreshFile(kFirstUnit);
    QVERIFY(bench.start(unit));
    const PageControls controls = bench.rig.page(SoundPage::Surround);
    QVERIFY(bench.rig.press(controls.customize));
    QVERIFY(bench.rig.press(controls.add));
    QVERIFY(bench.rig.press(controls.add));
    QVERIFY(bench.rig.typeName(controls.nameBox, kPodcast));
    QVERIFY(bench.rig.dragTo(controls, kPodcastGains));
    QVERIFY(bench.rig.press(controls.save));
    QCOMPARE(savedModeInFile(userFilePath(kHalden, kFirstUnit)),
             described(currentMode("Surround", "custom", kPodcast)));
    QVERIFY(bench.rig.press(controls.deleteButtons[1]));
    QVERIFY(bench.rig.press(controls.confirmDelete));
    QCOMPARE(visibleSlotTexts(controls), QStringList{kNewMode});
    file.modes = {customMode("Surround", kNewMode, {})};
    file.savedMode = currentMode("Surround", "custom", kNewMode);
    bench.shown = {SoundPage::Surround, slotRadio(SoundPage::Surround, 1), {}, 6};
}

// A built-in preset as the window shows it and the user file names it.
struct ChosenPreset
{
    const char* radio;
    SoundPage page;
    const char* storedName;
    int modeIndex; // for a model-1 headset
};

const ChosenPreset kChosenPresets[] = {
    {"radioButton_Surround_DeepBas", SoundPage::Surround, "Deep Bass", 0},
    {"radioButton_Surround_FPS", SoundPage::Surround, "FPS", 1},
    {"radioButton_Surround_Moba", SoundPage::Surround, "MOBA", 2},
    {"radioButton_Surround_ZUVOStandard", SoundPage::Surround, "ZUVO Standard", 3},
    {"radioButton_Stereo_Pop", SoundPage::Stereo, "Pop", 0},
    {"radioButton_Stereo_RockRoll", SoundPage::Stereo, "Rack&Roll", 1},
    {"radioButton_Stereo_DeepBass", SoundPage::Stereo, "Deep Bass", 2},
    {"radioButton_Stereo_Jazz", SoundPage::Stereo, "Jazz", 3},
    {"radioButton_Stereo_Classic", SoundPage::Stereo, "Classic", 4},
    {"radioButton_Stereo_ZUVOStandard", SoundPage::Stereo, "ZUVO Standard", 5},
};

ShownMode presetShown(const ChosenPreset& preset)
{
    return {preset.page, preset.radio,
            shippedPresetGains(kHalden, algorithmOf(preset.page), preset.storedName),
            preset.modeIndex};
}

uint8_t stateOf(SoundPage page)
{
    return page == SoundPage::Stereo ? kStereoState : kSurroundState;
}

// Dates the file a week back, so that any later write shows.
QDateTime ageFile(const QString& path)
{
    const QDateTime lastWeek = QDateTime::currentDateTime().addDays(-7);
    QFile file(path);
    if (!file.open(QIODevice::ReadWrite) ||
        !file.setFileTime(lastWeek, QFileDevice::FileModificationTime))
        qWarning("cannot date %s back", qPrintable(path));
    return lastWeek;
}

void verifyNotRewritten(const QString& path, const QDateTime& aged)
{
    QCOMPARE(QFileInfo(path).lastModified().toSecsSinceEpoch(), aged.toSecsSinceEpoch());
}

// The preset a person chooses is the saved mode, under the name the
// restore path knows, so that the next start shows and sends it.
Sequence choosePreset(const ChosenPreset& preset)
{
    return [preset](Bench& bench) {
        const int unit = bench.addUnit(kFirstUnit, stateOf(preset.page));
        UnitFile& file = bench.expectFreshFile(kFirstUnit);
        QVERIFY(bench.start(unit));
        QVERIFY(bench.rig.press(named<QRadioButton>(bench.rig.window(), preset.radio)));
        file.savedMode = currentMode(algorithmOf(preset.page), "default", preset.storedName);
        bench.shown = presetShown(preset);
    };
}

// A chosen custom slot comes back after a replug.
void chooseSlotThenReplug(Bench& bench)
{
    const int unit = bench.addUnit(kFirstUnit, kStereoState);
    UnitFile& file = bench.expectPreparedFile(kFirstUnit,
                                              {customMode("Stereo", "Cinema", kCinemaGains),
                                               customMode("Stereo", kPodcast, kPodcastGains)},
                                              currentMode("Stereo", "custom", "Cinema"));
    QVERIFY(bench.start(unit));
    const PageControls stereo = bench.rig.page(SoundPage::Stereo);
    QCOMPARE(checkedSlot(stereo), 1);
    QVERIFY(bench.rig.press(stereo.customSlots[1]));
    file.savedMode = currentMode("Stereo", "custom", kPodcast);
    QVERIFY(bench.pullOut());
    verifyFile(file);
    if (QTest::currentTestFailed())
        return;
    QVERIFY(bench.plugIn());
    bench.shown = {SoundPage::Stereo, slotRadio(SoundPage::Stereo, 2), kPodcastGains, 7};
}

// Choosing the saved mode again and moving between the pages, which sends
// each page's mode anew, leave the file as the person's choice wrote it.
void choosePresetThenSwitchPages(Bench& bench)
{
    const ChosenPreset& moba = kChosenPresets[2];
    const int unit = bench.addUnit(kFirstUnit);
    UnitFile& file = bench.expectFreshFile(kFirstUnit);
    QVERIFY(bench.start(unit));
    QRadioButton* radio = named<QRadioButton>(bench.rig.window(), moba.radio);
    QVERIFY(bench.rig.press(radio));
    file.savedMode = currentMode("Surround", "default", moba.storedName);
    verifyFile(file);
    if (QTest::currentTestFailed())
        return;
    const QString path = userFilePath(kHalden, kFirstUnit);
    const QDateTime aged = ageFile(path);
    QVERIFY(bench.rig.press(radio));
    QVERIFY(bench.rig.clickTab(kStereoTab));
    QVERIFY(bench.rig.clickTab(kSurroundTab));
    QVERIFY(bench.rig.settle());
    verifyNotRewritten(path, aged);
    bench.shown = presetShown(moba);
}

void switchPagesOnly(Bench& bench)
{
    const int unit = bench.addUnit(kFirstUnit);
    bench.expectFreshFile(kFirstUnit);
    QVERIFY(bench.start(unit));
    const QString path = userFilePath(kHalden, kFirstUnit);
    const QDateTime aged = ageFile(path);
    QVERIFY(bench.rig.clickTab(kStereoTab));
    QVERIFY(bench.rig.clickTab(kSurroundTab));
    QVERIFY(bench.rig.settle());
    verifyNotRewritten(path, aged);
    bench.shown = standardShown(SoundPage::Surround);
}

// Without a headset nothing is sent, so nothing is saved.
void choosePresetsWithoutHeadset(Bench& bench)
{
    const int unit = bench.addUnit(kFirstUnit, kStereoState);
    bench.expectFreshFile(kFirstUnit);
    QVERIFY(bench.start(unit));
    QVERIFY(bench.pullOut());
    const QString path = userFilePath(kHalden, kFirstUnit);
    const QDateTime aged = ageFile(path);
    // The start screen covers the page's list, out of reach of mouse and
    // keyboard; the presets are chosen as the list's entries choose them.
    SoundPageView& stereo = bench.rig.window().pageView(SoundPage::Stereo);
    stereo.choosePreset(7); // Jazz
    stereo.choosePreset(9); // the standard mode
    QCOMPARE(bench.rig.boxes().filter("Please Insert Device!").size(), 2);
    verifyNotRewritten(path, aged);
    QVERIFY(bench.plugIn());
    bench.shown = standardShown(SoundPage::Stereo);
}

} // namespace

Q_DECLARE_METATYPE(Sequence)

class PlugSequencesTest : public QObject
{
    Q_OBJECT

private slots:
    void init() { m_home = std::make_unique<ThrowawayHome>(); }
    void cleanup() { m_home.reset(); }

    void filesAndModeFollowThePerson_data();
    void filesAndModeFollowThePerson();

private:
    std::unique_ptr<ThrowawayHome> m_home;
};

void PlugSequencesTest::filesAndModeFollowThePerson_data()
{
    QTest::addColumn<Sequence>("sequence");
    QTest::newRow("A, B, A") << Sequence(unitsAThenBThenA);
    QTest::newRow("stereo report, saved surround mode")
        << Sequence(stereoReportWithSavedSurroundMode);
    QTest::newRow("unplug right after start") << Sequence(unplugRightAfterStart);
    QTest::newRow("unplug with unsaved moves, surround")
        << unplugWithUnsavedMoves(SoundPage::Surround, false);
    QTest::newRow("unplug with unsaved moves, stereo")
        << unplugWithUnsavedMoves(SoundPage::Stereo, false);
    QTest::newRow("unplug with unsaved moves, stereo, surround shown")
        << unplugWithUnsavedMoves(SoundPage::Stereo, true);
    QTest::newRow("unplug with unsaved moves, surround, stereo shown")
        << unplugWithUnsavedMoves(SoundPage::Surround, true);
    QTest::newRow("delete the saved mode") << Sequence(deleteSavedModeThenRestart);
    for (const ChosenPreset& preset : kChosenPresets)
        QTest::addRow("choose %s, %s", algorithmOf(preset.page).toUtf8().constData(),
                      preset.storedName)
            << choosePreset(preset);
    QTest::newRow("choose a slot, replug") << Sequence(chooseSlotThenReplug);
    QTest::newRow("choose a preset, switch pages") << Sequence(choosePresetThenSwitchPages);
    QTest::newRow("switch pages only") << Sequence(switchPagesOnly);
    QTest::newRow("choose without headset") << Sequence(choosePresetsWithoutHeadset);
}

void PlugSequencesTest::filesAndModeFollowThePerson()
{
    QFETCH(Sequence, sequence);
    Bench bench;
    sequence(bench);
    if (QTest::currentTestFailed())
        return;
    verifyOutcome(bench);
    if (QTest::currentTestFailed())
        return;

    // The program starts anew with the unit last plugged in.
    QVERIFY(bench.restart());
    verifyOutcome(bench);
    QCOMPARE(bench.rig.boxes().filter("Error"), QStringList());
}

QTEST_MAIN(PlugSequencesTest)
#include "tst_plugsequences.moc"
