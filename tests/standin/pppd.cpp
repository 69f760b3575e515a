// A stand-in for pppd in tests on a machine without PPP in its kernel: run as
// `pppd call NAME [--unit N] [--up]` with NUVEX_HOST_ROOT set. It brings its interface up
// (the folder NUVEX_HOST_ROOT/sys/class/net/pppN with flags, operstate and
// statistics/rx_bytes, and the pid file NUVEX_HOST_ROOT/run/pppN.pid) at start with --up
// and on SIGUSR1, takes it down on SIGUSR2 (the line dropped, pppd redials), and ends on
// SIGTERM or SIGHUP like pppd, taking it down.

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>

namespace {

volatile std::sig_atomic_t gUp = 0;
volatile std::sig_atomic_t gDown = 0;
volatile std::sig_atomic_t gEnd = 0;

void OnSignal(int signal)
{
    if (signal == SIGUSR1)
        gUp = 1;
    else if (signal == SIGUSR2)
        gDown = 1;
    else
        gEnd = 1;
}

std::filesystem::path gInterface;
std::filesystem::path gPidFile;

void Up()
{
    std::filesystem::create_directories(gInterface / "statistics");
    std::ofstream(gInterface / "flags") << "0x10d1\n";
    std::ofstream(gInterface / "operstate") << "unknown\n";
    if (!std::filesystem::exists(gInterface / "statistics/rx_bytes"))
        std::ofstream(gInterface / "statistics/rx_bytes") << "0\n";
    std::filesystem::create_directories(gPidFile.parent_path());
    const std::filesystem::path temp = gPidFile.string() + ".tmp";
    std::ofstream(temp) << ::getpid() << '\n';
    std::filesystem::rename(temp, gPidFile);
}

void Down()
{
    std::error_code ec;
    std::filesystem::remove(gPidFile, ec);
    std::filesystem::remove_all(gInterface, ec);
}

} // namespace

int main(int argc, char** argv)
{
    const char* root = std::getenv("NUVEX_HOST_ROOT");
    if (!root || !*root) {
        std::fputs("pppd (stand-in): NUVEX_HOST_ROOT is not set\n", stderr);
        return 2;
    }
    std::string unit = "0";
    bool up = false;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--unit" && i + 1 < argc)
            unit = argv[++i];
        else if (arg == "--up")
            up = true;
    }
    gInterface = std::filesystem::path(root) / ("sys/class/net/ppp" + unit);
    gPidFile = std::filesystem::path(root) / ("run/ppp" + unit + ".pid");

    struct sigaction action
    {};
    action.sa_handler = OnSignal;
    sigemptyset(&action.sa_mask);
    for (const int signal : {SIGUSR1, SIGUSR2, SIGTERM, SIGHUP, SIGINT})
        sigaction(signal, &action, nullptr);
    sigset_t blocked;
    sigset_t waiting;
    sigemptyset(&blocked);
    for (const int signal : {SIGUSR1, SIGUSR2, SIGTERM, SIGHUP, SIGINT})
        sigaddset(&blocked, signal);
    sigprocmask(SIG_BLOCK, &blocked, &waiting);

    if (up)
        Up();
    std::puts("ready");
    std::fflush(stdout);
    while (!gEnd) {
        sigsuspend(&waiting);
        if (gUp) {
            gUp = 0;
            Up();
        }
        if (gDown) {
            gDown = 0;
            Down();
        }
    }
    Down();
    return 0;
}
