#include "NumberText.h"

#include <QtTest>

// Both programs read numbers through these two; the table is what either accepts.
class TestNumberText : public QObject
{
    Q_OBJECT

private slots:
    void decimalInRange_data();
    void decimalInRange();
    void productIdFromText_data();
    void productIdFromText();
};

void TestNumberText::decimalInRange_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("low");
    QTest::addColumn<int>("high");
    QTest::addColumn<bool>("accepted");
    QTest::addColumn<int>("value");
    const struct
    {
        const char* text;
        int low;
        int high;
        bool accepted;
        int value;
    } rows[] = {
        {"50", 0, 100, true, 50},
        {"0", 0, 100, true, 0},
        {"100", 0, 100, true, 100},
        {"007", 0, 100, true, 7},
        {"-3", -12, 12, true, -3},
        {"-12", -12, 12, true, -12},
        {"101", 0, 100, false, 0},
        {"-1", 0, 100, false, 0},
        {"-0", 0, 100, false, 0},
        {"+50", 0, 100, false, 0},
        {"+3", -12, 12, false, 0},
        {" 50 ", 0, 100, false, 0},
        {"50 ", 0, 100, false, 0},
        {"", 0, 100, false, 0},
        {"-", -12, 12, false, 0},
        {"5x", 0, 100, false, 0},
        {"0x10", 0, 255, false, 0},
        {"1e2", 0, 255, false, 0},
        {"1.0", 0, 255, false, 0},
        {"٣", 0, 100, false, 0}, // a digit, but not an ASCII one
        {"99999999999999999999", 0, 100, false, 0},
    };
    for (const auto& row : rows)
        QTest::newRow(row.text) << QString::fromUtf8(row.text) << row.low << row.high
                                << row.accepted << row.value;
}

void TestNumberText::decimalInRange()
{
    QFETCH(QString, text);
    QFETCH(int, low);
    QFETCH(int, high);
    QFETCH(bool, accepted);
    QFETCH(int, value);
    const std::optional<int> read = ::decimalInRange(text, low, high);
    QCOMPARE(read.has_value(), accepted);
    if (accepted)
        QCOMPARE(*read, value);
}

void TestNumberText::productIdFromText_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("accepted");
    QTest::addColumn<int>("value");
    const struct
    {
        const char* text;
        bool accepted;
        int value;
    } rows[] = {
        {"1054", true, 0x1054}, {"0f51", true, 0x0f51}, {"0F51", true, 0x0f51}, {"f", true, 0xf},
        {"ffff", true, 0xffff}, {"0x1054", false, 0},   {"+105", false, 0},     {"-105", false, 0},
        {" 1054", false, 0},    {"10544", false, 0},    {"", false, 0},         {"12g4", false, 0},
    };
    for (const auto& row : rows)
        QTest::newRow(row.text) << QString::fromUtf8(row.text) << row.accepted << row.value;
}

void TestNumberText::productIdFromText()
{
    QFETCH(QString, text);
    QFETCH(bool, accepted);
    QFETCH(int, value);
    const std::optional<quint16> read = ::productIdFromText(text);
    QCOMPARE(read.has_value(), accepted);
    if (accepted)
        QCOMPARE(int(*read), value);
}

QTEST_GUILESS_MAIN(TestNumberText)
#include "tst_numbertext.moc"
