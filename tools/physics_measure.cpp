// Measurements of the wave field's physics: pulse speed, energy, diffraction
// behind the slit and pulse length, from the program's own step and source.
#include "tools/physics_measure.h"

#include "common/clock.h"
#include "wave/field.h"
#include "wave/source.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <numbers>

namespace {

constexpr int LAST = GRID_SIZE - 1;
constexpr double PI = std::numbers::pi;
constexpr double CELL_AREA = CELL_SPACING * CELL_SPACING;  // world units^2
constexpr double ANGLE_STEP = 5.0;     // degrees between points on the ring
constexpr double ANGLE_WIDEST = 80.0;  // degrees; at 90 the ring meets the barrier
constexpr double ECHO_MARGIN_CELLS = 3.0;  // a peak this close to an echo's arrival may be the echo's

// The driven clock: read at step n, it gives floor(n * 1000 / steps per second)
// ms. Whole steps per second keep that exact (1.8 per ms is 1800 per second).
int64_t drivenSteps = 0;
int64_t drivenStepsPerSecond = 1;

int32_t drivenMillis()
{
    return static_cast<int32_t>(drivenSteps * 1000 / drivenStepsPerSecond);
}

// Steps a wave at the equation's speed needs to cover `cells` cells.
double stepsToCover(double cells)
{
    return cells / courantNumber();
}

// An edge cell's weight in the energy sums. The mirror on row 49 and columns 0
// and 49 puts the wall through the edge cells' centres, so each stands for half
// a cell (a corner for a quarter). Under these weights the one-sided edge
// difference is symmetric, which is what lets a discrete energy be conserved.
constexpr double edgeWeight(int i)
{
    return i == 0 || i == LAST ? 0.5 : 1.0;
}

constexpr bool isBarrier(int r, int c)
{
    return r == BARRIER_ROW && (c < BARRIER_SIDE_CELLS || c > LAST - BARRIER_SIDE_CELLS);
}

// Kinetic share of each cell: the edge weights, and 0 for the held cells.
constexpr auto KINETIC_WEIGHT = [] {
    std::array<std::array<double, GRID_SIZE>, GRID_SIZE> w{};
    for (int r = 1; r < GRID_SIZE; ++r) {
        for (int c = 0; c < GRID_SIZE; ++c) {
            w[r][c] = isBarrier(r, c) ? 0.0 : edgeWeight(r) * edgeWeight(c);
        }
    }
    return w;
}();

constexpr auto COLUMN_WEIGHT = [] {
    std::array<double, GRID_SIZE> w{};
    for (int c = 0; c < GRID_SIZE; ++c) {
        w[c] = edgeWeight(c);
    }
    return w;
}();

struct Energies {
    double plain;     // kinetic plus potential, world units^4 per second^2
    double modified;  // plus the correction that makes it semi-implicit Euler's invariant
};

// Energy per unit density: area x (1/2) v^2 summed over the moving cells, plus
// (1/2) c^2 (dh)^2 summed over every pair of neighbouring cells, which is
// area x (1/2) c^2 |grad h|^2 with the gradient taken between cells. Row 0
// (held at 0 once the pulse is over) and the barrier cells (their height is
// forced to 0, so their velocity never acts) take no kinetic share; their pairs
// with moving cells still count.
//
// Semi-implicit Euler does not keep this energy exactly. Barring rounding it
// keeps E + (dt / 2) <v, c^2 L h>, with L the discrete Laplacian and the same
// weights in the sum; E itself swings by about dt x the waves' angular
// frequency, and comes back.
Energies waveEnergy()
{
    Grid rows;
    Grid columns;
    laplacianAlongRows(height, rows);
    laplacianAlongColumns(height, columns);

    // One running sum per column: the sums stay in order (no reassociation)
    // while the loops over a row still run as vectors.
    double kinetic[GRID_SIZE] = {};
    double correction[GRID_SIZE] = {};
    double potential[GRID_SIZE] = {};
    for (int r = 0; r < GRID_SIZE; ++r) {
        const auto& w = KINETIC_WEIGHT[r];
        const double across = edgeWeight(r);
        for (int c = 0; c < GRID_SIZE; ++c) {
            const double v = velocity[r][c];
            kinetic[c] += w[c] * v * v;
            correction[c] += w[c] * v * (static_cast<double>(rows[r][c]) + columns[r][c]);
        }
        if (r < LAST) {
            for (int c = 0; c < GRID_SIZE; ++c) {
                const double d = static_cast<double>(height[r + 1][c]) - height[r][c];
                potential[c] += COLUMN_WEIGHT[c] * d * d;
            }
        }
        for (int c = 0; c < LAST; ++c) {
            const double d = static_cast<double>(height[r][c + 1]) - height[r][c];
            potential[c] += across * d * d;
        }
    }
    double kineticSum = 0.0;
    double correctionSum = 0.0;
    double potentialSum = 0.0;
    for (int c = 0; c < GRID_SIZE; ++c) {
        kineticSum += kinetic[c];
        correctionSum += correction[c];
        potentialSum += potential[c];
    }
    const double c2 = WAVE_SPEED_SQUARED;
    const double plain = 0.5 * CELL_AREA * kineticSum + 0.5 * c2 * potentialSum;
    return {plain, plain + 0.5 * TIME_STEP * c2 * CELL_AREA * correctionSum};
}

double rowMean(int r)
{
    double sum = 0.0;
    for (int c = 0; c < GRID_SIZE; ++c) {
        sum += height[r][c];
    }
    return sum / GRID_SIZE;
}

// Step of the crest in a sampled series: a parabola fitted by least squares to
// the samples around the highest one that stay within its top fifth, so that
// the crest's time comes out between steps and the ripples of the stepped
// source average out.
double crestStep(const std::vector<double>& series)
{
    const auto top = static_cast<int64_t>(std::max_element(series.begin(), series.end()) - series.begin());
    const double threshold = 0.8 * series[top];
    int64_t first = top;
    int64_t last = top;
    while (first > 0 && series[first - 1] >= threshold) {
        --first;
    }
    while (last + 1 < static_cast<int64_t>(series.size()) && series[last + 1] >= threshold) {
        ++last;
    }
    if (last - first < 2) {
        return static_cast<double>(top);  // too few samples for a parabola: the top itself
    }
    // Normal equations for y = a + b s + q s^2, s counted from the top sample.
    double m[3][4] = {};
    for (int64_t n = first; n <= last; ++n) {
        const double s = static_cast<double>(n - top);
        const double powers[3] = {1.0, s, s * s};
        for (int i = 0; i < 3; ++i) {
            for (int j = 0; j < 3; ++j) {
                m[i][j] += powers[i] * powers[j];
            }
            m[i][3] += powers[i] * series[n];
        }
    }
    for (int i = 0; i < 3; ++i) {
        for (int j = i + 1; j < 3; ++j) {
            const double f = m[j][i] / m[i][i];
            for (int k = i; k < 4; ++k) {
                m[j][k] -= f * m[i][k];
            }
        }
    }
    const double q = m[2][3] / m[2][2];
    const double b = (m[1][3] - m[1][2] * q) / m[1][1];
    return static_cast<double>(top) - b / (2.0 * q);
}

// Steps after the start at which an echo of the wave that came through the slit
// can first reach (r, c): the front reaches the slit, then takes the shortest
// path from an open cell to the point by way of a mirror image across row 49,
// column 0 or column 49 (the no-flux edges reflect about those cells' centres).
double echoStep(double r, double c)
{
    double shortest = std::numeric_limits<double>::infinity();
    for (int open = BARRIER_SIDE_CELLS; open <= LAST - BARRIER_SIDE_CELLS; ++open) {
        const double images[3][2] = {
            {2.0 * LAST - SLIT_ROW, static_cast<double>(open)},
            {SLIT_ROW, -static_cast<double>(open)},
            {SLIT_ROW, 2.0 * LAST - open},
        };
        for (const auto& image : images) {
            shortest = std::min(shortest, std::hypot(r - image[0], c - image[1]));
        }
    }
    return stepsToCover(SLIT_ROW + shortest);
}

// Height at a point between cells, interpolated from the four around it.
struct Probe {
    int r, c;         // upper-left cell
    double fr, fc;    // fractions towards r + 1 and c + 1
    double read() const
    {
        return (1 - fr) * ((1 - fc) * height[r][c] + fc * height[r][c + 1]) +
               fr * ((1 - fc) * height[r + 1][c] + fc * height[r + 1][c + 1]);
    }
};

Probe probeAt(double r, double c)
{
    const int r0 = std::min(static_cast<int>(std::floor(r)), LAST - 1);
    const int c0 = std::min(static_cast<int>(std::floor(c)), LAST - 1);
    return {r0, c0, r - r0, c - c0};
}

}  // namespace

