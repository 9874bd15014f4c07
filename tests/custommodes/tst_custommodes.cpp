// The five custom slots of each sound page, used as a person uses them:
// adding, copying beside a preset, renaming and saving, deleting, a user file
// with more modes than a page shows, and Reset after a Save on the other page.
// Every case checks the slots, the sliders, the frames the headset received,
// the user file on disk and that no message box appeared.

#include "FileSizeLimit.h"
#include "TraceLog.h"
#include "WindowRig.h"

#include <QtTest>

#include <QJsonDocument>

#include <initializer_list>
#include <memory>
#include <optional>

Q_DECLARE_METATYPE(CustomRecord)

namespace {

const QString kNewMode = QStringLiteral("New Equalizer");

// Selecting slot 1 sends this mode index (model 1 is the 0x1054 headset).
int firstSlotModeIndex(SoundPage page, quint16 productId)
{
    return page == SoundPage::Surround && productId != kHalden ? 20 : 6;
}

// A gain set of its own for each seed, inside -12..12.
EqGains distinctGains(int seed)
{
    EqGains gains{};
    for (int band = 0; band < kBandCount; ++band)
        gains[band] = (seed * 7 + band * 3) % 25 - 12;
    return gains;
}

// The names Add gives on an empty page: "New Equalizer", "New Equalizer 2", ...
QStringList newModeNames(int count)
{
    QStringList names{kNewMode};
    for (int number = 2; number <= count; ++number)
        names << QStringLiteral("%1 %2").arg(kNewMode).arg(number);
    return names;
}

CustomRecord firstOn(SoundPage page, const QList<CustomRecord>& modes)
{
    for (const CustomRecord& record : modes)
        if (record.algorithm == algorithmOf(page))
            return record;
    return {};
}

QStringList namesOn(SoundPage page, const QList<CustomRecord>& modes)
{
    QStringList names;
    for (const CustomRecord& record : modes)
        if (record.algorithm == algorithmOf(page))
            names << record.name;
    return names;
}

struct Preset
{
    const char* radio;
    const char* storedName;
    const char* copyButton;
};

// A built-in preset of each page whose gains are not all zero.
Preset presetWithGains(SoundPage page)
{
    return page == SoundPage::Surround ? Preset{"radioButton_Surround_FPS", "FPS", "pushButton_15"}
                                       : Preset{"radioButton_Stereo_Jazz", "Jazz", "pushButton_25"};
}

bool allVisible(const std::array<QWidget*, 3>& widgets)
{
    for (QWidget* widget : widgets)
        if (!widget->isVisibleTo(widget->window()))
            return false;
    return true;
}

bool noneVisible(const std::array<QWidget*, 3>& widgets)
{
    for (QWidget* widget : widgets)
        if (widget->isVisibleTo(widget->window()))
            return false;
    return true;
}

void addPageRows()
{
    QTest::addColumn<SoundPage>("page");
    QTest::newRow("surround") << SoundPage::Surround;
    QTest::newRow("stereo") << SoundPage::Stereo;
}

struct PageOfModel
{
    SoundPage page;
    quint16 productId;
};

// Rows named like "surround, model 1" (model 1 is the 0x1054 headset).
void addPageModelRows(std::initializer_list<PageOfModel> rows)
{
    QTest::addColumn<SoundPage>("page");
    QTest::addColumn<quint16>("productId");
    for (const PageOfModel& row : rows)
        QTest::addRow("%s, model %d", row.page == SoundPage::Surround ? "surround" : "stereo",
                      row.productId == kHalden ? 1 : 2)
            << row.page << row.productId;
}

enum class SaveObstacle
{
    InvalidJson,
    FolderInPlace,
    DiskFull
};

} // namespace

Q_DECLARE_METATYPE(SaveObstacle)

class CustomModesTest : public QObject
{
    Q_OBJECT

private slots:
    void init() { m_home = std::make_unique<ThrowawayHome>(); }
    void cleanup() { m_home.reset(); }

