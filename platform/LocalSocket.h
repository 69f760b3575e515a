#pragma once

// A local stream socket named by a path in the file system: one program listens, another
// connects and sends a short message. Nothing here waits longer than the time it is given;
// the listener and its connections never wait at all, and their descriptors are meant for
// an event loop that says when they are readable.

#include "platform/AtomicFile.h"

#include <chrono>
#include <optional>
#include <string>
#include <string_view>
#include <sys/types.h>

namespace nuvex::platform {

// One accepted connection. Closed when it goes out of scope.
class LocalConnection
{
public:
    explicit LocalConnection(UniqueFd fd = UniqueFd()) : fd_(std::move(fd)) {}

    explicit operator bool() const { return static_cast<bool>(fd_); }
    int Descriptor() const { return fd_.get(); }

    enum class ReadState
    {
        Open,  // everything that had arrived was taken; the peer may send more
        Ended, // the peer closed its end
        Failed
    };
    // Appends what has arrived to `into` (a few kilobytes at the most: the rest is left for
    // the next call), without waiting for more.
    ReadState ReadAvailable(std::string& into);

private:
    UniqueFd fd_;
};

class LocalListener
{
public:
    LocalListener() = default;
    // Stops listening and removes its socket file, unless something else has taken the
    // name since.
    ~LocalListener();
    LocalListener(const LocalListener&) = delete;
    LocalListener& operator=(const LocalListener&) = delete;

    // Listens at `path`, replacing whatever socket file is there (one left by a listener
    // that is gone). Only the user may connect: the socket file gets mode 0600 before it
    // appears under its name. Returns a Czech text naming the path and the cause, or
    // nothing when it listens.
    std::optional<std::string> Listen(const std::string& path);

    // Readable when a connection waits; -1 while not listening.
    int Descriptor() const { return fd_.get(); }

    // The next waiting connection, or an empty one when none waits.
    LocalConnection Accept();

private:
    UniqueFd fd_;
    std::string path_;
    dev_t device_ = 0;
    ino_t inode_ = 0;
};

// Connects to the listener at `path` and sends it `message`, all within `timeout`.
// False when nobody listens there (no file, or a socket file that its listener left
// behind), when the listener does not take the connection in time, or when the message
// could not be sent whole.
bool SendToListener(const std::string& path, std::string_view message, std::chrono::milliseconds timeout);

} // namespace nuvex::platform
