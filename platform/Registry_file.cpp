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

#include "platform/AtomicFile.h"
#include "platform/Blanks.h"
#include "platform/FileSignature.h"
#include "platform/Registry.h"
#include "platform/SystemPaths.h"
#include "platform/TextFold.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <memory>
#include <mutex>
#include <optional>
#include <string_view>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>
#include <unordered_map>
#include <utility>

namespace nuvex::platform::registry {

namespace {

constexpr std::string_view kHeader = "Windows Registry Editor Version 5.00";
constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
constexpr std::string_view kNewLine = "\r\n"; // as regedit writes; a file's own line ending wins

std::string_view RootName(Root root)
{
    return root == Root::CurrentUser ? "HKEY_CURRENT_USER" : "HKEY_LOCAL_MACHINE";
}

bool StartsWithIgnoringAsciiCase(std::string_view text, std::string_view prefix)
{
    if (text.size() < prefix.size())
        return false;
    for (std::size_t i = 0; i < prefix.size(); ++i) {
        const auto lower = [](char c) {
            return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
        };
        if (lower(text[i]) != lower(prefix[i]))
            return false;
    }
    return true;
}

// Text that a line of the file cannot carry.
bool HasLineBreakOrNul(std::string_view s)
{
    return s.find_first_of(std::string_view("\r\n\0", 3)) != std::string_view::npos;
}

int HexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// "Software\Quorin Software\Nuvex\" → its components; the empty path is the root itself.
// Nothing for a path with an empty component or a character no key name may hold.
std::optional<std::vector<std::string>> SplitPath(std::string_view path)
{
    if (!path.empty() && path.back() == '\\')
        path.remove_suffix(1);
    std::vector<std::string> components;
    if (path.empty())
        return components;
    if (HasLineBreakOrNul(path))
        return std::nullopt;
    std::size_t start = 0;
    for (;;) {
        const auto slash = path.find('\\', start);
        const std::string_view part =
            path.substr(start, slash == std::string_view::npos ? path.npos : slash - start);
        if (part.empty())
            return std::nullopt;
        components.emplace_back(part);
        if (slash == std::string_view::npos)
            return components;
        start = slash + 1;
    }
}

std::string JoinPath(const std::vector<std::string>& components)
{
    std::string path;
    for (const std::string& part : components) {
        if (!path.empty())
            path += '\\';
        path += part;
    }
    return path;
}

std::vector<std::string> FoldAll(const std::vector<std::string>& components)
{
    std::vector<std::string> folded;
    folded.reserve(components.size());
    for (const std::string& part : components)
        folded.push_back(FoldCase(part));
    return folded;
}

std::string Quote(std::string_view text)
{
    std::string quoted = "\"";
    for (const char c : text) {
        if (c == '"' || c == '\\')
            quoted += '\\';
        quoted += c;
    }
    quoted += '"';
    return quoted;
}

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

RegistryError InvalidPath(const std::string& path)
{
    return RegistryError("Neplatná cesta ke klíči registru: „" + path + "“.");
}

struct Line
{
    std::string text;
    std::string eol; // "\r\n", "\n", "\r", or empty on a last line without one
};

struct Entry
{
    std::string name; // as the file spells it
    std::string foldedName;
    Value value;
    std::size_t first = 0; // its physical lines: a long binary may continue over several
    std::size_t last = 0;
};

struct Section
{
    std::vector<std::string> components; // as the file spells them
    std::vector<std::string> folded;
    std::size_t header = 0;
    std::size_t lastValueLine = 0; // the header's line while the section has no values
    std::vector<Entry> entries;
};

struct Document
{
    std::vector<Line> lines;
    std::vector<Section> sections;
    bool hasHeader = false;
    std::string eol = std::string(kNewLine);

    std::string Serialize() const
    {
        std::string bytes;
        for (const Line& line : lines)
            bytes += line.text + line.eol;
        return bytes;
    }

    // A key exists when it has a section of its own or below it: ancestors need no section.
    bool HasKey(const std::vector<std::string>& folded) const
    {
        if (folded.empty())
            return true;
        for (const Section& section : sections) {
            if (section.folded.size() >= folded.size() &&
                std::equal(folded.begin(), folded.end(), section.folded.begin()))
                return true;
        }
        return false;
    }