    void firstAddOnEmptyPage_data();
    void firstAddOnEmptyPage();
    void sixthAddChangesNothing_data() { addPageRows(); }
    void sixthAddChangesNothing();
    void copyBesidePreset_data();
    void copyBesidePreset();
    void renameThenSave_data() { addPageRows(); }
    void renameThenSave();
    void addGivesUnusedName_data();
    void addGivesUnusedName();
    void renameToTakenNameRefused_data() { addPageRows(); }
    void renameToTakenNameRefused();
    void deleteSelectedSlot_data();
    void deleteSelectedSlot();
    void deleteOnlySlot_data() { addPageRows(); }
    void deleteOnlySlot();
    void modesBeyondFiveStayInFile();
    void saveOnOtherPageKeepsReset_data() { addPageRows(); }
    void saveOnOtherPageKeepsReset();
    void failedSaveIsToldAndUndone_data();
    void failedSaveIsToldAndUndone();
    void editButtonsNeedAChosenSlotAfterReplug_data();
    void editButtonsNeedAChosenSlotAfterReplug();

private:
    std::unique_ptr<ThrowawayHome> m_home;
};

void CustomModesTest::firstAddOnEmptyPage_data()
{
    addPageModelRows({{SoundPage::Surround, kHalden},
                      {SoundPage::Surround, kMorvik},
                      {SoundPage::Stereo, kHalden},
                      {SoundPage::Stereo, kMorvik}});
}

void CustomModesTest::firstAddOnEmptyPage()
{
    QFETCH(SoundPage, page);
    QFETCH(quint16, productId);
    WindowRig rig;
    QVERIFY(rig.startOnPage(productId, page));
    const PageControls controls = rig.page(page);
    // Gains on the sliders first, so that the new mode's zero gains show.
    QVERIFY(rig.press(named<QRadioButton>(rig.window(), presetWithGains(page).radio)));
    QVERIFY(sliderGains(controls) != EqGains{});
    QVERIFY(rig.press(controls.customize));
    QCOMPARE(visibleSlotTexts(controls), QStringList());
    rig.clearFrames();

    QVERIFY(rig.press(controls.add));

    QCOMPARE(visibleSlotTexts(controls), QStringList{kNewMode});
    QCOMPARE(checkedSlot(controls), 1);
    QCOMPARE(controls.nameBox->text(), kNewMode);
    QCOMPARE(sliderGains(controls), EqGains{});
    QCOMPARE(rig.framesWithCode(frame::SetPeq),
             peqPair(firstSlotModeIndex(page, productId), EqGains{}, productId));
    // Saved at once, without waiting.
    const QString file = userFilePath(productId, kFirstUnit);
    QCOMPARE(customModesInFile(file), described({customMode(algorithmOf(page), kNewMode, {})}));
    QCOMPARE(savedModeInFile(file), described(currentMode(algorithmOf(page), "custom", kNewMode)));
    QCOMPARE(rig.boxes(), QStringList());
}

void CustomModesTest::sixthAddChangesNothing()
{
    QFETCH(SoundPage, page);
    WindowRig rig;
    QVERIFY(rig.startOnCustomList(kHalden, page));
    const PageControls controls = rig.page(page);
    for (int slot = 1; slot <= 5; ++slot)
        QVERIFY(rig.press(controls.add));
    QVERIFY(rig.settle());
    const QString file = userFilePath(kHalden, kFirstUnit);
    QCOMPARE(customModesInFile(file).size(), 5);
    const QByteArray fileBefore = fileBytes(file);
    rig.clearFrames();

    QVERIFY(rig.press(controls.add));
    QVERIFY(rig.settle());

    QCOMPARE(visibleSlotTexts(controls), newModeNames(5));
    QCOMPARE(checkedSlot(controls), 5);
    QCOMPARE(rig.frames(), Frames{});
    QCOMPARE(fileBytes(file), fileBefore);
    QCOMPARE(rig.boxes(), QStringList());
}

void CustomModesTest::copyBesidePreset_data()
{
    addPageModelRows({{SoundPage::Surround, kHalden},
                      {SoundPage::Surround, kMorvik},
                      {SoundPage::Stereo, kHalden}});
}

