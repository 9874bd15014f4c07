// Modes that follow the application, over a real private sound server: a
// null output stands in for the headset's (the default output, as under
// --simulate), another for other speakers, and pacat plays silence with the
// application properties each case gives. One table: a rule's mode reaches
// the simulated headset and ends with its stream, the person's own mode
// coming back; a stream on other speakers changes nothing; a choice by hand
// holds; a rule whose custom mode the unit lacks is skipped and says why.
// The unit's file is never written by a rule.

#include "SessionRig.h"

#include "AutomaticModes.h"
#include "BuiltInPresets.h"
#include "PlaybackStreams.h"
#include "SoundStreams.h"
#include "UnitFiles.h"
#include "WatchEvents.h"

#include <QFile>
#include <QJsonArray>
#include <QtTest>

Q_DECLARE_METATYPE(SoundPage)

namespace {

constexpr int kWaitMs = 10000;

int presetIndex(SoundPage page, const QString& caption)
{
    const std::vector<BuiltInPreset>& presets = builtInPresets();
    for (size_t i = 0; i < presets.size(); ++i)
        if (presets[i].page == page && caption == QLatin1String(presets[i].caption))
            return int(i);
    qFatal("no preset %s", qPrintable(caption));
}

Frames haldenPreset(SoundPage page, const QString& caption)
{
    const BuiltInPreset& preset = builtInPresets()[size_t(presetIndex(page, caption))];
    return peqPair(presetModeIndex(preset, 1),
                   shippedPresetGains(kHalden, page == SoundPage::Surround ? "Surround" : "Stereo",
                                      preset.storedName),
                   kHalden);
}

// The algorithm switch the headset gets after a page's equaliser (model 1).
Frame algorithmOf(SoundPage page)
{
    return page == SoundPage::Surround ? bytesOf(frame::setAlgorithmSwitchCommand(1, 1, 0, 1))
                                       : bytesOf(frame::setAlgorithmSwitchCommand(1, 0, 0, 1));
}

QString modeOf(HeadsetSession& session, SoundPage page)
{
    const ModeName mode = session.modeName(page);
    return mode.kind + QLatin1Char(' ') + mode.name;
}

} // namespace

class TestAutomaticModes : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanup() { m_sound->stopAll(); }
    void followsTheApplication_data();
    void followsTheApplication();
    // The streams' order and pauses, with the streams handed over directly.
    void latestStreamWinsAndPausesEnd();

private:
    std::unique_ptr<SoundStreams> m_sound;
};

void TestAutomaticModes::initTestCase()
{
    QVERIFY2(!qEnvironmentVariable("VELUMIX_PULSE_DIR").isEmpty(),
             "run through ctest: the pulse_server fixture provides the server's folder");
    m_sound = std::make_unique<SoundStreams>(QStringLiteral("automodes"));
    QVERIFY(m_sound->start());
    QVERIFY(m_sound->addOutput("headset_out"));
    QVERIFY(m_sound->addOutput("speakers_out"));
    QVERIFY(m_sound->setDefaultOutput("headset_out"));
}

void TestAutomaticModes::followsTheApplication_data()
{
    QTest::addColumn<QString>("output");
    QTest::addColumn<QString>("applicationName");
    QTest::addColumn<QString>("binary");
    QTest::addColumn<bool>("byHand");
    // What the headset has while the stream plays: page, mode, and the
    // event the rule gives ("" for none).
    QTest::addColumn<SoundPage>("page");
    QTest::addColumn<QString>("mode");
    QTest::addColumn<QString>("event");
    // What it has once the stream has ended.
    QTest::addColumn<QString>("modeAfter");

    // The person's own: the surround page with Moba, the stereo page with Jazz.
    QTest::newRow("a game's binary: its preset, then the person's")
        << "headset_out"
        << "Steam"
        << "steam" << false << SoundPage::Surround << "preset FPS"
        << "applied"
        << "preset Moba";
    QTest::newRow("a player's name, other case: its page and preset, then the person's")
        << "headset_out"
        << "MPV Media Player"
        << "" << false << SoundPage::Stereo << "preset Pop"
        << "applied"
        << "preset Moba";
    QTest::newRow("a custom mode of the unit")
        << "headset_out"
        << "Radio"
        << "radio" << false << SoundPage::Stereo << "custom Club"
        << "applied"
        << "preset Moba";
    QTest::newRow("other speakers: nothing changes")
        << "speakers_out"
        << "Steam"
        << "steam" << false << SoundPage::Surround << "preset Moba"
        << ""
        << "preset Moba";
    QTest::newRow("a choice by hand holds")
        << "headset_out"
        << "Steam"
        << "steam" << true << SoundPage::Surround << "preset Deep Bass"
        << "held"
        << "preset Deep Bass";
    QTest::newRow("a custom mode the unit lacks: skipped")
        << "headset_out"
        << "Ghost"
        << "ghost" << false << SoundPage::Surround << "preset Moba"
        << "skipped"
        << "preset Moba";
}

