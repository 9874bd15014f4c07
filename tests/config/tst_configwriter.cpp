#include "ConfigReader.h"
#include "ConfigWriter.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>
#include <sys/resource.h>

Q_DECLARE_METATYPE(ConfigError)
Q_DECLARE_METATYPE(CustomRecord)

namespace {

QString fixture(const QString& name)
{
    return QStringLiteral(TEST_DATA_DIR "/") + name;
}

QByteArray fileBytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool writeBytes(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

QJsonObject rootOf(const QString& path)
{
    return QJsonDocument::fromJson(fileBytes(path)).object();
}

// Limits the size of files this process may write, so that a write fails
// even for root, who is not stopped by folder permissions.
class FileSizeLimit
{
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        getrlimit(RLIMIT_FSIZE, &m_saved);
        rlimit limited = m_saved;
        limited.rlim_cur = bytes;
        m_active = setrlimit(RLIMIT_FSIZE, &limited) == 0;
    }
    ~FileSizeLimit() { setrlimit(RLIMIT_FSIZE, &m_saved); }
    bool active() const { return m_active; }

private:
    rlimit m_saved{};
    bool m_active = false;
};

enum class Target
{
    File,
    Missing,
    Folder
};

const DeviceIdentity kIdentity{0x0a, 0x1b, 0x2c, 0x3d};

} // namespace

Q_DECLARE_METATYPE(Target)

class TestConfigWriter : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void rewriteIsIndentedAndKeySorted();
    void identityIsAddedOnlyWhenMissing();
    void customModesReplaceTheList_data();
    void customModesReplaceTheList();
    void entriesGoBackAsTheFileHeldThem_data();
    void entriesGoBackAsTheFileHeldThem();
    void currentModeOnFileWithoutMode();
    void currentModeKeepsOtherMembers();
    void consecutiveWritesSeeEachOther();
    void refusedFilesStayIntact_data();
    void refusedFilesStayIntact();
    void failedWriteLeavesFileIntact();
    void createUserFileFromDefault();
    void createUserFileSetsTheUnitsIdentity();
    void createUserFileRefusals_data();
    void createUserFileRefusals();

private:
    QString userPath() const { return m_dir->filePath(QStringLiteral("user.json")); }
    bool useFixture(const QString& name) const { return QFile::copy(fixture(name), userPath()); }

    std::unique_ptr<QTemporaryDir> m_dir;
};

void TestConfigWriter::initTestCase()
{
    // Exceeding the file size limit must fail the write, not end the test.
    std::signal(SIGXFSZ, SIG_IGN);
}

void TestConfigWriter::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
}

void TestConfigWriter::cleanup()
{
    m_dir.reset();
}

void TestConfigWriter::rewriteIsIndentedAndKeySorted()
{
    QVERIFY(useFixture(QStringLiteral("full_user.json")));
    // The file already has a "uuid": only the layout changes.
    const ConfigWriteResult result = updateConfigFile(userPath(), [](QJsonObject& root) {
        addIdentityIfMissing(root, {1, 2, 3, 4});
    });
    QVERIFY2(result.ok(), qPrintable(result.errorText));
    QCOMPARE(fileBytes(userPath()), fileBytes(fixture(QStringLiteral("full_user.indented.json"))));
}

void TestConfigWriter::identityIsAddedOnlyWhenMissing()
{
    QVERIFY(useFixture(QStringLiteral("default_model.json")));
    const QJsonObject before = rootOf(userPath());
    const auto addIdentity = [](QJsonObject& root) { addIdentityIfMissing(root, kIdentity); };
    QVERIFY(updateConfigFile(userPath(), addIdentity).ok());

    QJsonObject after = rootOf(userPath());
    QCOMPARE(after.value(QLatin1String("uuid")).toString(), QStringLiteral("0a1b2c3d"));
    after.remove(QLatin1String("uuid"));
    QCOMPARE(after, before);

    const auto otherIdentity = [](QJsonObject& root) { addIdentityIfMissing(root, {9, 9, 9, 9}); };
    QVERIFY(updateConfigFile(userPath(), otherIdentity).ok());
    QVERIFY(readConfigFile(userPath()).record.identity == kIdentity);
}