void CustomModesTest::copyBesidePreset()
{
    QFETCH(SoundPage, page);
    QFETCH(quint16, productId);
    WindowRig rig;
    QVERIFY(rig.startOnPage(productId, page));
    const PageControls controls = rig.page(page);
    const Preset preset = presetWithGains(page);
    QVERIFY(rig.press(named<QRadioButton>(rig.window(), preset.radio)));
    const EqGains gains = shippedPresetGains(productId, algorithmOf(page), preset.storedName);
    rig.clearFrames();

    QVERIFY(rig.press(named<QPushButton>(rig.window(), preset.copyButton)));

    QVERIFY(controls.customize->isChecked());
    QCOMPARE(visibleSlotTexts(controls), QStringList{kNewMode});
    QCOMPARE(checkedSlot(controls), 1);
    QCOMPARE(sliderGains(controls), gains);
    QCOMPARE(rig.framesWithCode(frame::SetPeq),
             peqPair(firstSlotModeIndex(page, productId), gains, productId));
    const QString file = userFilePath(productId, kFirstUnit);
    QCOMPARE(customModesInFile(file), described({customMode(algorithmOf(page), kNewMode, gains)}));
    QCOMPARE(savedModeInFile(file), described(currentMode(algorithmOf(page), "custom", kNewMode)));
    QCOMPARE(rig.boxes(), QStringList());
}

void CustomModesTest::renameThenSave()
{
    QFETCH(SoundPage, page);
    WindowRig rig;
    QVERIFY(rig.startOnCustomList(kHalden, page));
    const PageControls controls = rig.page(page);
    QVERIFY(rig.press(controls.add));
    QVERIFY(rig.press(controls.add));
    const QString file = userFilePath(kHalden, kFirstUnit);
    const CustomRecord blank = customMode(algorithmOf(page), kNewMode, {});
    const CustomRecord secondBlank = customMode(algorithmOf(page), newModeNames(2)[1], {});

    QVERIFY(rig.typeName(controls.nameBox, "Night Owl"));

    QCOMPARE(visibleSlotTexts(controls), (QStringList{kNewMode, "Night Owl"}));
    // The new name is only on the button until Save.
    QCOMPARE(customModesInFile(file), described({blank, secondBlank}));
    QVERIFY(rig.press(controls.save));
    QCOMPARE(customModesInFile(file),
             described({blank, customMode(algorithmOf(page), "Night Owl", {})}));
    QCOMPARE(savedModeInFile(file),
             described(currentMode(algorithmOf(page), "custom", "Night Owl")));
    QCOMPARE(visibleSlotTexts(controls), (QStringList{kNewMode, "Night Owl"}));
    QVERIFY(!controls.save->isEnabled());
    QCOMPARE(rig.boxes(), QStringList());
}

void CustomModesTest::addGivesUnusedName_data()
{
    QTest::addColumn<SoundPage>("page");
    QTest::addColumn<QStringList>("pageNames");
    QTest::addColumn<QString>("expected");
    for (SoundPage page : {SoundPage::Surround, SoundPage::Stereo}) {
        const QByteArray name = algorithmOf(page).toLower().toUtf8();
        const auto row = [&](const char* title, const QStringList& pageNames,
                             const QString& expected) {
            QTest::addRow("%s, %s", name.constData(), title) << page << pageNames << expected;
        };
        row("name free on this page", {"Alpha"}, kNewMode);
        row("first name taken", {kNewMode}, "New Equalizer 2");
        row("a gap in the numbers", {"New Equalizer 3", kNewMode}, "New Equalizer 2");
        row("first two taken", {"New Equalizer 2", kNewMode}, "New Equalizer 3");
    }
}

// Add names the new mode so that no other mode of its page has that name;
// the other page's modes do not count.
void CustomModesTest::addGivesUnusedName()
{
    QFETCH(SoundPage, page);
    QFETCH(QStringList, pageNames);
    QFETCH(QString, expected);
    QList<CustomRecord> modes{customMode(algorithmOf(otherPage(page)), kNewMode, {})};
    for (const QString& name : pageNames)
        modes << customMode(algorithmOf(page), name, distinctGains(modes.size()));
    prepareUserFile(kHalden, kFirstUnit, modes);
    WindowRig rig;
    QVERIFY(rig.startOnCustomList(kHalden, page));
    const PageControls controls = rig.page(page);

    QVERIFY(rig.press(controls.add));

    QCOMPARE(visibleSlotTexts(controls), pageNames + QStringList{expected});
    QCOMPARE(checkedSlot(controls), pageNames.size() + 1);
    const QString file = userFilePath(kHalden, kFirstUnit);
    QCOMPARE(customModesInFile(file),
             described(modes + QList<CustomRecord>{customMode(algorithmOf(page), expected, {})}));
    QCOMPARE(savedModeInFile(file), described(currentMode(algorithmOf(page), "custom", expected)));
    QCOMPARE(rig.boxes(), QStringList());
}

