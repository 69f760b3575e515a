// The local socket on POSIX: an AF_UNIX stream socket, every descriptor non-blocking.

#include "platform/LocalSocket.h"
#include "platform/SysError.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <thread>
#include <unistd.h>

namespace nuvex::platform {

namespace {

using Clock = std::chrono::steady_clock;

// Connections waiting to be accepted; a sender that finds the queue full tries again
// until its time is out.
constexpr int kQueueLength = 16;

// Taken in one call at the most: a peer that keeps sending must not hold up the caller,
// which reads again when the descriptor says there is more.
constexpr std::size_t kReadAtOnce = 4096;

// The address of `path`, or nothing when the path does not fit (it would be cut short and
// name another file).
std::optional<sockaddr_un> AddressOf(const std::string& path)
{
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (path.empty() || path.size() >= sizeof(address.sun_path))
        return std::nullopt;
    std::memcpy(address.sun_path, path.data(), path.size());
    return address;
}

const sockaddr* Generic(const sockaddr_un& address)
{
    return reinterpret_cast<const sockaddr*>(&address);
}

UniqueFd NewSocket()
{
    return UniqueFd(::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0));
}

int MillisecondsLeft(Clock::time_point deadline)
{
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
    return static_cast<int>(std::max<std::chrono::milliseconds::rep>(left.count(), 0));
}

// Waits until `fd` can be written or the deadline passes.
bool WaitWritable(int fd, Clock::time_point deadline)
{
    pollfd entry{fd, POLLOUT, 0};
    for (;;) {
        const int ready = ::poll(&entry, 1, MillisecondsLeft(deadline));
        if (ready > 0)
            return (entry.revents & POLLOUT) != 0;
        if (ready == 0 || errno != EINTR)
            return false;
    }
}

bool Connect(int fd, const sockaddr_un& address, Clock::time_point deadline)
{
    for (;;) {
        if (::connect(fd, Generic(address), sizeof(address)) == 0)
            return true;
        if (errno == EINTR)
            continue;
        if (errno == EAGAIN) {
            // The listener's queue is full: it is alive but busy, so try again shortly.
            if (Clock::now() >= deadline)
                return false;
            std::this_thread::sleep_for(
                std::min<Clock::duration>(std::chrono::milliseconds(10), deadline - Clock::now()));
            continue;
        }
        if (errno != EINPROGRESS || !WaitWritable(fd, deadline))
            return false;
        int error = 0;
        socklen_t length = sizeof(error);
        return ::getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &length) == 0 && error == 0;
    }
}

std::string ListenError(const std::string& path, const std::string& cause)
{
    return "Na soketu " + path + " nelze naslouchat: " + cause;
}

} // namespace

LocalConnection::ReadState LocalConnection::ReadAvailable(std::string& into)
{
    char buffer[512];
    for (std::size_t taken = 0; taken < kReadAtOnce;) {
        const ssize_t got = ::recv(fd_.get(), buffer, sizeof(buffer), 0);
        if (got > 0) {
            into.append(buffer, static_cast<std::size_t>(got));
            taken += static_cast<std::size_t>(got);
            continue;
        }
        if (got == 0)
            return ReadState::Ended;
        if (errno == EINTR)
            continue;
        return errno == EAGAIN || errno == EWOULDBLOCK ? ReadState::Open : ReadState::Failed;
    }
    return ReadState::Open;
}

LocalListener::~LocalListener()
{
    if (!fd_)
        return;
    fd_.Close();
    struct stat status
    {};
    if (::lstat(path_.c_str(), &status) == 0 && status.st_dev == device_ && status.st_ino == inode_)
        ::unlink(path_.c_str());
}

std::optional<std::string> LocalListener::Listen(const std::string& path)
{
    if (fd_)
        return ListenError(path, "už naslouchá na " + path_);
    // The socket is made in a private folder beside the name, given its mode there and
    // only then moved under its name, so that nobody else can connect in between.
    std::string folder = path + ".XXXXXX";
    if (!AddressOf(path) || !AddressOf(folder + "/s"))
        return ListenError(path, "cesta je pro soket příliš dlouhá");
    if (!::mkdtemp(folder.data()))
        return ListenError(path, SystemErrorMessage(errno));
    const std::string socketFile = folder + "/s";
    const sockaddr_un boundAddress = *AddressOf(socketFile);
    UniqueFd fd = NewSocket();
    int error = 0;
    if (!fd || ::bind(fd.get(), Generic(boundAddress), sizeof(boundAddress)) != 0 ||
        ::chmod(socketFile.c_str(), S_IRUSR | S_IWUSR) != 0 || ::listen(fd.get(), kQueueLength) != 0 ||
        ::rename(socketFile.c_str(), path.c_str()) != 0)
        error = errno;
    ::unlink(socketFile.c_str());
    ::rmdir(folder.c_str());
    struct stat status
    {};
    if (error == 0 && ::lstat(path.c_str(), &status) != 0)
        error = errno;
    if (error != 0)
        return ListenError(path, SystemErrorMessage(error));
    fd_ = std::move(fd);
    path_ = path;
    device_ = status.st_dev;
    inode_ = status.st_ino;
    return std::nullopt;
}

LocalConnection LocalListener::Accept()
{
    if (!fd_)
        return LocalConnection();
    for (;;) {
        const int fd = ::accept4(fd_.get(), nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
        if (fd >= 0)
            return LocalConnection(UniqueFd(fd));
        // A peer that gave up while waiting in the queue is skipped.
        if (errno != EINTR && errno != ECONNABORTED)
            return LocalConnection();
    }
}

bool SendToListener(const std::string& path, std::string_view message, std::chrono::milliseconds timeout)
{
    const auto deadline = Clock::now() + timeout;
    const auto address = AddressOf(path);
    if (!address)
        return false;
    const UniqueFd fd = NewSocket();
    if (!fd || !Connect(fd.get(), *address, deadline))
        return false;
    while (!message.empty()) {
        const ssize_t sent = ::send(fd.get(), message.data(), message.size(), MSG_NOSIGNAL);
        if (sent > 0) {
            message.remove_prefix(static_cast<std::size_t>(sent));
            continue;
        }
        if (sent < 0 && errno == EINTR)
            continue;
        if (sent < 0 && (errno == EAGAIN || errno == EWOULDBLOCK) && WaitWritable(fd.get(), deadline))
            continue;
        return false;
    }
    return true;
}

} // namespace nuvex::platform
