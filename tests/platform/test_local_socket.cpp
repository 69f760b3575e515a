// The local socket between two copies of the program: who listens, who is refused, what
// a silent or busy peer may not do to either side.

#include "platform/LocalSocket.h"
#include "support/Sandbox.h"
#include "support/WaitUntil.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;
using namespace nuvex::platform;
using namespace std::chrono_literals;
using nuvex::test::WaitUntil;
using ReadState = LocalConnection::ReadState;

namespace {

constexpr std::string_view kMessage = "come-forward\n";

sockaddr_un AddressOf(const std::string& path)
{
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path, path.data(), path.size());
    return address;
}

// A peer outside the code under test: a plain socket, connected or bound by hand.
UniqueFd RawSocket(int flags = 0)
{
    return UniqueFd(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | flags, 0));
}

int RawConnect(const UniqueFd& fd, const std::string& path)
{
    const sockaddr_un address = AddressOf(path);
    return ::connect(fd.get(), reinterpret_cast<const sockaddr*>(&address), sizeof(address));
}

// What a copy that was killed leaves: the socket file, with nobody listening on it.
void LeaveStaleSocketFile(const std::string& path)
{
    const UniqueFd fd = RawSocket();
    const sockaddr_un address = AddressOf(path);
    ASSERT_EQ(::bind(fd.get(), reinterpret_cast<const sockaddr*>(&address), sizeof(address)), 0);
    ASSERT_EQ(::listen(fd.get(), 1), 0);
}

std::chrono::milliseconds Since(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start);
}

// Reads from `connection` until its peer closes, within a deadline.
std::string ReadToEnd(LocalConnection& connection)
{
    std::string received;
    ReadState state = ReadState::Open;
    WaitUntil([&] { return (state = connection.ReadAvailable(received)) != ReadState::Open; }, 10s);
    EXPECT_EQ(state, ReadState::Ended);
    return received;
}

LocalConnection AcceptWithin(LocalListener& listener)
{
    LocalConnection connection;
    WaitUntil([&] { return static_cast<bool>(connection = listener.Accept()); }, 10s);
    return connection;
}

class LocalSocket : public ::testing::Test
{
protected:
    nuvex::test::Sandbox sandbox;
    std::string path = (sandbox.dir() / "run" / "nuvex.socket").string();
};

} // namespace

TEST_F(LocalSocket, WhereNobodyListensTheSenderIsRefusedWithoutWaitingOutItsTime)
{
    // No file, a socket file that its listener left behind, a plain file in its place: each
    // is a definite no, not a listener that is slow to answer.
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(SendToListener(path, kMessage, 20s));
    LeaveStaleSocketFile(path);
    ASSERT_TRUE(fs::is_socket(path));
    EXPECT_FALSE(SendToListener(path, kMessage, 20s));
    fs::remove(path);
    {
        std::FILE* plain = std::fopen(path.c_str(), "w");
        ASSERT_NE(plain, nullptr);
        std::fclose(plain);
    }
    EXPECT_FALSE(SendToListener(path, kMessage, 20s));
    EXPECT_LT(Since(start), 10s);

    // A path longer than a socket address holds is never cut short into another name.
    const std::string longPath = (sandbox.dir() / std::string(120, 'x')).string();
    EXPECT_FALSE(SendToListener(longPath, kMessage, 1s));
    LocalListener listener;
    const auto problem = listener.Listen(longPath);
    ASSERT_TRUE(problem);
    EXPECT_NE(problem->find(longPath), std::string::npos) << *problem;
    EXPECT_EQ(listener.Descriptor(), -1);
}

TEST_F(LocalSocket, AListenerTakesOverAStaleSocketFileKeepsItPrivateAndRemovesItAtTheEnd)
{
    LeaveStaleSocketFile(path);
    {
        LocalListener listener;
        const auto problem = listener.Listen(path);
        ASSERT_FALSE(problem) << *problem;

        struct stat status
        {};
        ASSERT_EQ(::lstat(path.c_str(), &status), 0);
        EXPECT_TRUE(S_ISSOCK(status.st_mode));
        EXPECT_EQ(status.st_mode & 0077, 0u) << std::oct << status.st_mode;
        EXPECT_EQ(status.st_uid, ::getuid());
        // The private folder it was made in is gone.
        std::vector<fs::path> left;
        for (const auto& entry : fs::directory_iterator(sandbox.dir() / "run"))
            left.push_back(entry.path().filename());
        EXPECT_EQ(left, std::vector<fs::path>{"nuvex.socket"});

        // The message arrives whole, and the sender does not wait for it to be read.
        ASSERT_TRUE(SendToListener(path, kMessage, 10s));
        LocalConnection connection = AcceptWithin(listener);
        ASSERT_TRUE(connection);
        EXPECT_EQ(ReadToEnd(connection), kMessage);
        EXPECT_FALSE(listener.Accept()); // one sender, one connection
    }
    EXPECT_FALSE(fs::exists(fs::symlink_status(path)));
    EXPECT_FALSE(SendToListener(path, kMessage, 10s));
}

