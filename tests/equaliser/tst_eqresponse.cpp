#include "EqResponse.h"

#include <QtTest>

#include <algorithm>
#include <cmath>

Q_DECLARE_METATYPE(FilterKind)
Q_DECLARE_METATYPE(Curve)

namespace {

constexpr double kTolerance = 1e-9;

} // namespace

class TestEqResponse : public QObject
{
    Q_OBJECT

private slots:
    void peakAtCentreIsTheGain_data();
    void peakAtCentreIsTheGain();
    void oppositeGainsCancel_data();
    void oppositeGainsCancel();
    void bandsBeyondHalfTheRateDoNothing();
    void gridCoversTheAudibleRange_data();
    void gridCoversTheAudibleRange();
    void headsetCurveAddsItsBands();
    void curveValueBetweenAndBeyondPoints_data();
    void curveValueBetweenAndBeyondPoints();
};

void TestEqResponse::peakAtCentreIsTheGain_data()
{
    QTest::addColumn<double>("gainDb");
    QTest::addColumn<double>("centreHz");
    QTest::addColumn<double>("q");
    QTest::addColumn<double>("sampleRateHz");
    QTest::newRow("boost mid") << 6.0 << 1000.0 << 2.0 << 48000.0;
    QTest::newRow("lowest band, full cut") << -12.0 << 30.0 << 2.0 << 48000.0;
    QTest::newRow("top band, full boost") << 12.0 << 16000.0 << 4.0 << 48000.0;
    QTest::newRow("fraction, wide, 44.1 kHz") << 3.5 << 250.0 << 0.7 << 44100.0;
}

void TestEqResponse::peakAtCentreIsTheGain()
{
    QFETCH(double, gainDb);
    QFETCH(double, centreHz);
    QFETCH(double, q);
    QFETCH(double, sampleRateHz);
    const Filter filter{FilterKind::Peaking, centreHz, gainDb, q};
    QVERIFY(std::abs(filterResponseDb(filter, centreHz, sampleRateHz) - gainDb) < kTolerance);
    // The centre is the extreme: nowhere else does the bell reach further.
    for (const double hz : logFrequencyGrid(kPlotPoints, sampleRateHz)) {
        const double db = filterResponseDb(filter, hz, sampleRateHz);
        const bool sameSide = db * std::copysign(1.0, gainDb) >= -kTolerance;
        QVERIFY2(sameSide && std::abs(db) <= std::abs(gainDb) + kTolerance,
                 qPrintable(QStringLiteral("%1 dB at %2 Hz").arg(db).arg(hz)));
    }
}

void TestEqResponse::oppositeGainsCancel_data()
{
    QTest::addColumn<FilterKind>("kind");
    QTest::addColumn<double>("gainDb");
    QTest::addColumn<double>("q");
    QTest::newRow("peaking") << FilterKind::Peaking << 9.0 << 2.0;
    QTest::newRow("peaking, narrow, full range") << FilterKind::Peaking << 12.0 << 10.0;
    QTest::newRow("low shelf") << FilterKind::LowShelf << 6.0 << 0.71;
    QTest::newRow("high shelf") << FilterKind::HighShelf << 4.5 << 1.0;
}

void TestEqResponse::oppositeGainsCancel()
{
    QFETCH(FilterKind, kind);
    QFETCH(double, gainDb);
    QFETCH(double, q);
    const std::vector<Filter> pair = {{kind, 500, gainDb, q}, {kind, 500, -gainDb, q}};
    const Curve sum = filtersResponse(pair, logFrequencyGrid(kPlotPoints, 48000), 48000);
    QCOMPARE(int(sum.size()), kPlotPoints);
    double largest = 0;
    for (const CurvePoint& point : sum)
        largest = std::max(largest, std::abs(point.db));
    QVERIFY2(largest < 1e-9, qPrintable(QString::number(largest)));
    // Each alone does change the sound.
    QVERIFY(std::abs(filterResponseDb(pair[0], 500, 48000)) > 1);
}

