// The INI text format: parsing, lookups and the line-preserving edits (IniDocument.h).

#include "platform/IniDocument.h"

#include "platform/Blanks.h"
#include "platform/TextFold.h"
#include "platform/Utf16.h"

#include <algorithm>
#include <cstdint>
#include <functional>

namespace nuvex::platform {

namespace {

bool IsQuote(char c)
{
    return c == '"' || c == '\'';
}

bool HasLineBreak(std::string_view s)
{
    return s.find_first_of("\r\n") != std::string_view::npos;
}

bool HasNul(std::string_view s)
{
    return s.find('\0') != std::string_view::npos;
}

// The rules every name shares; `what` starts the message ("Název oddílu").
void ValidateName(std::string_view name, const std::string& what)
{
    if (name.empty())
        throw ProfileError(what + " nesmí být prázdný");
    if (HasLineBreak(name))
        throw ProfileError(what + " nesmí obsahovat konec řádku");
    if (HasNul(name))
        throw ProfileError(what + " nesmí obsahovat nulový znak");
    if (IsBlank(name.front()) || IsBlank(name.back()))
        throw ProfileError(what + " nesmí začínat ani končit mezerou nebo tabulátorem");
}

constexpr std::string_view kLineEnds[] = {"", "\r\n", "\n", "\r"};
constexpr std::uint8_t kCrLf = 1;
constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";
constexpr std::string_view kUtf16Bom = "\xFF\xFE";

std::uint64_t HashFolded(std::string_view name)
{
    return std::hash<std::string>{}(FoldCase(name));
}

// Text as a person writes it: UTF-8 without control characters other than the blanks.
bool IsText(std::string_view line)
{
    for (std::size_t i = 0; i < line.size();) {
        const auto b = static_cast<unsigned char>(line[i]);
        if (b < 0x80) {
            if ((b < 0x20 && !IsBlank(static_cast<char>(b))) || b == 0x7F)
                return false;
            ++i;
            continue;
        }
        const std::size_t length = b >= 0xC2 && b <= 0xDF   ? 2
                                   : b >= 0xE0 && b <= 0xEF ? 3
                                   : b >= 0xF0 && b <= 0xF4 ? 4
                                                            : 0;
        if (length == 0 || i + length > line.size())
            return false;
        for (std::size_t k = 1; k < length; ++k) {
            if ((static_cast<unsigned char>(line[i + k]) & 0xC0) != 0x80)
                return false;
        }
        i += length;
    }
    return true;
}

} // namespace

std::string_view IniDocument::Text(const Line& line) const
{
    return std::string_view(text_).substr(line.offset, line.length);
}

std::string_view IniDocument::Name(const Line& line) const
{
    const std::string_view content = Trim(Text(line));
    if (line.kind == LineKind::Header) {
        // Names may contain "]" themselves; only the last one closes the header.
        std::string_view name = content.substr(1);
        return Trim(name.substr(0, name.rfind(']')));
    }
    if (line.kind == LineKind::Key)
        return Trim(content.substr(0, content.find('=')));
    return {};
}

std::string_view IniDocument::KeyValue(const Line& line) const
{
    const std::string_view content = Trim(Text(line));
    const auto eq = content.find('=');
    if (line.kind != LineKind::Key || eq == std::string_view::npos)
        return {};
    std::string_view value = Trim(content.substr(eq + 1));
    if (value.size() >= 2 && IsQuote(value.front()) && value.front() == value.back())
        value = value.substr(1, value.size() - 2);
    // The profile functions hand values over as C strings.
    return value.substr(0, value.find('\0'));
}

IniDocument::Line IniDocument::MakeLine(std::size_t offset, std::size_t length, std::uint8_t eol) const
{
    if (offset + length > UINT32_MAX)
        throw ProfileError("Soubor je příliš velký (nejvýše 4 GiB).");
    Line line;
    line.offset = static_cast<std::uint32_t>(offset);
    line.length = static_cast<std::uint32_t>(length);
    line.eol = eol;
    const std::string_view content = Trim(Text(line));
    if (content.empty())
        line.kind = LineKind::Blank;
    else if (content.front() == ';')
        line.kind = LineKind::Comment;
    else if (content.front() == '[' && content.find(']') != std::string_view::npos)
        line.kind = LineKind::Header;
    else
        line.kind = LineKind::Key;
    return line;
}

IniDocument::Line IniDocument::NewLine(const std::string& text)
{
    // Edited text goes after the file's bytes; the old text of a replaced line stays
    // unused there for the document's short life.
    const std::size_t offset = text_.size();
    text_ += text;
    return MakeLine(offset, text.size(), kCrLf);
}

IniDocument IniDocument::Parse(std::string_view bytes)
{
    return ParseOwned(std::string(bytes));
}

IniDocument IniDocument::ParseOwned(std::string&& bytes)
{
    IniDocument doc;
    if (bytes.starts_with(kUtf16Bom)) {
        doc.encoding_ = Encoding::Utf16Le;
        const std::string_view units = std::string_view(bytes).substr(kUtf16Bom.size());
        if (units.size() % 2 != 0)
            doc.trailing_ = units.back();
        doc.text_ = FromUtf16(units);
        std::string().swap(bytes);
    } else {
        if (bytes.starts_with(kUtf8Bom)) {
            doc.encoding_ = Encoding::Utf8Bom;
            bytes.erase(0, kUtf8Bom.size());
        }
        doc.text_ = std::move(bytes);
    }

    const std::string_view text = doc.text_;
    std::size_t count = 0;
    for (const char c : text)
        count += c == '\n' || c == '\r';
    doc.lines_.reserve(count + 1);
    std::size_t pos = 0;
    while (pos < text.size()) {
        const auto brk = text.find_first_of("\r\n", pos);
        if (brk == std::string_view::npos) {
            doc.lines_.push_back(doc.MakeLine(pos, text.size() - pos, 0));
            break;
        }
        const bool crlf = text[brk] == '\r' && brk + 1 < text.size() && text[brk + 1] == '\n';
        const std::uint8_t eol = crlf ? kCrLf : text[brk] == '\n' ? 2 : 3;
        doc.lines_.push_back(doc.MakeLine(pos, brk - pos, eol));
        pos = brk + (crlf ? 2 : 1);
    }
    doc.lines_.shrink_to_fit();
    for (std::size_t k = 0; k < doc.lines_.size() && doc.binaryLine_ == 0; ++k) {
        if (!IsText(doc.Text(doc.lines_[k])))
            doc.binaryLine_ = k + 1;
    }
    doc.Reindex();
    return doc;
}

template <typename NameOf>
std::vector<IniDocument::NameHash> IniDocument::FirstOfEachName(std::vector<NameHash> all, NameOf nameOf)
{
    // Sorted by hash, then by place: each group of equal hashes is tiny, and within it
    // the folded names tell names that merely share a hash apart.
    std::sort(all.begin(), all.end());
    std::vector<NameHash> firsts;
    firsts.reserve(all.size());
    for (std::size_t k = 0; k < all.size();) {
        std::size_t groupEnd = k + 1;
        while (groupEnd < all.size() && all[groupEnd].hash == all[k].hash)
            ++groupEnd;
        std::vector<std::string> seen;
        for (std::size_t m = k; m < groupEnd; ++m) {
            std::string folded = groupEnd - k > 1 ? FoldCase(nameOf(all[m].index)) : std::string();
            if (std::find(seen.begin(), seen.end(), folded) != seen.end())
                continue;
            seen.push_back(std::move(folded));
            firsts.push_back(all[m]);
        }
        k = groupEnd;
    }
    return firsts;
}

void IniDocument::Reindex()
{
    sections_.clear();
    for (std::size_t i = 0; i < lines_.size(); ++i) {
        const Line& line = lines_[i];
        if (line.kind == LineKind::Header) {
            if (!sections_.empty())
                sections_.back().end = static_cast<std::uint32_t>(i);
            sections_.push_back({static_cast<std::uint32_t>(i), 0, static_cast<std::uint32_t>(i), false});
        } else if (line.kind == LineKind::Key && !sections_.empty()) {
            // Keys before the first header belong to no section and are never read.
            sections_.back().lastKey = static_cast<std::uint32_t>(i);
        }
    }
    if (!sections_.empty())
        sections_.back().end = static_cast<std::uint32_t>(lines_.size());

    // The first section of each folded name is the one that counts. Sorting hashes keeps
    // the index small; names whose hashes meet are told apart by their folded text.
    std::vector<NameHash> all;
    all.reserve(sections_.size());
    for (std::size_t k = 0; k < sections_.size(); ++k)
        all.push_back({HashFolded(Name(lines_[sections_[k].header])), static_cast<std::uint32_t>(k)});
    sectionIndex_ =
        FirstOfEachName(std::move(all), [&](std::uint32_t k) { return Name(lines_[sections_[k].header]); });
    for (const NameHash& first : sectionIndex_)
        sections_[first.index].visible = true;
    sectionIndex_.shrink_to_fit();
}

const IniDocument::Section* IniDocument::FindSection(std::string_view section) const
{
    const std::string folded = FoldCase(section);
    const std::uint64_t hash = std::hash<std::string>{}(folded);
    auto it = std::lower_bound(sectionIndex_.begin(), sectionIndex_.end(), NameHash{hash, 0});
    for (; it != sectionIndex_.end() && it->hash == hash; ++it) {
        const Section& candidate = sections_[it->index];
        if (FoldCase(Name(lines_[candidate.header])) == folded)
            return &candidate;
    }
    return nullptr;
}

std::optional<std::uint32_t> IniDocument::FindKey(const Section& section, std::string_view key) const
{
    const std::string folded = FoldCase(key);
    for (std::uint32_t i = section.header + 1; i < section.end; ++i) {
        const Line& line = lines_[i];
        if (line.kind != LineKind::Key)
            continue;
        const std::string_view name = Name(line);
        if (!name.empty() && FoldCase(name) == folded)
            return i;
    }
    return std::nullopt;
}

std::vector<std::string> IniDocument::SectionNames() const
{
    std::vector<std::string> names;
    for (const Section& section : sections_) {
        if (section.visible)
            names.emplace_back(Name(lines_[section.header]));
    }
    return names;
}

bool IniDocument::HasSection(std::string_view section) const
{
    return FindSection(section) != nullptr;
}

std::optional<std::string> IniDocument::SectionSpelling(std::string_view section) const
{
    const Section* found = FindSection(section);
    if (!found)
        return std::nullopt;
    return std::string(Name(lines_[found->header]));
}

std::optional<std::string> IniDocument::Value(std::string_view section, std::string_view key) const
{
    const Section* found = FindSection(section);
    if (!found)
        return std::nullopt;
    const auto line = FindKey(*found, key);
    if (!line)
        return std::nullopt;
    return std::string(KeyValue(lines_[*line]));
}

std::vector<std::pair<std::string, std::string>> IniDocument::Entries(std::string_view section) const
{
    std::vector<std::pair<std::string, std::string>> entries;
    const Section* found = FindSection(section);
    if (!found)
        return entries;
    // The first of keys equal but for letter case, found by sorting hashes rather than by
    // holding every folded key at once.
    std::vector<NameHash> keys;
    for (std::uint32_t i = found->header + 1; i < found->end; ++i) {
        if (lines_[i].kind == LineKind::Key && !Name(lines_[i]).empty())
            keys.push_back({HashFolded(Name(lines_[i])), i});
    }
    std::vector<std::uint32_t> firsts;
    for (const NameHash& first :
         FirstOfEachName(std::move(keys), [&](std::uint32_t i) { return Name(lines_[i]); }))
        firsts.push_back(first.index);
    std::sort(firsts.begin(), firsts.end());
    entries.reserve(firsts.size());
    for (const std::uint32_t index : firsts)
        entries.emplace_back(std::string(Name(lines_[index])), std::string(KeyValue(lines_[index])));
    return entries;
}

void IniDocument::TerminateLine(std::size_t index)
{
    if (lines_[index].eol == 0)
        lines_[index].eol = kCrLf;
}

void IniDocument::SetValue(std::string_view section, std::string_view key, std::string_view value)
{
    CheckWrite(section, key, value);
    const std::string encoded = EncodeValue(value);

    const Section* found = FindSection(section);
    if (!found) {
        if (!lines_.empty())
            TerminateLine(lines_.size() - 1);
        lines_.push_back(NewLine("[" + std::string(section) + "]"));
        lines_.push_back(NewLine(std::string(key) + "=" + encoded));
        Reindex();
        return;
    }

    if (const auto index = FindKey(*found, key)) {
        // Only this line changes and its key keeps its spelling; the line stays a key line.
        const std::uint8_t eol = lines_[*index].eol;
        lines_[*index] = NewLine(std::string(Name(lines_[*index])) + "=" + encoded);
        lines_[*index].eol = eol;
        return;
    }

    // After the last key rather than at the section's end: comments and blank lines
    // that close a section usually introduce the next one.
    const std::size_t after = found->lastKey;
    TerminateLine(after);
    lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(after + 1),
                  NewLine(std::string(key) + "=" + encoded));
    Reindex();
}

