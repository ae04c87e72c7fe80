// Heap use of the running program, counted by replacing the global allocation
// functions: once warm, the display loop allocates nothing, and the overlay's
// buffer grows only while its longest text grows.
#include "tests/support/gl_window.h"

#include "camera/input.h"
#include "common/window_geometry.h"
#include "overlay/text_overlay.h"
#include "render/frame.h"
#include "render/scene.h"

#include "platform/gl_headers.h"

#include <atomic>
#include <cstddef>
#include <cstdlib>
#include <new>
#include <string>

namespace {

// Mesa's rasteriser runs worker threads, so the count is atomic.
std::atomic<long> allocations{0};

constexpr std::align_val_t PLAIN{alignof(std::max_align_t)};

void* counted(std::size_t size, std::align_val_t alignment = PLAIN) noexcept
{
    allocations.fetch_add(1, std::memory_order_relaxed);
    const auto align = static_cast<std::size_t>(alignment);
    // aligned_alloc wants a whole, non-zero number of alignments.
    return alignment <= PLAIN ? std::malloc(size == 0 ? 1 : size)
                              : std::aligned_alloc(align, size == 0 ? align : (size + align - 1) / align * align);
}

void* orThrow(void* p)
{
    return p != nullptr ? p : throw std::bad_alloc();
}

}  // namespace

// Every replaceable form, so that no allocation escapes the count.
void* operator new(std::size_t n) { return orThrow(counted(n)); }
void* operator new[](std::size_t n) { return orThrow(counted(n)); }
void* operator new(std::size_t n, const std::nothrow_t&) noexcept { return counted(n); }
void* operator new[](std::size_t n, const std::nothrow_t&) noexcept { return counted(n); }
void* operator new(std::size_t n, std::align_val_t a) { return orThrow(counted(n, a)); }
void* operator new[](std::size_t n, std::align_val_t a) { return orThrow(counted(n, a)); }
void* operator new(std::size_t n, std::align_val_t a, const std::nothrow_t&) noexcept { return counted(n, a); }
void* operator new[](std::size_t n, std::align_val_t a, const std::nothrow_t&) noexcept { return counted(n, a); }
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

// The running program's loop, 10 ms a callback: display calls, idle ticks
// with the right button held, and pointer moves that turn and warp. Each
// callback ends in a display call too, so `calls` rounds make 2 x `calls`
// display calls.
void runLoop(DrivenClock& clock, int calls)
{
    for (int call = 0; call < calls; ++call) {
        clock.advance(10);
        onDisplay();
        clock.advance(10);
        if (call % 10 == 0) {
            // Alternately one pixel apart: each report is a fresh move.
            onMotion(windowCentre.x + 3 + call / 10 % 2, windowCentre.y - 2);
        } else {
            onIdle();
        }
    }
}

TEST(Allocation, DisplayLoopAllocatesNothingOnceWarm)
{
    resetProgramState();
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
    TextOverlay overlay;  // its own, so that the buffer starts empty
    const auto renderText = [&overlay](const std::string& text) {
        return allocationsDuring([&] {
            overlay << text;
            overlay.render();
        });
    };
    const std::string longText(400, 'x');
    overlay.begin2D();
    EXPECT_GT(renderText(longText), 0);
    EXPECT_EQ(renderText("12345"), 0);
    EXPECT_EQ(renderText(longText), 0);
    EXPECT_GT(renderText(std::string(800, 'y')), 0);
    EXPECT_EQ(renderText(longText), 0);
    overlay.end2D();
}

}  // namespace
