#pragma once

// What tells a changed file from an unchanged one without reading it, for the caches of
// parsed files (INI files, registry files).

#include <algorithm>
#include <ctime>
#include <sys/stat.h>

namespace nuvex::platform {

struct FileSignature
{
    dev_t dev = 0;
    ino_t ino = 0;
    off_t size = 0;
    timespec mtime{};
    timespec ctime{};

    static FileSignature Of(const struct stat& st)
    {
        return {st.st_dev, st.st_ino, st.st_size, st.st_mtim, st.st_ctim};
    }
    bool operator==(const FileSignature& o) const
    {
        return dev == o.dev && ino == o.ino && size == o.size && mtime.tv_sec == o.mtime.tv_sec &&
               mtime.tv_nsec == o.mtime.tv_nsec && ctime.tv_sec == o.ctime.tv_sec &&
               ctime.tv_nsec == o.ctime.tv_nsec;
    }
};

// A file changed within this span of its read may change again without its timestamps
// moving (they tick coarsely, and a freed inode number is soon reused), so such a file is
// compared by content on the next read until it is older than this.
inline constexpr long long kRacyNanoseconds = 2'000'000'000;

inline bool IsRacy(const struct stat& st)
{
    const auto nanoseconds = [](const timespec& t) {
        return static_cast<long long>(t.tv_sec) * 1'000'000'000 + t.tv_nsec;
    };
    timespec now{};
    ::clock_gettime(CLOCK_REALTIME, &now);
    return nanoseconds(now) - std::max(nanoseconds(st.st_mtim), nanoseconds(st.st_ctim)) < kRacyNanoseconds;
}

} // namespace nuvex::platform
