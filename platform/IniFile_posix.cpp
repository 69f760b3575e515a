#include "platform/IniFile.h"
#include "platform/SystemPaths.h"

#include <algorithm>
#include <cerrno>
#include <ctime>
#include <fcntl.h>
#include <mutex>
#include <random>
#include <sys/file.h>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>
#include <unordered_map>
#include <utility>

namespace nuvex::platform {

namespace {

std::string ErrorText(int code)
{
    return std::system_category().message(code);
}

[[noreturn]] void ThrowReadError(const std::string& path, int code)
{
    throw ProfileError("Soubor " + path + " nelze přečíst: " + ErrorText(code));
}

[[noreturn]] void ThrowWriteError(const std::string& path, int code)
{
    throw ProfileError("Soubor " + path + " nelze zapsat: " + ErrorText(code));
}

// Closes the descriptor (and so drops any flock on it) when it goes out of scope.
class Fd
{
public:
    explicit Fd(int fd = -1) : fd_(fd) {}
    ~Fd() { Reset(); }
    Fd(Fd&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}
    Fd& operator=(Fd&& other) noexcept
    {
        if (this != &other) {
            Reset();
            fd_ = std::exchange(other.fd_, -1);
        }
        return *this;
    }

    int get() const { return fd_; }
    explicit operator bool() const { return fd_ >= 0; }
    // Closes now and reports the error; a close can report a failed write-back.
    int Close()
    {
        const int result = fd_ >= 0 ? ::close(fd_) : 0;
        fd_ = -1;
        return result;
    }

private:
    void Reset()
    {
        if (fd_ >= 0)
            ::close(fd_);
        fd_ = -1;
    }
    int fd_;
};

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

int OpenRetrying(const char* path, int flags, mode_t mode = 0)
{
    int fd;
    do {
        fd = ::open(path, flags | O_CLOEXEC, mode);
    } while (fd < 0 && errno == EINTR);
    return fd;
}

// Reads the whole file; returns the errno of the failure, or 0.
int ReadAll(int fd, std::string& bytes)
{
    char buffer[65536];
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return errno;
        }
        if (n == 0)
            return 0;
        bytes.append(buffer, static_cast<std::size_t>(n));
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

bool IsMissing(int code)
{
    return code == ENOENT || code == ENOTDIR;
}

// What tells a changed file from an unchanged one without reading it.
struct Signature
{
    dev_t dev = 0;
    ino_t ino = 0;
    off_t size = 0;
    timespec mtime{};
    timespec ctime{};

