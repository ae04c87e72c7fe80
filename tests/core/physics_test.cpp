// The figures docs/physics.md states, measured again by the code that made the
// page's plots, so that the page cannot silently go stale.
#include "tools/physics_measure.h"

#include "common/clock.h"
#include "tests/support/wait.h"

#include <gtest/gtest.h>


namespace {

// Of the page's million steps: 30 simulated seconds, in which the energy's
// swing already reaches most of its size.
constexpr int64_t SHORT_RUN_STEPS = 10000;

struct StatedRate {
    double stepsPerMilli;
    double speedRatio;  // crest speed over sqrt(0.3), as the page gives it
    double speedSlack;  // the timing's own scatter (half a per cent for the broad crest) and a little room
    double energyBand;  // largest relative excursion the page allows
};

// 10 per ms: a 26-cell pulse, whose broad crest times to about half a per cent.
// 1.8 per ms: a 4.6-cell pulse, clearly slowed by the grid's dispersion.
constexpr StatedRate STATED[] = {
    {10.0, 1.002, 0.006, 0.001},
    {1.8, 0.952, 0.006, 0.0035},
};

TEST(PhysicsPage, CourantNumberIsFarBelowTheStabilityLimit)
{
    EXPECT_NEAR(courantNumber(), 0.00822, 0.000005);
    EXPECT_NEAR(stabilityLimit() / courantNumber(), 86.0, 0.5);
}

TEST(PhysicsPage, PulseSpeedAndEnergyAtBothStepRates)
{
    for (const StatedRate& k : STATED) {
        SCOPED_TRACE(testing::Message() << k.stepsPerMilli << " steps per ms");
        EXPECT_NEAR(measurePulseSpeed(k.stepsPerMilli).ratio, k.speedRatio, k.speedSlack);

        const EnergyRecord energy = measureEnergy(k.stepsPerMilli, SHORT_RUN_STEPS, 1);
        EXPECT_GT(energy.start, 0.0);
        EXPECT_LT(energy.largest, k.energyBand);
        // What semi-implicit Euler conserves exactly drifts by rounding alone.
        EXPECT_LT(energy.modifiedLargest, 1e-5);
    }
}

TEST(PhysicsPage, DrivenClockAndPulseLength)
{
    {
        DrivenRun run(1.8);
        for (int n = 0; n < 10; ++n) {
            ASSERT_EQ(processMillis(), n * 1000 / 1800) << "step " << n;
            run.step();
        }
    }
    const int32_t released = processMillis();
    EXPECT_TRUE(waitUntil("a finished run handing the clock back to the wall",
                          [&] { return processMillis() > released; }));

    // Row 0 is raised in milliseconds 1 to 314 of the half-sine.
    const PulseLength fast = measurePulseLength(10.0);
    const PulseLength slow = measurePulseLength(1.8);
    EXPECT_EQ(fast.sourceSteps, 3140);
    EXPECT_EQ(slow.sourceSteps, 565);
    EXPECT_NEAR(fast.cells, 25.8, 0.05);
    EXPECT_NEAR(slow.cells, 4.6, 0.05);
}

}  // namespace
