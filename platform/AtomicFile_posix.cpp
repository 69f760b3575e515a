// Whole-file reads and the locked, atomic replacement of files (AtomicFile.h) with POSIX
// calls: flock on the folder, O_TMPFILE or a named temporary file, fsync and rename.

#include "platform/AtomicFile.h"
#include "platform/SystemPaths.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <dirent.h>
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
    void Watch(std::string path) { path_ = std::move(path); }

private:
    std::string path_;
};

// Six random letters and digits, for a temporary file's name.
std::string RandomSuffix()
{
    static constexpr char kLetters[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    thread_local std::mt19937_64 random{std::random_device{}() ^ static_cast<unsigned long long>(::getpid())};
    std::uniform_int_distribution<std::size_t> pick(0, sizeof kLetters - 2);
    std::string suffix(6, 'X');
    for (char& c : suffix)
        c = kLetters[pick(random)];
    return suffix;
}

// Creates `.<name>.XXXXXX` next to the target. Made with O_EXCL and the caller's mode
// rather than mkstemp's fixed 0600, so that a new file gets exactly the permissions the
// caller asks for, less the umask.
UniqueFd CreateTempFile(const std::string& dir, const std::string& name, mode_t mode, std::string& tempPath)
{
    for (int attempt = 0; attempt < 100; ++attempt) {
        tempPath = dir + "/." + name + "." + RandomSuffix();
        UniqueFd fd(OpenRetrying(tempPath.c_str(), O_WRONLY | O_CREAT | O_EXCL, mode));
        if (fd || errno != EEXIST)
            return fd;
    }
    errno = EEXIST;
    return UniqueFd();
}

UniqueFd LockFolder(const std::string& dir)
{
    UniqueFd fd(OpenRetrying(dir.c_str(), O_RDONLY | O_DIRECTORY));
    if (!fd)
        ThrowErrno(errno);
    while (::flock(fd.get(), LOCK_EX) != 0) {
        if (errno != EINTR)
            ThrowErrno(errno);
    }
    return fd;
}

// A read-only file as Windows has it: one the user may not write. Root may write any
// file, so for root a file without any write permission counts as read-only.
bool IsReadOnly(const std::string& path, const struct stat& st)
{
    if (::geteuid() == 0)
        return (st.st_mode & 0222) == 0;
    return ::faccessat(AT_FDCWD, path.c_str(), W_OK, AT_EACCESS) != 0 && errno == EACCES;
}

// Only writers holding the folder's lock make temporary files, so one found while the
// lock is held was left by a writer that was killed.
void RemoveStaleTempFiles(const std::string& dir, const std::string& name)
{
    DIR* folder = ::opendir(dir.c_str());
    if (!folder)
        return;
    while (const dirent* entry = ::readdir(folder)) {
        if (IsTempFileName(entry->d_name, name))
            ::unlinkat(::dirfd(folder), entry->d_name, 0);
    }
    ::closedir(folder);
}

// An unnamed file in the folder, or none when the file system cannot make one.
UniqueFd OpenUnnamedTempFile(const std::string& dir, mode_t mode)
{
    return UniqueFd(OpenRetrying(dir.c_str(), O_TMPFILE | O_WRONLY, mode));
}

// Gives the unnamed file a temporary name beside the target.
void LinkTempFile(int fd, const std::string& dir, const std::string& name, std::string& tempPath)
{
    const std::string self = "/proc/self/fd/" + std::to_string(fd);
    for (int attempt = 0; attempt < 100; ++attempt) {
        tempPath = dir + "/." + name + "." + RandomSuffix();
        if (::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, tempPath.c_str(), AT_SYMLINK_FOLLOW) == 0)
            return;
        if (errno != EEXIST)
            ThrowErrno(errno);
    }
    ThrowErrno(EEXIST);
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
    // Without O_NONBLOCK, opening a FIFO waits for a writer for ever.
    const UniqueFd fd(OpenRetrying(path.c_str(), O_RDONLY | O_NONBLOCK));
    if (!fd) {
        const int code = errno;
        if (IsMissingError(code))
            return std::nullopt;
        ThrowErrno(code);
    }
    FileData data;
    if (::fstat(fd.get(), &data.status) != 0)
        ThrowErrno(errno);
    // A FIFO, a device or a socket holds no file: it reads as missing. A folder in the
    // file's place stays an error, as reading it fails.
    if (S_ISDIR(data.status.st_mode))
        ThrowErrno(EISDIR);
    if (!S_ISREG(data.status.st_mode))
        return std::nullopt;
    if (const int flags = ::fcntl(fd.get(), F_GETFL); flags >= 0)
        ::fcntl(fd.get(), F_SETFL, flags & ~O_NONBLOCK);
    const auto expected = data.status.st_size > 0 ? static_cast<std::size_t>(data.status.st_size) : 0;
    if (const int code = ReadAll(fd.get(), data.bytes, expected); code != 0)
        ThrowErrno(code);
    return data;
}

