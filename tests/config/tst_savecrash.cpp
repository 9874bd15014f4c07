// A save cut off at any moment by the program's death leaves the user file
// whole, holding the document before or the one after the save; the start-up
// cleanup then removes what interrupted saves left beside it. A completed
// save's folder is written to disk too.

#include "ConfigDocument.h"
#include "ConfigWriter.h"
#include "SaveLeftovers.h"
#include "SaveLoopDocuments.h"
#include "TraceLog.h"

#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTemporaryFile>
#include <QThread>
#include <QtTest>

#include <array>

namespace {

const QString kUserFile = QStringLiteral("VID-3206&PID-1054&UUID-0a1b2c3d.json");
constexpr int kKills = 40;
// How long the loop saves before it is killed, at most, in saves: the kills
// meet every step of a save and both documents. A save takes about a
// millisecond, far longer on a busy machine or under a sanitizer, so the
// test times a few of its own first.
constexpr int kSavesBeforeKill = 4;
constexpr int kTimedSaves = 5;

// The version (0 or 1) of the save-loop document the file holds; -1 when it
// is unreadable or holds anything else.
int versionInFile(const QString& path)
{
    const LoadedDocument loaded = loadConfigDocument(path);
    if (loaded.error != ConfigError::None) {
        qWarning("%s", qPrintable(loaded.errorText));
        return -1;
    }
    for (int version : {0, 1})
        if (loaded.document.object() == saveLoopDocument(version))
            return version;
    return -1;
}

// What a save killed mid-write leaves where Qt names its temporary file
// (file systems without unnamed files): "<file>.XXXXXX" with part of the
// new document. Returns the name made.
QString leaveCutOffSave(const QString& folder)
{
    QTemporaryFile file(folder + "/" + kUserFile + ".XXXXXX");
    file.setAutoRemove(false);
    const QByteArray text = QJsonDocument(saveLoopDocument(1)).toJson();
    if (!file.open() || file.write(text.left(text.size() / 2)) != text.size() / 2)
        return QString();
    return QFileInfo(file.fileName()).fileName();
}

bool backdate(const QString& path, int seconds)
{
    QFile file(path);
    return file.open(QIODevice::ReadWrite) &&
           file.setFileTime(QDateTime::currentDateTime().addSecs(-seconds),
                            QFileDevice::FileModificationTime);
}

} // namespace

class SaveCrashTest : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { initTraceLog(); }
    void killedSavesLeaveOldOrNewDocument();
    void folderIsSyncedAfterSave();
    void folderThatCannotBeSyncedIsTraced();
};

void SaveCrashTest::killedSavesLeaveOldOrNewDocument()
{
    QTemporaryDir folder;
    QVERIFY(folder.isValid());
    const QString path = folder.filePath(kUserFile);
    QElapsedTimer saving;
    saving.start();
    for (int save = 0; save < kTimedSaves; ++save)
        QVERIFY(saveConfigDocument(path, saveLoopDocument(0)).ok());
    const auto longestSavingUs =
        quint32(qMax<qint64>(1000, saving.nsecsElapsed() / 1000 / kTimedSaves * kSavesBeforeKill));
    std::array<int, 2> versionsSeen{};

    for (int kill = 0; kill < kKills; ++kill) {
        QProcess loop;
        loop.start(SAVE_LOOP_PROGRAM, {path});
        QVERIFY2(loop.waitForReadyRead(10000), qPrintable(loop.readAllStandardError()));
        QThread::usleep(QRandomGenerator::global()->bounded(longestSavingUs));
        loop.kill();
        QVERIFY(loop.waitForFinished(10000));
        // Killed while saving, not ended by a torn file of its own.
        QVERIFY2(loop.exitStatus() == QProcess::CrashExit, qPrintable(loop.readAllStandardError()));
        const int version = versionInFile(path);
        QVERIFY2(version >= 0, qPrintable(QStringLiteral("after kill %1").arg(kill + 1)));
        ++versionsSeen[size_t(version)];
    }
    // Each loop starts by saving version 1, so seeing version 0 proves that
    // kills also fell later in the loop.
    QVERIFY(versionsSeen[0] > 0 && versionsSeen[1] > 0);

    // Qt writes the temporary file unnamed where the file system can, and
    // it vanishes with the process; where it cannot, it stays, named.
    const QString cutOff = leaveCutOffSave(folder.path());
    QVERIFY(!cutOff.isEmpty());
    const QStringList files = QDir(folder.path()).entryList(QDir::Files);
    for (const QString& name : files)
        QVERIFY(backdate(folder.filePath(name), 60));
    const QStringList removed = removeStaleSaveLeftovers(folder.path());
    QVERIFY(removed.contains(cutOff));
    QCOMPARE(QDir(folder.path()).entryList(QDir::Files), QStringList{kUserFile});
    QVERIFY(versionInFile(path) >= 0);
}

void SaveCrashTest::folderIsSyncedAfterSave()
{
    QTemporaryDir folder;
    QVERIFY(folder.isValid());
    const QString path = folder.filePath(kUserFile);
    QVERIFY(saveConfigDocument(path, saveLoopDocument(0)).ok());
    QVERIFY(syncFolderOf(path));
}

void SaveCrashTest::folderThatCannotBeSyncedIsTraced()
{
    QTemporaryDir folder;
    QVERIFY(folder.isValid());
    const QString missing = folder.filePath("gone");

    QVERIFY(!syncFolderOf(missing + "/" + kUserFile));

    QFile log(traceLogFilePath());
    QVERIFY(log.open(QIODevice::ReadOnly));
    const QString records = QString::fromLocal8Bit(log.readAll());
    QVERIFY2(records.contains("Sync Folder : " + missing + ": No such file or directory"),
             qPrintable(records));
}

QTEST_MAIN(SaveCrashTest)
#include "tst_savecrash.moc"
