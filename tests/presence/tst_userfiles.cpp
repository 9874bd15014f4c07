// The file steps of a device change: the user file of a new unit made from
// its model's default file, a known unit's file read and left alone, a model
// without a default file, and writes that the file system refuses.

#include "FileSizeLimit.h"
#include "TraceLog.h"
#include "WindowRig.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QtTest>

#include <optional>
#include <unistd.h>

Q_DECLARE_METATYPE(DeviceIdentity)

namespace {

bool writeBytes(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

QString programName()
{
    return QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName();
}

QStringList folderEntries(const QString& folder)
{
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
}

enum class WriteObstacle
{
    None,
    FileSizeLimit,
    ReadOnlyFile
};

} // namespace

Q_DECLARE_METATYPE(WriteObstacle)

class UserFileTest : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void newUnitGetsUserFileFromDefault_data();
    void newUnitGetsUserFileFromDefault();
    void knownUnitsFileIsReadNotRewrittenAndLeftoversGo();
    void modelWithoutDefaultFileIsReportedAndUsedWithoutOne();
    void currentModeIsWrittenOrFileStaysWhole_data();
    void currentModeIsWrittenOrFileStaysWhole();
    void unusableUserFileIsNamedAndKept_data();
    void unusableUserFileIsNamedAndKept();
    void missingDefaultFilesAreReported();

private:
    QString userFolder() const { return m_home.documents() + "/" + programName() + "/UserFile/"; }
    ThrowawayHome m_home;
};

// Every test meets its headset for the first time.
void UserFileTest::init()
{
    QVERIFY(QDir(userFolder()).removeRecursively());
}

void UserFileTest::newUnitGetsUserFileFromDefault_data()
{
    QTest::addColumn<quint16>("productId");
    QTest::addColumn<DeviceIdentity>("identity");
    QTest::addColumn<QString>("uuid");
    QTest::addColumn<bool>("documentsMissing");
    QTest::newRow("1029") << kMorvik << kFirstUnit << "0a1b2c3d" << false;
    QTest::newRow("0f51, identity 00000001")
        << quint16(0x0F51) << DeviceIdentity{0, 0, 0, 1} << "00000001" << false;
    QTest::newRow("no documents folder yet") << kMorvik << kFirstUnit << "0a1b2c3d" << true;
}

void UserFileTest::newUnitGetsUserFileFromDefault()
{
    QFETCH(quint16, productId);
    QFETCH(DeviceIdentity, identity);
    QFETCH(QString, uuid);
    QFETCH(bool, documentsMissing);
    if (documentsMissing)
        QVERIFY(QDir(m_home.documents()).removeRecursively());
    WindowRig rig;
    QVERIFY(rig.startWith(productId, identity));

    const QString productDigits = QString("%1").arg(productId, 4, 16, QChar('0'));
    QVERIFY(shippedDefaultFile(productId).endsWith("/DefaultFile/VID-3206&PID-" + productDigits +
                                                   ".json"));
    const QString userFile =
        userFolder() + "VID-3206&PID-" + productDigits + "&UUID-" + uuid + ".json";
    const UnitSettings& unit = rig.session().unit();
    QCOMPARE(unit.userFile, userFile);
    QJsonObject expectedRoot = shippedDefault(productId);
    expectedRoot.insert("uuid", uuid);
    QCOMPARE(fileBytes(userFile), QJsonDocument(expectedRoot).toJson());
    QCOMPARE(folderEntries(userFolder()), QStringList{QFileInfo(userFile).fileName()});

    QCOMPARE(unit.identity, identity);
    QCOMPARE(unit.vendorId, quint16(0x3206));
    QCOMPARE(unit.productId, productId);
    QCOMPARE(unit.presetEntries[int(SoundPage::Surround)].size(), 4);
    QCOMPARE(unit.presetEntries[int(SoundPage::Stereo)].size(), 6);
    QCOMPARE(rig.boxes(), QStringList());
}