// Save refuses a new name another mode of the page has: a box says so, the
// slot shows its saved name again and the file stays as it was. A name of
// the other page's modes is free.
void CustomModesTest::renameToTakenNameRefused()
{
    QFETCH(SoundPage, page);
    const QList<CustomRecord> modes{customMode(algorithmOf(page), "Alpha", distinctGains(1)),
                                    customMode(algorithmOf(otherPage(page)), "Xray", {}),
                                    customMode(algorithmOf(page), "Bravo", distinctGains(2))};
    prepareUserFile(kHalden, kFirstUnit, modes);
    WindowRig rig;
    QVERIFY(rig.startOnCustomList(kHalden, page));
    const PageControls controls = rig.page(page);
    QVERIFY(rig.press(controls.customSlots[1]));
    QVERIFY(rig.settle());
    const QString file = userFilePath(kHalden, kFirstUnit);
    const QByteArray fileBefore = fileBytes(file);

    QVERIFY(rig.typeName(controls.nameBox, "Alpha"));
    QVERIFY(rig.drag(controls.sliders[0], 9));
    QVERIFY(rig.press(controls.save));

    QCOMPARE(rig.boxes(), QStringList{"warning: Another custom mode of this page is already called "
                                      "\"Alpha\". Please choose another name."});
    QCOMPARE(fileBytes(file), fileBefore);
    QCOMPARE(visibleSlotTexts(controls), (QStringList{"Alpha", "Bravo"}));
    QCOMPARE(controls.nameBox->text(), QStringLiteral("Bravo"));
    QCOMPARE(checkedSlot(controls), 2);

    QVERIFY(rig.typeName(controls.nameBox, "Xray"));
    QVERIFY(rig.press(controls.save));

    EqGains edited = distinctGains(2);
    edited[0] = 9;
    QCOMPARE(customModesInFile(file),
             described({modes[1], modes[0], customMode(algorithmOf(page), "Xray", edited)}));
    QCOMPARE(visibleSlotTexts(controls), (QStringList{"Alpha", "Xray"}));
    QCOMPARE(rig.boxes().size(), 1);
}

void CustomModesTest::deleteSelectedSlot_data()
{
    QTest::addColumn<SoundPage>("page");
    QTest::addColumn<QList<CustomRecord>>("modes");
    QTest::addColumn<int>("slot");
    QTest::addColumn<QString>("unsavedName");
    QTest::addColumn<QList<CustomRecord>>("remaining");
    for (SoundPage page : {SoundPage::Surround, SoundPage::Stereo}) {
        const QString algorithm = algorithmOf(page);
        const auto mode = [&algorithm](const char* name, int seed) {
            return customMode(algorithm, name, distinctGains(seed));
        };
        const CustomRecord alpha = mode("Alpha", 1), bravo = mode("Bravo", 2),
                           charlie = mode("Charlie", 3), delta = mode("Delta", 4);
        const CustomRecord twinOne = mode("Twin", 5), twinTwo = mode("Twin", 6);
        // A mode of the other page between them must stay where it is.
        const CustomRecord other =
            customMode(algorithmOf(otherPage(page)), "Xray", distinctGains(7));
        const QByteArray name = algorithm.toLower().toUtf8();
        QTest::addRow("%s, slot 2 of four", name.constData())
            << page << QList<CustomRecord>{alpha, other, bravo, charlie, delta} << 2 << QString()
            << QList<CustomRecord>{alpha, other, charlie, delta};
        QTest::addRow("%s, slot 1 of three", name.constData())
            << page << QList<CustomRecord>{alpha, bravo, charlie} << 1 << QString()
            << QList<CustomRecord>{bravo, charlie};
        QTest::addRow("%s, slot 3 of three", name.constData())
            << page << QList<CustomRecord>{alpha, bravo, charlie} << 3 << QString()
            << QList<CustomRecord>{alpha, bravo};
        QTest::addRow("%s, slot 2 after an unsaved rename", name.constData())
            << page << QList<CustomRecord>{alpha, bravo, charlie} << 2 << QString("Renamed")
            << QList<CustomRecord>{alpha, charlie};
        QTest::addRow("%s, second of two neighbours with one name", name.constData())
            << page << QList<CustomRecord>{twinOne, twinTwo, charlie} << 2 << QString()
            << QList<CustomRecord>{twinOne, charlie};
    }
}

