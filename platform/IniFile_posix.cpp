#include "platform/AtomicFile.h"
#include "platform/IniFile.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <ctime>
#include <mutex>
#include <optional>
#include <sys/stat.h>
#include <system_error>
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
    unsigned long long checkedInSpan = 0; // the IniReadSpan that last compared it with the disk
    std::shared_ptr<const IniDocument> document;
    bool racy = false;
    std::string bytes; // kept only while racy, to compare the next read against
};

std::mutex cacheMutex;
std::unordered_map<std::string, CacheEntry> cache;

// Each span gets a number of its own, so that an entry checked in an earlier span (or on
// another thread) is checked again.
std::atomic<unsigned long long> lastSpan{0};
thread_local unsigned long long currentSpan = 0;

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

} // namespace

std::shared_ptr<const IniDocument> LoadIniFile(const std::string& path)
{
    if (currentSpan != 0) {
        const std::lock_guard lock(cacheMutex);
        if (const auto it = cache.find(path); it != cache.end() && it->second.checkedInSpan == currentSpan)
            return it->second.document;
    }

    struct stat st
    {};
    if (::stat(path.c_str(), &st) != 0) {
        const int code = errno;
        if (IsMissingError(code)) {
            ForgetCached(path);
            return EmptyDocument();
        }
        ThrowReadError(path, code);
    }

    std::shared_ptr<const IniDocument> previous;
    {
        const std::lock_guard lock(cacheMutex);
        if (const auto it = cache.find(path); it != cache.end()) {
            if (it->second.signature == Signature::Of(st) && !it->second.racy) {
                it->second.checkedInSpan = currentSpan;
                return it->second.document;
            }
            previous = it->second.document;
        }
    }

    // Read without holding the mutex: a slow disk must not stall readers of other files.
    std::optional<FileData> data;
    try {
        data = ReadWholeFile(path);
    } catch (const std::system_error& e) {
        ThrowReadError(path, e.code().value());
    }
    if (!data) {
        ForgetCached(path);
        return EmptyDocument();
    }
    std::string& bytes = data->bytes;
    st = data->status;

    const std::lock_guard lock(cacheMutex);
    CacheEntry& entry = cache[path];
    const bool racy = IsRacy(st);
    // Identical text keeps the document the caller may already hold.
    if (!(previous && entry.document == previous && entry.racy && entry.bytes == bytes))
        entry.document = std::make_shared<const IniDocument>(IniDocument::Parse(bytes));
    entry.signature = Signature::Of(st);
    entry.racy = racy;
    entry.bytes = racy ? std::move(bytes) : std::string();
    entry.checkedInSpan = currentSpan;
    return entry.document;
}

void UpdateIniFile(const std::string& path, const std::function<void(IniDocument&)>& edit)
{
    std::optional<FolderLock> lock;
    try {
        lock.emplace(path);
    } catch (const std::system_error& e) {
        ThrowWriteError(path, e.code().value());
    }

    // Read afresh: the cache may predate another writer's change.
    std::optional<FileData> current;
    try {
        current = ReadWholeFile(path);
    } catch (const std::system_error& e) {
        ThrowReadError(path, e.code().value());
    }
    const bool exists = current.has_value();
    const std::string old = exists ? std::move(current->bytes) : std::string();

    IniDocument doc = IniDocument::Parse(old);
    edit(doc);
    const std::string bytes = doc.Serialize();
    if (exists && bytes == old)
        return;
    if (!exists && bytes.empty())
        return;

    try {
        lock->ReplaceFile(
            bytes, exists ? std::optional<mode_t>(current->status.st_mode & 07777) : std::nullopt, 0666);
    } catch (const std::system_error& e) {
        ThrowWriteError(path, e.code().value());
    }
    ForgetCached(path);
}

void ClearIniCache()
{
    const std::lock_guard lock(cacheMutex);
    cache.clear();
}

IniReadSpan::IniReadSpan() : outer_(currentSpan)
{
    // A nested span keeps the outer one's checks: it is the same pass.
    if (currentSpan == 0)
        currentSpan = ++lastSpan;
}

IniReadSpan::~IniReadSpan()
{
    currentSpan = outer_;
}

} // namespace nuvex::platform
