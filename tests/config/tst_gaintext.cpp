#include "GainText.h"

#include <QtTest>

Q_DECLARE_METATYPE(EqGains)

class TestGainText : public QObject
{
    Q_OBJECT

private slots:
    void gainsToText_data();
    void gainsToText();
    void gainsFromText_data();
    void gainsFromText();
    void headsetGainsStayInRange_data();
    void headsetGainsStayInRange();
    void parsePresetEntry_data();
    void parsePresetEntry();
    void presetEntryReadsBack();
};

void TestGainText::gainsToText_data()
{
    QTest::addColumn<EqGains>("gains");
    QTest::addColumn<QString>("text");
    QTest::newRow("zeros") << EqGains{} << "0,0,0,0,0,0,0,0,0,0";
    QTest::newRow("signed, band order")
        << EqGains{-12, -1, 0, 1, 2, 3, 4, 5, 6, 12} << "-12,-1,0,1,2,3,4,5,6,12";
}

void TestGainText::gainsToText()
{
    QFETCH(EqGains, gains);
    QFETCH(QString, text);
    QCOMPARE(::gainsToText(gains), text);
    QVERIFY(::gainsFromText(text) == gains);
}

void TestGainText::gainsFromText_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<EqGains>("gains");
    QTest::newRow("fewer fields: rest 0") << "1,2,3" << EqGains{1, 2, 3};
    QTest::newRow("not a number counts 0") << "x,-4, 5 ,+2,1.5" << EqGains{0, -4, 5, 2, 0};
    QTest::newRow("empty text") << "" << EqGains{};
    QTest::newRow("fields after the tenth ignored")
        << "1,2,3,4,5,6,7,8,9,10,11,12" << EqGains{1, 2, 3, 4, 5, 6, 7, 8, 9, 10};
    QTest::newRow("out of range kept") << "20,-15" << EqGains{20, -15};
}

void TestGainText::gainsFromText()
{
    QFETCH(QString, text);
    QFETCH(EqGains, gains);
    QVERIFY(::gainsFromText(text) == gains);
}

void TestGainText::headsetGainsStayInRange_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<EqGains>("gains");
    QTest::newRow("in range untouched") << "-12,-1,0,1,12" << EqGains{-12, -1, 0, 1, 12};
    QTest::newRow("beyond a byte and a gain")
        << "100,-100,127,-128,255,13,-13,2147483647,-2147483648,0"
        << EqGains{12, -12, 12, -12, 12, 12, -12, 12, -12, 0};
}

void TestGainText::headsetGainsStayInRange()
{
    QFETCH(QString, text);
    QFETCH(EqGains, gains);
    QVERIFY(headsetGains(::gainsFromText(text)) == gains);
    QVector<int> entryGains;
    for (const int gain : ::gainsFromText(text))
        entryGains << gain;
    QVERIFY(headsetGains(entryGains) == gains);
}

void TestGainText::parsePresetEntry_data()
{
    QTest::addColumn<QString>("entry");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QVector<int>>("gains");
    QTest::newRow("ten gains") << "Jazz_'1,2,3,4,5,6,7,8,9,10'"
                               << "Jazz" << QVector<int>{1, 2, 3, 4, 5, 6, 7, 8, 9, 10};
    QTest::newRow("name with blank and &") << "Rack&Roll_'5,4'"
                                           << "Rack&Roll" << QVector<int>{5, 4};
    QTest::newRow("fewer gains") << "Deep Bass_'20,-15'"
                                 << "Deep Bass" << QVector<int>{20, -15};
    QTest::newRow("not a number counts 0") << "Pop_'a,2'"
                                           << "Pop" << QVector<int>{0, 2};
    QTest::newRow("more than ten gains") << "X_'1,2,3,4,5,6,7,8,9,10,11,12'"
                                         << "X" << QVector<int>{1, 2, 3, 4, 5, 6, 7, 8, 9, 10};
    QTest::newRow("only the first twenty pieces") << "X_'1" + QString(20, QLatin1Char(',')) + "2'"
                                                  << "X" << QVector<int>{1};
    QTest::newRow("empty") << ""
                           << "" << QVector<int>{};
}

void TestGainText::parsePresetEntry()
{
    QFETCH(QString, entry);
    QFETCH(QString, name);
    QFETCH(QVector<int>, gains);
    const ParsedPresetEntry parsed = ::parsePresetEntry(entry);
    QCOMPARE(parsed.name, name);
    QCOMPARE(parsed.gains, gains);
}

void TestGainText::presetEntryReadsBack()
{
    const QString entry =
        presetEntry(QStringLiteral("Jazz"), QStringLiteral("0,0,0,0,0,0,0,0,0,0"));
    QCOMPARE(entry, QStringLiteral("Jazz_'0,0,0,0,0,0,0,0,0,0'"));
    const ParsedPresetEntry parsed = ::parsePresetEntry(entry);
    QCOMPARE(parsed.name, QStringLiteral("Jazz"));
    QCOMPARE(parsed.gains, QVector<int>(kBandCount, 0));
}

QTEST_GUILESS_MAIN(TestGainText)
#include "tst_gaintext.moc"