void CustomModesTest::deleteSelectedSlot()
{
    QFETCH(SoundPage, page);
    QFETCH(QList<CustomRecord>, modes);
    QFETCH(int, slot);
    QFETCH(QString, unsavedName);
    QFETCH(QList<CustomRecord>, remaining);
    prepareUserFile(kMorvik, kFirstUnit, modes);
    WindowRig rig;
    QVERIFY(rig.startOnCustomList(kMorvik, page));
    const PageControls controls = rig.page(page);
    QCOMPARE(visibleSlotTexts(controls), namesOn(page, modes));
    QVERIFY(rig.press(controls.customSlots[slot - 1]));
    if (!unsavedName.isEmpty())
        QVERIFY(rig.typeName(controls.nameBox, unsavedName));
    QVERIFY(rig.press(controls.deleteButtons[slot - 1]));
    QVERIFY(allVisible(controls.deleteConfirmation));
    rig.clearFrames();

    QVERIFY(rig.press(controls.confirmDelete));

    const QString file = userFilePath(kMorvik, kFirstUnit);
    QCOMPARE(customModesInFile(file), described(remaining));
    const QStringList remainingNames = namesOn(page, remaining);
    QCOMPARE(visibleSlotTexts(controls), remainingNames);
    QVERIFY(noneVisible(controls.deleteConfirmation));
    // Slot 1 becomes the selected slot and goes to the headset.
    QCOMPARE(checkedSlot(controls), 1);
    const EqGains expected = gainsOf(firstOn(page, remaining).parameter);
    QCOMPARE(sliderGains(controls), expected);
    QCOMPARE(rig.framesWithCode(frame::SetPeq),
             peqPair(firstSlotModeIndex(page, kMorvik), expected, kMorvik));
    // The list the page is rebuilt from agrees with the slots.
    QVERIFY(rig.press(controls.customize));
    QCOMPARE(visibleSlotTexts(controls), remainingNames);
    QCOMPARE(rig.boxes(), QStringList());
}

void CustomModesTest::deleteOnlySlot()
{
    QFETCH(SoundPage, page);
    WindowRig rig;
    QVERIFY(rig.startOnCustomList(kHalden, page));
    const PageControls controls = rig.page(page);
    QVERIFY(rig.press(controls.add));
    QVERIFY(rig.press(controls.deleteButtons[0]));
    rig.clearFrames();

    QVERIFY(rig.press(controls.confirmDelete));

    QCOMPARE(visibleSlotTexts(controls), QStringList());
    QCOMPARE(checkedSlot(controls), 0);
    Velumix& window = rig.window();
    for (QWidget* editWidget : std::initializer_list<QWidget*>{window.ui.lineEdit_CustomName,
                                                               controls.reset, controls.save})
        QVERIFY2(!editWidget->isVisibleTo(&window), qPrintable(editWidget->objectName()));
    QVERIFY(!controls.deleteRequest->isEnabled());
    QVERIFY(noneVisible(controls.deleteConfirmation));
    QCOMPARE(customModesInFile(userFilePath(kHalden, kFirstUnit)), QStringList());
    QCOMPARE(rig.framesWithCode(frame::SetPeq), Frames{});
    // The page starts over at slot 1.
    QVERIFY(rig.press(controls.add));
    QCOMPARE(visibleSlotTexts(controls), QStringList{kNewMode});
    QCOMPARE(rig.boxes(), QStringList());
}