void TestAutomaticModes::followsTheApplication()
{
    QFETCH(QString, output);
    QFETCH(QString, applicationName);
    QFETCH(QString, binary);
    QFETCH(bool, byHand);
    QFETCH(SoundPage, page);
    QFETCH(QString, mode);
    QFETCH(QString, event);
    QFETCH(QString, modeAfter);

    SessionRig rig;
    prepareUserFile(
        kHalden, kUnitA,
        {{"Stereo", "Club", "6,4,2,0,0,0,0,1,2,3"}, {"Surround", "Cinema", "1,1,1,1,1,1,1,1,1,1"}},
        std::nullopt);
    rig.addUnit(kHalden, kUnitA);
    QVERIFY(rig.start());
    HeadsetSession& session = rig.session();
    QVERIFY(session.choosePreset(presetIndex(SoundPage::Stereo, "Jazz")).ok());
    QVERIFY(session.choosePreset(presetIndex(SoundPage::Surround, "Moba")).ok());
    QVERIFY(rig.settle());
    const QString userFile = rig.userFile(kHalden, kUnitA);
    const QByteArray fileBefore = fileBytes(userFile);

    const QString rulesPath = automaticModesPath();
    QVERIFY(saveAutoModeRules(rulesPath, {{"steam", SoundPage::Surround, "FPS"},
                                          {"mpv media player", SoundPage::Stereo, "Pop"},
                                          {"Radio", SoundPage::Stereo, "Club"},
                                          {"ghost", SoundPage::Surround, "Gone"}})
                .ok());
    AutomaticModes automatic(session, rulesPath);
    QCOMPARE(automatic.problem(), QString());
    WatchEvents watch(session);
    watch.follow(automatic);
    QStringList events;
    QString skipReason;
    connect(&watch, &WatchEvents::announced, this, [&](const QJsonObject& announced) {
        if (announced["event"] != "auto")
            return;
        events << announced["state"].toString();
        if (announced["state"] == "skipped")
            skipReason = announced["reason"].toString();
    });
    HeadsetOutput headsetOutput;
    headsetOutput.defaultSink = true;
    PlaybackStreams streams(headsetOutput, m_sound->address());
    connect(&streams, &PlaybackStreams::streamsChanged, &automatic, &AutomaticModes::followStreams);
    QTRY_VERIFY_WITH_TIMEOUT(streams.connected(), kWaitMs);
    rig.clearFrames();

    QVERIFY(m_sound->play("stream", output, applicationName, binary));
    QTRY_VERIFY_WITH_TIMEOUT(std::any_of(streams.streams().begin(), streams.streams().end(),
                                         [&](const PlaybackStream& stream) {
                                             return stream.applicationName == applicationName;
                                         }),
                             kWaitMs);
    if (!event.isEmpty())
        QTRY_VERIFY_WITH_TIMEOUT(!events.isEmpty(), kWaitMs);
    if (byHand) {
        QCOMPARE(events, QStringList{"applied"});
        QCOMPARE(automatic.inForceText(), QStringLiteral("FPS for steam"));
        QVERIFY(session.choosePreset(presetIndex(SoundPage::Surround, "Deep Bass")).ok());
        QVERIFY(automatic.inForceText().isEmpty());
        // Another stream of the same application changes nothing while the choice holds.
        QVERIFY(m_sound->play("second", output, applicationName, binary));
        QTRY_COMPARE_WITH_TIMEOUT(streams.streams().size(), 2, kWaitMs);
        QVERIFY(rig.settle());
    }
    QVERIFY(rig.settle());
    QCOMPARE(session.pageShown(), page);
    QCOMPARE(modeOf(session, page), mode);
    if (event == "applied" || event == "held")
        QCOMPARE(events.last(), event);
    if (event == "applied") {
        const Frames peq = rig.lastPeqPair();
        QCOMPARE(peq.size(), size_t(2));
        if (mode.startsWith("preset "))
            QCOMPARE(peq, haldenPreset(page, mode.mid(7)));
        QCOMPARE(rig.framesWithCode(frame::SetAlgorithmSwitch).back(), algorithmOf(page));
        QVERIFY(!automatic.inForceText().isEmpty());
    }
    if (event == "skipped") {
        QCOMPARE(events, QStringList{"skipped"});
        QVERIFY2(skipReason.contains("'Gone'"), qPrintable(skipReason));
    }
    if (event.isEmpty() || event == "skipped") {
        QVERIFY(rig.framesWithCode(frame::SetPeq).empty());
        QVERIFY(events.isEmpty() || event == "skipped");
    }

    m_sound->stopAll();
    QTRY_VERIFY_WITH_TIMEOUT(streams.streams().isEmpty(), kWaitMs);
    if (event == "applied" || event == "held")
        QTRY_COMPARE_WITH_TIMEOUT(events.last(), QStringLiteral("ended"), kWaitMs);
    QVERIFY(rig.settle());
    QCOMPARE(session.pageShown(), SoundPage::Surround);
    QCOMPARE(modeOf(session, SoundPage::Surround), modeAfter);
    QCOMPARE(modeOf(session, SoundPage::Stereo), QStringLiteral("preset Jazz"));
    QVERIFY(automatic.inForceText().isEmpty());
    if (event == "applied")
        QCOMPARE(rig.lastPeqPair(), haldenPreset(SoundPage::Surround, "Moba"));
    // Rules never write the unit's file; only the choice by hand does.
    if (!byHand)
        QCOMPARE(fileBytes(userFile), fileBefore);
}

