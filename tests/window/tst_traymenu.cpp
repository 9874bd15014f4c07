// The tray menu: the page's presets and custom modes and the microphone
// settings, each doing what the window's click does, as the simulated
// headset receives it; the checked entries and the tooltip follow every
// change.

#include "ModeLookup.h"
#include "WindowRig.h"

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
    QMenu* menu = window.m_trayIcon->contextMenu();
    return menu ? menu->actions() : QList<QAction*>();
}

// The entries as text: "---" for a separator, "[x] " before a checked one.
QStringList trayEntries(Velumix& window)
{
    QStringList entries;
    for (const QAction* action : trayActions(window))
        entries << (action->isSeparator() ? QStringLiteral("---")
                                          : (action->isChecked() ? "[x] " : "") + action->text());
    return entries;
}

QStringList checkedEntries(Velumix& window)
{
    return trayEntries(window).filter(QRegularExpression("^\\[x\\] "));
}

bool chooseInTray(Velumix& window, const QString& text)
{
    for (QAction* action : trayActions(window)) {
        if (action->text() == text) {
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
};

void TrayMenuTest::choicesSendWhatTheClicksSend_data()
{
    QTest::addColumn<QString>("entry");
    QTest::addColumn<int>("code");
    QTest::addColumn<Frames>("sent");
    QTest::addColumn<QStringList>("checkedAfter");
    const BuiltInPreset jazz = *findBuiltInPreset("Jazz", SoundPage::Stereo);
    const EqGains jazzGains = shippedPresetGains(kHalden, "Stereo", jazz.storedName);
    const QString noiseCancellation = "[x] Noise cancellation";
    const QString micFull = "[x] Microphone 100%";
    QTest::newRow("preset") << "Jazz" << int(frame::SetPeq)
                            << peqPair(presetModeIndex(jazz, 1), jazzGains, kHalden)
                            << QStringList{"[x] Jazz", noiseCancellation, micFull};
    QTest::newRow("custom mode") << "Podcast voice" << int(frame::SetPeq)
                                 << peqPair(customSlotModeIndex(SoundPage::Stereo, 1, 1),
                                            kPodcastGains, kHalden)
                                 << QStringList{"[x] Podcast voice", noiseCancellation, micFull};
    QTest::newRow("noise cancellation off")
        << "Noise cancellation" << int(frame::SetAlgorithmSwitch)
        << Frames{bytesOf(frame::setAlgorithmSwitchCommand(1, 0, 2, 0))}
        << QStringList{"[x] KAVRO Standard", micFull};
    QTest::newRow("microphone step")
        << "Microphone 25%" << int(frame::SetMicVolume)
        << Frames{bytesOf(frame::setMicVolumeCommand(25))}
        << QStringList{"[x] KAVRO Standard", noiseCancellation, "[x] Microphone 25%"};
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
    const QStringList microphone = QStringList{"[x] Noise cancellation"} +
                                   kMicrophoneEntries.mid(0, 4) +
                                   QStringList{"[x] Microphone 100%"};
    QStringList stereo = presetCaptions(SoundPage::Stereo);
    stereo.replace(stereo.indexOf("KAVRO Standard"), "[x] KAVRO Standard");
    const QStringList expected = QStringList{"Home Page", "---"} + stereo +
                                 QStringList{"Late Show", "Podcast voice", "---"} + microphone +
                                 QStringList{"---", "Quit"};
    QCOMPARE(trayEntries(window), expected);
    QCOMPARE(window.m_trayIcon->toolTip(), QString("Halden (0a1b2c3d)\nstereo: KAVRO Standard"));

    QVERIFY(chooseInTray(window, "Late Show"));
    QVERIFY(rig.settle());
    QCOMPARE(window.m_trayIcon->toolTip(), QString("Halden (0a1b2c3d)\nstereo: Late Show"));
    QVERIFY(trayEntries(window).contains("[x] Late Show"));

    QVERIFY(rig.openPage(rig.page(SoundPage::Surround)));
    const QStringList surround = trayEntries(window);
    for (const QString& caption : presetCaptions(SoundPage::Surround))
        QVERIFY2(surround.contains(caption) || surround.contains("[x] " + caption),
                 qPrintable(caption));
    QVERIFY(surround.contains("Night Owl"));
    QVERIFY(!surround.contains("Late Show") && !surround.contains("[x] Late Show"));
    QVERIFY(window.m_trayIcon->toolTip().startsWith("Halden (0a1b2c3d)\nsurround: "));

    rig.pullOut(0);
    QCOMPARE(trayEntries(window), (QStringList{"Home Page", "---", "Quit"}));
    QCOMPARE(window.m_trayIcon->toolTip(), QString("KAVRO 7.1 Surround Sound"));
}

QTEST_MAIN(TrayMenuTest)
#include "tst_traymenu.moc"