    // Where a value is defined; the last definition wins, as an import would leave it.
    std::pair<const Section*, const Entry*> Find(const std::vector<std::string>& folded,
                                                 const std::string& foldedName) const
    {
        std::pair<const Section*, const Entry*> found{nullptr, nullptr};
        for (const Section& section : sections) {
            if (section.folded != folded)
                continue;
            for (const Entry& entry : section.entries) {
                if (entry.foldedName == foldedName)
                    found = {&section, &entry};
            }
        }
        return found;
    }
    std::pair<Section*, Entry*> Find(const std::vector<std::string>& folded, const std::string& foldedName)
    {
        const auto [section, entry] = std::as_const(*this).Find(folded, foldedName);
        return {const_cast<Section*>(section), const_cast<Entry*>(entry)};
    }

    Section* LastSection(const std::vector<std::string>& folded)
    {
        Section* last = nullptr;
        for (Section& section : sections) {
            if (section.folded == folded)
                last = &section;
        }
        return last;
    }
};

class Parser
{
public:
    Parser(const std::string& file, Root root) : file_(file), root_(root) {}

    Document Parse(std::string_view bytes)
    {
        doc_.lines = SplitLines(bytes);
        for (const Line& line : doc_.lines) {
            if (!line.eol.empty()) {
                doc_.eol = line.eol;
                break;
            }
        }
        for (std::size_t i = 0; i < doc_.lines.size(); ++i) {
            std::string_view content = doc_.lines[i].text;
            if (i == 0 && content.starts_with(kByteOrderMark))
                content.remove_prefix(kByteOrderMark.size());
            content = Trim(content);
            if (content.empty())
                continue;
            if (!doc_.hasHeader) {
                if (content != kHeader)
                    Damaged(i, "chybí záhlaví „" + std::string(kHeader) + "“");
                doc_.hasHeader = true;
            } else if (content.front() == ';') {
                continue;
            } else if (content.front() == '[') {
                ParseSectionLine(i, content);
            } else if (content.front() == '"' || content.front() == '@') {
                i = ParseValueLines(i, content);
            } else {
                Damaged(i, "neplatný řádek");
            }
        }
        return std::move(doc_);
    }

private:
    static std::vector<Line> SplitLines(std::string_view bytes)
    {
        std::vector<Line> lines;
        std::size_t pos = 0;
        while (pos < bytes.size()) {
            const auto brk = bytes.find_first_of("\r\n", pos);
            if (brk == std::string_view::npos) {
                lines.push_back({std::string(bytes.substr(pos)), std::string()});
                break;
            }
            const std::size_t eolLength =
                (bytes[brk] == '\r' && brk + 1 < bytes.size() && bytes[brk + 1] == '\n') ? 2 : 1;
            lines.push_back(
                {std::string(bytes.substr(pos, brk - pos)), std::string(bytes.substr(brk, eolLength))});
            pos = brk + eolLength;
        }
        return lines;
    }

    [[noreturn]] void Damaged(std::size_t line, const std::string& reason) const
    {
        throw RegistryError("Soubor " + file_ + " je poškozen (řádek " + std::to_string(line + 1) +
                            "): " + reason + ".");
    }

    void ParseSectionLine(std::size_t i, std::string_view content)
    {
        if (content.size() < 2 || content.back() != ']')
            Damaged(i, "neúplný název klíče");
        const std::string_view name = content.substr(1, content.size() - 2);
        const auto slash = name.find('\\');
        const std::string_view rootName = name.substr(0, slash);
        if (!EqualsIgnoreCase(rootName, RootName(root_))) {
            const Root other = root_ == Root::CurrentUser ? Root::LocalMachine : Root::CurrentUser;
            if (EqualsIgnoreCase(rootName, RootName(other)))
                Damaged(i, "klíč patří do " + std::string(RootName(other)) + ", tento soubor je pro " +
                               std::string(RootName(root_)));
            Damaged(i, "neznámý kořen klíče „" + std::string(rootName) + "“");
        }
        auto components =
            SplitPath(slash == std::string_view::npos ? std::string_view() : name.substr(slash + 1));
        if (!components)
            Damaged(i, "neplatný název klíče");
        Section section;
        section.folded = FoldAll(*components);
        section.components = std::move(*components);
        section.header = i;
        section.lastValueLine = i;
        doc_.sections.push_back(std::move(section));
    }

