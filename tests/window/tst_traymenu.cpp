// The tray menu: the page's presets and custom modes and the microphone
// settings, each asking the session what the window's click asks, as the
// simulated headset receives it; the checked entries and the tooltip follow
// every change, and the menu is complete from the start.

#include "ModeLookup.h"
#include "WindowRig.h"

#include "PageWidgets.h"

#include <QMenu>
#include <QtTest>

namespace {

constexpr EqGains kLateShowGains{6, 5, 3, 0, -1, -1, 0, 2, 4, 6};
constexpr EqGains kPodcastGains{1, 2, 3, 4, 5, -5, -4, -3, -2, -1};
constexpr EqGains kNightOwlGains{-3, -1, 2, 5, 7, 7, 4, 1, -2, -4};

void prepareHaldenFile()
{
    prepareUserFile(kHalden, kFirstUnit,
                    {customMode("Surround", "Night Owl", kNightOwlGains),
                     customMode("Stereo", "Late Show", kLateShowGains),
                     customMode("Stereo", "Podcast voice", kPodcastGains)});
}

QList<QAction*> trayActions(Velumix& window)
{
    QMenu* menu = window.tray().icon()->contextMenu();
    return menu ? menu->actions() : QList<QAction*>();
}

// An entry's text as the menu shows it: "&&" is one '&'.
QString shownText(const QAction* action)
{
    return QString(action->text()).replace(QLatin1String("&&"), QLatin1String("&"));
}

// The entries as text: "---" for a separator, "[x] " before a checked one.
QStringList trayEntries(Velumix& window)
{
    QStringList entries;
    for (const QAction* action : trayActions(window))
        entries << (action->isSeparator()
                        ? QStringLiteral("---")
                        : (action->isChecked() ? "[x] " : "") + shownText(action));
    return entries;
}

QStringList checkedEntries(Velumix& window)
{
    return trayEntries(window).filter(QRegularExpression("^\\[x\\] "));
}

bool chooseInTray(Velumix& window, const QString& text)
{
    for (QAction* action : trayActions(window)) {
        if (shownText(action) == text) {
            action->trigger();
            return true;
        }
    }
    qWarning("the tray menu has no entry %s", qPrintable(text));
    return false;
}

QStringList presetCaptions(SoundPage page)
{
    QStringList captions;
    for (const BuiltInPreset& preset : presetsOffered(shippedConfig(kHalden), page))
        captions << preset.caption;
    return captions;
}

// The presets of a page in the order the window's list shows them.
QStringList presetsAsListed(Velumix& window, SoundPage page)
{
    std::vector<PresetRow> rows = window.pageView(page).widgets().presets;
    std::sort(rows.begin(), rows.end(),
              [](const PresetRow& a, const PresetRow& b) { return a.radio->y() < b.radio->y(); });
    QStringList captions;
    for (const PresetRow& row : rows)
        captions << QString(row.radio->text()).replace(QLatin1String("&&"), QLatin1String("&"));
    return captions;
}

const QStringList kMicrophoneEntries = {"Microphone 0%", "Microphone 25%", "Microphone 50%",
                                        "Microphone 75%", "Microphone 100%"};

} // namespace

class TrayMenuTest : public QObject
{
    Q_OBJECT
private slots:
    void choicesSendWhatTheClicksSend_data();
    void choicesSendWhatTheClicksSend();
    void menuAndTooltipFollowThePageAndTheUnit();
    void menuIsCompleteRightAfterStart();
    void presetsComeInTheWindowsOrder_data();
    void presetsComeInTheWindowsOrder();
    void ampersandShowsAsItself();
};

void TrayMenuTest::choicesSendWhatTheClicksSend_data()
{
    QTest::addColumn<QString>("entry");
    QTest::addColumn<int>("code");
    QTest::addColumn<Frames>("sent");
    QTest::addColumn<QStringList>("checkedAfter");
    const BuiltInPreset jazz = *findBuiltInPreset("Jazz", SoundPage::Stereo);
    const EqGains jazzGains = shippedPresetGains(kHalden, "Stereo", jazz.storedName);
    // Noise cancellation is checked only once it was set over the link.
    const QString noiseCancellation = "[x] Noise cancellation";
    const QString micFull = "[x] Microphone 100%";
    QTest::newRow("preset") << "Jazz" << int(frame::SetPeq)
                            << peqPair(presetModeIndex(jazz, 1), jazzGains, kHalden)
                            << QStringList{"[x] Jazz", micFull};
    QTest::newRow("custom mode") << "Podcast voice" << int(frame::SetPeq)
                                 << peqPair(customSlotModeIndex(SoundPage::Stereo, 1, 1),
                                            kPodcastGains, kHalden)
                                 << QStringList{"[x] Podcast voice", micFull};
    QTest::newRow("noise cancellation on")
        << "Noise cancellation" << int(frame::SetAlgorithmSwitch)
        << Frames{bytesOf(frame::setAlgorithmSwitchCommand(1, 0, 1, 0))}
        << QStringList{"[x] KAVRO Standard", noiseCancellation, micFull};
    QTest::newRow("microphone step") << "Microphone 25%" << int(frame::SetMicVolume)
                                     << Frames{bytesOf(frame::setMicVolumeCommand(25))}
                                     << QStringList{"[x] KAVRO Standard", "[x] Microphone 25%"};
}