// A user file written elsewhere with seven Surround modes: the page shows and
// counts five, and Add, Save and delete leave the other two in the file.
void CustomModesTest::modesBeyondFiveStayInFile()
{
    QList<CustomRecord> surroundModes;
    for (int i = 1; i <= 7; ++i)
        surroundModes << customMode("Surround", QStringLiteral("Mode %1").arg(i), distinctGains(i));
    const CustomRecord stereoMode = customMode("Stereo", "Tune", distinctGains(9));
    QList<CustomRecord> modes = surroundModes;
    modes.insert(1, stereoMode);
    prepareUserFile(kHalden, kFirstUnit, modes);
    WindowRig rig;
    QVERIFY(rig.startWith(kHalden));
    const PageControls surround = rig.page(SoundPage::Surround);
    const QString file = userFilePath(kHalden, kFirstUnit);
    QVERIFY(rig.openCustomList(surround));
    QCOMPARE(visibleSlotTexts(surround), namesOn(SoundPage::Surround, surroundModes.mid(0, 5)));
    QCOMPARE(rig.session().unit().slotCount(SoundPage::Surround), 5);

    // Add: the page is full.
    const QByteArray fileBefore = fileBytes(file);
    rig.clearFrames();
    QVERIFY(rig.press(surround.add));
    QVERIFY(rig.settle());
    QCOMPARE(fileBytes(file), fileBefore);
    QCOMPARE(rig.frames(), Frames{});

    // Save of slot 3 under a new name.
    QVERIFY(rig.press(surround.customSlots[2]));
    QVERIFY(rig.typeName(surround.nameBox, "Middle"));
    QVERIFY(rig.press(surround.save));
    const CustomRecord middle = customMode("Surround", "Middle", distinctGains(3));
    QCOMPARE(customModesInFile(file),
             described({stereoMode, surroundModes[0], surroundModes[1], middle, surroundModes[3],
                        surroundModes[4], surroundModes[5], surroundModes[6]}));

    // Delete of slot 1.
    QVERIFY(rig.press(surround.customSlots[0]));
    QVERIFY(rig.press(surround.deleteButtons[0]));
    QVERIFY(rig.press(surround.confirmDelete));
    QCOMPARE(customModesInFile(file),
             described({stereoMode, surroundModes[1], middle, surroundModes[3], surroundModes[4],
                        surroundModes[5], surroundModes[6]}));
    // The page's sixth mode, unseen before, moves up into the fifth slot.
    QCOMPARE(visibleSlotTexts(surround),
             (QStringList{"Mode 2", "Middle", "Mode 4", "Mode 5", "Mode 6"}));

    // The page is full again: Add leaves the file as it is.
    const QByteArray afterDelete = fileBytes(file);
    QVERIFY(rig.press(surround.add));
    QVERIFY(rig.settle());
    QCOMPARE(fileBytes(file), afterDelete);
    QCOMPARE(rig.boxes(), QStringList());
}

// Reset puts back the saved gains of the page's slot even after a Save on
// the other page.
void CustomModesTest::saveOnOtherPageKeepsReset()
{
    QFETCH(SoundPage, page);
    WindowRig rig;
    QVERIFY(rig.startWith(kHalden));
    const PageControls kept = rig.page(page);
    const PageControls other = rig.page(otherPage(page));
    const EqGains saved{4, 0, -3, 2, 7, -12, 12, 1, -1, 5};
    QVERIFY(rig.openCustomList(kept));
    QVERIFY(rig.press(kept.add));
    QVERIFY(rig.dragTo(kept, saved));
    QVERIFY(rig.press(kept.save));
    // A preset, so that coming back to the page does not choose the slot again.
    QVERIFY(rig.press(named<QRadioButton>(rig.window(), presetWithGains(page).radio)));

    QVERIFY(rig.openCustomList(other));
    QVERIFY(rig.press(other.add));
    QVERIFY(rig.dragTo(other, distinctGains(2)));
    QVERIFY(rig.press(other.save));

    QVERIFY(rig.openCustomList(kept));
    QVERIFY(rig.press(kept.customSlots[0]));
    QVERIFY(rig.drag(kept.sliders[2], -7));
    rig.clearFrames();
    QVERIFY(rig.press(kept.reset));

    QCOMPARE(sliderGains(kept), saved);
    // Reset saves what it restored (under the name the name box shows).
    QStringList keptParameters;
    for (const CustomRecord& record : customRecordsInFile(userFilePath(kHalden, kFirstUnit)))
        if (record.algorithm == kept.algorithm)
            keptParameters << record.parameter;
    QCOMPARE(keptParameters, QStringList{gainText(saved)});
    // Slot 1 of either page is edited with mode index 6 on model 1.
    QTRY_VERIFY(containsRun(rig.framesWithCode(frame::SetPeq), peqPair(6, saved, kHalden)));
    QCOMPARE(rig.boxes(), QStringList());
}

void CustomModesTest::failedSaveIsToldAndUndone_data()
{
    QTest::addColumn<SaveObstacle>("obstacle");
    QTest::addColumn<QString>("cause");
    QTest::addColumn<QStringList>("slotsAfter");
    // The list keeps the modes the unit's file gave when the unit came.
    QTest::newRow("file no longer JSON")
        << SaveObstacle::InvalidJson << "invalid JSON at offset" << QStringList{"Kept"};
    QTest::newRow("a folder in its place")
        << SaveObstacle::FolderInPlace << "not a regular file" << QStringList{"Kept"};
    QTest::newRow("disk full") << SaveObstacle::DiskFull << "cannot write" << QStringList{"Kept"};
}

