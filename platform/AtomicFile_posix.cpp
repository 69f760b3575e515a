#include "platform/AtomicFile.h"
#include "platform/SystemPaths.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <random>
#include <sys/file.h>
#include <system_error>
#include <unistd.h>

namespace nuvex::platform {

namespace {

[[noreturn]] void ThrowErrno(int code)
{
    throw std::system_error(code, std::system_category());
}

int OpenRetrying(const char* path, int flags, mode_t mode = 0)
{
    int fd;
    do {
        fd = ::open(path, flags | O_CLOEXEC, mode);
    } while (fd < 0 && errno == EINTR);
    return fd;
}

// Reads to the end; returns the errno of the failure, or 0.
// Reads straight into `bytes`, sized by the file's status so that a file is one read
// (and one more to see its end) instead of one per 64 KiB chunk and copy; a file that
// grew meanwhile is read on to its end.
int ReadAll(int fd, std::string& bytes, std::size_t expectedSize)
{
    bytes.resize(expectedSize + 1);
    std::size_t used = 0;
    for (;;) {
        if (used == bytes.size())
            bytes.resize(bytes.size() + std::max<std::size_t>(bytes.size(), 65536));
        const ssize_t n = ::read(fd, bytes.data() + used, bytes.size() - used);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            bytes.clear();
            return errno;
        }
        if (n == 0) {
            bytes.resize(used);
            return 0;
        }
        used += static_cast<std::size_t>(n);
    }
}

int WriteAll(int fd, std::string_view bytes)
{
    while (!bytes.empty()) {
        const ssize_t n = ::write(fd, bytes.data(), bytes.size());
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return errno;
        }
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
    return 0;
}

// Removes the temporary file unless the rename made it the real one.
class TempFileGuard
{
public:
    explicit TempFileGuard(std::string path) : path_(std::move(path)) {}
    ~TempFileGuard()
    {
        if (!path_.empty())
            ::unlink(path_.c_str());
    }
    TempFileGuard(const TempFileGuard&) = delete;
    TempFileGuard& operator=(const TempFileGuard&) = delete;
    void Release() { path_.clear(); }

private:
    std::string path_;
};

// Creates `.<name>.XXXXXX` next to the target. Made with O_EXCL and the caller's mode
// rather than mkstemp's fixed 0600, so that a new file gets exactly the permissions the
// caller asks for, less the umask.
UniqueFd CreateTempFile(const std::string& dir, const std::string& name, mode_t mode, std::string& tempPath)
{
    static constexpr char kLetters[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    thread_local std::mt19937_64 random{std::random_device{}() ^ static_cast<unsigned long long>(::getpid())};
    std::uniform_int_distribution<std::size_t> pick(0, sizeof kLetters - 2);
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::string suffix(6, 'X');
        for (char& c : suffix)
            c = kLetters[pick(random)];
        tempPath = dir + "/." + name + "." + suffix;
        UniqueFd fd(OpenRetrying(tempPath.c_str(), O_WRONLY | O_CREAT | O_EXCL, mode));
        if (fd || errno != EEXIST)
            return fd;
    }
    errno = EEXIST;
    return UniqueFd();
}

} // namespace

int UniqueFd::Close()
{
    const int result = fd_ >= 0 ? ::close(fd_) : 0;
    fd_ = -1;
    return result;
}

void UniqueFd::Reset()
{
    if (fd_ >= 0)
        ::close(fd_);
    fd_ = -1;
}

std::optional<FileData> ReadWholeFile(const std::string& path)
{
    const UniqueFd fd(OpenRetrying(path.c_str(), O_RDONLY));
    if (!fd) {
        const int code = errno;
        if (IsMissingError(code))
            return std::nullopt;
        ThrowErrno(code);
    }
    FileData data;
    if (::fstat(fd.get(), &data.status) != 0)
        ThrowErrno(errno);
    const auto expected = data.status.st_size > 0 ? static_cast<std::size_t>(data.status.st_size) : 0;
    if (const int code = ReadAll(fd.get(), data.bytes, expected); code != 0)
        ThrowErrno(code);
    return data;
}

FolderLock::FolderLock(std::string filePath) : path_(std::move(filePath)), dir_(ParentDir(path_))
{
    MakeDirs(dir_);
    dirFd_ = UniqueFd(OpenRetrying(dir_.c_str(), O_RDONLY | O_DIRECTORY));
    if (!dirFd_)
        ThrowErrno(errno);
    while (::flock(dirFd_.get(), LOCK_EX) != 0) {
        if (errno != EINTR)
            ThrowErrno(errno);
    }
}

void FolderLock::ReplaceFile(std::string_view bytes, std::optional<mode_t> keepMode, mode_t newFileMode) const
{
    std::string tempPath;
    UniqueFd temp = CreateTempFile(dir_, BaseName(path_), newFileMode, tempPath);
    if (!temp)
        ThrowErrno(errno);
    TempFileGuard guard(tempPath);
    if (const int code = WriteAll(temp.get(), bytes); code != 0)
        ThrowErrno(code);
    if (keepMode && ::fchmod(temp.get(), *keepMode) != 0)
        ThrowErrno(errno);
    if (::fsync(temp.get()) != 0)
        ThrowErrno(errno);
    if (temp.Close() != 0)
        ThrowErrno(errno);
    if (::rename(tempPath.c_str(), path_.c_str()) != 0)
        ThrowErrno(errno);
    guard.Release();
    // The rename itself is only durable once the folder is on disk. The file is already
    // complete either way, so a folder that cannot be synced is no reason to report failure.
    ::fsync(dirFd_.get());
}

std::string ParentDir(const std::string& path)
{
    const auto slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    if (slash == 0)
        return "/";
    return path.substr(0, slash);
}

std::string BaseName(const std::string& path)
{
    const auto slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

bool IsMissingError(int code)
{
    return code == ENOENT || code == ENOTDIR;
}

} // namespace nuvex::platform
