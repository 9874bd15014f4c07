// The headset session without a window: each page comes back to its own
// saved mode whichever page the headset reports, choices survive restarts,
// replugs and unit switches, a unit with a broken file keeps nothing of the
// unit before, and noise cancellation is what was sent.

#include "SessionRig.h"

#include "BuiltInPresets.h"
#include "ConfigRecord.h"
#include "DataFolder.h"
#include "FileSizeLimit.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QtTest>

#include <optional>

Q_DECLARE_METATYPE(SoundPage)
Q_DECLARE_METATYPE(std::optional<QJsonObject>)
Q_DECLARE_METATYPE(Frames)
Q_DECLARE_METATYPE(CustomRecord)

namespace {

// A mode as the checks name it: a page and the name modeName() gives.
struct Mode
{
    SoundPage page;
    QString kind;
    QString name;
};

QJsonObject choice(const QString& mode, const QString& name)
{
    return {{"mode", mode}, {"name", name}};
}

void writeUserFile(quint16 productId, const DeviceIdentity& identity,
                   const QList<CustomRecord>& modes, const std::optional<QJsonObject>& lastChoice,
                   const std::optional<QJsonObject>& pageModes)
{
    prepareUserFile(productId, identity, modes, lastChoice);
    if (!pageModes)
        return;
    const QString path = userFilePath(productId, identity);
    QJsonObject root = readJsonFile(path);
    root.insert("pageMode", *pageModes);
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(QJsonDocument(root).toJson());
}

int presetIndex(SoundPage page, const QString& caption)
{
    const std::vector<BuiltInPreset>& presets = builtInPresets();
    for (size_t i = 0; i < presets.size(); ++i)
        if (presets[i].page == page && caption == QLatin1String(presets[i].caption))
            return int(i);
    qFatal("no preset %s", qPrintable(caption));
}

// The PEQ pair a Halden receives for a preset of its default file.
Frames haldenPreset(SoundPage page, const QString& caption)
{
    const BuiltInPreset& preset = builtInPresets()[size_t(presetIndex(page, caption))];
    return peqPair(presetModeIndex(preset, 1),
                   shippedPresetGains(kHalden, page == SoundPage::Surround ? "Surround" : "Stereo",
                                      preset.storedName),
                   kHalden);
}

QString modeOf(HeadsetSession& session, SoundPage page)
{
    const ModeName mode = session.modeName(page);
    return mode.kind + QLatin1Char(' ') + mode.name;
}

const EqGains kClubGains{6, 4, 2, 0, 0, 0, 0, 1, 2, 3};
// Stands for a folder where the user file should be.
const char kFolderInItsPlace[] = "<a folder>";

} // namespace

class SessionTest : public QObject
{
    Q_OBJECT
private slots:
    void eachPageComesBackToItsOwnMode_data();
    void eachPageComesBackToItsOwnMode();
    void choicesSurviveARestart();
    void choicesFollowTheUnitThroughASwitchAndBack();
    void aPageReportedLaterGetsItsSavedMode();
    void aBrokenFileKeepsNothingOfTheUnitBefore_data();
    void aBrokenFileKeepsNothingOfTheUnitBefore();
    void aNewUnitWhoseFileCannotBeMadeHasItsModelsPresets();
    void aChoiceThatCannotBeSavedIsAFailure();
    void aHeadsetWithoutDefaultFileIsNamed();
    void namesInRefusalsAreShortened();
    void aCommandWaitsForTheUnitItIsFor();
    void aCommandForAUnitThatSaysNothingIsRefused();
    void noiseCancellationIsWhatWasSent();
    void aSessionNotKeepingStepSendsOnlyWhatIsAsked();
};