bool IniDocument::RemoveKey(std::string_view section, std::string_view key)
{
    const Section* found = FindSection(section);
    if (!found)
        return false;
    const auto index = FindKey(*found, key);
    if (!index)
        return false;
    lines_.erase(lines_.begin() + static_cast<std::ptrdiff_t>(*index));
    Reindex();
    return true;
}

bool IniDocument::RemoveSection(std::string_view section)
{
    // Every section of that name goes, so that a hidden duplicate does not come back
    // in its place. Erased back to front to keep the earlier indices valid.
    const std::string folded = FoldCase(section);
    bool removed = false;
    for (auto it = sections_.rbegin(); it != sections_.rend(); ++it) {
        if (FoldCase(Name(lines_[it->header])) != folded)
            continue;
        lines_.erase(lines_.begin() + static_cast<std::ptrdiff_t>(it->header),
                     lines_.begin() + static_cast<std::ptrdiff_t>(it->end));
        removed = true;
    }
    if (removed)
        Reindex();
    return removed;
}

std::string IniDocument::Serialize() const
{
    std::size_t size = 0;
    for (const Line& line : lines_)
        size += line.length + kLineEnds[line.eol].size();
    std::string bytes;
    bytes.reserve(size + kUtf8Bom.size());
    if (encoding_ == Encoding::Utf8Bom)
        bytes += kUtf8Bom;
    for (const Line& line : lines_) {
        bytes += Text(line);
        bytes += kLineEnds[line.eol];
    }
    if (encoding_ != Encoding::Utf16Le)
        return bytes;
    std::string units(kUtf16Bom);
    units.reserve(2 + bytes.size() * 2 + trailing_.size());
    AppendUtf16(bytes, units);
    units += trailing_;
    return units;
}