    // Reads "text" with its \\ and \" escapes from s[pos] on; pos ends past the closing quote.
    std::string ParseQuoted(std::size_t i, std::string_view s, std::size_t& pos, const char* what) const
    {
        std::string text;
        for (++pos; pos < s.size(); ++pos) {
            const char c = s[pos];
            if (c == '"') {
                ++pos;
                return text;
            }
            if (c == '\\') {
                if (pos + 1 >= s.size() || (s[pos + 1] != '\\' && s[pos + 1] != '"'))
                    Damaged(i, std::string(what) + " obsahuje neplatnou posloupnost se zpětným lomítkem");
                ++pos;
            }
            text += s[pos];
        }
        Damaged(i, std::string(what) + " nemá uzavírací uvozovky");
    }

    // Parses the value starting on line i; returns the index of its last physical line.
    std::size_t ParseValueLines(std::size_t i, std::string_view content)
    {
        if (doc_.sections.empty())
            Damaged(i, "hodnota stojí před prvním klíčem");
        Entry entry;
        entry.first = i;
        std::size_t pos = 0;
        if (content.front() == '@')
            pos = 1;
        else
            entry.name = ParseQuoted(i, content, pos, "název hodnoty");
        if (pos >= content.size() || content[pos] != '=')
            Damaged(i, "za názvem hodnoty chybí „=“");
        const std::string_view data = content.substr(pos + 1);
        std::size_t last = i;

        if (!data.empty() && data.front() == '"') {
            std::size_t end = 0;
            entry.value = Value::FromString(ParseQuoted(i, data, end, "řetězec"));
            if (end != data.size())
                Damaged(i, "za řetězcem následuje další text");
        } else if (StartsWithIgnoringAsciiCase(data, "dword:")) {
            const std::string_view digits = data.substr(6);
            std::uint32_t number = 0;
            for (const char c : digits) {
                const int digit = HexDigit(c);
                if (digit < 0)
                    Damaged(i, "neplatná hodnota typu dword");
                number = number << 4 | static_cast<std::uint32_t>(digit);
            }
            if (digits.size() != 8)
                Damaged(i, "neplatná hodnota typu dword");
            entry.value = Value::FromDWord(number);
        } else if (StartsWithIgnoringAsciiCase(data, "hex:")) {
            entry.value = Value::FromBinary(ParseHex(i, data.substr(4), last));
        } else {
            Damaged(i, "neznámý typ hodnoty");
        }

        entry.last = last;
        entry.foldedName = FoldCase(entry.name);
        Section& section = doc_.sections.back();
        section.lastValueLine = last;
        section.entries.push_back(std::move(entry));
        return last;
    }

    // "aa,bb,\" continues on the next line, as regedit wraps long binaries.
    std::vector<std::uint8_t> ParseHex(std::size_t i, std::string_view first, std::size_t& last)
    {
        std::string text;
        std::vector<std::pair<std::size_t, std::size_t>> starts; // offset in text → line
        std::string_view piece = Trim(first);
        last = i;
        for (;;) {
            starts.emplace_back(text.size(), last);
            const bool continues = !piece.empty() && piece.back() == '\\';
            if (continues)
                piece.remove_suffix(1);
            text += piece;
            if (!continues)
                break;
            if (last + 1 >= doc_.lines.size())
                Damaged(last, "hodnota typu hex pokračuje za koncem souboru");
            piece = Trim(doc_.lines[++last].text);
        }

        std::vector<std::uint8_t> bytes;
        if (text.empty())
            return bytes;
        const auto lineOf = [&](std::size_t offset) {
            std::size_t line = i;
            for (const auto& [start, index] : starts) {
                if (start <= offset)
                    line = index;
            }
            return line;
        };
        std::size_t pos = 0;
        for (;;) {
            const auto comma = text.find(',', pos);
            const std::size_t end = comma == std::string::npos ? text.size() : comma;
            const int high = end - pos == 2 ? HexDigit(text[pos]) : -1;
            const int low = end - pos == 2 ? HexDigit(text[pos + 1]) : -1;
            if (high < 0 || low < 0)
                Damaged(lineOf(pos), "neplatná hodnota typu hex");
            bytes.push_back(static_cast<std::uint8_t>(high << 4 | low));
            if (comma == std::string::npos)
                return bytes;
            pos = comma + 1;
        }
    }