void TestConfigWriter::customModesReplaceTheList_data()
{
    QTest::addColumn<QList<CustomRecord>>("modes");
    QTest::newRow("empty list") << QList<CustomRecord>{};
    QTest::newRow("two pages") << QList<CustomRecord>{
        {"Stereo", "Night", "1,2,3,4,5,6,7,8,9,10"},
        {"Surround", "New Equalizer", "0,0,0,0,0,0,0,0,0,0"},
        {"Surround", "Quote \" and \\ and 中文", "-12,12,0,0,0,0,0,0,0,0"},
    };
}

void TestConfigWriter::customModesReplaceTheList()
{
    QFETCH(QList<CustomRecord>, modes);
    QVERIFY(useFixture(QStringLiteral("full_user.json")));
    const QJsonObject before = rootOf(userPath());

    const ConfigWriteResult result =
        updateConfigFile(userPath(), [&](QJsonObject& root) { setCustomModes(root, modes); });
    QVERIFY2(result.ok(), qPrintable(result.errorText));

    QJsonObject after = rootOf(userPath());
    QVERIFY(after.value(QLatin1String("customMode")).isArray());
    QCOMPARE(readConfigFile(userPath()).customModes, modes);
    // Everything else, unknown members included, is kept.
    after.remove(QLatin1String("customMode"));
    QJsonObject expected = before;
    expected.remove(QLatin1String("customMode"));
    QCOMPARE(after, expected);
}

void TestConfigWriter::entriesGoBackAsTheFileHeldThem_data()
{
    // The file's "customMode" entries, the change made to the list read
    // from them, and the entries written back.
    QTest::addColumn<QJsonArray>("entries");
    QTest::addColumn<int>("renamed"); // the record renamed "Club", -1: none
    QTest::addColumn<QJsonArray>("written");
    const QJsonObject annotated{{"algorithm", "Stereo"},
                                {"name", "Night"},
                                {"parameter", "1,2,3,4,5,6,7,8,9,10"},
                                {"note", "from the forum"}};
    const QJsonObject numberName{
        {"algorithm", "Surround"}, {"name", 42}, {"parameter", "0,0,0,0,0,0,0,0,0,0"}};
    const QJsonValue notAnObject("Surround,Odd,1,1,1");
    const QJsonArray all{annotated, numberName, notAnObject, QJsonValue()};
    QTest::newRow("nothing changed") << all << -1 << all;
    QJsonObject renamed = annotated;
    renamed["name"] = "Club";
    QTest::newRow("a renamed entry keeps its other members")
        << all << 0 << QJsonArray{renamed, numberName, notAnObject, QJsonValue()};
    QJsonObject named = numberName;
    named["name"] = "Club";
    QTest::newRow("a renamed entry with a name that was no string")
        << all << 1 << QJsonArray{annotated, named, notAnObject, QJsonValue()};
    QTest::newRow("an entry that is no object becomes one when changed")
        << all << 2
        << QJsonArray{annotated, numberName,
                      QJsonObject{{"algorithm", ""}, {"name", "Club"}, {"parameter", ""}},
                      QJsonValue()};
}

// A save rewrites the list the program holds; entries it did not change go
// back exactly as they were, and changed ones keep what the program does not
// know of them.
void TestConfigWriter::entriesGoBackAsTheFileHeldThem()
{
    QFETCH(QJsonArray, entries);
    QFETCH(int, renamed);
    QFETCH(QJsonArray, written);
    QVERIFY(useFixture(QStringLiteral("full_user.json")));
    QJsonObject root = rootOf(userPath());
    root.insert("customMode", entries);
    QVERIFY(writeBytes(userPath(), QJsonDocument(root).toJson()));
    QList<CustomRecord> modes = readConfigFile(userPath()).customModes;
    if (renamed >= 0)
        modes[renamed].name = QStringLiteral("Club");

    QVERIFY(
        updateConfigFile(userPath(), [&](QJsonObject& root) { setCustomModes(root, modes); }).ok());

    QCOMPARE(rootOf(userPath()).value("customMode").toArray(), written);
}

