#include "ConfigNames.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

Q_DECLARE_METATYPE(DeviceIdentity)

class TestConfigNames : public QObject
{
    Q_OBJECT

private slots:
    void identityToHex_data();
    void identityToHex();
    void identityFromHex_data();
    void identityFromHex();
    void hexTextToId_data();
    void hexTextToId();
    void fileNames_data();
    void fileNames();
    void listConfigFileNamesTakesOnlyJsonFiles();
    void listConfigFileNamesOfMissingFolderIsEmpty();
};

void TestConfigNames::identityToHex_data()
{
    QTest::addColumn<DeviceIdentity>("identity");
    QTest::addColumn<QString>("hex");
    QTest::newRow("byte 0 first") << DeviceIdentity{0x0a, 0x1b, 0x2c, 0x3d} << "0a1b2c3d";
    QTest::newRow("zero padded") << DeviceIdentity{0x00, 0x00, 0x00, 0x01} << "00000001";
    QTest::newRow("lower case") << DeviceIdentity{0xde, 0xad, 0xbe, 0xef} << "deadbeef";
}

void TestConfigNames::identityToHex()
{
    QFETCH(DeviceIdentity, identity);
    QFETCH(QString, hex);
    QCOMPARE(::identityToHex(identity), hex);
    QVERIFY(::identityFromHex(hex) == identity);
}

void TestConfigNames::identityFromHex_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<DeviceIdentity>("identity");
    QTest::newRow("eight digits") << "0a1b2c3d" << DeviceIdentity{0x0a, 0x1b, 0x2c, 0x3d};
    QTest::newRow("upper case") << "0A1B2C3D" << DeviceIdentity{0x0a, 0x1b, 0x2c, 0x3d};
    QTest::newRow("odd length: last digit alone") << "0a1" << DeviceIdentity{0x0a, 0x01, 0, 0};
    QTest::newRow("twelve digits keep four bytes")
        << "0a1b2c3d4e5f" << DeviceIdentity{0x0a, 0x1b, 0x2c, 0x3d};
    QTest::newRow("empty") << "" << DeviceIdentity{0, 0, 0, 0};
    QTest::newRow("bad pair gives 0") << "zz1b2c3d" << DeviceIdentity{0x00, 0x1b, 0x2c, 0x3d};
    QTest::newRow("half-bad pair gives 0") << "0g1b2c3d" << DeviceIdentity{0x00, 0x1b, 0x2c, 0x3d};
    QTest::newRow("blank is not a digit") << " 11b2c3d" << DeviceIdentity{0x00, 0x1b, 0x2c, 0x3d};
}

void TestConfigNames::identityFromHex()
{
    QFETCH(QString, text);
    QFETCH(DeviceIdentity, identity);
    QVERIFY(::identityFromHex(text) == identity);
}

void TestConfigNames::hexTextToId_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("id");
    QTest::newRow("plain") << "3206" << 0x3206;
    QTest::newRow("0x prefix") << "0x3206" << 0x3206;
    QTest::newRow("0X prefix, upper-case digits") << "0X104D" << 0x104d;
    QTest::newRow("leading blanks") << " \t0f51" << 0x0f51;
    QTest::newRow("plus sign") << "+4130" << 0x4130;
    QTest::newRow("minus sign keeps low 16 bits") << "-1" << 0xffff;
    QTest::newRow("long value keeps low 16 bits") << "123456" << 0x3456;
    QTest::newRow("stops at a non-digit") << "3206zz" << 0x3206;
    QTest::newRow("no digits") << "zz" << 0;
    QTest::newRow("empty") << "" << 0;
    QTest::newRow("0x without digits reads the 0") << "0xz" << 0;
    QTest::newRow("blank inside stops") << "32 06" << 0x32;
}

void TestConfigNames::hexTextToId()
{
    QFETCH(QString, text);
    QFETCH(int, id);
    QCOMPARE(int(::hexTextToId(text)), id);
}

void TestConfigNames::fileNames_data()
{
    QTest::addColumn<int>("vendorId");
    QTest::addColumn<int>("productId");
    QTest::addColumn<DeviceIdentity>("identity");
    QTest::addColumn<QString>("defaultName");
    QTest::addColumn<QString>("userName");
    QTest::newRow("padded product ID")
        << 0x3206 << 0x0f51 << DeviceIdentity{0, 0, 0, 1} << "VID-3206&PID-0f51.json"
        << "VID-3206&PID-0f51&UUID-00000001.json";
    QTest::newRow("lower-case hex")
        << 0x3206 << 0x104d << DeviceIdentity{0x0a, 0x1b, 0x2c, 0x3d} << "VID-3206&PID-104d.json"
        << "VID-3206&PID-104d&UUID-0a1b2c3d.json";
    QTest::newRow("vendor ID without leading zeros")
        << 0x0001 << 0x000a << DeviceIdentity{} << "VID-1&PID-000a.json"
        << "VID-1&PID-000a&UUID-00000000.json";
}

void TestConfigNames::fileNames()
{
    QFETCH(int, vendorId);
    QFETCH(int, productId);
    QFETCH(DeviceIdentity, identity);
    QFETCH(QString, defaultName);
    QFETCH(QString, userName);
    QCOMPARE(defaultFileName(quint16(vendorId), quint16(productId)), defaultName);
    QCOMPARE(userFileName(quint16(vendorId), quint16(productId), identity), userName);
}

void TestConfigNames::listConfigFileNamesTakesOnlyJsonFiles()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    for (const char* name : {"b.json", "a.json", "notes.txt", "upper.JSON", "json"}) {
        QFile file(dir.filePath(QLatin1String(name)));
        QVERIFY(file.open(QIODevice::WriteOnly));
    }
    QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("folder.json")));

    QCOMPARE(listConfigFileNames(dir.path()), (QStringList{"a.json", "b.json"}));
}

void TestConfigNames::listConfigFileNamesOfMissingFolderIsEmpty()
{
    QTemporaryDir dir;
    QVERIFY(listConfigFileNames(dir.filePath(QStringLiteral("missing"))).isEmpty());
}

QTEST_GUILESS_MAIN(TestConfigNames)
#include "tst_confignames.moc"