void IniDocument::ValidateWrite(std::string_view section, std::string_view key, std::string_view value)
{
    ValidateName(section, "Název oddílu");
    if (section.find(']') != std::string_view::npos)
        throw ProfileError("Název oddílu nesmí obsahovat znak ]");
    ValidateName(key, "Název klíče");
    if (key.find('=') != std::string_view::npos)
        throw ProfileError("Název klíče nesmí obsahovat znak =");
    if (key.front() == '[' || key.front() == ';')
        throw ProfileError("Název klíče nesmí začínat znakem [ ani ;");
    if (HasLineBreak(value))
        throw ProfileError("Hodnota nesmí obsahovat konec řádku");
    if (HasNul(value))
        throw ProfileError("Hodnota nesmí obsahovat nulový znak");
}

void IniDocument::CheckWrite(std::string_view section, std::string_view key, std::string_view value) const
{
    ValidateWrite(section, key, value);
    if (encoding_ != Encoding::Utf16Le)
        return;
    for (const std::string_view text : {section, key, value}) {
        std::string units;
        AppendUtf16(text, units);
        if (FromUtf16(units) != text)
            throw ProfileError("Do souboru v UTF-16 nelze zapsat text, který není platné UTF-8");
    }
}

std::string IniDocument::EncodeValue(std::string_view value)
{
    // Reading trims blanks and removes one pair of matching quotes; an extra pair of
    // quotes protects exactly those values.
    const bool blanksAround = !value.empty() && (IsBlank(value.front()) || IsBlank(value.back()));
    const bool quoted = value.size() >= 2 && IsQuote(value.front()) && value.front() == value.back();
    if (blanksAround || quoted)
        return "\"" + std::string(value) + "\"";
    return std::string(value);
}

} // namespace nuvex::platform
