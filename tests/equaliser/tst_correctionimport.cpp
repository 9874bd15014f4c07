#include "CorrectionImport.h"
#include "EqFit.h"

#include <QTemporaryDir>
#include <QtTest>

#include <cmath>

#include <sys/stat.h>

Q_DECLARE_METATYPE(Curve)
Q_DECLARE_METATYPE(std::vector<Filter>)

namespace {

constexpr double kRate = 48000;

QString fixture(const char* name)
{
    return QStringLiteral(TEST_DATA_DIR "/") + QLatin1String(name);
}

} // namespace

class TestCorrectionImport : public QObject
{
    Q_OBJECT

private slots:
    void readsGraphicEq_data();
    void readsGraphicEq();
    void readsParametric_data();
    void readsParametric();
    void malformedTextNamesItsLine_data();
    void malformedTextNamesItsLine();
    void filesAreReadCapped_data();
    void filesAreReadCapped();
};

void TestCorrectionImport::readsGraphicEq_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<Curve>("points");
    QFile file(fixture("graphiceq.txt"));
    QVERIFY(file.open(QIODevice::ReadOnly));
    QTest::newRow("fixture, after a comment")
        << file.readAll() << Curve{{20, -3}, {100, -1}, {1000, 0}, {10000, 2.5}, {20000, 1}};
    QTest::newRow("closing ';', CR LF, later lines ignored")
        << QByteArray("GraphicEQ: 25 1;  50\t-0.5 ;\r\nFilter 1: nonsense\r\n")
        << Curve{{25, 1}, {50, -0.5}};
    QTest::newRow("the first of two lines")
        << QByteArray("GraphicEQ: 30 2\nGraphicEQ: x\n") << Curve{{30, 2}};
}

void TestCorrectionImport::readsGraphicEq()
{
    QFETCH(QByteArray, text);
    QFETCH(Curve, points);
    const CorrectionRead read = readCorrection(text, kRate);
    QVERIFY2(read.ok, qPrintable(read.error));
    QCOMPARE(read.format, CorrectionFormat::GraphicEq);
    QCOMPARE(read.target.size(), points.size());
    for (size_t i = 0; i < points.size(); ++i) {
        QCOMPARE(read.target[i].hz, points[i].hz);
        QCOMPARE(read.target[i].db, points[i].db);
    }
}

void TestCorrectionImport::readsParametric_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<std::vector<Filter>>("filters");
    QFile file(fixture("parametric.txt"));
    QVERIFY(file.open(QIODevice::ReadOnly));
    QTest::newRow("fixture: OFF and None skipped, preamp ignored")
        << file.readAll()
        << std::vector<Filter>{{FilterKind::Peaking, 105, 3.5, 0.7},
                               {FilterKind::LowShelf, 80, 2, 0.71},
                               {FilterKind::HighShelf, 10000, -1.5, 0.71}};
    QTest::newRow("byte order mark, CR LF, lower case, unnumbered")
        << QByteArray("\xEF\xBB\xBF"
                      "preamp: -1 db\r\nfilter: on pk fc 2000 hz gain -6 db q 4\r\n")
        << std::vector<Filter>{{FilterKind::Peaking, 2000, -6, 4}};
}

void TestCorrectionImport::readsParametric()
{
    QFETCH(QByteArray, text);
    QFETCH(std::vector<Filter>, filters);
    const CorrectionRead read = readCorrection(text, kRate);
    QVERIFY2(read.ok, qPrintable(read.error));
    QCOMPARE(read.format, CorrectionFormat::Parametric);
    const Curve expected = filtersResponse(filters, logFrequencyGrid(kFitPoints, kRate), kRate);
    QCOMPARE(read.target.size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i) {
        QCOMPARE(read.target[i].hz, expected[i].hz);
        QVERIFY(std::abs(read.target[i].db - expected[i].db) < 1e-9);
    }
}