void SessionTest::eachPageComesBackToItsOwnMode_data()
{
    QTest::addColumn<QList<CustomRecord>>("modes");
    QTest::addColumn<std::optional<QJsonObject>>("lastChoice");
    QTest::addColumn<std::optional<QJsonObject>>("pageModes");
    QTest::addColumn<SoundPage>("reported");
    QTest::addColumn<QString>("surround");
    QTest::addColumn<QString>("stereo");
    QTest::addColumn<Frames>("sentLast");

    const QJsonObject bothPages{{"Surround", choice("default", "FPS")},
                                {"Stereo", choice("default", "Jazz")}};
    const QJsonObject lastJazz = currentMode("Stereo", "default", "Jazz");
    const std::optional<QJsonObject> none;
    const QList<CustomRecord> club = {customMode("Surround", "Club", kClubGains)};
    QTest::newRow("own records, surround reported")
        << QList<CustomRecord>{} << std::optional(lastJazz) << std::optional(bothPages)
        << SoundPage::Surround << "preset FPS"
        << "preset Jazz" << haldenPreset(SoundPage::Surround, "FPS");
    QTest::newRow("own records, stereo reported")
        << QList<CustomRecord>{} << std::optional(lastJazz) << std::optional(bothPages)
        << SoundPage::Stereo << "preset FPS"
        << "preset Jazz" << haldenPreset(SoundPage::Stereo, "Jazz");
    QTest::newRow("only the last choice, of the other page")
        << QList<CustomRecord>{} << std::optional(lastJazz) << none << SoundPage::Surround
        << "preset KAVRO Standard"
        << "preset Jazz" << haldenPreset(SoundPage::Surround, "KAVRO Standard");
    QTest::newRow("only the last choice, of the page reported")
        << QList<CustomRecord>{} << std::optional(lastJazz) << none << SoundPage::Stereo
        << "preset KAVRO Standard"
        << "preset Jazz" << haldenPreset(SoundPage::Stereo, "Jazz");
    QTest::newRow("a custom mode of the page")
        << club << none << std::optional(QJsonObject{{"Surround", choice("custom", "Club")}})
        << SoundPage::Surround << "custom Club"
        << "preset KAVRO Standard" << peqPair(6, kClubGains, kHalden);
    QTest::newRow("a custom mode that is gone")
        << club << none << std::optional(QJsonObject{{"Surround", choice("custom", "Gone")}})
        << SoundPage::Surround << "preset KAVRO Standard"
        << "preset KAVRO Standard" << haldenPreset(SoundPage::Surround, "KAVRO Standard");
    QTest::newRow("a preset of the other page's name")
        << QList<CustomRecord>{} << none
        << std::optional(QJsonObject{{"Surround", choice("default", "Jazz")}})
        << SoundPage::Surround << "preset KAVRO Standard"
        << "preset KAVRO Standard" << haldenPreset(SoundPage::Surround, "KAVRO Standard");
    QTest::newRow("nothing saved")
        << QList<CustomRecord>{} << none << none << SoundPage::Stereo << "preset KAVRO Standard"
        << "preset KAVRO Standard" << haldenPreset(SoundPage::Stereo, "KAVRO Standard");
}

void SessionTest::eachPageComesBackToItsOwnMode()
{
    QFETCH(QList<CustomRecord>, modes);
    QFETCH(std::optional<QJsonObject>, lastChoice);
    QFETCH(std::optional<QJsonObject>, pageModes);
    QFETCH(SoundPage, reported);
    QFETCH(QString, surround);
    QFETCH(QString, stereo);
    QFETCH(Frames, sentLast);
    SessionRig rig;
    rig.addUnit(kHalden, kUnitA, reported);
    writeUserFile(kHalden, kUnitA, modes, lastChoice, pageModes);

    QVERIFY(rig.start());

    HeadsetSession& session = rig.session();
    QCOMPARE(modeOf(session, SoundPage::Surround), surround);
    QCOMPARE(modeOf(session, SoundPage::Stereo), stereo);
    QCOMPARE(session.pageShown(), reported);
    QCOMPARE(rig.lastPeqPair(), sentLast);
    QCOMPARE(rig.notices(), QStringList());
}

