// wave_physics: runs the wave field at a chosen step rate and reports how faithful
// it is to the wave equation, as a summary on standard output and optional CSV files.
#include "tools/physics_measure.h"

#include "wave/field.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <numbers>
#include <string>

namespace {

constexpr double DEFAULT_STEPS_PER_MILLI = 10.0;  // about what the demo reaches under Xvfb
constexpr int64_t DEFAULT_ENERGY_STEPS = 1000000;
constexpr int ENERGY_BLOCKS = 400;  // rows of the energy CSV, each the extremes of its block
// Step rates of the pulse-length sweep, steps per millisecond: 1.8 is 60 drawn
// frames a second with 30 steps each, 10 about an unsynchronised software renderer.
constexpr double LENGTH_SWEEP[] = {0.5, 1.0, 1.8, 2.5, 4.0, 6.0, 8.0, 10.0, 12.5, 15.0, 20.0};
constexpr double SUMMARY_ANGLES[] = {30.0, 60.0, 80.0};  // degrees

int usage(const char* program)
{
    std::fprintf(stderr,
                 "usage: %s [STEPS_PER_MS] [--csv DIR] [--energy-steps N]\n"
                 "  STEPS_PER_MS   simulation steps per millisecond of the driven clock (default 10)\n"
                 "  --csv DIR      write the measurements as CSV files into DIR\n"
                 "  --energy-steps number of steps the energy is followed after the pulse (default 1000000)\n",
                 program);
    return 2;
}

std::string rateName(double stepsPerMilli)
{
    char name[32];
    std::snprintf(name, sizeof name, "%g", stepsPerMilli);
    return name;
}

std::ofstream csvFile(const std::filesystem::path& dir, const std::string& name, const char* header)
{
    std::ofstream out(dir / name);
    out << header << '\n';
    return out;
}

}  // namespace