double waveSpeed()
{
    return std::sqrt(static_cast<double>(WAVE_SPEED_SQUARED));
}

double courantNumber()
{
    return waveSpeed() * TIME_STEP / CELL_SPACING;
}

double stabilityLimit()
{
    return 1.0 / std::sqrt(2.0);
}

DrivenRun::DrivenRun(double stepsPerMilli)
{
    drivenSteps = 0;
    drivenStepsPerSecond = std::max<int64_t>(1, std::llround(stepsPerMilli * 1000.0));
    resetWaveFieldForTesting();
    restartSourceForTesting();
    setMillisSourceForTesting(&drivenMillis);
}

DrivenRun::~DrivenRun()
{
    setMillisSourceForTesting(nullptr);
    resetWaveFieldForTesting();
    restartSourceForTesting();
}

void DrivenRun::step()
{
    stepWaves();
    ++drivenSteps;
}

int64_t DrivenRun::steps() const
{
    return drivenSteps;
}

bool DrivenRun::sourceStill() const
{
    if (drivenSteps == 0) {
        return false;
    }
    const int64_t lastMillis = (drivenSteps - 1) * 1000 / drivenStepsPerSecond;
    return static_cast<double>(lastMillis) * SOURCE_PHASE_PER_MILLI >= PI;
}

