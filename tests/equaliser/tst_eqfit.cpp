#include "EqFit.h"
#include "GainText.h"

#include <QtTest>

#include <cmath>

Q_DECLARE_METATYPE(EqGains)
Q_DECLARE_METATYPE(Curve)

namespace {

constexpr uint16_t kModel1054 = 0x1054;
constexpr uint16_t kModel0F51 = 0x0F51;
constexpr int kCustomModeIndex = 6;
constexpr int kStereoStandardMode = 5;
// Remaining error of a target made from the bands: none on the fit's own
// grid, a little from reading a finer grid's curve between its points.
constexpr double kExact = 1e-6;
constexpr double kInterpolated = 0.1;

HeadsetBands bandsOf(int modeIndex, uint16_t productId, int sampleRateHz)
{
    return headsetBands(*frame::peqQTable(modeIndex, productId), sampleRateHz);
}

// The largest |target - curve| over the curve's points, worked out here.
double largestError(const Curve& target, const Curve& curve)
{
    double largest = 0;
    for (const CurvePoint& point : curve)
        largest = std::max(largest, std::abs(curveValueAt(target, point.hz) - point.db));
    return largest;
}

double rootMeanSquareError(const Curve& target, const Curve& curve)
{
    double sum = 0;
    for (const CurvePoint& point : curve)
        sum += std::pow(curveValueAt(target, point.hz) - point.db, 2);
    return std::sqrt(sum / curve.size());
}

} // namespace

class TestEqFit : public QObject
{
    Q_OBJECT

private slots:
    void recoversWholeGains_data();
    void recoversWholeGains();
    void smoothTargetFitsClosely_data();
    void smoothTargetFitsClosely();
    void gainsStayInTheHeadsetsRange_data();
    void gainsStayInTheHeadsetsRange();
    void neighboursMakeUpForAClampedBand();
};

void TestEqFit::recoversWholeGains_data()
{
    QTest::addColumn<EqGains>("gains");
    QTest::addColumn<int>("modeIndex");
    QTest::addColumn<uint16_t>("productId");
    QTest::addColumn<int>("sampleRateHz");
    QTest::addColumn<int>("targetPoints");
    QTest::addColumn<double>("boundDb"); // of the remaining error
    QTest::newRow("flat") << EqGains{} << kCustomModeIndex << kModel1054 << 48000 << kFitPoints
                          << kExact;
    QTest::newRow("mixed") << EqGains{3, -2, 0, 5, -7, 1, 0, 4, -1, 6} << kCustomModeIndex
                           << kModel1054 << 48000 << kFitPoints << kExact;
    QTest::newRow("alternating extremes")
        << EqGains{12, -12, 12, -12, 12, -12, 12, -12, 12, -12} << kCustomModeIndex << kModel1054
        << 48000 << kFitPoints << kExact;
    QTest::newRow("all full boost")
        << EqGains{12, 12, 12, 12, 12, 12, 12, 12, 12, 12} << kCustomModeIndex << kModel1054
        << 44100 << kFitPoints << kExact;
    QTest::newRow("wide bands of a standard mode")
        << EqGains{-12, 7, -3, 12, 0, -5, 9, 2, -12, 11} << kStereoStandardMode << kModel0F51
        << 48000 << kFitPoints << kExact;
    QTest::newRow("target on a finer grid")
        << EqGains{-6, 4, 10, -9, 2, 0, -12, 8, 3, -4} << kCustomModeIndex << kModel1054 << 48000
        << kPlotPoints << kInterpolated;
}

void TestEqFit::recoversWholeGains()
{
    QFETCH(EqGains, gains);
    QFETCH(int, modeIndex);
    QFETCH(uint16_t, productId);
    QFETCH(int, sampleRateHz);
    QFETCH(int, targetPoints);
    QFETCH(double, boundDb);
    const HeadsetBands bands = bandsOf(modeIndex, productId, sampleRateHz);
    const Curve target = headsetResponse(gains, bands, targetPoints);
    const EqFit fit = fitToBands(target, bands);
    QCOMPARE(fit.gains, gains);
    QCOMPARE(int(fit.curve.size()), kFitPoints);
    QVERIFY2(fit.maxErrorDb < boundDb, qPrintable(QString::number(fit.maxErrorDb)));
}