void UserFileTest::knownUnitsFileIsReadNotRewrittenAndLeftoversGo()
{
    QJsonObject saved = shippedDefault(kMorvik);
    saved.insert("uuid", "0a1b2c3d");
    saved.insert("customMode", QJsonArray{QJsonObject{{"algorithm", "Stereo"},
                                                      {"name", "Mine"},
                                                      {"parameter", "1,2,3,4,5,6,7,8,9,10"}}});
    saved.insert("mode",
                 QJsonObject{{"algorithm", "Stereo"}, {"mode", "custom"}, {"name", "Mine"}});
    const QString userFile = userFolder() + "VID-3206&PID-1029&UUID-0a1b2c3d.json";
    // Compact, unlike anything the program writes: a rewrite would show.
    const QByteArray content = QJsonDocument(saved).toJson(QJsonDocument::Compact);
    QVERIFY(QDir().mkpath(userFolder()));
    QVERIFY(writeBytes(userFile, content));
    // A save killed last week left its temporary copy beside the file.
    const QString leftover = userFile + ".AbCdEf";
    QVERIFY(writeBytes(leftover, content));
    const QDateTime lastWeek = QDateTime::currentDateTime().addDays(-7);
    for (const QString& path : {userFile, leftover}) {
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadWrite));
        QVERIFY(file.setFileTime(lastWeek, QFileDevice::FileModificationTime));
    }

    WindowRig rig;
    QVERIFY(rig.startWith(kMorvik));

    QCOMPARE(rig.session().unit().userFile, userFile);
    QCOMPARE(fileBytes(userFile), content);
    QCOMPARE(QFileInfo(userFile).lastModified().toSecsSinceEpoch(), lastWeek.toSecsSinceEpoch());
    QCOMPARE(folderEntries(userFolder()), QStringList{QFileInfo(userFile).fileName()});
    const QList<CustomRecord> customModes = {{"Stereo", "Mine", "1,2,3,4,5,6,7,8,9,10"}};
    QCOMPARE(rig.session().unit().customModes, customModes);
    QCOMPARE(rig.session().unit().saved.mode, QString("custom"));
    QCOMPARE(rig.session().unit().saved.name, QString("Mine"));
    QCOMPARE(rig.boxes(), QStringList());
}

void UserFileTest::modelWithoutDefaultFileIsReportedAndUsedWithoutOne()
{
    WindowRig rig;
    const int unit = rig.addUnit(0x7777, kFirstUnit, false);
    Velumix& window = rig.buildWindow();
    std::vector<uint16_t> accepted = rig.session().link().acceptedProductIds();
    accepted.push_back(0x7777);
    rig.session().link().setAcceptedProductIds(accepted);
    rig.plugIn(unit);
    QVERIFY(rig.settle());
    QCOMPARE(rig.session().productId(), quint16(0x7777));

    QCOMPARE(rig.boxes(),
             QStringList({"prompt: There is no default JSON file!", "Error: Json File Is Error!"}));
    QCOMPARE(folderEntries(userFolder()), QStringList());
    QVERIFY(rig.session().unit().customModes.isEmpty());
    // The headset stays in use, only without custom modes.
    QVERIFY(mainScreenInFront(window));
    QVERIFY(rig.session().isOpen());
}

void UserFileTest::currentModeIsWrittenOrFileStaysWhole_data()
{
    QTest::addColumn<WriteObstacle>("obstacle");
    QTest::newRow("nothing in the way") << WriteObstacle::None;
    QTest::newRow("file system refuses the write") << WriteObstacle::FileSizeLimit;
    QTest::newRow("read-only file") << WriteObstacle::ReadOnlyFile;
}