void SessionTest::choicesSurviveARestart()
{
    SessionRig rig;
    rig.addUnit(kHalden, kUnitA, SoundPage::Surround);
    QVERIFY(rig.start());
    QVERIFY(rig.session().choosePreset(presetIndex(SoundPage::Surround, "FPS")).ok());
    QVERIFY(rig.session().choosePreset(presetIndex(SoundPage::Stereo, "Jazz")).ok());
    QVERIFY(rig.settle());

    QVERIFY(rig.restart());

    QCOMPARE(modeOf(rig.session(), SoundPage::Surround), QString("preset FPS"));
    QCOMPARE(modeOf(rig.session(), SoundPage::Stereo), QString("preset Jazz"));
    QCOMPARE(rig.lastPeqPair(), haldenPreset(SoundPage::Surround, "FPS"));
    const QJsonObject file = readJsonFile(rig.userFile(kHalden, kUnitA));
    QCOMPARE(file["mode"].toObject(), currentMode("Stereo", "default", "Jazz"));
    QCOMPARE(file["pageMode"].toObject(), (QJsonObject{{"Surround", choice("default", "FPS")},
                                                       {"Stereo", choice("default", "Jazz")}}));
}

void SessionTest::choicesFollowTheUnitThroughASwitchAndBack()
{
    SessionRig rig;
    const int a = rig.addUnit(kHalden, kUnitA, SoundPage::Surround);
    const int b = rig.addUnit(kHalden, kUnitB, SoundPage::Surround, false);
    QVERIFY(rig.start());
    QVERIFY(rig.session().choosePreset(presetIndex(SoundPage::Stereo, "Jazz")).ok());
    QVERIFY(rig.session().choosePreset(presetIndex(SoundPage::Surround, "FPS")).ok());

    QVERIFY(rig.pullOut(a));
    QVERIFY(rig.plugIn(b));
    QCOMPARE(modeOf(rig.session(), SoundPage::Surround), QString("preset KAVRO Standard"));
    QCOMPARE(modeOf(rig.session(), SoundPage::Stereo), QString("preset KAVRO Standard"));
    QVERIFY(rig.session().choosePreset(presetIndex(SoundPage::Surround, "Moba")).ok());

    QVERIFY(rig.pullOut(b));
    QVERIFY(rig.plugIn(a));
    QCOMPARE(modeOf(rig.session(), SoundPage::Surround), QString("preset FPS"));
    QCOMPARE(modeOf(rig.session(), SoundPage::Stereo), QString("preset Jazz"));
    QCOMPARE(rig.lastPeqPair(), haldenPreset(SoundPage::Surround, "FPS"));
    QCOMPARE(rig.notices(), QStringList({"prompt: Device Change!", "prompt: Device Change!"}));
}

// After a restart the headset reports the surround page first; the stereo
// page it reports after a replug gets the stereo mode the file keeps, from
// a file of today's form and from one that knows only the last choice.
void SessionTest::aPageReportedLaterGetsItsSavedMode()
{
    for (const bool ownRecords : {true, false}) {
        SessionRig rig;
        const int a = rig.addUnit(kHalden, kUnitA, SoundPage::Surround);
        writeUserFile(kHalden, kUnitA, {}, currentMode("Stereo", "default", "Jazz"),
                      ownRecords ? std::optional(QJsonObject{{"Stereo", choice("default", "Jazz")}})
                                 : std::nullopt);
        QVERIFY(rig.start());
        QCOMPARE(modeOf(rig.session(), SoundPage::Surround), QString("preset KAVRO Standard"));

        QVERIFY(rig.pullOut(a));
        rig.setReportedPage(a, SoundPage::Stereo);
        QVERIFY(rig.plugIn(a));

        QCOMPARE(rig.session().pageShown(), SoundPage::Stereo);
        QCOMPARE(modeOf(rig.session(), SoundPage::Stereo), QString("preset Jazz"));
        QCOMPARE(rig.lastPeqPair(), haldenPreset(SoundPage::Stereo, "Jazz"));
    }
}

void SessionTest::aBrokenFileKeepsNothingOfTheUnitBefore_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::newRow("not JSON") << QByteArray("{\"customMode\": [");
    QTest::newRow("empty") << QByteArray();
    QTest::newRow("an array") << QByteArray("[{\"pid\": \"1054\"}]");
    QTest::newRow("invalid UTF-8") << QByteArray("{\"customMode\": [{\"name\": \"\xff\xfe\"}]}");
    QTest::newRow("larger than 1 MiB") << QByteArray(1024 * 1024, ' ') + "{}";
    QTest::newRow("a folder in its place") << QByteArray(kFolderInItsPlace);
}

