#include "platform/IniDocument.h"

#include "platform/Blanks.h"
#include "platform/TextFold.h"

#include <algorithm>

namespace nuvex::platform {

namespace {

constexpr std::string_view kNewLine = "\r\n";

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

} // namespace

IniDocument::Line IniDocument::ParseLine(std::string text, std::string eol)
{
    Line line;
    line.text = std::move(text);
    line.eol = std::move(eol);
    const std::string_view content = Trim(line.text);
    if (content.empty()) {
        line.kind = LineKind::Blank;
    } else if (content.front() == ';') {
        line.kind = LineKind::Comment;
    } else if (content.front() == '[') {
        line.kind = LineKind::Header;
        std::string_view name = content.substr(1);
        // Names may contain "]" themselves; only the last one closes the header.
        if (const auto close = name.rfind(']'); close != std::string_view::npos)
            name = name.substr(0, close);
        line.name = Trim(name);
    } else if (const auto eq = content.find('='); eq != std::string_view::npos) {
        line.kind = LineKind::Key;
        line.name = Trim(content.substr(0, eq));
        std::string_view value = Trim(content.substr(eq + 1));
        if (value.size() >= 2 && IsQuote(value.front()) && value.front() == value.back())
            value = value.substr(1, value.size() - 2);
        line.value = value;
    } else {
        line.kind = LineKind::Other;
    }
    return line;
}

IniDocument IniDocument::Parse(std::string_view bytes)
{
    IniDocument doc;
    std::size_t pos = 0;
    while (pos < bytes.size()) {
        const auto brk = bytes.find_first_of("\r\n", pos);
        if (brk == std::string_view::npos) {
            doc.lines_.push_back(ParseLine(std::string(bytes.substr(pos)), std::string()));
            break;
        }
        const std::size_t eolLen =
            (bytes[brk] == '\r' && brk + 1 < bytes.size() && bytes[brk + 1] == '\n') ? 2 : 1;
        doc.lines_.push_back(
            ParseLine(std::string(bytes.substr(pos, brk - pos)), std::string(bytes.substr(brk, eolLen))));
        pos = brk + eolLen;
    }
    doc.Reindex();
    return doc;
}

void IniDocument::Reindex()
{
    sections_.clear();
    sectionIndex_.clear();
    for (std::size_t i = 0; i < lines_.size(); ++i) {
        const Line& line = lines_[i];
        if (line.kind == LineKind::Header) {
            if (!sections_.empty())
                sections_.back().end = i;
            Section section;
            section.header = i;
            section.lastKey = i;
            section.visible = sectionIndex_.emplace(FoldCase(line.name), sections_.size()).second;
            sections_.push_back(std::move(section));
        } else if (line.kind == LineKind::Key && !sections_.empty()) {
            // Keys before the first header belong to no section and are never read.
            Section& section = sections_.back();
            section.lastKey = i;
            if (section.visible && !line.name.empty() && section.keys.emplace(FoldCase(line.name), i).second)
                section.keyLines.push_back(i);
        }
    }
    if (!sections_.empty())
        sections_.back().end = lines_.size();
}

const IniDocument::Section* IniDocument::FindSection(std::string_view section) const
{
    const auto it = sectionIndex_.find(FoldCase(section));
    return it == sectionIndex_.end() ? nullptr : &sections_[it->second];
}

const IniDocument::Line* IniDocument::FindKey(const Section& section, std::string_view key) const
{
    const auto it = section.keys.find(FoldCase(key));
    return it == section.keys.end() ? nullptr : &lines_[it->second];
}

std::vector<std::string> IniDocument::SectionNames() const
{
    std::vector<std::string> names;
    for (const Section& section : sections_) {
        if (section.visible)
            names.push_back(lines_[section.header].name);
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
    return lines_[found->header].name;
}

std::optional<std::string> IniDocument::Value(std::string_view section, std::string_view key) const
{
    const Section* found = FindSection(section);
    if (!found)
        return std::nullopt;
    const Line* line = FindKey(*found, key);
    if (!line)
        return std::nullopt;
    return line->value;
}

std::vector<std::pair<std::string, std::string>> IniDocument::Entries(std::string_view section) const
{
    std::vector<std::pair<std::string, std::string>> entries;
    if (const Section* found = FindSection(section)) {
        entries.reserve(found->keyLines.size());
        for (const std::size_t index : found->keyLines)
            entries.emplace_back(lines_[index].name, lines_[index].value);
    }
    return entries;
}

void IniDocument::TerminateLine(std::size_t index)
{
    if (lines_[index].eol.empty())
        lines_[index].eol = kNewLine;
}

void IniDocument::SetValue(std::string_view section, std::string_view key, std::string_view value)
{
    ValidateWrite(section, key, value);
    const std::string encoded = EncodeValue(value);

    const Section* found = FindSection(section);
    if (!found) {
        if (!lines_.empty())
            TerminateLine(lines_.size() - 1);
        lines_.push_back(ParseLine("[" + std::string(section) + "]", std::string(kNewLine)));
        lines_.push_back(ParseLine(std::string(key) + "=" + encoded, std::string(kNewLine)));
        Reindex();
        return;
    }

    if (const auto it = found->keys.find(FoldCase(key)); it != found->keys.end()) {
        // Only this line changes and its key keeps its spelling, so the index stays valid.
        Line& line = lines_[it->second];
        line = ParseLine(line.name + "=" + encoded, std::move(line.eol));
        return;
    }

    // After the last key rather than at the section's end: comments and blank lines
    // that close a section usually introduce the next one.
    const std::size_t after = found->lastKey;
    TerminateLine(after);
    lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(after + 1),
                  ParseLine(std::string(key) + "=" + encoded, std::string(kNewLine)));
    Reindex();
}

bool IniDocument::RemoveKey(std::string_view section, std::string_view key)
{
    const Section* found = FindSection(section);
    if (!found)
        return false;
    const auto it = found->keys.find(FoldCase(key));
    if (it == found->keys.end())
        return false;
    lines_.erase(lines_.begin() + static_cast<std::ptrdiff_t>(it->second));
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
        if (FoldCase(lines_[it->header].name) != folded)
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
        size += line.text.size() + line.eol.size();
    std::string bytes;
    bytes.reserve(size);
    for (const Line& line : lines_) {
        bytes += line.text;
        bytes += line.eol;
    }
    return bytes;
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
