#include "app/TerminationSignals.h"

#include "platform/Error.h"

#include <QSocketNotifier>
#include <array>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace nuvex {

namespace {

std::array<int, 2> pipeFds{-1, -1};
constexpr std::array<int, 3> kSignals{SIGTERM, SIGINT, SIGHUP};
std::array<struct sigaction, 3> previous{};

void OnSignal(int signal)
{
    const int savedErrno = errno;
    const auto byte = static_cast<unsigned char>(signal);
    [[maybe_unused]] const ssize_t written = ::write(pipeFds[1], &byte, 1);
    errno = savedErrno;
}

} // namespace

TTerminationSignals::TTerminationSignals(QObject* parent) : QObject(parent)
{
    if (::pipe2(pipeFds.data(), O_CLOEXEC | O_NONBLOCK) != 0)
        throw Error("Nelze vytvořit rouru pro signály ukončení.");
    notifier_ = new QSocketNotifier(pipeFds[0], QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, &TTerminationSignals::ReadPipe);
    for (std::size_t i = 0; i < kSignals.size(); ++i) {
        struct sigaction action
        {};
        action.sa_handler = OnSignal;
        sigemptyset(&action.sa_mask);
        action.sa_flags = SA_RESTART;
        ::sigaction(kSignals[i], &action, &previous[i]);
    }
}

TTerminationSignals::~TTerminationSignals()
{
    for (std::size_t i = 0; i < kSignals.size(); ++i)
        ::sigaction(kSignals[i], &previous[i], nullptr);
    ::close(pipeFds[0]);
    ::close(pipeFds[1]);
    pipeFds = {-1, -1};
}

void TTerminationSignals::ReadPipe()
{
    unsigned char byte = 0;
    while (::read(pipeFds[0], &byte, 1) == 1)
        emit Requested(byte);
}

} // namespace nuvex