std::string FollowLinks(const std::string& path)
{
    std::string current = path;
    for (int hop = 0; hop < 40; ++hop) {
        struct stat st
        {};
        if (::lstat(current.c_str(), &st) != 0 || !S_ISLNK(st.st_mode))
            return current;
        std::string target(static_cast<std::size_t>(st.st_size > 0 ? st.st_size : 4096), '\0');
        for (;;) {
            const ssize_t n = ::readlink(current.c_str(), target.data(), target.size());
            if (n < 0)
                ThrowErrno(errno);
            if (static_cast<std::size_t>(n) < target.size()) {
                target.resize(static_cast<std::size_t>(n));
                break;
            }
            target.resize(target.size() * 2);
        }
        current = (target.starts_with('/') ? std::string() : ParentDir(current) + "/") + target;
    }
    ThrowErrno(ELOOP);
}

bool IsTempFileName(std::string_view name, std::string_view fileName)
{
    constexpr std::size_t kSuffix = 6;
    if (name.size() != fileName.size() + 2 + kSuffix || name.front() != '.' ||
        name.substr(1, fileName.size()) != fileName || name[fileName.size() + 1] != '.')
        return false;
    for (const char c : name.substr(fileName.size() + 2)) {
        const bool alnum = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9');
        if (!alnum)
            return false;
    }
    return true;
}

FolderLock::FolderLock(std::string filePath) : path_(std::move(filePath)), dir_(ParentDir(path_))
{
    MakeDirs(dir_);
    dirFd_ = LockFolder(dir_);
    target_ = FollowLinks(path_);
    targetDir_ = ParentDir(target_);
    struct stat a
    {
    }, b{};
    if (target_ != path_ && ::stat(targetDir_.c_str(), &b) == 0 && ::fstat(dirFd_.get(), &a) == 0 &&
        (a.st_dev != b.st_dev || a.st_ino != b.st_ino))
        targetDirFd_ = LockFolder(targetDir_);
}

void FolderLock::ReplaceFile(std::string_view bytes, std::optional<mode_t> keepMode, mode_t newFileMode) const
{
    const int dirFd = targetDirFd_ ? targetDirFd_.get() : dirFd_.get();
    struct stat st
    {};
    if (::stat(target_.c_str(), &st) == 0) {
        if (!S_ISREG(st.st_mode))
            ThrowErrno(ENOTSUP);
        if (IsReadOnly(target_, st))
            ThrowErrno(EACCES);
    } else if (!IsMissingError(errno)) {
        ThrowErrno(errno);
    }
    const std::string name = BaseName(target_);
    RemoveStaleTempFiles(targetDir_, name);

    std::string tempPath;
    UniqueFd temp = OpenUnnamedTempFile(targetDir_, newFileMode);
    const bool unnamed = static_cast<bool>(temp);
    if (!unnamed) {
        temp = CreateTempFile(targetDir_, name, newFileMode, tempPath);
        if (!temp)
            ThrowErrno(errno);
    }
    TempFileGuard guard(tempPath);
    if (const int code = WriteAll(temp.get(), bytes); code != 0)
        ThrowErrno(code);
    if (keepMode && ::fchmod(temp.get(), *keepMode) != 0)
        ThrowErrno(errno);
    if (::fsync(temp.get()) != 0)
        ThrowErrno(errno);
    if (unnamed) {
        // The complete file gets a name only now, and keeps it for the instant up to the
        // rename; a writer killed before this leaves nothing behind.
        LinkTempFile(temp.get(), targetDir_, name, tempPath);
        guard.Watch(tempPath);
    }
    if (temp.Close() != 0)
        ThrowErrno(errno);
    if (::rename(tempPath.c_str(), target_.c_str()) != 0)
        ThrowErrno(errno);
    guard.Release();
    // The rename itself is only durable once the folder is on disk. The file is already
    // complete either way, so a folder that cannot be synced is no reason to report failure.
    ::fsync(dirFd);
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
