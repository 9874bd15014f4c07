// The file steps of a device change: the user file of a new unit made from
// its model's default file, a known unit's file read and left alone, a model
// without a default file, and writes that the file system refuses.

#include "FileSizeLimit.h"
#include "TraceLog.h"
#include "UsbHidOperation.h"
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

// What a device change does with the files once the identity is known.
void runFileSteps(Velumix& window)
{
    window.buildConfigFilePaths();
    window.ensureUserFile();
    window.getUserJsonFile();
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
    WindowRig rig;
    rig.addSilentUnit(productId, true, identity);
    Velumix& window = rig.buildWindow();
    window.m_knownDeviceIdentity = identity;
    if (documentsMissing)
        QVERIFY(QDir(m_home.documents()).removeRecursively());

    runFileSteps(window);

    const QString productDigits = QString("%1").arg(productId, 4, 16, QChar('0'));
    QCOMPARE(window.m_qstrCurrentDefaultFileName, shippedDefaultFile(productId));
    QVERIFY(window.m_qstrCurrentDefaultFileName.endsWith("/DefaultFile/VID-3206&PID-" +
                                                         productDigits + ".json"));
    const QString userFile =
        userFolder() + "VID-3206&PID-" + productDigits + "&UUID-" + uuid + ".json";
    QCOMPARE(window.m_qstrCurrentUserFileName, userFile);
    QJsonObject expectedRoot = shippedDefault(productId);
    expectedRoot.insert("uuid", uuid);
    QCOMPARE(fileBytes(userFile), QJsonDocument(expectedRoot).toJson());
    QCOMPARE(folderEntries(userFolder()), QStringList{QFileInfo(userFile).fileName()});

    QCOMPARE(window.m_userDeviceList.size(), 1);
    const ConfigRecord& record = window.m_userDeviceList.first();
    QCOMPARE(record.identity, identity);
    QCOMPARE(record.vendorId, quint16(0x3206));
    QCOMPARE(record.productId, productId);
    QCOMPARE(record.surroundPresets.size(), 4);
    QCOMPARE(record.stereoPresets.size(), 6);
    QCOMPARE(rig.boxes(), QStringList());
}

void UserFileTest::knownUnitsFileIsReadNotRewrittenAndLeftoversGo()
{
    WindowRig rig;
    rig.addSilentUnit(kMorvik);
    Velumix& window = rig.buildWindow();
    window.m_knownDeviceIdentity = kFirstUnit;
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

    runFileSteps(window);

    QCOMPARE(window.m_qstrCurrentUserFileName, userFile);
    QCOMPARE(fileBytes(userFile), content);
    QCOMPARE(QFileInfo(userFile).lastModified().toSecsSinceEpoch(), lastWeek.toSecsSinceEpoch());
    QCOMPARE(folderEntries(userFolder()), QStringList{QFileInfo(userFile).fileName()});
    const QList<CustomRecord> customModes = {{"Stereo", "Mine", "1,2,3,4,5,6,7,8,9,10"}};
    QCOMPARE(window.m_customModeList, customModes);
    QCOMPARE(window.m_userDeviceList.size(), 1);
    QCOMPARE(window.m_userDeviceList.first().mode, QString("custom"));
    QCOMPARE(window.m_userDeviceList.first().name, QString("Mine"));
    QCOMPARE(rig.boxes(), QStringList());
}

void UserFileTest::modelWithoutDefaultFileIsReportedAndUsedWithoutOne()
{
    WindowRig rig;
    const int unit = rig.addSilentUnit(0x7777, false);
    Velumix& window = rig.buildWindow();
    addAcceptedProductId(0x7777);
    rig.plugIn(unit);
    QCOMPARE(linkState.connectedProductId, quint16(0x7777));
    window.m_knownDeviceIdentity = kFirstUnit;

    runFileSteps(window);

    QCOMPARE(rig.boxes(),
             QStringList({"prompt: There is no default JSON file!", "Error: Json File Is Error!"}));
    QCOMPARE(folderEntries(userFolder()), QStringList());
    QVERIFY(window.m_customModeList.isEmpty());
    // The headset stays in use, only without custom modes.
    QVERIFY(mainScreenInFront(window));
    QCOMPARE(linkState.deviceOpened, 1);
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
    rig.addSilentUnit(kMorvik);
    Velumix& window = rig.buildWindow();
    window.m_knownDeviceIdentity = kFirstUnit;
    runFileSteps(window);
    const QString userFile = window.m_qstrCurrentUserFileName;
    QJsonObject root = QJsonDocument::fromJson(fileBytes(userFile)).object();
    // Large enough that the new document cannot fit under the size limit.
    const int paddingSize = 600 * 1024;
    root.insert("notes", QString(paddingSize, QChar('x')));
    QVERIFY(writeBytes(userFile, QJsonDocument(root).toJson()));
    const QByteArray before = fileBytes(userFile);
    window.m_qstrCurrentAlgorithm = "Stereo";
    window.m_qstrCurrentMode = "default";
    window.m_qstrCurrentName = "Jazz";

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
        window.writeJsonFile("currentMode");
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
    WindowRig rig;
    rig.addSilentUnit(kMorvik);
    Velumix& window = rig.buildWindow();
    window.m_knownDeviceIdentity = kFirstUnit;
    const QString userFile = userFolder() + "VID-3206&PID-1029&UUID-0a1b2c3d.json";
    QVERIFY(QDir().mkpath(userFolder()));
    QVERIFY(writeBytes(userFile, content));

    runFileSteps(window);
    window.writeJsonFile("currentMode");

    QCOMPARE(rig.boxes(), QStringList{"Error: Json File Is Error!"});
    const QString detail = rig.boxDetails().first();
    QVERIFY2(detail.startsWith(userFile + ": ") && detail.contains(cause), qPrintable(detail));
    QCOMPARE(fileBytes(userFile), content);
    QVERIFY(window.m_customModeList.isEmpty());
}

void UserFileTest::missingDefaultFilesAreReported()
{
    WindowRig rig;
    Velumix& window = rig.buildWindow();
    QCOMPARE(rig.boxes(), QStringList());
    const QTemporaryDir emptyDataFolder;
    window.m_qstrAppDirPath = emptyDataFolder.path();

    window.getDefaultJsonFile();

    QCOMPARE(rig.boxes(), QStringList{"prompt: There is no default JSON file!"});
    QCOMPARE(rig.boxDetails(),
             QStringList{emptyDataFolder.path() + "/DefaultFile: no *.json file"});
}

QTEST_MAIN(UserFileTest)
#include "tst_userfiles.moc"