void TestAutomaticModes::latestStreamWinsAndPausesEnd()
{
    SessionRig rig;
    rig.addUnit(kHalden, kUnitA);
    QVERIFY(rig.start());
    HeadsetSession& session = rig.session();
    QVERIFY(session.choosePreset(presetIndex(SoundPage::Surround, "Moba")).ok());
    QVERIFY(saveAutoModeRules(automaticModesPath(), {{"steam", SoundPage::Surround, "FPS"},
                                                     {"mpv", SoundPage::Stereo, "Pop"}})
                .ok());
    AutomaticModes automatic(session, automaticModesPath());
    automatic.setPauseGrace(300);
    const auto stream = [](uint32_t index, const QString& binary, bool corked = false) {
        PlaybackStream playing;
        playing.index = index;
        playing.processBinary = binary;
        playing.corked = corked;
        playing.onHeadset = true;
        return playing;
    };
    automatic.followStreams({stream(1, "steam")});
    QCOMPARE(automatic.inForceText(), QStringLiteral("FPS for steam"));
    automatic.followStreams({stream(1, "steam"), stream(2, "mpv")});
    QCOMPARE(automatic.inForceText(), QStringLiteral("Pop for mpv"));
    QCOMPARE(session.pageShown(), SoundPage::Stereo);
    // The latest ends: the one still playing takes over.
    automatic.followStreams({stream(1, "steam")});
    QCOMPARE(automatic.inForceText(), QStringLiteral("FPS for steam"));
    QCOMPARE(session.pageShown(), SoundPage::Surround);
    // Paused: it still counts for a moment, then the person's own comes back.
    automatic.followStreams({stream(1, "steam", true)});
    QCOMPARE(automatic.inForceText(), QStringLiteral("FPS for steam"));
    QTRY_VERIFY_WITH_TIMEOUT(automatic.inForceText().isEmpty(), kWaitMs);
    QCOMPARE(modeOf(session, SoundPage::Surround), QStringLiteral("preset Moba"));
    // Playing again is a new start.
    automatic.followStreams({stream(1, "steam")});
    QCOMPARE(modeOf(session, SoundPage::Surround), QStringLiteral("preset FPS"));
    automatic.followStreams({});
    QCOMPARE(modeOf(session, SoundPage::Surround), QStringLiteral("preset Moba"));
}

QTEST_MAIN(TestAutomaticModes)
#include "tst_automaticmodes_session.moc"
