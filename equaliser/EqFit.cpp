#include "EqFit.h"

#include "GainText.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace {

// The dB response of a peaking filter is not linear in its gain: cut and
// boost mirror each other, but the bell widens as the gain grows, so a fixed
// basis (each band's response at 1 dB, scaled) misses by a fraction of a dB
// at large gains. Gauss-Newton steps, each with every band's derivative at
// its current gain, reach the least-squares gains themselves; a target made
// from the bands is then met exactly, and rounding gives its gains back.
constexpr int kGaussNewtonSteps = 20;
constexpr double kDerivativeStepDb = 0.01;
constexpr double kSettledDb = 1e-7;
// While searching, gains may go past the headset's range, so a target that
// asks for more than it can give still pulls its neighbours the right way;
// the bound keeps a wild target from driving a filter into nonsense.
constexpr double kSearchLimitDb = 30;
// Keeps the normal equations solvable when a band cannot act at all (a
// centre above half the sample rate leaves its column empty).
constexpr double kRidge = 1e-9;
constexpr int kMaxCoordinatePasses = 100;
// Target values are read within this bound (and as 0 when not a number):
// far beyond what ten bands can give, small enough that sums of squares of
// them stay finite.
constexpr double kTargetLimitDb = 1000;
constexpr int kGainSteps = kMaxGain - kMinGain + 1;

using BandValues = std::array<double, kBandCount>;
using NormalMatrix = std::array<BandValues, kBandCount>;

struct FitProblem
{
    std::vector<double> grid;
    std::vector<double> target; // dB at each grid frequency
    HeadsetBands bands;
};

double bandResponseDb(const FitProblem& problem, int band, double gainDb, double hz)
{
    const Filter filter{FilterKind::Peaking, double(frame::kBandFrequencies[band]), gainDb,
                        problem.bands.qTimes1000[band] / 1000.0};
    return filterResponseDb(filter, hz, problem.bands.sampleRateHz);
}

// Gaussian elimination with partial pivoting; the ridge keeps every pivot
// away from zero.
BandValues solve(NormalMatrix matrix, BandValues rhs)
{
    for (int col = 0; col < kBandCount; ++col) {
        int pivot = col;
        for (int row = col + 1; row < kBandCount; ++row) {
            if (std::abs(matrix[row][col]) > std::abs(matrix[pivot][col]))
                pivot = row;
        }
        std::swap(matrix[col], matrix[pivot]);
        std::swap(rhs[col], rhs[pivot]);
        for (int row = col + 1; row < kBandCount; ++row) {
            const double factor = matrix[row][col] / matrix[col][col];
            for (int k = col; k < kBandCount; ++k)
                matrix[row][k] -= factor * matrix[col][k];
            rhs[row] -= factor * rhs[col];
        }
    }
    BandValues x{};
    for (int row = kBandCount - 1; row >= 0; --row) {
        double sum = rhs[row];
        for (int k = row + 1; k < kBandCount; ++k)
            sum -= matrix[row][k] * x[k];
        x[row] = sum / matrix[row][row];
    }
    return x;
}

// One Gauss-Newton step from `gains`; returns the change.
BandValues gaussNewtonStep(const FitProblem& problem, const BandValues& gains)
{
    NormalMatrix normal{};
    BandValues rhs{};
    for (size_t i = 0; i < problem.grid.size(); ++i) {
        const double hz = problem.grid[i];
        BandValues slope{};
        double model = 0;
        for (int band = 0; band < kBandCount; ++band) {
            model += bandResponseDb(problem, band, gains[band], hz);
            slope[band] = (bandResponseDb(problem, band, gains[band] + kDerivativeStepDb, hz) -
                           bandResponseDb(problem, band, gains[band] - kDerivativeStepDb, hz)) /
                          (2 * kDerivativeStepDb);
        }
        const double residual = problem.target[i] - model;
        for (int row = 0; row < kBandCount; ++row) {
            rhs[row] += slope[row] * residual;
            for (int col = 0; col < kBandCount; ++col)
                normal[row][col] += slope[row] * slope[col];
        }
    }
    for (int band = 0; band < kBandCount; ++band)
        normal[band][band] += kRidge;
    return solve(normal, rhs);
}