void TestConfigWriter::currentModeOnFileWithoutMode()
{
    QVERIFY(useFixture(QStringLiteral("no_mode.json")));
    QVERIFY(updateConfigFile(userPath(), [](QJsonObject& root) {
                setCurrentMode(root, QStringLiteral("Surround"), QStringLiteral("custom"),
                               QStringLiteral("New Equalizer"));
            }).ok());
    const QJsonObject expected{
        {"algorithm", "Surround"}, {"mode", "custom"}, {"name", "New Equalizer"}};
    QCOMPARE(rootOf(userPath()).value(QLatin1String("mode")).toObject(), expected);
}

void TestConfigWriter::currentModeKeepsOtherMembers()
{
    QVERIFY(useFixture(QStringLiteral("full_user.json")));
    QVERIFY(updateConfigFile(userPath(), [](QJsonObject& root) {
                setCurrentMode(root, QStringLiteral("Surround"), QStringLiteral("default"),
                               QStringLiteral("FPS"));
            }).ok());
    const QJsonObject expected{
        {"algorithm", "Surround"}, {"mode", "default"}, {"name", "FPS"}, {"note", "kept"}};
    QCOMPARE(rootOf(userPath()).value(QLatin1String("mode")).toObject(), expected);
}

// Saving a custom mode writes the list and then the current mode; the second
// write must start from what the first one stored.
void TestConfigWriter::consecutiveWritesSeeEachOther()
{
    QVERIFY(useFixture(QStringLiteral("no_mode.json")));
    const QList<CustomRecord> modes{{"Stereo", "Night", "1,2,3,4,5,6,7,8,9,10"}};
    QVERIFY(
        updateConfigFile(userPath(), [&](QJsonObject& root) { setCustomModes(root, modes); }).ok());
    QVERIFY(updateConfigFile(userPath(), [](QJsonObject& root) {
                setCurrentMode(root, QStringLiteral("Stereo"), QStringLiteral("custom"),
                               QStringLiteral("Night"));
            }).ok());
    const ConfigReadResult read = readConfigFile(userPath());
    QCOMPARE(read.customModes, modes);
    QCOMPARE(read.record.name, QStringLiteral("Night"));
}

void TestConfigWriter::refusedFilesStayIntact_data()
{
    QTest::addColumn<Target>("target");
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<ConfigError>("error");
    QTest::newRow("missing file is not created")
        << Target::Missing << QByteArray() << ConfigError::NotFound;
    QTest::newRow("a folder") << Target::Folder << QByteArray() << ConfigError::Unreadable;
    QTest::newRow("invalid JSON") << Target::File
                                  << fileBytes(fixture(QStringLiteral("broken.json")))
                                  << ConfigError::InvalidJson;
    QTest::newRow("empty file") << Target::File << QByteArray() << ConfigError::InvalidJson;
    QTest::newRow("array root") << Target::File
                                << fileBytes(fixture(QStringLiteral("root_array.json")))
                                << ConfigError::NotAnObject;
    QTest::newRow("members of the wrong type")
        << Target::File << fileBytes(fixture(QStringLiteral("wrong_types.json")))
        << ConfigError::WrongShape;
    QTest::newRow("oversized") << Target::File
                               << QByteArray("{\"pid\": \"1054\"}") +
                                      QByteArray(kMaxConfigFileSize, ' ')
                               << ConfigError::TooLarge;
}

void TestConfigWriter::refusedFilesStayIntact()
{
    QFETCH(Target, target);
    QFETCH(QByteArray, content);
    QFETCH(ConfigError, error);
    if (target == Target::File)
        QVERIFY(writeBytes(userPath(), content));
    if (target == Target::Folder)
        QVERIFY(QDir(m_dir->path()).mkdir(QStringLiteral("user.json")));

    const ConfigWriteResult result =
        updateConfigFile(userPath(), [](QJsonObject& root) { setCustomModes(root, {}); });

    QCOMPARE(result.error, error);
    QVERIFY2(result.errorText.contains(userPath()), qPrintable(result.errorText));
    QCOMPARE(QFileInfo(userPath()).isFile(), target == Target::File);
    if (target == Target::File)
        QCOMPARE(fileBytes(userPath()), content);
    QCOMPARE(QDir(m_dir->path())
                 .entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden)
                 .size(),
             target == Target::Missing ? 0 : 1);
}

