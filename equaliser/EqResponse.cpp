#include "EqResponse.h"

#include <algorithm>
#include <cmath>
#include <complex>

namespace {

constexpr double kPi = 3.14159265358979323846;
// How close to half the sample rate a curve may reach: right at it a digital
// filter's response is pinned, beyond it the response folds back.
constexpr double kHighestShareOfNyquist = 0.95;

struct Biquad
{
    double b0, b1, b2, a0, a1, a2;
};

// The Audio EQ Cookbook's coefficients (not normalised: only the ratio of
// numerator and denominator matters for the magnitude).
Biquad cookbookBiquad(const Filter& filter, double sampleRateHz)
{
    const double w0 = 2 * kPi * filter.centreHz / sampleRateHz;
    const double cosW0 = std::cos(w0);
    const double alpha = std::sin(w0) / (2 * filter.q);
    const double a = std::pow(10.0, filter.gainDb / 40);
    switch (filter.kind) {
    case FilterKind::LowShelf: {
        const double shelf = 2 * std::sqrt(a) * alpha;
        return {a * ((a + 1) - (a - 1) * cosW0 + shelf), 2 * a * ((a - 1) - (a + 1) * cosW0),
                a * ((a + 1) - (a - 1) * cosW0 - shelf), (a + 1) + (a - 1) * cosW0 + shelf,
                -2 * ((a - 1) + (a + 1) * cosW0),        (a + 1) + (a - 1) * cosW0 - shelf};
    }
    case FilterKind::HighShelf: {
        const double shelf = 2 * std::sqrt(a) * alpha;
        return {a * ((a + 1) + (a - 1) * cosW0 + shelf), -2 * a * ((a - 1) + (a + 1) * cosW0),
                a * ((a + 1) + (a - 1) * cosW0 - shelf), (a + 1) - (a - 1) * cosW0 + shelf,
                2 * ((a - 1) - (a + 1) * cosW0),         (a + 1) - (a - 1) * cosW0 - shelf};
    }
    case FilterKind::Peaking:
        break;
    }
    return {1 + alpha * a, -2 * cosW0, 1 - alpha * a, 1 + alpha / a, -2 * cosW0, 1 - alpha / a};
}

bool filterActs(const Filter& filter, double sampleRateHz)
{
    const bool finite = std::isfinite(filter.centreHz) && std::isfinite(filter.gainDb) &&
                        std::isfinite(filter.q) && std::isfinite(sampleRateHz);
    return finite && filter.gainDb != 0 && filter.q > 0 && filter.centreHz > 0 &&
           filter.centreHz < sampleRateHz / 2;
}

double biquadResponseDb(const Biquad& c, double hz, double sampleRateHz)
{
    const std::complex<double> zInverse = std::polar(1.0, -2 * kPi * hz / sampleRateHz);
    const std::complex<double> numerator = c.b0 + zInverse * (c.b1 + zInverse * c.b2);
    const std::complex<double> denominator = c.a0 + zInverse * (c.a1 + zInverse * c.a2);
    return 10 * std::log10(std::norm(numerator) / std::norm(denominator));
}

} // namespace

HeadsetBands headsetBands(const frame::QTable& qTimes1000, int sampleRateHz)
{
    return {qTimes1000, sampleRateHz > 0 ? double(sampleRateHz) : kDefaultSampleRateHz};
}

double filterResponseDb(const Filter& filter, double hz, double sampleRateHz)
{
    if (!filterActs(filter, sampleRateHz))
        return 0;
    return biquadResponseDb(cookbookBiquad(filter, sampleRateHz), hz, sampleRateHz);
}

std::vector<double> logFrequencyGrid(int points, double sampleRateHz)
{
    const double top =
        std::clamp(kHighestShareOfNyquist * sampleRateHz / 2, kLowestCurveHz, kHighestCurveHz);
    std::vector<double> grid;
    for (int i = 0; i < points; ++i) {
        const double share = points > 1 ? double(i) / (points - 1) : 0;
        grid.push_back(kLowestCurveHz * std::pow(top / kLowestCurveHz, share));
    }
    return grid;
}

Curve filtersResponse(const std::vector<Filter>& filters, const std::vector<double>& grid,
                      double sampleRateHz)
{
    Curve curve;
    for (const double hz : grid)
        curve.push_back({hz, 0});
    for (const Filter& filter : filters) {
        if (!filterActs(filter, sampleRateHz))
            continue;
        const Biquad coefficients = cookbookBiquad(filter, sampleRateHz);
        for (CurvePoint& point : curve)
            point.db += biquadResponseDb(coefficients, point.hz, sampleRateHz);
    }
    return curve;
}

std::vector<Filter> headsetFilters(const EqGains& gains, const frame::QTable& qTimes1000)
{
    std::vector<Filter> filters;
    for (int band = 0; band < kBandCount; ++band)
        filters.push_back({FilterKind::Peaking, double(frame::kBandFrequencies[band]),
                           double(gains[band]), qTimes1000[band] / 1000.0});
    return filters;
}

Curve headsetResponse(const EqGains& gains, const HeadsetBands& bands, int points)
{
    return filtersResponse(headsetFilters(gains, bands.qTimes1000),
                           logFrequencyGrid(points, bands.sampleRateHz), bands.sampleRateHz);
}

double curveValueAt(const Curve& curve, double hz)
{
    if (curve.empty())
        return 0;
    if (!(hz > curve.front().hz)) // also a frequency that is not a number
        return curve.front().db;
    if (hz >= curve.back().hz)
        return curve.back().db;
    const auto above = std::upper_bound(curve.begin(), curve.end(), hz,
                                        [](double f, const CurvePoint& p) { return f < p.hz; });
    const CurvePoint& low = *(above - 1);
    const double share = std::log(hz / low.hz) / std::log(above->hz / low.hz);
    return low.db + share * (above->db - low.db);
}
