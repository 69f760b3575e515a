#pragma once

// What another program does to files, seen through inotify, for a test that must act
// between two of that program's steps: it waits for the steps' file events, in order,
// instead of for a time.

#include "support/WaitUntil.h"

#include <cerrno>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <map>
#include <poll.h>
#include <string>
#include <sys/inotify.h>
#include <unistd.h>
#include <vector>

namespace nuvex::test {

class FileEvents
{
public:
    struct Event
    {
        std::filesystem::path folder;
        std::string name;
        std::uint32_t mask; // IN_OPEN, IN_MOVED_TO...
    };

    // Events are collected from here on, in the given folders.
    explicit FileEvents(const std::vector<std::filesystem::path>& folders)
        : fd_(::inotify_init1(IN_NONBLOCK | IN_CLOEXEC))
    {
        for (const auto& folder : folders)
            watches_[::inotify_add_watch(fd_, folder.c_str(), IN_ALL_EVENTS)] = folder;
    }
    ~FileEvents()
    {
        if (fd_ >= 0)
            ::close(fd_);
    }
    FileEvents(const FileEvents&) = delete;
    FileEvents& operator=(const FileEvents&) = delete;

    // Waits until the expected events have happened in this order (others between them
    // are passed over); true when they all did before the deadline.
    bool WaitFor(const std::vector<Event>& expected, std::chrono::milliseconds deadline)
    {
        std::size_t next = 0;
        return WaitUntil(
            [&] {
                alignas(inotify_event) char buffer[4096];
                for (ssize_t size;
                     next < expected.size() && (size = ::read(fd_, buffer, sizeof buffer)) > 0;) {
                    for (ssize_t at = 0; at < size && next < expected.size();) {
                        const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
                        at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
                        const Event& want = expected[next];
                        if (watches_[event->wd] == want.folder && (event->mask & want.mask) != 0 &&
                            event->len > 0 && want.name == event->name)
                            ++next;
                    }
                }
                return next == expected.size();
            },
            deadline,
            [this] {
                pollfd ready{fd_, POLLIN, 0};
                ::poll(&ready, 1, 100);
            });
    }

private:
    int fd_;
    std::map<int, std::filesystem::path> watches_;
};

} // namespace nuvex::test