    const std::string& file_;
    Root root_;
    Document doc_;
};

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
    return {Parser(file, root).Parse(data->bytes), data->status.st_mode & 07777};
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
        LoadedFile{Parser(file, root).Parse(data->bytes), data->status.st_mode & 07777});
    const std::lock_guard lock(cacheMutex);
    CachedFile& entry = cache[file];
    entry.signature = FileSignature::Of(data->status);
    entry.racy = IsRacy(data->status);
    entry.bytes = entry.racy ? std::move(data->bytes) : std::string();
    entry.loaded = loaded;
    return loaded;
}

std::string RenderValue(const std::string& name, const Value& value)
{
    std::string line = name.empty() ? std::string("@") : Quote(name);
    line += '=';
    switch (value.type) {
    case ValueType::String:
        line += Quote(value.AsString());
        break;
    case ValueType::DWord: {
        char digits[16];
        std::snprintf(digits, sizeof digits, "%08x", static_cast<unsigned>(value.AsDWord()));
        line += "dword:";
        line += digits;
        break;
    }
    case ValueType::Binary: {
        static constexpr char kDigits[] = "0123456789abcdef";
        line += "hex:";
        for (std::size_t k = 0; k < value.data.size(); ++k) {
            if (k > 0)
                line += ',';
            line += kDigits[value.data[k] >> 4];
            line += kDigits[value.data[k] & 0x0F];
        }
        break;
    }
    default:
        throw RegistryError("Hodnotu „" + name + "“ neznámého typu nelze uložit do registru.");
    }
    return line;
}

void AppendLine(Document& doc, std::string text)
{
    if (!doc.lines.empty() && doc.lines.back().eol.empty())
        doc.lines.back().eol = doc.eol;
    doc.lines.push_back({std::move(text), doc.eol});
}

// Adds a section for the key at the end of the file. Components that other sections
// already name keep the spelling written first.
void AppendSection(Document& doc, Root root, const std::vector<std::string>& components)
{
    if (!doc.hasHeader) {
        // Only blank lines so far: the header goes first, after a byte order mark if any.
        std::string header(kHeader);
        if (!doc.lines.empty() && doc.lines.front().text.starts_with(kByteOrderMark)) {
            doc.lines.front().text.erase(0, kByteOrderMark.size());
            header.insert(0, kByteOrderMark);
        }
        doc.lines.insert(doc.lines.begin(), Line{header, doc.eol});
        doc.hasHeader = true;
    }
    if (!Trim(doc.lines.back().text).empty())
        AppendLine(doc, std::string());

    const std::vector<std::string> folded = FoldAll(components);
    std::string name(RootName(root));
    for (std::size_t k = 0; k < components.size(); ++k) {
        std::string spelling = components[k];
        for (const Section& section : doc.sections) {
            if (section.folded.size() > k &&
                std::equal(folded.begin(), folded.begin() + k + 1, section.folded.begin())) {
                spelling = section.components[k];
                break;
            }
        }
        name += '\\';
        name += spelling;
    }
    AppendLine(doc, "[" + name + "]");
}

