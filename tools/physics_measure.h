// Measurements of what the wave field does, taken by running the program's own
// step and source with the clock driven at a chosen number of steps per millisecond.
#pragma once

#include "common/grid.h"
#include "wave/source.h"

#include <cstdint>
#include <vector>

constexpr double SLIT_ROW = BARRIER_ROW;  // the barrier row
// The column midway across the open cells between the two blocked stretches (24.5).
constexpr double SLIT_CENTRE = (GRID_SIZE - 1) / 2.0;
constexpr int SPEED_ROWS[2] = {3, 13};   // rows whose crest passages time the pulse, 0.6 and 2.6 units from the source
constexpr double RING_CELLS = 10.0;      // radius of the ring behind the slit, cells (2 world units)
constexpr int FALLOFF_FIT_NEAR = 4;      // distances behind the slit fitted for the fall-off, cells
constexpr int FALLOFF_FIT_FAR = 16;

// Wave speed of the equation the step integrates, world units per simulated second.
double waveSpeed();
// c * dt / dx: the distance a wave at waveSpeed() covers in one step, in cells.
double courantNumber();
// The largest Courant number for which this explicit scheme is stable on a square grid.
double stabilityLimit();

// One run of the program's field from rest. While it exists, processMillis()
// reads floor(n * 1000 / steps per second) at step n (counted from 0), so the
// source sees exactly that many steps per millisecond. Construction clears the
// heights, the velocities and the source's start time; destruction hands the
// clock back to the wall and clears the field again. One run at a time.
class DrivenRun {
public:
    explicit DrivenRun(double stepsPerMilli);
    ~DrivenRun();
    DrivenRun(const DrivenRun&) = delete;
    DrivenRun& operator=(const DrivenRun&) = delete;

    void step();                    // one stepWaves(), then the clock moves on
    int64_t steps() const;          // steps taken so far
    bool sourceStill() const;       // the last step read a time past the half-sine: row 0 is held at 0
};

struct PulseSpeed {
    double crestStep[2];  // step at which the crest passed SPEED_ROWS (parabola fitted to its top fifth)
    double unitsPerSecond;
    double ratio;         // against waveSpeed()
};

// Times the crest of the plane pulse between SPEED_ROWS, before the barrier's echo returns.
PulseSpeed measurePulseSpeed(double stepsPerMilli);

struct EnergyBlock {
    int64_t firstStep;  // counted from the first step with the source still
    double low, high;   // extremes of energy / starting energy - 1 over the block
    double modifiedLow, modifiedHigh;
};

struct EnergyRecord {
    int64_t pulseSteps;      // steps taken before the source row was still
    double start;            // energy after the first still step, world units^4 per second^2
    double largest;          // largest |energy / start - 1|
    double modifiedLargest;  // the same for the energy the scheme keeps exactly, rounding apart
    std::vector<EnergyBlock> blocks;
};

// Wave energy, kinetic plus potential, over the cells that move (all but row 0
// and the 46 barrier cells), tracked every step for `steps` steps from the end
// of the pulse and summarised in `blockCount` blocks for plotting.
EnergyRecord measureEnergy(double stepsPerMilli, int64_t steps, int blockCount);

struct AngleAmplitude {
    double degrees;    // from straight ahead (+r), positive towards higher columns
    double amplitude;  // peak |height| of the first arrival on the ring
};

struct DistanceAmplitude {
    int cells;         // rows behind the barrier, along the slit's centre line
    double amplitude;  // peak |height| of the first arrival
    bool clean;        // the peak came well before any echo from the grid's edges
};

struct Diffraction {
    std::vector<AngleAmplitude> byAngle;        // on the ring of RING_CELLS, -80 to 80 degrees
    std::vector<DistanceAmplitude> byDistance;  // 1 to 24 cells behind the slit
    double falloffExponent;  // a in amplitude ~ distance^-a over FALLOFF_FIT_NEAR-FALLOFF_FIT_FAR cells
};

// The first arrival of the wave behind the slit, before reflections from the
// grid's edges can reach the point measured.
Diffraction measureDiffraction(double stepsPerMilli);

struct PulseLength {
    int64_t sourceSteps;  // steps during which row 0 was raised
    double cells;         // sourceSteps * courantNumber(): how far a wave travels meanwhile
};

PulseLength measurePulseLength(double stepsPerMilli);

// Heights down column PROFILE_COLUMN, rows 0-49, at the step when a front moving
// at waveSpeed() reaches row PROFILE_FRONT_ROW, just short of the barrier.
constexpr int PROFILE_COLUMN = 12;
constexpr int PROFILE_FRONT_ROW = 24;
std::vector<float> profileNearBarrier(double stepsPerMilli);
int64_t profileStep();
