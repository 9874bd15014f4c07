#include "ConfigNames.h"
#include "ConfigReader.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

Q_DECLARE_METATYPE(DeviceIdentity)
Q_DECLARE_METATYPE(ConfigError)

namespace {

QString fixture(const QString& name)
{
    return QStringLiteral(TEST_DATA_DIR "/") + name;
}

bool copyFixture(const QString& name, const QString& target)
{
    return QFile::copy(fixture(name), target);
}

} // namespace

class TestConfigReader : public QObject
{
    Q_OBJECT

private slots:
    void readsEverythingAFileSays();
    void presetsFollowMemberKeyOrder();
    void idForms_data();
    void idForms();
    void wrongTypesAreSkipped();
    void oddMembersOfRightContainers();
    void arrayRootSaysNothing();
    void unreadableFiles_data();
    void unreadableFiles();
    void parseErrorNamesTheOffendingByte_data();
    void parseErrorNamesTheOffendingByte();
    void hostileJsonIsRefused_data();
    void hostileJsonIsRefused();
    void deepValidDocumentIsRead();
    void mergeKeepsFieldsTheFileLacks();
    void folderReadsEveryJsonFile();
};

void TestConfigReader::readsEverythingAFileSays()
{
    const ConfigReadResult read = readConfigFile(fixture(QStringLiteral("full_user.json")));
    QVERIFY2(read.ok(), qPrintable(read.errorText));
    QVERIFY(read.rootIsObject);
    QCOMPARE(read.shapeProblems, QStringList());
    QCOMPARE(read.record.vendorId, quint16(0x3206));
    QCOMPARE(read.productId(), std::optional<quint16>(0x0f51));
    QVERIFY((read.record.identity == DeviceIdentity{0x0a, 0x1b, 0x2c, 0x3d}));
    QCOMPARE(read.record.mode, QStringLiteral("custom"));
    QCOMPARE(read.record.algorithm, QStringLiteral("Stereo"));
    QCOMPARE(read.record.name, QStringLiteral("Night"));
    QCOMPARE(read.fields, ConfigFields(VendorIdField | ProductIdField | IdentityField | ModeField |
                                       AlgorithmField | NameField));
    const QList<CustomRecord> expected{
        {"Surround", "New Equalizer", "0,0,0,0,0,0,0,0,0,0"},
        {"Stereo", "Night", "1,2,3,4,5,6,7,8,9,10"},
    };
    QCOMPARE(read.customModes, expected);
}

// The file lists "b" before "a" and the Stereo keys out of order too; the
// sorted member keys decide each page's preset order.
void TestConfigReader::presetsFollowMemberKeyOrder()
{
    const ConfigReadResult read = readConfigFile(fixture(QStringLiteral("full_user.json")));
    QCOMPARE(read.record.surroundPresets,
             (QStringList{"Deep Bass_'8,7,5,3,1,0,0,0,0,0'", "FPS_'-4,-3,-2,-1,0,2,5,6,3,1'"}));
    QCOMPARE(read.record.stereoPresets,
             (QStringList{"Pop_'1,1,0,0,1,3,4,3,1,0'", "Rack&Roll_'5,4,2,0,-2,-2,0,2,4,5'"}));
}

void TestConfigReader::idForms_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<int>("vendorId");
    QTest::addColumn<int>("productId");
    QTest::addColumn<DeviceIdentity>("identity");
    QTest::newRow("plain") << "ids_plain.json" << 0x3206 << 0x0f51
                           << DeviceIdentity{0x0a, 0x1b, 0x2c, 0x3d};
    QTest::newRow("0x prefix, blanks, short uuid")
        << "ids_prefixed.json" << 0x3206 << 0x104d << DeviceIdentity{0x0a, 0x01, 0, 0};
    QTest::newRow("trailing junk, sign, long uuid")
        << "ids_long_uuid.json" << 0x3206 << 0x4130 << DeviceIdentity{0x0a, 0x1b, 0x2c, 0x3d};
    QTest::newRow("no digits, negative, bad pair")
        << "ids_junk.json" << 0 << 0xffff << DeviceIdentity{0x00, 0x1b, 0x2c, 0x3d};
}

void TestConfigReader::idForms()
{
    QFETCH(QString, file);
    QFETCH(int, vendorId);
    QFETCH(int, productId);
    QFETCH(DeviceIdentity, identity);
    const ConfigReadResult read = readConfigFile(fixture(file));
    QVERIFY2(read.ok(), qPrintable(read.errorText));
    QCOMPARE(int(read.record.vendorId), vendorId);
    QCOMPARE(read.productId(), std::optional<quint16>(quint16(productId)));
    QVERIFY(read.record.identity == identity);
    QCOMPARE(read.fields, ConfigFields(VendorIdField | ProductIdField | IdentityField));
}