PulseSpeed measurePulseSpeed(double stepsPerMilli)
{
    // The barrier's reflection reaches the farther row after the front has gone
    // to row 25 and back; the crest must have passed by then.
    const auto steps = static_cast<int64_t>(stepsToCover(2.0 * SLIT_ROW - SPEED_ROWS[1]));
    std::vector<double> series[2];
    DrivenRun run(stepsPerMilli);
    while (run.steps() < steps) {
        run.step();
        for (int i = 0; i < 2; ++i) {
            series[i].push_back(rowMean(SPEED_ROWS[i]));
        }
    }
    PulseSpeed speed{};
    for (int i = 0; i < 2; ++i) {
        speed.crestStep[i] = crestStep(series[i]);
    }
    const double seconds = (speed.crestStep[1] - speed.crestStep[0]) * TIME_STEP;
    speed.unitsPerSecond = (SPEED_ROWS[1] - SPEED_ROWS[0]) * CELL_SPACING / seconds;
    speed.ratio = speed.unitsPerSecond / waveSpeed();
    return speed;
}

EnergyRecord measureEnergy(double stepsPerMilli, int64_t steps, int blockCount)
{
    DrivenRun run(stepsPerMilli);
    do {
        run.step();
    } while (!run.sourceStill());

    EnergyRecord record{};
    record.pulseSteps = run.steps() - 1;
    const Energies start = waveEnergy();
    record.start = start.plain;
    const int64_t blockSteps = std::max<int64_t>(1, (steps + blockCount - 1) / blockCount);
    for (int64_t n = 0; n < steps; ++n) {
        run.step();
        const Energies now = waveEnergy();
        const double plain = now.plain / start.plain - 1.0;
        const double modified = now.modified / start.modified - 1.0;
        if (n % blockSteps == 0) {
            record.blocks.push_back({n, plain, plain, modified, modified});
        }
        EnergyBlock& block = record.blocks.back();
        block.low = std::min(block.low, plain);
        block.high = std::max(block.high, plain);
        block.modifiedLow = std::min(block.modifiedLow, modified);
        block.modifiedHigh = std::max(block.modifiedHigh, modified);
        record.largest = std::max(record.largest, std::fabs(plain));
        record.modifiedLargest = std::max(record.modifiedLargest, std::fabs(modified));
    }
    return record;
}

