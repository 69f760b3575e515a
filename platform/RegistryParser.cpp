// Reading the registry export text (RegistryText.h) into a document of lines, and the
// key paths it names. A text that does not read as this format is an error naming the
// line; nothing here touches a file.

#include "platform/Blanks.h"
#include "platform/HexDigit.h"
#include "platform/Registry.h"
#include "platform/RegistryText.h"
#include "platform/TextFold.h"

namespace nuvex::platform::registry {

namespace textformat {

namespace {

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
                const int digit = HexDigitValue(c);
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
            const int high = end - pos == 2 ? HexDigitValue(text[pos]) : -1;
            const int low = end - pos == 2 ? HexDigitValue(text[pos + 1]) : -1;
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

} // namespace

Document ParseDocument(Root root, std::string_view bytes, const std::string& file)
{
    return Parser(file, root).Parse(bytes);
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

RegistryError InvalidPath(const std::string& path)
{
    return RegistryError("Neplatná cesta ke klíči registru: „" + path + "“.");
}
std::vector<std::string> KeyComponents(const std::string& path)
{
    auto components = SplitPath(path);
    if (!components)
        throw InvalidPath(path);
    return std::move(*components);
}

} // namespace textformat

using namespace textformat;

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

} // namespace nuvex::platform::registry
