// A replaced file held open until no name refers to it, then overwritten (RetiredFile.h).

#include "platform/RetiredFile.h"

#include <algorithm>
#include <array>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace nuvex::platform {

RetiredFile::RetiredFile(const std::string& path) : fd_(::open(path.c_str(), O_WRONLY | O_CLOEXEC | O_NOCTTY))
{}

bool RetiredFile::WipeIfUnlinked()
{
    struct stat status
    {};
    if (!fd_ || ::fstat(fd_.get(), &status) != 0 || !S_ISREG(status.st_mode) || status.st_nlink != 0)
        return false;
    static constexpr std::array<char, 65536> kZeros{};
    off_t done = 0;
    while (done < status.st_size) {
        const auto chunk = static_cast<std::size_t>(std::min<off_t>(status.st_size - done, kZeros.size()));
        const ssize_t written = ::pwrite(fd_.get(), kZeros.data(), chunk, done);
        if (written <= 0)
            return false;
        done += written;
    }
    return ::fdatasync(fd_.get()) == 0;
}

} // namespace nuvex::platform
