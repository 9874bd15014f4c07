#pragma once
// The sound of the ten bands: the magnitude response of the headset's
// peaking filters, as a curve to plot or to compare with a target.
//
// Units everywhere: frequencies in Hz, gains and responses in dB, Q as the
// plain quality factor (not Q x 1000), sample rates in Hz.

#include "Frames.h"
#include "Vocabulary.h"

#include <vector>

// Used while the headset has not told its sample rate.
constexpr double kDefaultSampleRateHz = 48000;
// Points of a plotted curve.
constexpr int kPlotPoints = 256;
// The audible range the curves cover.
constexpr double kLowestCurveHz = 20;
constexpr double kHighestCurveHz = 20000;

enum class FilterKind
{
    Peaking,
    LowShelf,
    HighShelf
};

// One biquad of the Audio EQ Cookbook (R. Bristow-Johnson) with its gain,
// centre (or corner) frequency and Q.
struct Filter
{
    FilterKind kind = FilterKind::Peaking;
    double centreHz = 1000;
    double gainDb = 0;
    double q = 1;
};

struct CurvePoint
{
    double hz;
    double db;
};
// Points in increasing frequency.
using Curve = std::vector<CurvePoint>;

// How the headset applies its bands for one mode: the fixed centres of
// frame::kBandFrequencies, the mode's Q values and the sample rate.
struct HeadsetBands
{
    frame::QTable qTimes1000{};
    double sampleRateHz = kDefaultSampleRateHz;
};
// The bands of a mode's Q table (frame::peqQTable) at a sample rate in Hz as
// frame::sampleRateHz gives it; 0 (unknown) stands for kDefaultSampleRateHz.
HeadsetBands headsetBands(const frame::QTable& qTimes1000, int sampleRateHz);

// The filter's gain in dB at `hz`. A filter whose centre is not below half
// the sample rate cannot be placed by the bilinear transform and has no
// effect (0 dB).
double filterResponseDb(const Filter& filter, double hz, double sampleRateHz);

// `points` frequencies spaced evenly in log-frequency from kLowestCurveHz to
// kHighestCurveHz, the top kept a little below half the sample rate, where
// a digital filter's response folds back.
std::vector<double> logFrequencyGrid(int points, double sampleRateHz);

// The combined response of the filters at each frequency of the grid: the
// filters run one after another, so their responses in dB add up.
Curve filtersResponse(const std::vector<Filter>& filters, const std::vector<double>& grid,
                      double sampleRateHz);

// The headset's ten peaking filters with these gains, band 0 first.
std::vector<Filter> headsetFilters(const EqGains& gains, const frame::QTable& qTimes1000);

// The response of the headset's bands with these gains on a grid of
// `points` (see logFrequencyGrid): the curve a window plots.
Curve headsetResponse(const EqGains& gains, const HeadsetBands& bands, int points = kPlotPoints);

// The curve's value at `hz`, interpolated linearly in log-frequency between
// its points and flat beyond its first and last point; 0 dB for no points.
double curveValueAt(const Curve& curve, double hz);