void SessionTest::aBrokenFileKeepsNothingOfTheUnitBefore()
{
    QFETCH(QByteArray, content);
    SessionRig rig;
    const int a = rig.addUnit(kHalden, kUnitA, SoundPage::Surround);
    const int b = rig.addUnit(kHalden, kUnitB, SoundPage::Surround, false);
    writeUserFile(kHalden, kUnitA, {customMode("Surround", "Club", kClubGains)},
                  currentMode("Surround", "custom", "Club"), std::nullopt);
    const QString bFile = rig.userFile(kHalden, kUnitB);
    if (content == kFolderInItsPlace) {
        QVERIFY(QDir().mkpath(bFile));
    } else {
        QFile file(bFile);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(content);
    }
    QVERIFY(rig.start());
    QCOMPARE(modeOf(rig.session(), SoundPage::Surround), QString("custom Club"));

    QVERIFY(rig.pullOut(a));
    rig.clearFrames();
    QVERIFY(rig.plugIn(b));

    QVERIFY(rig.notices().contains("Error: Json File Is Error!"));
    QCOMPARE(modeOf(rig.session(), SoundPage::Surround), QString("preset KAVRO Standard"));
    QCOMPARE(rig.session().unit().customModes, QList<CustomRecord>());
    QCOMPARE(rig.lastPeqPair(), haldenPreset(SoundPage::Surround, "KAVRO Standard"));
    // The model's presets stand in for the file's; a choice is heard, and
    // velumixctl is told that the file it cannot be stored in is broken.
    const int notices = rig.notices().size();
    const remote::Result jazz = rig.run("preset", {{"name", "Jazz"}});
    QCOMPARE(jazz.exit, int(remote::ExitNoConfiguration));
    QVERIFY2(jazz.error.startsWith(bFile + ": "), qPrintable(jazz.error));
    QCOMPARE(rig.notices().size(), notices);
    QVERIFY(rig.settle());
    QCOMPARE(rig.lastPeqPair(), haldenPreset(SoundPage::Stereo, "Jazz"));
    QCOMPARE(modeOf(rig.session(), SoundPage::Stereo), QString("preset Jazz"));
    QCOMPARE(content == kFolderInItsPlace ? QByteArray(kFolderInItsPlace) : fileBytes(bFile),
             content);
    QVERIFY(content != kFolderInItsPlace || QFileInfo(bFile).isDir());
}

// A new unit whose file cannot be made (the disk is full) still has its
// model's presets, and the person is told which file and why.
void SessionTest::aNewUnitWhoseFileCannotBeMadeHasItsModelsPresets()
{
    SessionRig rig;
    const int unit = rig.addUnit(kHalden, kUnitA, SoundPage::Surround, false);
    QVERIFY(rig.start());
    {
        const FileSizeLimit full(256);
        QVERIFY(full.active());
        QVERIFY(rig.plugIn(unit));
    }

    QCOMPARE(rig.notices(), QStringList{"warning: JSON file generation failed!"});
    QCOMPARE(modeOf(rig.session(), SoundPage::Surround), QString("preset KAVRO Standard"));
    QCOMPARE(rig.lastPeqPair(), haldenPreset(SoundPage::Surround, "KAVRO Standard"));
    QCOMPARE(rig.run("preset", {{"name", "Jazz"}}).exit, int(remote::ExitNoConfiguration));
    QVERIFY(rig.settle());
    QCOMPARE(rig.lastPeqPair(), haldenPreset(SoundPage::Stereo, "Jazz"));
}