void TestConfigReader::wrongTypesAreSkipped()
{
    const ConfigReadResult read = readConfigFile(fixture(QStringLiteral("wrong_types.json")));
    QVERIFY2(read.ok(), qPrintable(read.errorText));
    QVERIFY(read.rootIsObject);
    QCOMPARE(read.fields, ConfigFields());
    QVERIFY(!read.productId().has_value());
    QVERIFY(read.record == ConfigRecord());
    QVERIFY(read.customModes.isEmpty());
    QCOMPARE(read.shapeProblems,
             (QStringList{"\"vid\" is not a string", "\"pid\" is not a string",
                          "\"uuid\" is not a string", "\"defaultMode\" is not an object",
                          "\"mode\" is not an object", "\"customMode\" is not an array"}));
}

void TestConfigReader::oddMembersOfRightContainers()
{
    const ConfigReadResult read = readConfigFile(fixture(QStringLiteral("odd_members.json")));
    QVERIFY2(read.ok(), qPrintable(read.errorText));
    // No entry for an unknown or missing algorithm, a missing name or
    // parameter, or a member that is not an object; non-string values read as "".
    QCOMPARE(read.record.surroundPresets, QStringList{"_''"});
    QCOMPARE(read.record.stereoPresets, QStringList{"Jazz_'2,2,3,3,2,1,0,0,1,1'"});
    QCOMPARE(read.fields, ConfigFields(AlgorithmField | NameField));
    QCOMPARE(read.record.algorithm, QString());
    QCOMPARE(read.record.name, QStringLiteral("Only Name"));
    const QList<CustomRecord> expected{
        {"", "", ""},
        {"Mono", "", ""},
        {"Stereo", "Quiet", "-1,-1,-1,-1,-1,-1,-1,-1,-1,-1"},
    };
    QCOMPARE(read.customModes, expected);
}

void TestConfigReader::arrayRootSaysNothing()
{
    const ConfigReadResult read = readConfigFile(fixture(QStringLiteral("root_array.json")));
    QVERIFY2(read.ok(), qPrintable(read.errorText));
    QVERIFY(!read.rootIsObject);
    QCOMPARE(read.shapeProblems, QStringList{"the document is not a JSON object"});
    QCOMPARE(read.fields, ConfigFields());
    QVERIFY(!read.productId().has_value());
}

void TestConfigReader::unreadableFiles_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<ConfigError>("error");
    QTest::newRow("missing") << fixture(QStringLiteral("missing.json")) << ConfigError::NotFound;
    QTest::newRow("truncated") << fixture(QStringLiteral("broken.json"))
                               << ConfigError::InvalidJson;
    QTest::newRow("empty") << fixture(QStringLiteral("empty.json")) << ConfigError::InvalidJson;
    QTest::newRow("a folder") << QStringLiteral(TEST_DATA_DIR) << ConfigError::Unreadable;
}

void TestConfigReader::unreadableFiles()
{
    QFETCH(QString, path);
    QFETCH(ConfigError, error);
    const ConfigReadResult read = readConfigFile(path);
    QCOMPARE(read.error, error);
    QVERIFY(!read.ok());
    QVERIFY2(read.errorText.contains(path), qPrintable(read.errorText));
    QVERIFY(!read.productId().has_value());
    QVERIFY(read.customModes.isEmpty());
}

void TestConfigReader::parseErrorNamesTheOffendingByte_data()
{
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<int>("offset");
    QFile missingComma(fixture(QStringLiteral("missing_comma.json")));
    QVERIFY(missingComma.open(QIODevice::ReadOnly));
    QTest::newRow("missing comma: the next name") << missingComma.readAll() << 16;
    QTest::newRow("not a value at the start") << QByteArray("x") << 0;
    QTest::newRow("comma instead of a name") << QByteArray("{,}") << 1;
    QTest::newRow("no value after the name") << QByteArray("{\"pid\":}") << 7;
    QTest::newRow("no colon") << QByteArray("{\"pid\" 1}") << 7;
    QTest::newRow("no comma in an array") << QByteArray("[1 2]") << 3;
    QTest::newRow("misspelt literal") << QByteArray("{\"a\":tru}") << 5;
    QTest::newRow("not a number") << QByteArray("{\"pid\": x}") << 8;
    QTest::newRow("garbage after the document") << QByteArray("{}  x") << 4;
}

