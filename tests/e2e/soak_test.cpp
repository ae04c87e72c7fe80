// Minutes of seeded random X input against the running program: pointer moves,
// buttons, keys and window resizes. Afterwards it must still draw, hold its
// memory and end on Escape.
#include "camera/camera.h"
#include "camera/input.h"
#include "tests/support/program.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <cstdlib>
#include <iostream>
#include <iterator>
#include <random>
#include <string>
#include <thread>
#include <vector>

using namespace std::chrono_literals;
using std::this_thread::sleep_for;
using Clock = std::chrono::steady_clock;

namespace {

constexpr int DEFAULT_SOAK_SECONDS = 120;  // MAREL_SOAK_SECONDS overrides it for a local run
constexpr int MAX_EVENTS = 20000;          // a bound on the stream whatever the duration
constexpr unsigned SOAK_SEED = 0x4d61726cu;
constexpr auto BASELINE_AFTER = 30s;       // memory is compared with its level at this point
constexpr long MEMORY_TOLERANCE_KIB = 8 * 1024;

// The held buttons move the eye 20 units a second towards the view point (left,
// or both) or away (right). The stream tracks that distance and keeps it within
// these bounds, so that the surface is in view at the end whatever the turns did.
const double START_DISTANCE = std::hypot(Camera{}.position.x, Camera{}.position.y, Camera{}.position.z);
constexpr double MOVE_SPEED_PER_SECOND = MOVE_SPEED * 1000.0;  // world units per second
constexpr double NEAREST = 10.0;
constexpr double FARTHEST = 70.0;
constexpr double MARGIN = 15.0;           // a hold of 500 ms, and a slow step after it
constexpr auto LONGEST_HOLD = 500ms;

// Reach the keyboard handler as something other than Escape, or no handler at all.
constexpr const char* OTHER_KEYS[] = {"q", "Q", "z", "1", "space", "Return", "BackSpace", "ctrl+c", "F1", "Up"};

long residentKiB(const MarelProgram& program)
{
    const std::string status = readFile("/proc/" + std::to_string(program.pid()) + "/status");
    const size_t at = status.find("VmRSS:");
    return at == std::string::npos ? -1 : std::strtol(status.c_str() + at + 6, nullptr, 10);
}

class InputStream {
public:
    InputStream(MarelProgram& program, unsigned seed) : program_(program), random_(seed) {}

    // Sends one random event, then pauses a little: the pauses pace the
    // stream as a person's input would, nothing is looked at after them.
    void step()
    {
        if (held_ != 0 && Clock::now() - pressedAt_ > holdFor_) {
            release();
        }
        const int kind = pick(100);
        if (kind < 30) {
            send({"mousemove_relative", "--", std::to_string(pick(241) - 120), std::to_string(pick(241) - 120)});
        } else if (kind < 40) {
            send({"mousemove", std::to_string(pick(1280)), std::to_string(pick(1024))});
        } else if (kind < 60) {
            pressOrRelease();
        } else if (kind < 78) {
            send({"key", OTHER_KEYS[pick(static_cast<int>(std::size(OTHER_KEYS)))]});
        } else if (kind < 90) {
            resize();
        } else {
            sleep_for(std::chrono::milliseconds(100 + pick(200)));
        }
        sleep_for(std::chrono::milliseconds(pick(20)));
    }

    // Lets go of the buttons and brings the window back to its first size with
    // the pointer inside, then waits for frames drawn after that, so that two
    // moments can be compared.
    void settle()
    {
        release();
        program_.resize(500, 500);
        program_.xdotool({"mousemove", "--window", std::to_string(program_.window()), "250", "250"});
        ASSERT_TRUE(program_.waitForPicture("the window back at 500 x 500",
                                            [](const Picture& s) { return s.width == 500 && s.height == 500; }));
        ASSERT_TRUE(program_.waitForFrames(3));
    }

    int events = 0;
    int zeroHeightError = -1;  // the X error for a height of 0; -1 until asked

private:
    int pick(int n) { return std::uniform_int_distribution<int>(0, n - 1)(random_); }
    void send(const std::vector<std::string>& arguments)
    {
        program_.xdotool(arguments);
        ++events;
    }

    void pressOrRelease()
    {
        const int which = pick(4);  // left, right, both, or a button that does nothing
        if (held_ != 0) {
            release();
        } else if (which == 3) {
            send({"click", std::to_string(2 + pick(4))});  // middle, or the wheel's 4 and 5
        } else {
            // Turned round near the bounds, and pressed inside the window so
            // that the program sees it and the tracked distance holds.
            const bool away = distance_ < NEAREST + MARGIN || (which == 1 && distance_ < FARTHEST - MARGIN);
            held_ = away ? 3 : 1;
            both_ = which == 2 && !away;
            send({"mousemove", "--window", std::to_string(program_.window()), "0", "0", "mousedown",
                  std::to_string(held_)});
            if (both_) {
                send({"mousedown", "3"});
            }
            pressedAt_ = Clock::now();
            holdFor_ = std::chrono::milliseconds(pick(static_cast<int>(LONGEST_HOLD.count())));
        }
    }

