#pragma once

// The few command-line options of nuvex. They are answered before anything else starts:
// no window, no display, no single-instance lock, no option read.

#include <cstdio>
#include <optional>

namespace nuvex {

// Prints the help (-h, --help) or the version (--version) to `out` and gives the exit
// status; nothing for any other command line, which goes to Qt as it is (-platform,
// -session and the like).
std::optional<int> AnswerCommandLine(int argc, const char* const* argv, std::FILE* out = stdout);

} // namespace nuvex