// With the disk full, a preset still goes to the headset, but the person and
// velumixctl are told that it was not stored, and which file and why.
void SessionTest::aChoiceThatCannotBeSavedIsAFailure()
{
    SessionRig rig;
    rig.addUnit(kHalden, kUnitA, SoundPage::Stereo);
    QVERIFY(rig.start());
    const QString file = rig.userFile(kHalden, kUnitA);
    const QByteArray before = fileBytes(file);
    remote::Result jazz;
    {
        const FileSizeLimit full(rlim_t(before.size() / 2));
        QVERIFY(full.active());
        jazz = rig.run("preset", {{"name", "Jazz"}});
    }

    QCOMPARE(jazz.exit, int(remote::ExitNoConfiguration));
    QVERIFY2(jazz.error.startsWith(file + ": cannot write: "), qPrintable(jazz.error));
    QCOMPARE(rig.notices(), QStringList{"Error: Json File Save Error!"});
    QVERIFY(rig.settle());
    QCOMPARE(rig.lastPeqPair(), haldenPreset(SoundPage::Stereo, "Jazz"));
    QCOMPARE(modeOf(rig.session(), SoundPage::Stereo), QString("preset Jazz"));
    QCOMPARE(fileBytes(file), before);
    QVERIFY(rig.restart());
    QCOMPARE(modeOf(rig.session(), SoundPage::Stereo), QString("preset KAVRO Standard"));
}

// A headset whose model has no default file is not used; the window, get
// and list say which and why instead of finding no headset.
void SessionTest::aHeadsetWithoutDefaultFileIsNamed()
{
    SessionRig rig;
    const int unknown = rig.addUnit(0x1999, kUnitA, SoundPage::Surround, false);
    QVERIFY(rig.start());
    QCOMPARE(rig.notices(), QStringList());

    rig.plugInOnly(unknown);

    QVERIFY(!rig.session().isOpen());
    const QString problem =
        QStringLiteral("the headset at %1 (product 1999) is not known: there is no default file "
                       "%2/DefaultFile/VID-3206&PID-1999.json")
            .arg(rig.vendorInterfacePath(unknown), dataFolder());
    QCOMPARE(rig.notices(), QStringList{"warning: " + problem});
    for (const QString& command : QStringList{"get", "list", "preset-list"}) {
        const remote::Result result = rig.run(command);
        QCOMPARE(result.exit, int(remote::ExitNoConfiguration));
        QCOMPARE(result.error, problem);
    }
}

// A name a command echoes in its refusal is shortened, so that the answer
// stays one short line however long the name; longer names than a mode's
// are refused before they are looked up.
void SessionTest::namesInRefusalsAreShortened()
{
    SessionRig rig;
    rig.addUnit(kHalden, kUnitA);
    QVERIFY(rig.start());
    QCOMPARE(rig.run("preset", {{"name", QString(kMaxModeNameLength + 1, 'x')}}).exit,
             int(remote::ExitUsage));
    const QString endless(kMaxModeNameLength, QChar(0x20AC));
    for (const QString& command : QStringList{"preset", "custom-apply", "custom-export"}) {
        QJsonObject arguments{{"name", endless}};
        if (command == QLatin1String("custom-export"))
            arguments["format"] = "json";
        const remote::Result refused = rig.run(command, arguments);
        QCOMPARE(refused.exit, int(remote::ExitNoConfiguration));
        QVERIFY2(refused.error.contains(endless.left(63) + QChar(0x2026)), qPrintable(command));
        QVERIFY(remote::encodeResult(refused).size() < 1024);
    }
}

// A preset asked for while another unit has just been plugged in goes to
// that unit and into its file, never into the file of the unit before.
void SessionTest::aCommandWaitsForTheUnitItIsFor()
{
    SessionRig rig;
    const int a = rig.addUnit(kHalden, kUnitA);
    const int b = rig.addUnit(kHalden, kUnitB, SoundPage::Surround, false);
    QVERIFY(rig.start());
    const QByteArray aFile = fileBytes(rig.userFile(kHalden, kUnitA));
    rig.backend().setReplyDelay(std::chrono::milliseconds(100));
    QVERIFY(rig.pullOut(a));
    rig.plugInOnly(b);
    QVERIFY(rig.session().isOpen() && !rig.session().unitKnown());

    const std::optional<remote::Result> jazz = rig.serve("preset", {{"name", "Jazz"}});

    QVERIFY(jazz);
    QVERIFY2(jazz->ok(), qPrintable(jazz->error));
    QCOMPARE(rig.session().unit().identity, kUnitB);
    QCOMPARE(readJsonFile(rig.userFile(kHalden, kUnitB))["pageMode"].toObject()["Stereo"],
             QJsonValue(choice("default", "Jazz")));
    QCOMPARE(fileBytes(rig.userFile(kHalden, kUnitA)), aFile);
}

