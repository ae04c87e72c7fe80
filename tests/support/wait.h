// Waiting on conditions instead of sleeping: poll until a condition holds or a
// deadline passes, and on failure say what was awaited and what was last seen.
// A passing wait returns as soon as its condition holds, so a fast machine
// waits little and a slow one (sanitizers, valgrind, a loaded runner) gets
// time enough.
//
//   EXPECT_TRUE(waitFor("the pointer at the window's centre", [&] { return program.pointer(); },
//                       [](Point p) { return p == Point{640, 512}; }));
//   ASSERT_TRUE(waitUntil("the program's end", [&] { return !program.running(); }));
//   Screenshot shot;  // the value that satisfied the wait, for further checks
//   ASSERT_TRUE(waitFor("a lit picture", [&] { return program.screenshot(); }, hasLitPixels, &shot));
//   // The wait that is itself the check: the condition must hold at every poll for the whole time.
//   EXPECT_TRUE(holdsThroughout("the view at rest", [&] { return camera.position; }, isStart, 1s));
//
// Failure reads, for example: "waited 30000 ms for the pointer at the
// window's centre; last seen: (3, 5) after 2914 polls".
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <concepts>
#include <optional>
#include <ranges>
#include <sstream>
#include <ostream>
#include <string>
#include <thread>
#include <type_traits>
#include <utility>

// Long enough for a machine ten times slower than a loaded CI runner; a
// passing wait does not spend it.
constexpr std::chrono::milliseconds WAIT_DEADLINE{30000};
constexpr std::chrono::milliseconds WAIT_POLL{5};  // between polls: the X server gets its turn

namespace wait_detail {

template <typename T>
concept Printable = requires(std::ostream& out, const T& value) { out << value; };

template <typename T>
void describe(std::ostream& out, const T& value)
{
    if constexpr (Printable<T>) {
        out << std::boolalpha << value;
    } else if constexpr (std::ranges::range<T>) {
        out << '{';
        const char* separator = "";
        for (const auto& element : value) {
            out << separator;
            describe(out, element);
            separator = ", ";
        }
        out << '}';
    } else if constexpr (requires { value.has_value(); *value; }) {
        if (value.has_value()) {
            describe(out, *value);
        } else {
            out << "nothing";
        }
    } else {
        out << "(a value of a type that does not print)";
    }
}

template <typename T>
std::string described(const T& value)
{
    std::ostringstream out;
    describe(out, value);
    return out.str();
}

inline long long millisSince(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start).count();
}

}  // namespace wait_detail

// Polls `poll()` until `accept(value)` holds or `deadline` passes; the
// accepted value (or the last one seen) goes to `seen` when given.
template <typename Poll, typename Accept>
testing::AssertionResult waitFor(const std::string& what, Poll&& poll, Accept&& accept,
                                 std::invoke_result_t<Poll&>* seen = nullptr,
                                 std::chrono::milliseconds deadline = WAIT_DEADLINE)
{
    const auto start = std::chrono::steady_clock::now();
    long polls = 0;
    for (;;) {
        auto value = poll();
        ++polls;
        const bool accepted = accept(std::as_const(value));
        const bool late = std::chrono::steady_clock::now() - start >= deadline;
        if (accepted || late) {
            testing::AssertionResult result = accepted ? testing::AssertionSuccess() : testing::AssertionFailure();
            if (!accepted) {
                result << "waited " << wait_detail::millisSince(start) << " ms for " << what
                       << "; last seen: " << wait_detail::described(value) << " after " << polls << " polls";
            }
            if (seen != nullptr) {
                *seen = std::move(value);
            }
            return result;
        }
        std::this_thread::sleep_for(WAIT_POLL);
    }
}

// Polls `condition()`, a callable returning bool, until it holds.
template <typename Condition>
testing::AssertionResult waitUntil(const std::string& what, Condition&& condition,
                                   std::chrono::milliseconds deadline = WAIT_DEADLINE)
{
    return waitFor(what, [&] { return static_cast<bool>(condition()); }, [](bool held) { return held; }, nullptr,
                   deadline);
}

// The wait that is itself the check: `accept(poll())` must hold at every poll
// for the whole `period`; fails at the first value that breaks it.
template <typename Poll, typename Accept>
testing::AssertionResult holdsThroughout(const std::string& what, Poll&& poll, Accept&& accept,
                                         std::chrono::milliseconds period)
{
    const auto start = std::chrono::steady_clock::now();
    long polls = 0;
    do {
        const auto value = poll();
        ++polls;
        if (!accept(value)) {
            testing::AssertionResult result = testing::AssertionFailure();
            result << what << " stopped holding after " << wait_detail::millisSince(start) << " ms (poll " << polls
                   << "); seen: " << wait_detail::described(value);
            return result;
        }
        std::this_thread::sleep_for(WAIT_POLL);
    } while (std::chrono::steady_clock::now() - start < period);
    return testing::AssertionSuccess();
}

template <typename Condition>
testing::AssertionResult holdsThroughout(const std::string& what, Condition&& condition,
                                         std::chrono::milliseconds period)
{
    return holdsThroughout(what, [&] { return static_cast<bool>(condition()); }, [](bool held) { return held; },
                           period);
}