// Adds or replaces the value; false when the file already holds exactly this value.
bool SetValue(Document& doc, Root root, const std::vector<std::string>& components, const std::string& name,
              const Value& value)
{
    const std::vector<std::string> folded = FoldAll(components);
    const auto [section, entry] = doc.Find(folded, FoldCase(name));
    if (entry) {
        if (entry->value == value)
            return false;
        const auto first = doc.lines.begin() + static_cast<std::ptrdiff_t>(entry->first);
        first->text = RenderValue(entry->name, value);
        first->eol = doc.lines[entry->last].eol;
        doc.lines.erase(first + 1, first + 1 + static_cast<std::ptrdiff_t>(entry->last - entry->first));
        return true;
    }
    if (Section* target = doc.LastSection(folded)) {
        const std::size_t after = target->lastValueLine;
        if (doc.lines[after].eol.empty())
            doc.lines[after].eol = doc.eol;
        doc.lines.insert(doc.lines.begin() + static_cast<std::ptrdiff_t>(after + 1),
                         Line{RenderValue(name, value), doc.eol});
        return true;
    }
    AppendSection(doc, root, components);
    AppendLine(doc, RenderValue(name, value));
    return true;
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

// Refused before the file is touched: none of these could be read back as written.
void ValidateWrite(const std::string& file, const std::string& name, const Value& value)
{
    if (HasLineBreakOrNul(name))
        throw RegistryError("Hodnotu „" + name + "“ nelze uložit do souboru " + file +
                            ": název nesmí obsahovat konec řádku ani nulový znak.");
    if (value.type == ValueType::String && HasLineBreakOrNul(value.AsString()))
        throw RegistryError("Hodnotu „" + name + "“ nelze uložit do souboru " + file +
                            ": text nesmí obsahovat konec řádku ani nulový znak.");
    if (value.type == ValueType::DWord && value.data.size() != 4)
        throw RegistryError("Hodnota „" + name + "“ typu REG_DWORD nemá 4 bajty.");
    RenderValue(name, value); // refuses an unknown type
}

std::vector<std::string> KeyComponents(const std::string& path)
{
    auto components = SplitPath(path);
    if (!components)
        throw InvalidPath(path);
    return std::move(*components);
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

Value Value::FromDWord(std::uint32_t value)
{
    return {ValueType::DWord,
            {static_cast<std::uint8_t>(value), static_cast<std::uint8_t>(value >> 8),
             static_cast<std::uint8_t>(value >> 16), static_cast<std::uint8_t>(value >> 24)}};
}

Value Value::FromString(const std::string& text)
{
    return {ValueType::String, std::vector<std::uint8_t>(text.begin(), text.end())};
}

Value Value::FromBinary(std::vector<std::uint8_t> bytes)
{
    return {ValueType::Binary, std::move(bytes)};
}

std::uint32_t Value::AsDWord() const
{
    if (type != ValueType::DWord || data.size() != 4)
        throw RegistryError("Hodnota není typu REG_DWORD.");
    return static_cast<std::uint32_t>(data[0]) | static_cast<std::uint32_t>(data[1]) << 8 |
           static_cast<std::uint32_t>(data[2]) << 16 | static_cast<std::uint32_t>(data[3]) << 24;
}

std::string Value::AsString() const
{
    if (type != ValueType::String)
        throw RegistryError("Hodnota není typu REG_SZ.");
    return std::string(data.begin(), data.end());
}

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

std::vector<TextValue> ParseText(Root root, std::string_view bytes, const std::string& file)
{
    const Document doc = Parser(file, root).Parse(bytes);
    std::vector<TextValue> values;
    std::vector<std::pair<std::vector<std::string>, std::string>> folded; // of values[i]
    for (const Section& section : doc.sections) {
        for (const Entry& entry : section.entries) {
            std::size_t k = 0;
            while (k < values.size() &&
                   !(folded[k].first == section.folded && folded[k].second == entry.foldedName))
                ++k;
            if (k < values.size()) {
                values[k].value = entry.value;
                continue;
            }
            values.push_back({JoinPath(section.components), entry.name, entry.value});
            folded.emplace_back(section.folded, entry.foldedName);
        }
    }
    return values;
}

std::string RenderText(Root root, const std::vector<TextValue>& values)
{
    Document doc;
    for (const TextValue& value : values) {
        ValidateWrite(RootFile(root), value.name, value.value);
        SetValue(doc, root, KeyComponents(value.key), value.name, value.value);
    }
    return doc.Serialize();
}

std::string WriteText(Root root, std::string_view bytes, const std::string& file, const TextValue& value)
{
    ValidateWrite(file, value.name, value.value);
    Document doc = Parser(file, root).Parse(bytes);
    SetValue(doc, root, KeyComponents(value.key), value.name, value.value);
    return doc.Serialize();
}

} // namespace nuvex::platform::registry
