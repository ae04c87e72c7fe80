// Test checks of the waits in polling.h: on failure they say what was awaited
// and what was last seen, for example "waited 30000 ms for the pointer at the
// window's centre; last seen: (3, 5) after 2914 polls".
//
//   EXPECT_TRUE(waitFor("the pointer at the window's centre", [&] { return program.pointer(); },
//                       [](Point p) { return p == Point{640, 512}; }));
#pragma once

#include "tests/support/polling.h"

#include <gtest/gtest.h>

#include <string>
#include <type_traits>
#include <utility>

// Polls `poll()` until `accept(value)` holds or `deadline` passes; the
// accepted value (or the last one seen) goes to `seen` when given.
template <typename Poll, typename Accept>
testing::AssertionResult waitFor(const std::string& what, Poll&& poll, Accept&& accept,
                                 std::invoke_result_t<Poll&>* seen = nullptr,
                                 std::chrono::milliseconds deadline = WAIT_DEADLINE)
{
    auto polled = pollUntil(poll, accept, deadline);
    testing::AssertionResult result = polled.held ? testing::AssertionSuccess() : testing::AssertionFailure();
    if (!polled.held) {
        result << "waited " << polled.millis << " ms for " << what << "; last seen: "
               << described(polled.last) << " after " << polled.polls << " polls";
    }
    if (seen != nullptr) {
        *seen = std::move(polled.last);
    }
    return result;
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
    const auto polled = pollUntil(poll, [&](const auto& value) { return !accept(value); }, period);
    if (!polled.held) {
        return testing::AssertionSuccess();
    }
    return testing::AssertionFailure() << what << " stopped holding after " << polled.millis << " ms (poll "
                                       << polled.polls << "); seen: " << described(polled.last);
}

template <typename Condition>
testing::AssertionResult holdsThroughout(const std::string& what, Condition&& condition,
                                         std::chrono::milliseconds period)
{
    return holdsThroughout(what, [&] { return static_cast<bool>(condition()); }, [](bool held) { return held; },
                           period);
}