    static Signature Of(const struct stat& st)
    {
        return {st.st_dev, st.st_ino, st.st_size, st.st_mtim, st.st_ctim};
    }
    bool operator==(const Signature& o) const
    {
        return dev == o.dev && ino == o.ino && size == o.size && mtime.tv_sec == o.mtime.tv_sec &&
               mtime.tv_nsec == o.mtime.tv_nsec && ctime.tv_sec == o.ctime.tv_sec &&
               ctime.tv_nsec == o.ctime.tv_nsec;
    }
};

// A file changed within this span of its read may change again without its timestamps
// moving (they tick coarsely, and a freed inode number is soon reused), so such a file is
// compared by content on the next read until it is older than this.
constexpr long long kRacyNanoseconds = 2'000'000'000;

long long ToNanoseconds(const timespec& t)
{
    return static_cast<long long>(t.tv_sec) * 1'000'000'000 + t.tv_nsec;
}

bool IsRacy(const struct stat& st)
{
    timespec now{};
    ::clock_gettime(CLOCK_REALTIME, &now);
    const long long newest = std::max(ToNanoseconds(st.st_mtim), ToNanoseconds(st.st_ctim));
    return ToNanoseconds(now) - newest < kRacyNanoseconds;
}

struct CacheEntry
{
    Signature signature;
    std::shared_ptr<const IniDocument> document;
    bool racy = false;
    std::string bytes; // kept only while racy, to compare the next read against
};

std::mutex cacheMutex;
std::unordered_map<std::string, CacheEntry> cache;

std::shared_ptr<const IniDocument> EmptyDocument()
{
    static const auto empty = std::make_shared<const IniDocument>();
    return empty;
}

void ForgetCached(const std::string& path)
{
    const std::lock_guard lock(cacheMutex);
    cache.erase(path);
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

// Creates `.<name>.XXXXXX` next to the target. Made with O_EXCL and mode 0666 rather than
// mkstemp's 0600, so that a new file gets exactly the permissions the umask allows.
Fd CreateTempFile(const std::string& dir, const std::string& name, std::string& tempPath)
{
    static constexpr char kLetters[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    thread_local std::mt19937_64 random{std::random_device{}() ^ static_cast<unsigned long long>(::getpid())};
    std::uniform_int_distribution<std::size_t> pick(0, sizeof kLetters - 2);
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::string suffix(6, 'X');
        for (char& c : suffix)
            c = kLetters[pick(random)];
        tempPath = dir + "/." + name + "." + suffix;
        Fd fd(OpenRetrying(tempPath.c_str(), O_WRONLY | O_CREAT | O_EXCL, 0666));
        if (fd || errno != EEXIST)
            return fd;
    }
    errno = EEXIST;
    return Fd();
}

} // namespace

std::shared_ptr<const IniDocument> LoadIniFile(const std::string& path)
{
    struct stat st
    {};
    if (::stat(path.c_str(), &st) != 0) {
        const int code = errno;
        if (IsMissing(code)) {
            ForgetCached(path);
            return EmptyDocument();
        }
        ThrowReadError(path, code);
    }

    std::shared_ptr<const IniDocument> previous;
    {
        const std::lock_guard lock(cacheMutex);
        if (const auto it = cache.find(path); it != cache.end()) {
            if (it->second.signature == Signature::Of(st) && !it->second.racy)
                return it->second.document;
            previous = it->second.document;
        }
    }

    // Read without holding the mutex: a slow disk must not stall readers of other files.
    const Fd fd(OpenRetrying(path.c_str(), O_RDONLY));
    if (!fd) {
        const int code = errno;
        if (IsMissing(code)) {
            ForgetCached(path);
            return EmptyDocument();
        }
        ThrowReadError(path, code);
    }
    // The signature of what is read is taken before reading: a change during the read
    // then shows up as a different signature next time.
    if (::fstat(fd.get(), &st) != 0)
        ThrowReadError(path, errno);
    std::string bytes;
    if (const int code = ReadAll(fd.get(), bytes); code != 0)
        ThrowReadError(path, code);

    const std::lock_guard lock(cacheMutex);
    CacheEntry& entry = cache[path];
    const bool racy = IsRacy(st);
    // Identical text keeps the document the caller may already hold.
    if (!(previous && entry.document == previous && entry.racy && entry.bytes == bytes))
        entry.document = std::make_shared<const IniDocument>(IniDocument::Parse(bytes));
    entry.signature = Signature::Of(st);
    entry.racy = racy;
    entry.bytes = racy ? std::move(bytes) : std::string();
    return entry.document;
}

void UpdateIniFile(const std::string& path, const std::function<void(IniDocument&)>& edit)
{
    const std::string dir = ParentDir(path);
    try {
        MakeDirs(dir);
    } catch (const std::system_error& e) {
        ThrowWriteError(path, e.code().value());
    }

    // The lock sits on the folder itself, which every writer of the file opens anyway;
    // no lock file is left lying around. close() releases it on every path out.
    const Fd dirFd(OpenRetrying(dir.c_str(), O_RDONLY | O_DIRECTORY));
    if (!dirFd)
        ThrowWriteError(path, errno);
    while (::flock(dirFd.get(), LOCK_EX) != 0) {
        if (errno != EINTR)
            ThrowWriteError(path, errno);
    }

    // Read afresh: the cache may predate another writer's change.
    std::string old;
    bool exists = false;
    mode_t mode = 0;
    {
        const Fd fd(OpenRetrying(path.c_str(), O_RDONLY));
        if (fd) {
            struct stat st
            {};
            if (::fstat(fd.get(), &st) != 0)
                ThrowReadError(path, errno);
            if (const int code = ReadAll(fd.get(), old); code != 0)
                ThrowReadError(path, code);
            exists = true;
            mode = st.st_mode & 07777;
        } else if (!IsMissing(errno)) {
            ThrowReadError(path, errno);
        }
    }

    IniDocument doc = IniDocument::Parse(old);
    edit(doc);
    const std::string bytes = doc.Serialize();
    if (exists && bytes == old)
        return;
    if (!exists && bytes.empty())
        return;

    std::string tempPath;
    Fd temp = CreateTempFile(dir, BaseName(path), tempPath);
    if (!temp)
        ThrowWriteError(path, errno);
    TempFileGuard guard(tempPath);
    if (const int code = WriteAll(temp.get(), bytes); code != 0)
        ThrowWriteError(path, code);
    if (exists && ::fchmod(temp.get(), mode) != 0)
        ThrowWriteError(path, errno);
    if (::fsync(temp.get()) != 0)
        ThrowWriteError(path, errno);
    if (temp.Close() != 0)
        ThrowWriteError(path, errno);
    if (::rename(tempPath.c_str(), path.c_str()) != 0)
        ThrowWriteError(path, errno);
    guard.Release();
    ForgetCached(path);
    // The rename itself is only durable once the folder is on disk. The file is already
    // complete either way, so a folder that cannot be synced is no reason to report failure.
    ::fsync(dirFd.get());
}

void ClearIniCache()
{
    const std::lock_guard lock(cacheMutex);
    cache.clear();
}

} // namespace nuvex::platform