void TestEqFit::smoothTargetFitsClosely_data()
{
    QTest::addColumn<Curve>("target");
    QTest::newRow("gentle tilt up") << Curve{{20, -3}, {20000, 3}};
    QTest::newRow("bass shelf") << Curve{{20, 6}, {80, 6}, {300, 0}};
    QTest::newRow("presence dip") << Curve{{1000, 0}, {3000, -4}, {8000, 0}};
    QTest::newRow("mid hump") << Curve{{100, 0}, {1000, 5}, {10000, 0}};
}

// Ten narrow bands an octave apart with whole-dB gains cannot draw a smooth
// curve exactly (ripple between the centres, little reach below 30 Hz), but
// they take away most of it and leave no point worse off than no correction.
void TestEqFit::smoothTargetFitsClosely()
{
    QFETCH(Curve, target);
    const HeadsetBands bands = bandsOf(kCustomModeIndex, kModel1054, 48000);
    const EqFit fit = fitToBands(target, bands);
    const Curve flat = headsetResponse(EqGains{}, bands, kFitPoints);
    QVERIFY2(fit.maxErrorDb < largestError(target, flat),
             qPrintable(QString::number(fit.maxErrorDb)));
    QVERIFY2(rootMeanSquareError(target, fit.curve) < 0.6 * rootMeanSquareError(target, flat),
             qPrintable(gainsToText(fit.gains)));
    const Curve response = headsetResponse(fit.gains, bands, kFitPoints);
    QCOMPARE(int(fit.curve.size()), int(response.size()));
    for (size_t i = 0; i < response.size(); ++i)
        QVERIFY(std::abs(fit.curve[i].db - response[i].db) < 1e-9);
    QVERIFY(std::abs(largestError(target, fit.curve) - fit.maxErrorDb) < 1e-9);
}

void TestEqFit::gainsStayInTheHeadsetsRange_data()
{
    const EqGains allUp{12, 12, 12, 12, 12, 12, 12, 12, 12, 12};
    const EqGains allDown{-12, -12, -12, -12, -12, -12, -12, -12, -12, -12};
    QTest::addColumn<Curve>("target");
    QTest::addColumn<EqGains>("gains");
    QTest::newRow("flat +20 dB") << Curve{{1000, 20}} << allUp;
    QTest::newRow("flat -20 dB") << Curve{{1000, -20}} << allDown;
    QTest::newRow("beyond reason") << Curve{{20, 1e300}} << allUp;
    QTest::newRow("not a number") << Curve{{20, double(NAN)}, {20000, 3}} << EqGains{};
}

void TestEqFit::gainsStayInTheHeadsetsRange()
{
    QFETCH(Curve, target);
    QFETCH(EqGains, gains);
    const EqFit fit = fitToBands(target, bandsOf(kCustomModeIndex, kModel1054, 48000));
    QCOMPARE(fit.gains, gains);
    QVERIFY(std::isfinite(fit.maxErrorDb));
}

void TestEqFit::neighboursMakeUpForAClampedBand()
{
    const HeadsetBands bands = bandsOf(kCustomModeIndex, kModel1054, 48000);
    EqGains asked{};
    asked[5] = 20; // what the target asks of the 1 kHz band, beyond the headset's range
    const std::vector<Filter> tallBand = headsetFilters(asked, bands.qTimes1000);
    const Curve target = filtersResponse(tallBand, logFrequencyGrid(kFitPoints, bands.sampleRateHz),
                                         bands.sampleRateHz);
    const EqFit fit = fitToBands(target, bands);
    QCOMPARE(fit.gains[5], kMaxGain);
    QCOMPARE(fit.gains, headsetGains(fit.gains));
    const Curve clampedOnly = headsetResponse(headsetGains(asked), bands, kFitPoints);
    QVERIFY2(fit.maxErrorDb <= largestError(target, clampedOnly),
             qPrintable(gainsToText(fit.gains)));
    QVERIFY(fit.gains[4] > 0 || fit.gains[6] > 0);
}

QTEST_GUILESS_MAIN(TestEqFit)
#include "tst_eqfit.moc"