    void release()
    {
        if (held_ == 0) {
            return;
        }
        send({"mouseup", std::to_string(held_)});
        if (both_) {
            send({"mouseup", "3"});
        }
        const double seconds = std::chrono::duration<double>(Clock::now() - pressedAt_).count();
        distance_ += (held_ == 1 ? -MOVE_SPEED_PER_SECOND : MOVE_SPEED_PER_SECOND) * seconds;
        held_ = 0;
        both_ = false;
    }

    void resize()
    {
        // X forbids a zero size: the server refuses it and the window keeps its size.
        if (zeroHeightError < 0) {
            zeroHeightError = program_.resize(300, 0);
            ++events;
            return;
        }
        // A 2000 x 2000 window's centre lies off the screen: the warp there is
        // clamped to the screen's corner, and every event turns the camera.
        static constexpr Point special[] = {{1, 1}, {2000, 2000}, {500, 500}, {1, 2000}, {2000, 1}, {501, 300}};
        const Point size = pick(3) == 0 ? special[pick(static_cast<int>(std::size(special)))]
                                        : Point{1 + pick(2000), 1 + pick(2000)};
        program_.resize(size.x, size.y);
        ++events;
    }

    MarelProgram& program_;
    std::mt19937 random_;
    double distance_ = START_DISTANCE;
    int held_ = 0;  // the button held, 1 (with `both_`, 3 as well) or 3
    bool both_ = false;
    Clock::time_point pressedAt_;
    std::chrono::milliseconds holdFor_{0};
};

}  // namespace

TEST(Soak, RandomInputLeavesTheProgramDrawingWithinItsMemoryAndAnsweringEscape)
{
    const char* override = std::getenv("MAREL_SOAK_SECONDS");
    const int seconds = override != nullptr && std::atoi(override) > 0 ? std::atoi(override) : DEFAULT_SOAK_SECONDS;
    const auto duration = std::chrono::seconds(seconds);
    // glibc's dynamic mmap threshold otherwise keeps freed framebuffers of large windows resident.
    if (std::getenv("GLIBC_TUNABLES") == nullptr) {
        setenv("MALLOC_MMAP_THRESHOLD_", "131072", 0);
    }
    MarelProgram program;
    ASSERT_EQ(program.waitForWindow(), 1) << program.standardError();

    InputStream stream(program, SOAK_SEED);
    const auto start = Clock::now();
    const auto baselineAt = start + std::min<Clock::duration>(BASELINE_AFTER, duration / 4);
    long baselineKiB = -1;
    while (Clock::now() - start < duration && stream.events < MAX_EVENTS) {
        ASSERT_TRUE(program.running()) << "ended after " << stream.events << " events:\n" << program.standardError();
        if (baselineKiB < 0 && Clock::now() >= baselineAt) {
            ASSERT_NO_FATAL_FAILURE(stream.settle());
            baselineKiB = residentKiB(program);
        }
        stream.step();
    }
    ASSERT_NO_FATAL_FAILURE(stream.settle());
    const long endKiB = residentKiB(program);
    std::cout << "[ SOAK     ] seed " << SOAK_SEED << ": " << stream.events << " events; X error "
              << stream.zeroHeightError << " for a height of 0; resident " << baselineKiB << " KiB after the first part, "
              << endKiB << " KiB at the end\n";
    ASSERT_GT(baselineKiB, 0);
    // AddressSanitizer's quarantine keeps freed blocks on purpose; its leak check runs at the exit below.
    if (readFile("/proc/" + std::to_string(program.pid()) + "/maps").find("libasan") == std::string::npos) {
        EXPECT_LE(std::labs(endKiB - baselineKiB), MEMORY_TOLERANCE_KIB);
    }

    // Still drawing at the first size, the waves moving and the surface in view.
    const Picture first = program.screenshot();
    ASSERT_EQ(first.width, 500);
    ASSERT_EQ(first.height, 500);
    EXPECT_TRUE(program.waitForPicture("the waves moving",
                                       [&](const Picture& s) { return first.differences(s, first.scene()) > 100; }));
    EXPECT_GT(first.count(first.scene(), isSurface), 200);

    program.pressEscape();
    EXPECT_TRUE(program.waitForEnd(1)) << "Escape did not end the program";
    EXPECT_EQ(program.standardOutput(), "");
    EXPECT_EQ(program.standardError(), "");
}