void TestCorrectionImport::malformedTextNamesItsLine_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QString>("error"); // the message begins with it
    const QByteArray goodFilter = "Filter 1: ON PK Fc 100 Hz Gain 1 dB Q 1\n";
    QTest::newRow("pair without gain") << QByteArray("GraphicEQ: 20 -1; 30")
                                       << "line 1: point 2: \"30\" is not a frequency and a gain";
    QTest::newRow("empty pair") << QByteArray("GraphicEQ: 20 -1;; 40 1")
                                << "line 1: point 2: \"\" is not a frequency and a gain";
    QTest::newRow("frequency not rising, after a comment")
        << QByteArray("# note\nGraphicEQ: 20 1; 20 2")
        << "line 2: point 2: frequency 20 Hz does not rise above the one before it (20 Hz)";
    QTest::newRow("not a number in a point")
        << QByteArray("GraphicEQ: 20 nan") << "line 1: point 1: \"nan\" is not a finite number";
    QTest::newRow("zero frequency")
        << QByteArray("GraphicEQ: 0 1")
        << "line 1: point 1: frequency 0 Hz is outside 1 Hz to 24000 Hz";
    QTest::newRow("point above half the rate")
        << QByteArray("GraphicEQ: 20 1; 30000 1")
        << "line 1: point 2: frequency 30000 Hz is outside 1 Hz to 24000 Hz";
    QTest::newRow("point gain too large")
        << QByteArray("GraphicEQ: 20 31") << "line 1: point 1: gain 31 dB is outside -30 to 30 dB";
    QTest::newRow("stray line") << "Preamp: -3 dB\n" + goodFilter + "hello"
                                << "line 3: \"hello\" is not a Preamp, Filter or comment line";
    QTest::newRow("long stray line quoted short")
        << QByteArray(500, 'x') << "line 1: \"" + QString(40, QLatin1Char('x')) + "...\"";
    QTest::newRow("binary") << QByteArray("\x89PNG\r\n\x1a\n\0\0", 10)
                            << "line 1: \"?PNG\" is not a Preamp, Filter or comment line";
    QTest::newRow("neither ON nor OFF") << goodFilter + "Filter 2: MAYBE PK Fc 1 Hz"
                                        << "line 2: a filter must be ON or OFF";
    QTest::newRow("no type") << QByteArray("\n\nFilter 3: ON") << "line 3: the filter has no type";
    QTest::newRow("low-pass") << goodFilter + "Filter 2: ON LP Fc 100 Hz"
                              << "line 2: filter type \"LP\" is not supported (PK, LSC or HSC)";
    QTest::newRow("Q missing") << QByteArray("Filter 1: ON PK Fc 100 Hz Gain 1 dB")
                               << "line 1: expected \"Fc <Hz> Hz Gain <dB> dB Q <Q>\"";
    QTest::newRow("units swapped") << QByteArray("Filter 1: ON PK Fc 100 dB Gain 1 Hz Q 1")
                                   << "line 1: expected \"Fc <Hz> Hz Gain <dB> dB Q <Q>\"";
    QTest::newRow("Q zero") << QByteArray("Filter 1: ON PK Fc 100 Hz Gain 1 dB Q 0")
                            << "line 1: Q 0 is not above 0 and at most 100";
    QTest::newRow("Q absurd") << QByteArray("Filter 1: ON HSC Fc 100 Hz Gain 1 dB Q 101")
                              << "line 1: Q 101 is not above 0 and at most 100";
    QTest::newRow("infinite frequency") << QByteArray("Filter 1: ON PK Fc inf Hz Gain 1 dB Q 1")
                                        << "line 1: \"inf\" is not a finite number";
    QTest::newRow("overflowing gain") << QByteArray("Filter 1: ON PK Fc 100 Hz Gain 1e999 dB Q 1")
                                      << "line 1: \"1e999\" is not a finite number";
    QTest::newRow("gain too deep") << goodFilter + "Filter 2: ON LSC Fc 100 Hz Gain -45 dB Q 1"
                                   << "line 2: gain -45 dB is outside -30 to 30 dB";
    QTest::newRow("frequency below 1 Hz") << QByteArray("Filter 1: ON PK Fc 0.5 Hz Gain 1 dB Q 1")
                                          << "line 1: frequency 0.5 Hz is outside 1 Hz";
    QTest::newRow("thousands separator") << QByteArray("Filter 1: ON PK Fc 1,000 Hz Gain 1 dB Q 1")
                                         << "line 1: \"1,000\" is not a number";
    QTest::newRow("preamp without a number")
        << QByteArray("Preamp: loud dB\n") + goodFilter << "line 1: \"loud\" is not a number";
    QTest::newRow("preamp without unit")
        << QByteArray("Preamp: -3\n") + goodFilter << "line 1: expected \"Preamp: <dB> dB\"";
    QTest::newRow("only OFF filters") << QByteArray("Filter 1: OFF PK Fc 100 Hz Gain 1 dB Q 1\n")
                                      << "no GraphicEQ line and no filter that is ON";
    QTest::newRow("empty") << QByteArray() << "no GraphicEQ line and no filter that is ON";
    QTest::newRow("more than 1 MiB")
        << QByteArray(kMaxImportBytes + 1, '#') << "the file is larger than 1 MiB";
}

void TestCorrectionImport::malformedTextNamesItsLine()
{
    QFETCH(QByteArray, text);
    QFETCH(QString, error);
    const CorrectionRead read = readCorrection(text, kRate);
    QVERIFY(!read.ok);
    QVERIFY2(read.error.startsWith(error), qPrintable(read.error));
    QVERIFY(read.target.empty());
}

void TestCorrectionImport::filesAreReadCapped_data()
{
    // The error with %1 for the file's path.
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("error");
    QTest::newRow("fixture") << fixture("parametric.txt") << QString();
    QTest::newRow("missing") << fixture("no-such-file.txt")
                             << "cannot open %1: No such file or directory";
    QTest::newRow("larger than the cap") << "large"
                                         << "the file is larger than 1 MiB";
    QTest::newRow("endless device") << "/dev/zero"
                                    << "cannot open %1: it is not a regular file";
    // Opening a FIFO for reading waits for a writer: the import may not.
    QTest::newRow("FIFO nobody writes to") << "fifo"
                                           << "cannot open %1: it is not a regular file";
    QTest::newRow("folder") << "."
                            << "cannot open %1: it is not a regular file";
}

void TestCorrectionImport::filesAreReadCapped()
{
    QFETCH(QString, path);
    QFETCH(QString, error);
    QTemporaryDir scratch;
    if (path == QLatin1String("large")) {
        path = scratch.filePath("large.txt");
        QFile large(path);
        QVERIFY(large.open(QIODevice::WriteOnly));
        QVERIFY(large.write(QByteArray(kMaxImportBytes + 1, '#')) == kMaxImportBytes + 1);
    } else if (path == QLatin1String("fifo")) {
        path = scratch.filePath("fifo");
        QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
    }
    const CorrectionRead read = readCorrectionFile(path, kRate);
    QCOMPARE(read.ok, error.isEmpty());
    QCOMPARE(read.error, error.isEmpty() ? QString() : error.arg(path));
    QCOMPARE(read.target.empty(), !read.ok);
}

QTEST_GUILESS_MAIN(TestCorrectionImport)
#include "tst_correctionimport.moc"
