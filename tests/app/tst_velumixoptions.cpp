#include "VelumixOptions.h"

#include <QtTest>

class TestVelumixOptions : public QObject
{
    Q_OBJECT

private slots:
    void options_data();
    void options();
    void highContrast_data();
    void highContrast();
};

void TestVelumixOptions::options_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<bool>("simulate");
    QTest::addColumn<int>("productId");
    QTest::addColumn<QString>("error");
    const QString refused = QStringLiteral("--simulate: '%1' is not a hexadecimal product ID");
    QTest::newRow("none") << QStringList{} << false << 0x1054 << "";
    QTest::newRow("others left alone")
        << QStringList{"-autorun", "-platform", "offscreen"} << false << 0x1054 << "";
    QTest::newRow("bare: the default product") << QStringList{"--simulate"} << true << 0x1054 << "";
    QTest::newRow("a product") << QStringList{"--simulate=0f51"} << true << 0x0f51 << "";
    QTest::newRow("short product") << QStringList{"--simulate=105"} << true << 0x0105 << "";
    QTest::newRow("plus") << QStringList{"--simulate=+105"} << false << 0x1054
                          << refused.arg("+105");
    QTest::newRow("0x") << QStringList{"--simulate=0x1054"} << false << 0x1054
                        << refused.arg("0x1054");
    QTest::newRow("empty value: bare") << QStringList{"--simulate="} << true << 0x1054 << "";
    QTest::newRow("five digits") << QStringList{"--simulate=10544"} << false << 0x1054
                                 << refused.arg("10544");
    QTest::newRow("given twice") << QStringList{"--simulate", "--simulate=0f51"} << false << 0x1054
                                 << "--simulate is given more than once";
    QTest::newRow("given twice alike") << QStringList{"--simulate=0f51", "--simulate=0f51"} << false
                                       << 0x1054 << "--simulate is given more than once";
}

void TestVelumixOptions::options()
{
    QFETCH(QStringList, arguments);
    QFETCH(bool, simulate);
    QFETCH(int, productId);
    QFETCH(QString, error);
    const VelumixOptions options = parseVelumixOptions(QStringList{"velumix"} + arguments);
    QCOMPARE(options.error, error);
    QCOMPARE(options.simulate, simulate);
    QCOMPARE(int(options.simulatedProductId), productId);
}

void TestVelumixOptions::highContrast_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<bool>("highContrast");
    QTest::newRow("not asked") << QStringList{"--simulate"} << false;
    QTest::newRow("asked") << QStringList{"--high-contrast"} << true;
    QTest::newRow("with a simulated headset")
        << QStringList{"--simulate=0f51", "--high-contrast"} << true;
    QTest::newRow("a look of another name") << QStringList{"--high-contrast=no"} << false;
}

// --high-contrast stands beside --simulate; neither takes the other's place.
void TestVelumixOptions::highContrast()
{
    QFETCH(QStringList, arguments);
    QFETCH(bool, highContrast);
    const VelumixOptions options = parseVelumixOptions(QStringList{"velumix"} + arguments);
    QCOMPARE(options.error, QString());
    QCOMPARE(options.highContrast, highContrast);
    QCOMPARE(options.simulate, arguments.first().startsWith("--simulate"));
}

QTEST_GUILESS_MAIN(TestVelumixOptions)
#include "tst_velumixoptions.moc"
