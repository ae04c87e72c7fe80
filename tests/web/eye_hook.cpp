// Test-only hooks of the browser test build: the camera, a count of
// allocations and the driven picture, as the page test uses them.
#include "camera/camera.h"
#include "render/frame.h"
#include "tests/web/driven_picture.h"
#include "wave/field.h"

#include <emscripten.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <new>

// 0 to 2: the eye's x, y, z; 3 to 5: the view point's; 6 to 8: the up vector's;
// 9: the clock reading of the last move, milliseconds.
extern "C" EMSCRIPTEN_KEEPALIVE float marelCameraValue(int index)
{
    if (index == 9) {
        return static_cast<float>(camera.lastMoveTime);
    }
    const Vec3* const vectors[3] = {&camera.position, &camera.view, &camera.up};
    if (index < 0 || index >= 9) {
        return 0.0f;
    }
    const Vec3& v = *vectors[index / 3];
    return index % 3 == 0 ? v.x : index % 3 == 1 ? v.y : v.z;
}

// Every allocation through operator new, counted, so that the test can see
// that drawn frames allocate nothing once the program is running. The C
// library's own mallocs are not counted: the program's code calls none.
namespace {
unsigned long allocations = 0;
}  // namespace

void* operator new(std::size_t bytes)
{
    ++allocations;
    if (void* p = std::malloc(bytes == 0 ? 1 : bytes)) {
        return p;
    }
    std::abort();
}

void operator delete(void* p) noexcept
{
    std::free(p);
}

void operator delete(void* p, std::size_t) noexcept
{
    std::free(p);
}

// The largest height on the water beyond the source row, world units: the
// pulse's wave once it has left the source.
extern "C" EMSCRIPTEN_KEEPALIVE float marelLargestWave()
{
    float largest = 0.0f;
    for (int r = 1; r < GRID_SIZE; ++r) {
        for (int c = 0; c < GRID_SIZE; ++c) {
            largest = std::max(largest, std::fabs(height[r][c]));
        }
    }
    return largest;
}

extern "C" EMSCRIPTEN_KEEPALIVE double marelAllocations()
{
    return static_cast<double>(allocations);
}

// Draws the driven picture into the canvas; the page test reads it back in
// the same task, before the browser's next animation frame draws over it.
// `view`: 0 the start view, 1 turned, 2 raised (DrivenView's order).
extern "C" EMSCRIPTEN_KEEPALIVE void marelDrawDrivenPicture(int view)
{
    if (view >= 0 && view <= static_cast<int>(DrivenView::Raised)) {
        drawDrivenPicture(static_cast<DrivenView>(view));
    }
}

// The pace: display calls (each one step of the waves) and drawn frames,
// counted from the first call of marelWatchPace() through the camera's
// redisplay target, where every idle call and every input callback ends.
namespace {
double displayCalls = 0;
double drawnFrames = 0;
void (*programDisplay)() = nullptr;
void countedDisplay()
{
    programDisplay();
    ++displayCalls;
    if (renderCounter == 0) {
        ++drawnFrames;
    }
}
}  // namespace

extern "C" EMSCRIPTEN_KEEPALIVE void marelWatchPace()
{
    if (programDisplay == nullptr) {
        programDisplay = camera.redisplay;
        camera.redisplay = countedDisplay;
    }
}

// 0: display calls so far; 1: drawn frames so far.
extern "C" EMSCRIPTEN_KEEPALIVE double marelPace(int which)
{
    return which == 0 ? displayCalls : drawnFrames;
}