// The Add saves at once; when the file cannot take it, the person learns
// which file and why, the list shows what the file holds, and the file
// stays as it was.
void CustomModesTest::failedSaveIsToldAndUndone()
{
    QFETCH(SaveObstacle, obstacle);
    QFETCH(QString, cause);
    QFETCH(QStringList, slotsAfter);
    const SoundPage page = SoundPage::Stereo;
    prepareUserFile(kHalden, kFirstUnit, {customMode("Stereo", "Kept", {1, 2, 3})});
    const QString file = userFilePath(kHalden, kFirstUnit);
    // Large enough that no new document fits under the size limit.
    const int paddingSize = 600 * 1024;
    QJsonObject root = readJsonFile(file);
    root.insert("notes", QString(paddingSize, QChar('x')));
    {
        QFile padded(file);
        QVERIFY(padded.open(QIODevice::WriteOnly));
        padded.write(QJsonDocument(root).toJson());
    }
    WindowRig rig;
    QVERIFY(rig.startOnCustomList(kHalden, page));
    const PageControls controls = rig.page(page);
    QCOMPARE(visibleSlotTexts(controls), QStringList{"Kept"});
    if (obstacle == SaveObstacle::InvalidJson) {
        QFile broken(file);
        QVERIFY(broken.open(QIODevice::WriteOnly));
        broken.write("{\"customMode\": [");
    } else if (obstacle == SaveObstacle::FolderInPlace) {
        QVERIFY(QFile::remove(file));
        QVERIFY(QDir().mkdir(file));
    }
    const QByteArray before = fileBytes(file);
    {
        std::optional<FileSizeLimit> diskFull;
        if (obstacle == SaveObstacle::DiskFull) {
            const rlim_t limit = rlim_t(QFileInfo(traceLogFilePath()).size() + 64 * 1024);
            QVERIFY2(limit < rlim_t(paddingSize), "the trace log has outgrown the size limit");
            diskFull.emplace(limit);
            QVERIFY(diskFull->active());
        }
        QVERIFY(rig.press(controls.add));
    }

    QCOMPARE(rig.boxes(), QStringList{"Error: Json File Save Error!"});
    const QString detail = rig.boxDetails().first();
    QVERIFY2(detail.startsWith(file + ": ") && detail.contains(cause), qPrintable(detail));
    QCOMPARE(fileBytes(file), before);
    QCOMPARE(QFileInfo(file).isDir(), obstacle == SaveObstacle::FolderInPlace);
    QVERIFY(rig.press(controls.customize));
    QCOMPARE(visibleSlotTexts(controls), slotsAfter);
}

void CustomModesTest::editButtonsNeedAChosenSlotAfterReplug_data()
{
    QTest::addColumn<bool>("slotChosen");
    QTest::newRow("a slot chosen") << true;
    QTest::newRow("only the list open") << false;
}

// Reset and Save belong to a chosen custom mode: after a replug on the
// stereo page they show exactly when a slot is chosen.
void CustomModesTest::editButtonsNeedAChosenSlotAfterReplug()
{
    QFETCH(bool, slotChosen);
    prepareUserFile(kHalden, kFirstUnit, {customMode("Stereo", "Kept", {1, 2, 3})});
    WindowRig rig;
    const int unit = rig.addUnit(kHalden);
    rig.settings(unit).stateByte = kStereoState;
    QVERIFY(rig.start());
    const PageControls stereo = rig.page(SoundPage::Stereo);
    QVERIFY(rig.openCustomList(stereo));
    if (slotChosen)
        QVERIFY(rig.press(stereo.customSlots[0]));
    QVERIFY(rig.settle());

    rig.pullOut(unit);
    rig.plugIn(unit);
    QVERIFY(rig.settle());

    QCOMPARE(rig.window().ui.tabWidget->currentIndex(), int(kStereoTab));
    const bool chosen = checkedSlot(stereo) != 0;
    QCOMPARE(chosen, slotChosen);
    QCOMPARE(!stereo.reset->isHidden(), chosen);
    QCOMPARE(!stereo.save->isHidden(), chosen);
    if (!chosen)
        QVERIFY(stereo.customize->isChecked());
}

QTEST_MAIN(CustomModesTest)
#include "tst_custommodes.moc"
