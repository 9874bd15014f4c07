// Temporary files of interrupted saves are removed from a folder once they
// are old enough to belong to no running save; everything else stays.

#include "ConfigNames.h"
#include "SaveLeftovers.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTemporaryFile>
#include <QtTest>

namespace {

const QString kUserFile = QStringLiteral("VID-3206&PID-1054&UUID-0a1b2c3d.json");
const QByteArray kUserDocument = "{\"pid\": \"1054\"}\n";

bool backdate(const QString& path, int seconds)
{
    QFile file(path);
    return file.open(QIODevice::ReadWrite) &&
           file.setFileTime(QDateTime::currentDateTime().addSecs(-seconds),
                            QFileDevice::FileModificationTime);
}

// A file of that name in folder; a name ending in XXXXXX is completed the way
// QSaveFile names its temporary file. Returns the name made.
QString makeFile(const QString& folder, const QString& name, const QByteArray& content)
{
    if (name.endsWith(QLatin1String("XXXXXX"))) {
        QTemporaryFile file(folder + "/" + name);
        file.setAutoRemove(false);
        if (!file.open() || file.write(content) != content.size())
            return QString();
        return QFileInfo(file.fileName()).fileName();
    }
    QFile file(folder + "/" + name);
    if (!file.open(QIODevice::WriteOnly) || file.write(content) != content.size())
        return QString();
    return name;
}

QByteArray fileBytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

class SaveLeftoversTest : public QObject
{
    Q_OBJECT
private slots:
    void removesOnlyStaleLeftoversOfJsonFiles_data();
    void removesOnlyStaleLeftoversOfJsonFiles();
    void missingFolderHasNothingToRemove();
};

void SaveLeftoversTest::removesOnlyStaleLeftoversOfJsonFiles_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("isFolder");
    QTest::addColumn<int>("ageSeconds");
    QTest::addColumn<bool>("removed");
    const QString leftover = kUserFile + ".XXXXXX";
    QTest::newRow("leftover of a killed save") << leftover << false << 60 << true;
    QTest::newRow("leftover just old enough")
        << leftover << false << kStaleSaveLeftoverSeconds + 1 << true;
    QTest::newRow("save still running") << leftover << false << 0 << false;
    QTest::newRow("leftover of a file that is not JSON")
        << "notes.txt.XXXXXX" << false << 60 << false;
    QTest::newRow("a backup") << "VID-3206&PID-1054.json.bak" << false << 60 << false;
    QTest::newRow("seven characters") << "VID-3206&PID-1054.json.abcdefg" << false << 60 << false;
    QTest::newRow("a folder named like a leftover") << "old.json.abcdef" << true << 60 << false;
}

void SaveLeftoversTest::removesOnlyStaleLeftoversOfJsonFiles()
{
    QFETCH(QString, name);
    QFETCH(bool, isFolder);
    QFETCH(int, ageSeconds);
    QFETCH(bool, removed);
    QTemporaryDir scratch;
    const QString folder = scratch.path();
    QCOMPARE(makeFile(folder, kUserFile, kUserDocument), kUserFile);
    QVERIFY(backdate(folder + "/" + kUserFile, 3600));
    QString made = name;
    if (isFolder)
        QVERIFY(QDir(folder).mkdir(name));
    else
        made = makeFile(folder, name, QByteArray(4096, ' '));
    QVERIFY(!made.isEmpty());
    if (!isFolder && ageSeconds > 0)
        QVERIFY(backdate(folder + "/" + made, ageSeconds));

    const QStringList gone = removeStaleSaveLeftovers(folder);

    QCOMPARE(gone, removed ? QStringList{made} : QStringList());
    QCOMPARE(QFileInfo::exists(folder + "/" + made), !removed);
    // The user file itself is never touched.
    QCOMPARE(fileBytes(folder + "/" + kUserFile), kUserDocument);
    QCOMPARE(listConfigFileNames(folder), QStringList{kUserFile});
}

void SaveLeftoversTest::missingFolderHasNothingToRemove()
{
    QTemporaryDir scratch;
    QCOMPARE(removeStaleSaveLeftovers(scratch.path() + "/none"), QStringList());
}

QTEST_GUILESS_MAIN(SaveLeftoversTest)
#include "tst_saveleftovers.moc"