void TrayMenuTest::choicesSendWhatTheClicksSend()
{
    QFETCH(QString, entry);
    QFETCH(int, code);
    QFETCH(Frames, sent);
    QFETCH(QStringList, checkedAfter);
    prepareHaldenFile();
    WindowRig rig;
    QVERIFY(rig.startOnPage(kHalden, SoundPage::Stereo));
    rig.clearFrames();
    QVERIFY(chooseInTray(rig.window(), entry));
    QVERIFY(rig.settle());
    QCOMPARE(rig.framesWithCode(uint8_t(code)), sent);
    QCOMPARE(checkedEntries(rig.window()), checkedAfter);
}

void TrayMenuTest::menuAndTooltipFollowThePageAndTheUnit()
{
    prepareHaldenFile();
    WindowRig rig;
    QVERIFY(rig.startOnPage(kHalden, SoundPage::Stereo));
    Velumix& window = rig.window();
    const QStringList microphone = QStringList{"Noise cancellation"} +
                                   kMicrophoneEntries.mid(0, 4) +
                                   QStringList{"[x] Microphone 100%"};
    QStringList stereo = presetCaptions(SoundPage::Stereo);
    stereo.replace(stereo.indexOf("KAVRO Standard"), "[x] KAVRO Standard");
    const QStringList expected = QStringList{"Home Page", "---"} + stereo +
                                 QStringList{"Late Show", "Podcast voice", "---"} + microphone +
                                 QStringList{"---", "High contrast", "Quit"};
    QCOMPARE(trayEntries(window), expected);
    QCOMPARE(window.tray().icon()->toolTip(), QString("Halden (0a1b2c3d)\nstereo: KAVRO Standard"));

    QVERIFY(chooseInTray(window, "Late Show"));
    QVERIFY(rig.settle());
    QCOMPARE(window.tray().icon()->toolTip(), QString("Halden (0a1b2c3d)\nstereo: Late Show"));
    QVERIFY(trayEntries(window).contains("[x] Late Show"));

    QVERIFY(rig.openPage(rig.page(SoundPage::Surround)));
    const QStringList surround = trayEntries(window);
    for (const QString& caption : presetCaptions(SoundPage::Surround))
        QVERIFY2(surround.contains(caption) || surround.contains("[x] " + caption),
                 qPrintable(caption));
    QVERIFY(surround.contains("Night Owl"));
    QVERIFY(!surround.contains("Late Show") && !surround.contains("[x] Late Show"));
    QVERIFY(window.tray().icon()->toolTip().startsWith("Halden (0a1b2c3d)\nsurround: "));

    rig.pullOut(0);
    QCOMPARE(trayEntries(window), (QStringList{"Home Page", "---", "High contrast", "Quit"}));
    QCOMPARE(window.tray().icon()->toolTip(), QString("KAVRO 7.1 Surround Sound"));
}

// Before any change, the menu lists the page's modes and checks the chosen one.
void TrayMenuTest::menuIsCompleteRightAfterStart()
{
    prepareHaldenFile();
    WindowRig rig;
    QVERIFY(rig.startWith(kHalden));
    Velumix& window = rig.window();
    QStringList surround = presetsAsListed(window, SoundPage::Surround);
    surround.replace(surround.indexOf("KAVRO Standard"), "[x] KAVRO Standard");
    const QStringList expected = QStringList{"Home Page", "---"} + surround +
                                 QStringList{"Night Owl", "---"} +
                                 QStringList{"Noise cancellation"} + kMicrophoneEntries.mid(0, 4) +
                                 QStringList{"[x] Microphone 100%", "---", "High contrast", "Quit"};
    QCOMPARE(trayEntries(window), expected);
}

void TrayMenuTest::presetsComeInTheWindowsOrder_data()
{
    QTest::addColumn<SoundPage>("page");
    QTest::newRow("surround") << SoundPage::Surround;
    QTest::newRow("stereo") << SoundPage::Stereo;
}

void TrayMenuTest::presetsComeInTheWindowsOrder()
{
    QFETCH(SoundPage, page);
    WindowRig rig;
    QVERIFY(rig.startOnPage(kHalden, page));
    const QStringList listed = presetsAsListed(rig.window(), page);
    QStringList inTray;
    for (const QString& entry : trayEntries(rig.window()))
        if (listed.contains(QString(entry).remove("[x] ")))
            inTray << QString(entry).remove("[x] ");
    QCOMPARE(inTray, listed);
}

// "Rock & Roll" and a mode named "Bass & Steps" show their '&', and no
// entry underlines a letter as a shortcut.
void TrayMenuTest::ampersandShowsAsItself()
{
    prepareUserFile(kHalden, kFirstUnit, {customMode("Stereo", "Bass & Steps", kPodcastGains)});
    WindowRig rig;
    QVERIFY(rig.startOnCustomList(kHalden, SoundPage::Stereo));
    const QStringList entries = trayEntries(rig.window());
    QVERIFY(entries.contains("Rock & Roll"));
    QVERIFY(entries.contains("Bass & Steps"));
    for (const QAction* action : trayActions(rig.window()))
        QVERIFY2(QKeySequence::mnemonic(action->text()).isEmpty(), qPrintable(action->text()));
    const PageControls stereo = rig.page(SoundPage::Stereo);
    QCOMPARE(visibleSlotTexts(stereo), QStringList{"Bass & Steps"});
    QVERIFY(QKeySequence::mnemonic(stereo.customSlots[0]->text()).isEmpty());
}

QTEST_MAIN(TrayMenuTest)
#include "tst_traymenu.moc"