TEST_F(LocalSocket, AListenerLeavesAFileThatTookItsNameSinceAlone)
{
    {
        LocalListener listener;
        ASSERT_FALSE(listener.Listen(path));
        fs::remove(path);
        LeaveStaleSocketFile(path); // someone else's now
    }
    EXPECT_TRUE(fs::is_socket(path));
}

TEST_F(LocalSocket, APeerThatSaysNothingHoldsUpNeitherTheListenerNorTheNextSender)
{
    LocalListener listener;
    ASSERT_FALSE(listener.Listen(path));
    EXPECT_FALSE(listener.Accept()); // nobody waits: no connection, and no waiting for one

    const UniqueFd silent = RawSocket();
    ASSERT_EQ(RawConnect(silent, path), 0);
    LocalConnection quiet = AcceptWithin(listener);
    ASSERT_TRUE(quiet);
    std::string fromQuiet;
    // Returns with nothing rather than waiting for the peer to speak or to go.
    EXPECT_EQ(quiet.ReadAvailable(fromQuiet), ReadState::Open);
    EXPECT_EQ(fromQuiet, "");

    ASSERT_TRUE(SendToListener(path, kMessage, 10s));
    LocalConnection next = AcceptWithin(listener);
    ASSERT_TRUE(next);
    EXPECT_EQ(ReadToEnd(next), kMessage);

    // What the quiet peer sends later, in pieces, is gathered piece by piece.
    ASSERT_EQ(::send(silent.get(), "come-", 5, MSG_NOSIGNAL), 5);
    EXPECT_TRUE(WaitUntil(
        [&] { return quiet.ReadAvailable(fromQuiet) == ReadState::Open && fromQuiet == "come-"; }, 10s));
    ASSERT_EQ(::send(silent.get(), "forward\n", 8, MSG_NOSIGNAL), 8);
    ASSERT_EQ(::shutdown(silent.get(), SHUT_WR), 0);
    EXPECT_EQ(fromQuiet + ReadToEnd(quiet), kMessage);

    // A peer that sends more than one call takes leaves the rest for the next call.
    const UniqueFd loud = RawSocket();
    ASSERT_EQ(RawConnect(loud, path), 0);
    LocalConnection flooded = AcceptWithin(listener);
    ASSERT_TRUE(flooded);
    const std::string flood(20000, 'x');
    ASSERT_EQ(::send(loud.get(), flood.data(), flood.size(), MSG_NOSIGNAL), ssize_t(flood.size()));
    std::string fromLoud;
    ASSERT_TRUE(WaitUntil(
        [&] { return flooded.ReadAvailable(fromLoud) == ReadState::Open && !fromLoud.empty(); }, 10s));
    EXPECT_LE(fromLoud.size(), 4096u);
    ASSERT_EQ(::shutdown(loud.get(), SHUT_WR), 0);
    EXPECT_EQ(fromLoud + ReadToEnd(flooded), flood);
}

TEST_F(LocalSocket, AListenerThatTakesNoConnectionsIsGivenUpOnWhenTheTimeIsOut)
{
    LocalListener listener;
    ASSERT_FALSE(listener.Listen(path));
    // Fill the listener's queue with connections it never accepts.
    std::vector<UniqueFd> waiting;
    for (int i = 0; i < 900; ++i) {
        UniqueFd fd = RawSocket(SOCK_NONBLOCK);
        if (RawConnect(fd, path) != 0) {
            ASSERT_EQ(errno, EAGAIN) << std::strerror(errno);
            break;
        }
        waiting.push_back(std::move(fd));
    }
    if (waiting.size() == 900)
        GTEST_SKIP() << "the queue took 900 connections without filling";

    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(SendToListener(path, kMessage, 300ms));
    const auto took = Since(start);
    EXPECT_GE(took, 300ms); // it kept trying: the listener is there, only busy
    EXPECT_LT(took, 5s);

    // Once the listener takes one, a sender that is still trying gets through.
    EXPECT_TRUE(listener.Accept());
    EXPECT_TRUE(SendToListener(path, kMessage, 10s));
}