Diffraction measureDiffraction(double stepsPerMilli)
{
    struct Point {
        Probe probe;
        double echo;  // steps
        double peak = 0.0;
        int64_t peakStep = 0;
    };
    std::vector<Point> ring;
    for (double degrees = -ANGLE_WIDEST; degrees <= ANGLE_WIDEST; degrees += ANGLE_STEP) {
        const double r = SLIT_ROW + RING_CELLS * std::cos(degrees * PI / 180.0);
        const double c = SLIT_CENTRE + RING_CELLS * std::sin(degrees * PI / 180.0);
        ring.push_back({probeAt(r, c), echoStep(r, c)});
    }
    std::vector<Point> line;
    for (int d = 1; d <= LAST - BARRIER_ROW; ++d) {
        line.push_back({probeAt(SLIT_ROW + d, SLIT_CENTRE), echoStep(SLIT_ROW + d, SLIT_CENTRE)});
    }

    double lastEcho = 0.0;
    for (const auto* points : {&ring, &line}) {
        for (const Point& p : *points) {
            lastEcho = std::max(lastEcho, p.echo);
        }
    }
    DrivenRun run(stepsPerMilli);
    while (static_cast<double>(run.steps()) < lastEcho) {
        run.step();
        const int64_t n = run.steps() - 1;
        for (auto* points : {&ring, &line}) {
            for (Point& p : *points) {
                const double a = std::fabs(p.probe.read());
                if (static_cast<double>(n) < p.echo && a > p.peak) {
                    p.peak = a;
                    p.peakStep = n;
                }
            }
        }
    }

    Diffraction result{};
    for (size_t i = 0; i < ring.size(); ++i) {
        result.byAngle.push_back({-ANGLE_WIDEST + ANGLE_STEP * static_cast<double>(i), ring[i].peak});
    }
    const double margin = stepsToCover(ECHO_MARGIN_CELLS);
    double sx = 0.0, sy = 0.0, sxx = 0.0, sxy = 0.0;
    int fitted = 0;
    for (size_t i = 0; i < line.size(); ++i) {
        const int d = static_cast<int>(i) + 1;
        const bool clean = static_cast<double>(line[i].peakStep) < line[i].echo - margin;
        result.byDistance.push_back({d, line[i].peak, clean});
        if (clean && d >= FALLOFF_FIT_NEAR && d <= FALLOFF_FIT_FAR) {
            const double x = std::log(d);
            const double y = std::log(line[i].peak);
            sx += x;
            sy += y;
            sxx += x * x;
            sxy += x * y;
            ++fitted;
        }
    }
    result.falloffExponent = -(fitted * sxy - sx * sy) / (fitted * sxx - sx * sx);
    return result;
}

PulseLength measurePulseLength(double stepsPerMilli)
{
    PulseLength length{};
    DrivenRun run(stepsPerMilli);
    do {
        run.step();
        if (height[SOURCE_ROW][0] != 0.0f) {
            ++length.sourceSteps;
        }
    } while (!run.sourceStill());
    length.cells = static_cast<double>(length.sourceSteps) * courantNumber();
    return length;
}

int64_t profileStep()
{
    return static_cast<int64_t>(std::ceil(stepsToCover(PROFILE_FRONT_ROW)));
}

std::vector<float> profileNearBarrier(double stepsPerMilli)
{
    DrivenRun run(stepsPerMilli);
    while (run.steps() < profileStep()) {
        run.step();
    }
    std::vector<float> heights;
    for (int r = 0; r < GRID_SIZE; ++r) {
        heights.push_back(height[r][PROFILE_COLUMN]);
    }
    return heights;
}
