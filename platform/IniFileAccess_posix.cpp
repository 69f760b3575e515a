// INI files on disk (IniFileAccess.h): the parsed-file cache by stat signature, read spans
// and the locked, atomic update.

#include "platform/AtomicFile.h"
#include "platform/FileSignature.h"
#include "platform/IniFileAccess.h"

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

struct CacheEntry
{
    FileSignature signature;
    unsigned long long checkedInSpan = 0; // the IniReadSpan that last compared it with the disk
    std::shared_ptr<const IniDocument> document;
    bool racy = false;
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
    bool previousRacy = false;
    {
        const std::lock_guard lock(cacheMutex);
        if (const auto it = cache.find(path); it != cache.end()) {
            if (it->second.signature == FileSignature::Of(st) && !it->second.racy) {
                it->second.checkedInSpan = currentSpan;
                return it->second.document;
            }
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
    cache[path] = CacheEntry{FileSignature::Of(st), currentSpan, document, racy};
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