void SessionTest::aCommandForAUnitThatSaysNothingIsRefused()
{
    SessionRig rig;
    const int silent = rig.addUnit(kHalden, kUnitA, SoundPage::Surround, false);
    rig.backend().firmware(silent).faults().silent = true;
    QVERIFY(rig.start());
    rig.plugInOnly(silent);

    const std::optional<remote::Result> jazz = rig.serve("preset", {{"name", "Jazz"}});

    QVERIFY(jazz);
    QCOMPARE(jazz->exit, int(remote::ExitNoReply));
    QCOMPARE(jazz->error, QString("the headset did not say which unit it is in time"));
    // What needs no unit is not held up.
    QVERIFY(rig.serve("mic-volume", {{"level", 40}}).value_or(remote::Result{}).ok());
}

// The headset cannot be asked whether noise cancellation is on: it is what
// was last sent over the link, and unknown before that.
void SessionTest::noiseCancellationIsWhatWasSent()
{
    SessionRig rig;
    rig.addUnit(kHalden, kUnitA);
    QVERIFY(rig.start());
    QCOMPARE(rig.run("get").data.toObject()["noiseCancellation"], QJsonValue());
    QSignalSpy changes(&rig.session(), &HeadsetSession::noiseCancellationChanged);

    QVERIFY(rig.session().setNoiseCancellation(false).ok());

    QCOMPARE(rig.framesWithCode(frame::SetAlgorithmSwitch).back(),
             bytesOf(frame::setAlgorithmSwitchCommand(1, 0, 2, 0)));
    QCOMPARE(changes.size(), 1);
    QCOMPARE(rig.run("get").data.toObject()["noiseCancellation"], QJsonValue(false));
    QVERIFY(rig.settle());

    rig.clearFrames();
    QVERIFY(rig.restart());
    QCOMPARE(rig.run("get").data.toObject()["noiseCancellation"], QJsonValue());
    for (const Frame& sent : rig.framesWithCode(frame::SetAlgorithmSwitch))
        QVERIFY2(sent[frame::kPayloadOffset + 4] == 0, "the start sent noise cancellation");
}

// velumixctl run on its own: the session learns the unit and sends nothing
// until a command asks; what it did not send it does not claim.
void SessionTest::aSessionNotKeepingStepSendsOnlyWhatIsAsked()
{
    SessionRig rig(false);
    rig.addUnit(kHalden, kUnitA, SoundPage::Stereo);
    QVERIFY(rig.start());
    QCOMPARE(rig.framesWithCode(frame::SetPeq), Frames());
    QCOMPARE(rig.framesWithCode(frame::SetMicVolume), Frames());
    const QJsonObject before = rig.run("get").data.toObject();
    QCOMPARE(before["mode"].toObject()["kind"], QJsonValue("unknown"));
    QCOMPARE(before["gains"], QJsonValue());
    QCOMPARE(before["micLevel"], QJsonValue());

    QVERIFY(rig.run("preset", {{"name", "Jazz"}}).ok());
    QVERIFY(rig.settle());

    QCOMPARE(rig.framesWithCode(frame::SetPeq), haldenPreset(SoundPage::Stereo, "Jazz"));
    QCOMPARE(rig.framesWithCode(frame::SetAlgorithmSwitch),
             Frames{bytesOf(frame::setAlgorithmSwitchCommand(1, 0, 0, 1))});
    QCOMPARE(rig.run("get").data.toObject()["mode"].toObject(),
             (QJsonObject{{"kind", "preset"}, {"name", "Jazz"}}));
    QCOMPARE(readJsonFile(rig.userFile(kHalden, kUnitA))["pageMode"].toObject()["Stereo"],
             QJsonValue(choice("default", "Jazz")));
}

QTEST_MAIN(SessionTest)
#include "tst_session.moc"