void TestConfigReader::parseErrorNamesTheOffendingByte()
{
    QFETCH(QByteArray, data);
    QFETCH(int, offset);
    const ConfigReadResult read = readConfigData(data, QStringLiteral("data"));
    QCOMPARE(read.error, ConfigError::InvalidJson);
    const QString expected = QStringLiteral("data: invalid JSON at offset %1: ").arg(offset);
    QVERIFY2(read.errorText.startsWith(expected), qPrintable(read.errorText));
}

void TestConfigReader::hostileJsonIsRefused_data()
{
    QTest::addColumn<QByteArray>("data");
    QTest::newRow("nested past any sensible depth") << QByteArray(200000, '[');
    QTest::newRow("invalid UTF-8 in a string") << QByteArray("{\"pid\": \"10\xff\xfe\"}");
    QTest::newRow("NUL inside") << QByteArray("{\"pid\": \"1054\"}\0{", 17);
    QTest::newRow("two roots") << QByteArray("{}{}");
    QTest::newRow("bare string root") << QByteArray("\"1054\"");
}

void TestConfigReader::hostileJsonIsRefused()
{
    QFETCH(QByteArray, data);
    const ConfigReadResult read = readConfigData(data, QStringLiteral("hostile"));
    QCOMPARE(read.error, ConfigError::InvalidJson);
    QVERIFY(read.errorText.startsWith(QLatin1String("hostile: ")));
    QVERIFY(!read.productId().has_value());
}

void TestConfigReader::deepValidDocumentIsRead()
{
    // Nesting under an ignored key: read as far as the parser allows, no crash.
    const int depth = 500;
    const QByteArray data =
        "{\"pid\": \"1054\", \"x\": " + QByteArray(depth, '[') + QByteArray(depth, ']') + "}";
    const ConfigReadResult read = readConfigData(data, QStringLiteral("deep"));
    QVERIFY2(read.ok(), qPrintable(read.errorText));
    QCOMPARE(read.productId(), std::optional<quint16>(0x1054));
}

void TestConfigReader::mergeKeepsFieldsTheFileLacks()
{
    ConfigRecord staging;
    staging.vendorId = 0x1111;
    staging.identity = {1, 2, 3, 4};
    staging.mode = QStringLiteral("default");
    staging.surroundPresets << QStringLiteral("Old_'0'");

    const ConfigReadResult read = readConfigFile(fixture(QStringLiteral("odd_members.json")));
    mergeConfigRecord(staging, read);

    QCOMPARE(staging.vendorId, quint16(0x1111));
    QVERIFY((staging.identity == DeviceIdentity{1, 2, 3, 4}));
    QCOMPARE(staging.mode, QStringLiteral("default"));
    QCOMPARE(staging.name, QStringLiteral("Only Name"));
    QCOMPARE(staging.surroundPresets, (QStringList{"Old_'0'", "_''"}));
    QCOMPARE(staging.stereoPresets, read.record.stereoPresets);

    mergeConfigRecord(staging, readConfigFile(fixture(QStringLiteral("ids_plain.json"))));
    QCOMPARE(staging.vendorId, quint16(0x3206));
    QVERIFY((staging.identity == DeviceIdentity{0x0a, 0x1b, 0x2c, 0x3d}));
}

void TestConfigReader::folderReadsEveryJsonFile()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    QVERIFY(
        copyFixture(QStringLiteral("ids_prefixed.json"), dir.filePath(QStringLiteral("a.json"))));
    QVERIFY(copyFixture(QStringLiteral("broken.json"), dir.filePath(QStringLiteral("b.json"))));
    QVERIFY(copyFixture(QStringLiteral("ids_plain.json"), dir.filePath(QStringLiteral("c.json"))));
    // Same product as c.json: its ID is listed once.
    QVERIFY(copyFixture(QStringLiteral("full_user.json"), dir.filePath(QStringLiteral("d.json"))));
    QVERIFY(
        copyFixture(QStringLiteral("ids_junk.json"), dir.filePath(QStringLiteral("notes.txt"))));

    const QList<ConfigFileRead> files = readConfigFolder(dir.path());
    QCOMPARE(files.size(), 4);
    QCOMPARE(files.at(1).path, dir.filePath(QStringLiteral("b.json")));
    QCOMPARE(files.at(1).content.error, ConfigError::InvalidJson);
    QCOMPARE(productIdsOf(files), (QList<quint16>{0x104d, 0x0f51}));
}

QTEST_GUILESS_MAIN(TestConfigReader)
#include "tst_configreader.moc"
