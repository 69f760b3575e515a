#include "platform/AtomicFile.h"
#include "platform/IniFile.h"

#include <algorithm>
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
    std::shared_ptr<const IniDocument> document;
    bool racy = false;
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

} // namespace

std::shared_ptr<const IniDocument> LoadIniFile(const std::string& path)
{
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
    bool previousRacy = false;
    {
        const std::lock_guard lock(cacheMutex);
        if (const auto it = cache.find(path); it != cache.end()) {
            if (it->second.signature == Signature::Of(st) && !it->second.racy)
                return it->second.document;
            previous = it->second.document;
            previousRacy = it->second.racy;
        }
    }

    // Read and parse without holding the mutex: a slow disk must not stall readers of
    // other files.
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
    st = data->status;
    const bool racy = IsRacy(st);
    // Identical text keeps the document the caller may already hold. The document gives
    // back its bytes exactly, so no second copy of the file is kept to compare with.
    std::shared_ptr<const IniDocument> document;
    if (previous && previousRacy && previous->Serialize() == data->bytes)
        document = previous;
    else
        document = std::make_shared<const IniDocument>(IniDocument::ParseOwned(std::move(data->bytes)));

    const std::lock_guard lock(cacheMutex);
    cache[path] = CacheEntry{Signature::Of(st), document, racy};
    return document;
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

std::string DescribeDamage(const std::string& path, bool mustEndWithLineEnd)
{
    std::shared_ptr<const IniDocument> doc;
    try {
        doc = LoadIniFile(path);
    } catch (const ProfileError& e) {
        return e.what();
    }
    if (const std::size_t line = doc->FirstBinaryLine(); line != 0)
        return "Soubor " + path + " je poškozený: řádek " + std::to_string(line) +
               " neobsahuje text. Co z něj nelze přečíst, se bere jako chybějící.";
    if (mustEndWithLineEnd && doc->EndsMidLine())
        return "Soubor " + path + " je poškozený: končí uprostřed řádku, jeho konec chybí.";
    return {};
}

void ClearIniCache()
{
    const std::lock_guard lock(cacheMutex);
    cache.clear();
}

} // namespace nuvex::platform
