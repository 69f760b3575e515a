#pragma once

// Runs work in a forked child (for tests of what two processes do to one file); the child
// exits 0 when work returned true.

#include <sys/wait.h>
#include <unistd.h>

namespace nuvex::test {

template <typename Work> pid_t Spawn(Work work)
{
    const pid_t pid = fork();
    if (pid == 0) {
        int status = 1;
        try {
            status = work() ? 0 : 1;
        } catch (...) {
        }
        _exit(status);
    }
    return pid;
}

inline bool Succeeded(pid_t pid)
{
    int status = 0;
    return pid > 0 && waitpid(pid, &status, 0) == pid && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

} // namespace nuvex::test