void TestConfigWriter::failedWriteLeavesFileIntact()
{
    QVERIFY(useFixture(QStringLiteral("full_user.json")));
    const QByteArray before = fileBytes(userPath());

    ConfigWriteResult result;
    {
        const FileSizeLimit limit(64);
        QVERIFY(limit.active());
        result = updateConfigFile(userPath(), [](QJsonObject& root) {
            setCurrentMode(root, QStringLiteral("Stereo"), QStringLiteral("default"),
                           QStringLiteral("Jazz"));
        });
    }
    QCOMPARE(result.error, ConfigError::WriteFailed);
    QVERIFY2(result.errorText.contains(userPath()), qPrintable(result.errorText));
    QCOMPARE(fileBytes(userPath()), before);
    QCOMPARE(QDir(m_dir->path()).entryList(QDir::Files | QDir::Hidden), QStringList{"user.json"});
}

void TestConfigWriter::createUserFileFromDefault()
{
    const QString defaultPath = fixture(QStringLiteral("default_model.json"));
    const ConfigWriteResult result = createUserFile(defaultPath, userPath(), kIdentity);
    QVERIFY2(result.ok(), qPrintable(result.errorText));

    const QByteArray bytes = fileBytes(userPath());
    QCOMPARE(QJsonDocument::fromJson(bytes).toJson(QJsonDocument::Indented), bytes);
    QJsonObject user = rootOf(userPath());
    QCOMPARE(user.take(QLatin1String("uuid")).toString(), QStringLiteral("0a1b2c3d"));
    QCOMPARE(user, rootOf(defaultPath));
}

void TestConfigWriter::createUserFileSetsTheUnitsIdentity()
{
    // The fixture carries the "uuid" 0a1b2c3d of another unit.
    QVERIFY(
        createUserFile(fixture(QStringLiteral("full_user.json")), userPath(), {9, 8, 7, 6}).ok());
    QVERIFY((readConfigFile(userPath()).record.identity == DeviceIdentity{9, 8, 7, 6}));
}

void TestConfigWriter::createUserFileRefusals_data()
{
    QTest::addColumn<QString>("defaultFile");
    QTest::addColumn<QString>("userFile");
    QTest::addColumn<bool>("userFileThere");
    QTest::addColumn<ConfigError>("error");
    QTest::newRow("user file exists") << "default_model.json"
                                      << "user.json" << true << ConfigError::AlreadyExists;
    QTest::newRow("no default file") << "missing.json"
                                     << "user.json" << false << ConfigError::NotFound;
    QTest::newRow("invalid default file") << "broken.json"
                                          << "user.json" << false << ConfigError::InvalidJson;
    QTest::newRow("default root is an array") << "root_array.json"
                                              << "user.json" << false << ConfigError::NotAnObject;
    QTest::newRow("no user folder") << "default_model.json"
                                    << "missing/user.json" << false << ConfigError::WriteFailed;
}

void TestConfigWriter::createUserFileRefusals()
{
    QFETCH(QString, defaultFile);
    QFETCH(QString, userFile);
    QFETCH(bool, userFileThere);
    QFETCH(ConfigError, error);
    const QString path = m_dir->filePath(userFile);
    const QByteArray existing("{\"uuid\": \"01020304\"}");
    if (userFileThere)
        QVERIFY(writeBytes(path, existing));

    const ConfigWriteResult result = createUserFile(fixture(defaultFile), path, kIdentity);

    QCOMPARE(result.error, error);
    QVERIFY(!result.errorText.isEmpty());
    QCOMPARE(QFileInfo::exists(path), userFileThere);
    if (userFileThere)
        QCOMPARE(fileBytes(path), existing);
}

QTEST_GUILESS_MAIN(TestConfigWriter)
#include "tst_configwriter.moc"