BandValues leastSquaresGains(const FitProblem& problem)
{
    BandValues gains{};
    for (int step = 0; step < kGaussNewtonSteps; ++step) {
        const BandValues change = gaussNewtonStep(problem, gains);
        double largest = 0;
        for (int band = 0; band < kBandCount; ++band) {
            gains[band] = std::clamp(gains[band] + change[band], -kSearchLimitDb, kSearchLimitDb);
            largest = std::max(largest, std::abs(change[band]));
        }
        if (largest < kSettledDb)
            break;
    }
    return gains;
}

// Every band's response at every whole gain the headset takes, on the grid.
class WholeGainResponses
{
public:
    explicit WholeGainResponses(const FitProblem& problem) : m_problem(problem)
    {
        for (int band = 0; band < kBandCount; ++band) {
            for (int gain = kMinGain; gain <= kMaxGain; ++gain) {
                std::vector<double>& values = m_values[band][gain - kMinGain];
                for (const double hz : problem.grid)
                    values.push_back(bandResponseDb(problem, band, gain, hz));
            }
        }
    }

    double squaredError(const EqGains& gains) const
    {
        double sum = 0;
        for (size_t i = 0; i < m_problem.grid.size(); ++i) {
            double error = m_problem.target[i];
            for (int band = 0; band < kBandCount; ++band)
                error -= m_values[band][gains[band] - kMinGain][i];
            sum += error * error;
        }
        return sum;
    }

private:
    const FitProblem& m_problem;
    std::array<std::array<std::vector<double>, kGainSteps>, kBandCount> m_values;
};

// Rounding each gain on its own can leave a better whole-dB neighbour: try
// one step up and down per band, in band order, while that lowers the error.
EqGains refineWholeGains(const FitProblem& problem, EqGains gains)
{
    const WholeGainResponses responses(problem);
    double best = responses.squaredError(gains);
    bool improved = true;
    for (int pass = 0; improved && pass < kMaxCoordinatePasses; ++pass) {
        improved = false;
        for (int band = 0; band < kBandCount; ++band) {
            for (const int step : {-1, 1}) {
                EqGains candidate = gains;
                candidate[band] += step;
                if (candidate[band] < kMinGain || candidate[band] > kMaxGain)
                    continue;
                const double error = responses.squaredError(candidate);
                if (error < best) {
                    best = error;
                    gains = candidate;
                    improved = true;
                }
            }
        }
    }
    return gains;
}

double boundedTargetDb(double db)
{
    return std::isfinite(db) ? std::clamp(db, -kTargetLimitDb, kTargetLimitDb) : 0;
}

} // namespace

EqFit fitToBands(const Curve& target, const HeadsetBands& bands)
{
    FitProblem problem{logFrequencyGrid(kFitPoints, bands.sampleRateHz), {}, bands};
    for (const double hz : problem.grid)
        problem.target.push_back(boundedTargetDb(curveValueAt(target, hz)));

    const BandValues exact = leastSquaresGains(problem);
    EqGains rounded{};
    for (int band = 0; band < kBandCount; ++band)
        rounded[band] =
            int(std::lround(std::clamp(exact[band], double(kMinGain), double(kMaxGain))));

    EqFit fit;
    fit.gains = refineWholeGains(problem, rounded);
    fit.curve = filtersResponse(headsetFilters(fit.gains, bands.qTimes1000), problem.grid,
                                bands.sampleRateHz);
    for (size_t i = 0; i < problem.grid.size(); ++i)
        fit.maxErrorDb = std::max(fit.maxErrorDb, std::abs(problem.target[i] - fit.curve[i].db));
    return fit;
}
