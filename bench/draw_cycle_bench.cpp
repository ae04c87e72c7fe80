// Cost of the program's whole drawn cycle (thirty display calls, the last one
// drawing and swapping) against a bare reference: thirty bare steps plus the
// same 49 x 49 immediate-mode mesh drawn with the same GL state, and nothing
// else. The ratio of the two, measured in one run, shows what the program adds
// beyond what the picture needs. Runs on Mesa's software rasteriser in a
// private Xvfb server.
#include "bench/ratio_reporter.h"
#include "camera/camera.h"
#include "common/grid.h"
#include "render/frame.h"
#include "tests/support/open_window.h"
#include "wave/field.h"

#include <GL/freeglut.h>  // glutMainLoopEvent() and glutExit() are freeglut's own
#include <benchmark/benchmark.h>

#include <memory>
#include <string>
#include <utility>

namespace {

// The picture's essential work, written out apart from the program's frame
// routine, with the program's own constants.
void referenceFrame()
{
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    const Camera start;
    gluLookAt(start.position.x, start.position.y, start.position.z, start.view.x, start.view.y, start.view.z,
              start.up.x, start.up.y, start.up.z);
    glMaterialfv(GL_FRONT_AND_BACK, GL_SPECULAR, surfaceSpecular);
    glMaterialfv(GL_FRONT_AND_BACK, GL_DIFFUSE, surfaceDiffuse);
    glMaterialfv(GL_FRONT_AND_BACK, GL_AMBIENT, surfaceAmbient);
    for (int r = 0; r < GRID_SIZE - 1; ++r) {
        for (int c = 0; c < GRID_SIZE - 1; ++c) {
            glBegin(GL_QUADS);
            const int corners[4][2] = {{r, c}, {r + 1, c}, {r + 1, c + 1}, {r, c + 1}};
            for (const auto& corner : corners) {
                const Vec3& n = normal[corner[0]][corner[1]];
                glNormal3f(n.x, n.y, n.z);
                glVertex3f(static_cast<float>(corner[0]) * CELL_SPACING + GRID_ORIGIN,
                           static_cast<float>(corner[1]) * CELL_SPACING + GRID_ORIGIN, height[corner[0]][corner[1]]);
            }
            glEnd();
        }
    }
    glFinish();
    glutSwapBuffers();
}

std::unique_ptr<XvfbServer> server;

void openWindow()
{
    server = openProgramWindow();
    glutDisplayFunc([] {});  // frames are drawn by the benchmarks, not on expose
    // Let the window be mapped before anything is timed.
    for (int i = 0; i < 10; ++i) {
        glutMainLoopEvent();
    }
}

// Put a wave in flight so both sides draw a realistic, non-flat surface.
void warmUpField()
{
    resetWaveFieldForTesting();
    for (int i = 0; i < 3000; ++i) {
        stepWaves();
    }
}

void BM_ProgramCycle(benchmark::State& state)
{
    warmUpField();
    resetFrameCounterForTesting();
    for (auto _ : state) {
        for (int call = 0; call < RENDER_INTERVAL; ++call) {
            onDisplay();
        }
    }
}
BENCHMARK(BM_ProgramCycle)->Unit(benchmark::kMicrosecond)->MinTime(0.5)->Repetitions(5)->ReportAggregatesOnly(true);

void BM_BareCycle(benchmark::State& state)
{
    warmUpField();
    for (auto _ : state) {
        for (int call = 0; call < RENDER_INTERVAL; ++call) {
            stepWaves();
        }
        referenceFrame();
    }
}
BENCHMARK(BM_BareCycle)->Unit(benchmark::kMicrosecond)->MinTime(0.5)->Repetitions(5)->ReportAggregatesOnly(true);

}  // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    openWindow();
    RatioReporter reporter({std::make_pair(std::string("BM_ProgramCycle"), std::string("BM_BareCycle"))});
    benchmark::RunSpecifiedBenchmarks(&reporter);
    const bool complete = reporter.printRatios();
    benchmark::Shutdown();
    glutExit();  // close the connection before the server goes
    server.reset();
    return complete ? 0 : 1;
}
