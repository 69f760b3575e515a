#pragma once

// The exception a step of a test must throw, kept for checks of its message and fields:
//     const auto error = Thrown<ProfileError>([&] { LoadIniFile(folder); });
//     ASSERT_TRUE(error) << "a folder was read as a file";

#include <optional>

namespace nuvex::test {

// What work threw as an E, or nothing when it returned; other exceptions pass on.
template <typename E, typename Work> std::optional<E> Thrown(Work work)
{
    try {
        work();
    } catch (const E& error) {
        return error;
    }
    return std::nullopt;
}

} // namespace nuvex::test