void TestEqResponse::bandsBeyondHalfTheRateDoNothing()
{
    // At 16 kHz the 8 and 16 kHz bands sit at and above half the rate.
    const HeadsetBands bands = headsetBands(*frame::peqQTable(6, 0x1054), 16000);
    EqGains gains{};
    gains[8] = 12;
    gains[9] = -12;
    for (const CurvePoint& point : headsetResponse(gains, bands))
        QCOMPARE(point.db, 0.0);
    gains[7] = 12;
    const Curve withFourKilohertz = headsetResponse(gains, bands);
    QVERIFY(std::any_of(withFourKilohertz.begin(), withFourKilohertz.end(),
                        [](const CurvePoint& point) { return point.db > 11; }));
}

void TestEqResponse::gridCoversTheAudibleRange_data()
{
    QTest::addColumn<double>("sampleRateHz");
    QTest::addColumn<double>("topHz");
    QTest::newRow("48 kHz") << 48000.0 << 20000.0;
    QTest::newRow("44.1 kHz") << 44100.0 << 20000.0;
    QTest::newRow("32 kHz: below half the rate") << 32000.0 << 15200.0;
}

void TestEqResponse::gridCoversTheAudibleRange()
{
    QFETCH(double, sampleRateHz);
    QFETCH(double, topHz);
    const std::vector<double> grid = logFrequencyGrid(kPlotPoints, sampleRateHz);
    QCOMPARE(int(grid.size()), kPlotPoints);
    QVERIFY(std::abs(grid.front() - 20) < kTolerance);
    QVERIFY(std::abs(grid.back() - topHz) < 1e-6);
    // Evenly spaced in log-frequency.
    const double ratio = grid[1] / grid[0];
    for (size_t i = 1; i < grid.size(); ++i)
        QVERIFY(std::abs(grid[i] / grid[i - 1] - ratio) < kTolerance);
}

void TestEqResponse::headsetCurveAddsItsBands()
{
    const frame::QTable q = *frame::peqQTable(5, 0x0F51);
    const HeadsetBands bands = headsetBands(q, 0);
    QCOMPARE(bands.sampleRateHz, kDefaultSampleRateHz);
    const EqGains gains{12, -12, 3, 0, 0, 5, 0, -7, 0, 2};
    const Curve curve = headsetResponse(gains, bands, 64);
    QCOMPARE(int(curve.size()), 64);
    for (const CurvePoint& point : curve) {
        double sum = 0;
        for (int band = 0; band < kBandCount; ++band) {
            const Filter alone{FilterKind::Peaking, double(frame::kBandFrequencies[band]),
                               double(gains[band]), q[band] / 1000.0};
            sum += filterResponseDb(alone, point.hz, kDefaultSampleRateHz);
        }
        QVERIFY(std::abs(point.db - sum) < kTolerance);
    }
}

void TestEqResponse::curveValueBetweenAndBeyondPoints_data()
{
    const Curve tilt = {{100, -2}, {1000, 4}, {10000, 0}};
    QTest::addColumn<Curve>("curve");
    QTest::addColumn<double>("hz");
    QTest::addColumn<double>("db");
    QTest::newRow("on a point") << tilt << 1000.0 << 4.0;
    QTest::newRow("halfway in log-frequency") << tilt << std::sqrt(100.0 * 1000.0) << 1.0;
    QTest::newRow("a quarter of a decade") << tilt << 1000 * std::pow(10.0, 0.25) << 3.0;
    QTest::newRow("below the first: flat") << tilt << 20.0 << -2.0;
    QTest::newRow("above the last: flat") << tilt << 20000.0 << 0.0;
    QTest::newRow("not a frequency") << tilt << double(NAN) << -2.0;
    QTest::newRow("no points") << Curve{} << 1000.0 << 0.0;
}

void TestEqResponse::curveValueBetweenAndBeyondPoints()
{
    QFETCH(Curve, curve);
    QFETCH(double, hz);
    QFETCH(double, db);
    QVERIFY(std::abs(curveValueAt(curve, hz) - db) < kTolerance);
}

QTEST_GUILESS_MAIN(TestEqResponse)
#include "tst_eqresponse.moc"
