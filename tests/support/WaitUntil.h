#pragma once

// Waiting in a test for what it expects: the condition is checked again and again until
// it holds or the deadline passes, never for a fixed time. Deadlines are generous (a
// loaded two-core machine); a condition that holds returns at once.

#include <chrono>
#include <thread>

namespace nuvex::test {

// Checks done() until it holds or `deadline` has passed, running between() between two
// checks (a short pause, the event loop, a wait for output); true when it held.
template <typename Done, typename Between>
bool WaitUntil(Done&& done, std::chrono::milliseconds deadline, Between&& between)
{
    const auto end = std::chrono::steady_clock::now() + deadline;
    while (!done()) {
        if (std::chrono::steady_clock::now() >= end)
            return done();
        between();
    }
    return true;
}

template <typename Done> bool WaitUntil(Done&& done, std::chrono::milliseconds deadline)
{
    return WaitUntil(done, deadline, [] { std::this_thread::sleep_for(std::chrono::milliseconds(20)); });
}

} // namespace nuvex::test