int main(int argc, char** argv)
{
    double stepsPerMilli = DEFAULT_STEPS_PER_MILLI;
    int64_t energySteps = DEFAULT_ENERGY_STEPS;
    const char* csvDir = nullptr;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--csv") == 0 && i + 1 < argc) {
            csvDir = argv[++i];
        } else if (std::strcmp(argv[i], "--energy-steps") == 0 && i + 1 < argc) {
            energySteps = std::atoll(argv[++i]);
        } else if (argv[i][0] != '-' && std::atof(argv[i]) > 0.0) {
            stepsPerMilli = std::atof(argv[i]);
        } else {
            return usage(argv[0]);
        }
    }
    if (energySteps < 1) {
        return usage(argv[0]);
    }

    const double simulatedPerWall = stepsPerMilli * 1000.0 * TIME_STEP;
    std::printf("Wave physics at %g steps per millisecond: %.1f simulated seconds per wall-clock second\n",
                stepsPerMilli, simulatedPerWall);
    std::printf("  wave equation speed sqrt(%g) = %.4f world units per simulated second\n",
                static_cast<double>(WAVE_SPEED_SQUARED), waveSpeed());
    std::printf("  Courant number c dt/dx = %.5f, stability limit 1/sqrt(2) = %.4f\n", courantNumber(),
                stabilityLimit());

    const PulseSpeed speed = measurePulseSpeed(stepsPerMilli);
    std::printf("  pulse crest, rows %d to %d: %.4f units/s, %.4f x the equation's speed\n", SPEED_ROWS[0],
                SPEED_ROWS[1], speed.unitsPerSecond, speed.ratio);

    const PulseLength length = measurePulseLength(stepsPerMilli);
    std::printf("  pulse: %lld steps of the source, %.1f cells (%.2f world units) long\n",
                static_cast<long long>(length.sourceSteps), length.cells, length.cells * CELL_SPACING);

    const EnergyRecord energy = measureEnergy(stepsPerMilli, energySteps, ENERGY_BLOCKS);
    const double wallMinutes = static_cast<double>(energySteps) / stepsPerMilli / 60000.0;
    std::printf("  energy over %lld steps from the pulse's end (%.1f min of wall clock): largest excursion %.3f %%"
                " (the scheme's modified energy: %.1e %%)\n",
                static_cast<long long>(energySteps), wallMinutes, 100.0 * energy.largest,
                100.0 * energy.modifiedLargest);

    const Diffraction diffraction = measureDiffraction(stepsPerMilli);
    const double ahead = diffraction.byAngle[diffraction.byAngle.size() / 2].amplitude;
    std::printf("  behind the slit, %g cells away, first arrival: %.4f straight ahead", RING_CELLS, ahead);
    for (double degrees : SUMMARY_ANGLES) {
        for (const AngleAmplitude& a : diffraction.byAngle) {
            if (a.degrees == degrees) {
                std::printf("; %g deg %.2f of it (cos %.2f)", degrees, a.amplitude / ahead,
                            std::cos(degrees * std::numbers::pi / 180.0));
            }
        }
    }
    std::printf("\n  fall-off behind the slit, %d to %d cells: amplitude ~ distance^-%.2f (1/sqrt r: ^-0.5)\n",
                FALLOFF_FIT_NEAR, FALLOFF_FIT_FAR, diffraction.falloffExponent);

    if (csvDir == nullptr) {
        return 0;
    }
    const std::filesystem::path dir(csvDir);
    std::filesystem::create_directories(dir);
    const std::string rate = rateName(stepsPerMilli);

    {
        const std::vector<float> profile = profileNearBarrier(stepsPerMilli);
        auto out = csvFile(dir, "profile-" + rate + ".csv", "row,distance_units,height");
        for (size_t r = 0; r < profile.size(); ++r) {
            out << r << ',' << static_cast<double>(r) * CELL_SPACING << ',' << profile[r] << '\n';
        }
    }
    {
        auto out = csvFile(dir, "energy-" + rate + ".csv",
                           "step,simulated_s,wall_min,low,high,modified_low,modified_high");
        for (const EnergyBlock& b : energy.blocks) {
            const double step = static_cast<double>(b.firstStep);
            out << b.firstStep << ',' << step * TIME_STEP << ',' << step / stepsPerMilli / 60000.0 << ','
                << b.low << ',' << b.high << ',' << b.modifiedLow << ',' << b.modifiedHigh << '\n';
        }
    }
    {
        auto out = csvFile(dir, "angle-" + rate + ".csv", "degrees,amplitude,relative,cosine");
        for (const AngleAmplitude& a : diffraction.byAngle) {
            out << a.degrees << ',' << a.amplitude << ',' << a.amplitude / ahead << ','
                << std::cos(a.degrees * std::numbers::pi / 180.0) << '\n';
        }
    }
    {
        auto out = csvFile(dir, "distance-" + rate + ".csv", "cells,distance_units,amplitude,clean");
        for (const DistanceAmplitude& d : diffraction.byDistance) {
            out << d.cells << ',' << d.cells * CELL_SPACING << ',' << d.amplitude << ',' << (d.clean ? 1 : 0)
                << '\n';
        }
    }
    {
        auto out = csvFile(dir, "length.csv", "steps_per_ms,source_steps,cells");
        for (double sweepRate : LENGTH_SWEEP) {
            const PulseLength l = measurePulseLength(sweepRate);
            out << sweepRate << ',' << l.sourceSteps << ',' << l.cells << '\n';
        }
    }
    {
        auto out = csvFile(dir, "summary-" + rate + ".csv", "quantity,value");
        out << "steps_per_ms," << stepsPerMilli << '\n'
            << "courant," << courantNumber() << '\n'
            << "speed_ratio," << speed.ratio << '\n'
            << "source_steps," << length.sourceSteps << '\n'
            << "pulse_cells," << length.cells << '\n'
            << "energy_steps," << energySteps << '\n'
            << "energy_largest_excursion," << energy.largest << '\n'
            << "modified_energy_largest_excursion," << energy.modifiedLargest << '\n'
            << "falloff_exponent," << diffraction.falloffExponent << '\n';
    }
    std::printf("  CSV written to %s\n", csvDir);
    return 0;
}
