// Waiting on conditions instead of sleeping: poll until a condition holds or a
// deadline passes. A passing wait returns as soon as its condition holds, so a
// fast machine waits little and a slow one (sanitizers, valgrind, a loaded
// runner) gets time enough. Free of GoogleTest, for the benchmarks and the
// process helpers; wait.h makes test checks of these waits.
#pragma once

#include <chrono>
#include <concepts>
#include <ostream>
#include <ranges>
#include <sstream>
#include <string>
#include <thread>
#include <type_traits>
#include <utility>

// Long enough for a machine ten times slower than a loaded CI runner; a
// passing wait does not spend it.
constexpr std::chrono::milliseconds WAIT_DEADLINE{30000};
constexpr std::chrono::milliseconds WAIT_POLL{5};  // between polls: the X server gets its turn

template <typename T>
struct Polled {
    bool held;
    T last;  // the accepted value, or the last one seen
    long polls;
    long long millis;  // spent polling
};

// Polls `poll()` until `accept(value)` holds or `deadline` passes, `period`
// apart; a zero deadline polls once.
template <typename Poll, typename Accept>
Polled<std::invoke_result_t<Poll&>> pollUntil(Poll&& poll, Accept&& accept,
                                              std::chrono::milliseconds deadline = WAIT_DEADLINE,
                                              std::chrono::microseconds period = WAIT_POLL)
{
    const auto start = std::chrono::steady_clock::now();
    for (long polls = 1;; ++polls) {
        auto value = poll();
        const bool held = accept(std::as_const(value));
        const auto spent = std::chrono::steady_clock::now() - start;
        if (held || spent >= deadline) {
            return {held, std::move(value), polls,
                    std::chrono::duration_cast<std::chrono::milliseconds>(spent).count()};
        }
        std::this_thread::sleep_for(period);
    }
}

namespace polling_detail {

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

}  // namespace polling_detail

// A value as a wait's failure message shows it: printed if it prints, a range
// or an optional element by element.
template <typename T>
std::string described(const T& value)
{
    std::ostringstream out;
    polling_detail::describe(out, value);
    return out.str();
}
