// The registry kept in text files, one per root, in the registry export format:
//
//   Windows Registry Editor Version 5.00
//
//   [HKEY_CURRENT_USER\Software\Quorin Software\Nuvex]
//   "Installed"=dword:00000001
//   "StartSession"=hex:00,00,00,00,00,40,e2,40
//   "AutoPwd"="text with \"quotes\" and \\ backslashes"
//
// The file is read afresh for every operation: it is small, and a person or another
// process may change it at any time. A file that does not read as this format is never
// overwritten; every read and write of it fails with a message naming the line, so that
// nobody's settings are silently thrown away. Writes change only the lines they must.
//
// The document itself, its parsing and its edits are in RegistryText.cpp.

#include "platform/AtomicFile.h"
#include "platform/FileSignature.h"
#include "platform/Registry.h"
#include "platform/RegistryText.h"
#include "platform/SystemPaths.h"
#include "platform/TextFold.h"

#include <cerrno>
#include <memory>
#include <mutex>
#include <optional>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>
#include <unordered_map>
#include <utility>

namespace nuvex::platform::registry {

namespace {

using namespace textformat;

std::string ErrorText(int code)
{
    return std::system_category().message(code);
}

RegistryError ReadError(const std::string& file, int code)
{
    return RegistryError("Soubor " + file + " nelze přečíst: " + ErrorText(code));
}

RegistryError WriteError(const std::string& file, int code)
{
    return RegistryError("Soubor " + file + " nelze zapsat: " + ErrorText(code));
}

// Every file written here begins with the header, so an existing file with nothing in it
// (or only blanks) was cut short or emptied by something else; it is no first start, and
// what the user may still restore into it must not be overwritten with defaults.
void RefuseBlankFile(const std::string& file, std::string_view bytes)
{
    if (bytes.starts_with(kByteOrderMark))
        bytes.remove_prefix(kByteOrderMark.size());
    if (bytes.find_first_not_of(" \t\r\n") == std::string_view::npos)
        throw RegistryError("Soubor " + file + " je poškozen: je prázdný, chybí i jeho záhlaví „" +
                            std::string(kHeader) + "“.");
}

// The file's document; a missing file is an empty registry.
struct LoadedFile
{
    Document doc;
    std::optional<mode_t> mode; // of an existing file
};

LoadedFile Load(Root root, const std::string& file)
{
    std::optional<FileData> data;
    try {
        data = ReadWholeFile(file);
    } catch (const std::system_error& e) {
        throw ReadError(file, e.code().value());
    }
    if (!data)
        return {};
    RefuseBlankFile(file, data->bytes);
    return {ParseDocument(root, data->bytes, file), data->status.st_mode & 07777};
}

// Reads go through a cache of parsed files by their stat signature, as the INI files do:
// the options are read several times a second while a connection is up, and an unchanged
// file then costs one stat(). A file changed in the last two seconds is compared by
// content. Writes read afresh under their lock and drop the file from the cache.
struct CachedFile
{
    FileSignature signature;
    bool racy = false;
    std::string bytes; // kept only while racy
    std::shared_ptr<const LoadedFile> loaded;
};

std::mutex cacheMutex;
std::unordered_map<std::string, CachedFile> cache;

void ForgetCached(const std::string& file)
{
    const std::lock_guard lock(cacheMutex);
    cache.erase(file);
}

std::shared_ptr<const LoadedFile> LoadForReading(Root root, const std::string& file)
{
    struct stat st
    {};
    if (::stat(file.c_str(), &st) == 0) {
        const std::lock_guard lock(cacheMutex);
        if (const auto it = cache.find(file);
            it != cache.end() && !it->second.racy && it->second.signature == FileSignature::Of(st))
            return it->second.loaded;
    }
    std::optional<FileData> data;
    try {
        data = ReadWholeFile(file);
    } catch (const std::system_error& e) {
        throw ReadError(file, e.code().value());
    }
    if (!data) {
        ForgetCached(file);
        static const auto empty = std::make_shared<const LoadedFile>();
        return empty;
    }
    {
        const std::lock_guard lock(cacheMutex);
        if (const auto it = cache.find(file); it != cache.end() && it->second.racy &&
                                              it->second.signature == FileSignature::Of(data->status) &&
                                              it->second.bytes == data->bytes) {
            it->second.racy = IsRacy(data->status);
            if (!it->second.racy)
                it->second.bytes.clear();
            return it->second.loaded;
        }
    }
    // Parsed outside the lock; a damaged file throws and is not cached.
    RefuseBlankFile(file, data->bytes);
    auto loaded = std::make_shared<const LoadedFile>(
        LoadedFile{ParseDocument(root, data->bytes, file), data->status.st_mode & 07777});
    const std::lock_guard lock(cacheMutex);
    CachedFile& entry = cache[file];
    entry.signature = FileSignature::Of(data->status);
    entry.racy = IsRacy(data->status);
    entry.bytes = entry.racy ? std::move(data->bytes) : std::string();
    entry.loaded = loaded;
    return loaded;
}

// Edits the root's file under its lock, read afresh so that no other writer's change is lost.
template <typename Edit> void Update(Root root, Edit edit)
{
    const std::string file = RootFile(root);
    std::optional<FolderLock> lock;
    try {
        lock.emplace(file);
    } catch (const std::system_error& e) {
        throw WriteError(file, e.code().value());
    }
    LoadedFile loaded = Load(root, file);
    if (!edit(loaded.doc))
        return;
    // A new per-user file may hold a clear-text password: only its owner reads it.
    const mode_t newFileMode = root == Root::CurrentUser ? 0600 : 0644;
    try {
        lock->ReplaceFile(loaded.doc.Serialize(), loaded.mode, newFileMode);
    } catch (const std::system_error& e) {
        ForgetCached(file);
        throw WriteError(file, e.code().value());
    }
    ForgetCached(file);
}

bool Exists(const std::string& path, int& code)
{
    if (::access(path.c_str(), F_OK) == 0)
        return true;
    code = errno;
    return false;
}

// Whether this user may replace the file: the file itself and its folder must be
// writable, or, while the file does not exist, the nearest folder that does.
bool MayWrite(const std::string& file)
{
    int code = 0;
    const std::string dir = ParentDir(file);
    if (Exists(file, code))
        return ::access(file.c_str(), W_OK) == 0 && ::access(dir.c_str(), W_OK | X_OK) == 0;
    if (code != ENOENT)
        return false;
    for (std::string folder = dir;; folder = ParentDir(folder)) {
        if (Exists(folder, code))
            return ::access(folder.c_str(), W_OK | X_OK) == 0;
        if (code != ENOENT || folder == "/" || folder == ".")
            return false;
    }
}

} // namespace

std::string RootFile(Root root)
{
    return root == Root::CurrentUser ? UserConfigDir() + "/user.reg" : RegistryDir() + "/machine.reg";
}

std::optional<Key> Key::Open(Root root, const std::string& path, Access access, bool create)
{
    const auto components = SplitPath(path);
    if (!components)
        throw InvalidPath(path);
    const std::string file = RootFile(root);
    const std::vector<std::string> folded = FoldAll(*components);
    const bool exists = LoadForReading(root, file)->doc.HasKey(folded);
    if (!exists && !create)
        return std::nullopt;
    if (access == Access::ReadWrite && !MayWrite(file))
        return std::nullopt;
    if (!exists) {
        Update(root, [&](Document& doc) {
            if (doc.HasKey(folded))
                return false; // another writer was first
            AppendSection(doc, root, *components);
            return true;
        });
    }
    return Key(root, JoinPath(*components));
}

std::optional<Value> Key::Read(const std::string& name) const
{
    const auto components = SplitPath(path_);
    if (!components)
        throw InvalidPath(path_);
    const auto loaded = LoadForReading(root_, RootFile(root_));
    const Entry* entry = loaded->doc.Find(FoldAll(*components), FoldCase(name)).second;
    if (!entry)
        return std::nullopt;
    return entry->value;
}

void Key::Write(const std::string& name, const Value& value)
{
    Write(std::vector<std::pair<std::string, Value>>{{name, value}});
}

void Key::Write(const std::vector<std::pair<std::string, Value>>& values)
{
    const auto components = SplitPath(path_);
    if (!components)
        throw InvalidPath(path_);
    const std::string file = RootFile(root_);
    // Refused before the file is touched: none could be read back as written.
    for (const auto& [name, value] : values)
        ValidateWrite(file, name, value);

    Update(root_, [&](Document& doc) {
        bool changed = false;
        for (const auto& [name, value] : values)
            changed = SetValue(doc, root_, *components, name, value) || changed;
        return changed;
    });
}

} // namespace nuvex::platform::registry