void UserFileTest::currentModeIsWrittenOrFileStaysWhole()
{
    QFETCH(WriteObstacle, obstacle);
    if (obstacle == WriteObstacle::ReadOnlyFile && geteuid() == 0)
        QSKIP("root writes to read-only files; the file size row covers root");
    WindowRig rig;
    QVERIFY(rig.startOnPage(kMorvik, SoundPage::Stereo));
    const QString userFile = rig.session().unit().userFile;
    QJsonObject root = QJsonDocument::fromJson(fileBytes(userFile)).object();
    // Large enough that the new document cannot fit under the size limit.
    const int paddingSize = 600 * 1024;
    root.insert("notes", QString(paddingSize, QChar('x')));
    QVERIFY(writeBytes(userFile, QJsonDocument(root).toJson()));
    const QByteArray before = fileBytes(userFile);

    if (obstacle == WriteObstacle::ReadOnlyFile)
        QVERIFY(QFile::setPermissions(userFile,
                                      QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther));
    const rlim_t limit = rlim_t(QFileInfo(traceLogFilePath()).size() + 64 * 1024);
    QVERIFY2(limit < rlim_t(paddingSize), "the trace log has outgrown the size limit");
    {
        std::optional<FileSizeLimit> sizeLimit;
        if (obstacle == WriteObstacle::FileSizeLimit) {
            sizeLimit.emplace(limit);
            QVERIFY(sizeLimit->active());
        }
        // A person's choice is remembered in the file.
        QVERIFY(rig.press(rig.window().ui.radioButton_Stereo_Jazz));
    }

    const bool written = obstacle == WriteObstacle::None;
    QCOMPARE(rig.traceSteps("Write Json File"),
             QStringList({"currentMode", written ? "Success" : "fail"}));
    QCOMPARE(folderEntries(userFolder()), QStringList{QFileInfo(userFile).fileName()});
    if (!written) {
        QCOMPARE(fileBytes(userFile), before);
        return;
    }
    root.insert("mode",
                QJsonObject{{"algorithm", "Stereo"}, {"mode", "default"}, {"name", "Jazz"}});
    root.insert("pageMode",
                QJsonObject{{"Stereo", QJsonObject{{"mode", "default"}, {"name", "Jazz"}}}});
    QCOMPARE(fileBytes(userFile), QJsonDocument(root).toJson());
}

void UserFileTest::unusableUserFileIsNamedAndKept_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("cause");
    QTest::newRow("not JSON") << QByteArray("{\"customMode\": [") << "invalid JSON at offset";
    QTest::newRow("array root") << QByteArray("[{\"pid\": \"1029\"}]")
                                << "the document is not a JSON object; those parts are not used";
    QTest::newRow("wrong types") << QByteArray("{\"pid\": 4137, \"customMode\": \"Night\"}")
                                 << "\"pid\" is not a string; \"customMode\" is not an array";
}

void UserFileTest::unusableUserFileIsNamedAndKept()
{
    QFETCH(QByteArray, content);
    QFETCH(QString, cause);
    const QString userFile = userFolder() + "VID-3206&PID-1029&UUID-0a1b2c3d.json";
    QVERIFY(QDir().mkpath(userFolder()));
    QVERIFY(writeBytes(userFile, content));
    WindowRig rig;
    QVERIFY(rig.startOnPage(kMorvik, SoundPage::Stereo));

    QVERIFY(rig.press(rig.window().ui.radioButton_Stereo_Jazz));

    QCOMPARE(rig.boxes(), QStringList{"Error: Json File Is Error!"});
    const QString detail = rig.boxDetails().first();
    QVERIFY2(detail.startsWith(userFile + ": ") && detail.contains(cause), qPrintable(detail));
    QCOMPARE(fileBytes(userFile), content);
    QVERIFY(rig.session().unit().customModes.isEmpty());
}

void UserFileTest::missingDefaultFilesAreReported()
{
    const QTemporaryDir emptyDataFolder;
    HeadsetSession::Options options = programSessionOptions();
    options.defaultFileFolder = emptyDataFolder.path() + "/DefaultFile";
    WindowRig rig;

    rig.buildWindow(options);

    QCOMPARE(rig.boxes(), QStringList{"prompt: There is no default JSON file!"});
    QCOMPARE(rig.boxDetails(),
             QStringList{emptyDataFolder.path() + "/DefaultFile: no *.json file"});
}

QTEST_MAIN(UserFileTest)
#include "tst_userfiles.moc"
