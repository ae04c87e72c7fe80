// Heap use of the running program, counted by replacing the global allocation
// functions: once warm, the display loop allocates nothing, and the overlay's
// buffer grows only while its longest text grows.
#include "tests/support/driven_clock.h"
#include "tests/support/gl_window.h"

#include "camera/camera.h"
#include "camera/input.h"
#include "overlay/text_overlay.h"
#include "render/frame.h"
#include "render/scene.h"

#include <GL/freeglut.h>

#include <atomic>
#include <cstddef>
#include <cstdlib>
#include <new>
#include <string>
#include <string_view>

namespace {

// Mesa's rasteriser runs worker threads, so the count is atomic.
std::atomic<long> allocations{0};

constexpr std::size_t PLAIN_ALIGNMENT = alignof(std::max_align_t);

// Counts one allocation; nullptr when memory is exhausted.
void* counted(std::size_t size, std::size_t alignment) noexcept
{
    allocations.fetch_add(1, std::memory_order_relaxed);
    if (alignment <= PLAIN_ALIGNMENT) {
        return std::malloc(size == 0 ? 1 : size);
    }
    // aligned_alloc wants a whole, non-zero number of alignments.
    const std::size_t rounded = (size + alignment - 1) / alignment * alignment;
    return std::aligned_alloc(alignment, rounded == 0 ? alignment : rounded);
}

void* orThrow(void* p)
{
    if (p == nullptr) {
        throw std::bad_alloc();
    }
    return p;
}

std::size_t bytes(std::align_val_t alignment)
{
    return static_cast<std::size_t>(alignment);
}

}  // namespace

// Every replaceable form, so that no allocation escapes the count.
void* operator new(std::size_t n) { return orThrow(counted(n, PLAIN_ALIGNMENT)); }
void* operator new[](std::size_t n) { return orThrow(counted(n, PLAIN_ALIGNMENT)); }
void* operator new(std::size_t n, const std::nothrow_t&) noexcept { return counted(n, PLAIN_ALIGNMENT); }
void* operator new[](std::size_t n, const std::nothrow_t&) noexcept { return counted(n, PLAIN_ALIGNMENT); }
void* operator new(std::size_t n, std::align_val_t a) { return orThrow(counted(n, bytes(a))); }
void* operator new[](std::size_t n, std::align_val_t a) { return orThrow(counted(n, bytes(a))); }
void* operator new(std::size_t n, std::align_val_t a, const std::nothrow_t&) noexcept { return counted(n, bytes(a)); }
void* operator new[](std::size_t n, std::align_val_t a, const std::nothrow_t&) noexcept { return counted(n, bytes(a)); }

void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }
void operator delete(void* p, const std::nothrow_t&) noexcept { std::free(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { std::free(p); }
void operator delete(void* p, std::align_val_t) noexcept { std::free(p); }
void operator delete[](void* p, std::align_val_t) noexcept { std::free(p); }
void operator delete(void* p, std::size_t, std::align_val_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t, std::align_val_t) noexcept { std::free(p); }
void operator delete(void* p, std::align_val_t, const std::nothrow_t&) noexcept { std::free(p); }
void operator delete[](void* p, std::align_val_t, const std::nothrow_t&) noexcept { std::free(p); }

namespace {

// Allocations made while `work` runs.
template <typename Work>
long allocationsDuring(Work work)
{
    const long before = allocations.load();
    work();
    return allocations.load() - before;
}

// The running program's loop for `calls` callbacks, 10 ms apart: direct
// display calls, idle ticks with the right button held, and pointer moves
// that turn the camera and warp the pointer.
void runLoop(DrivenClock& clock, int calls)
{
    for (int call = 0; call < calls; ++call) {
        clock.advance(10);
        onDisplay();
        clock.advance(10);
        if (call % 10 == 0) {
            onMotion(windowCentre.x + 3, windowCentre.y - 2);
        } else {
            onIdle();
        }
    }
}

}  // namespace

TEST(Allocation, DisplayLoopAllocatesNothingOnceWarm)
{
    DrivenClock clock(0);
    onMouse(GLUT_RIGHT_BUTTON, GLUT_DOWN, 0, 0);
    // The warm-up publishes a frame-rate figure, grows the overlay's buffer
    // and lets the driver build what it caches.
    runLoop(clock, 300);

    EXPECT_EQ(allocationsDuring([&] { runLoop(clock, 300); }), 0);
    onMouse(GLUT_RIGHT_BUTTON, GLUT_UP, 0, 0);
}

TEST(Allocation, OverlayBufferGrowsOnlyWhileItsLongestTextGrows)
{
    const std::string longText(400, 'x');
    const std::string longerText(800, 'y');
    const auto renderText = [](std::string_view text) {
        return allocationsDuring([text] {
            textOverlay << text;
            textOverlay.render();
        });
    };

    textOverlay.begin2D();
    textOverlay.setPosition(0, 0);
    EXPECT_GT(renderText(longText), 0);
    EXPECT_EQ(renderText("12345"), 0);
    EXPECT_EQ(renderText(std::string_view(longText).substr(0, 200)), 0);
    EXPECT_EQ(renderText(longText), 0);
    EXPECT_GT(renderText(longerText), 0);
    EXPECT_EQ(renderText(longText), 0);
    textOverlay.end2D();
}

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    ::testing::AddGlobalTestEnvironment(new GlWindowEnvironment);
    return RUN_ALL_TESTS();
}
