// wvdial's configuration read as wvdial reads it (WvdialConfig.h); pure functions over text.

#include "platform/WvdialConfig.h"

#include "platform/PppConfig.h"

#include <algorithm>
#include <cctype>
#include <iterator>

namespace nuvex::platform::wvdial {

namespace {

bool IsSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\r';
}

bool SameFolded(std::string_view a, std::string_view b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}

std::string_view Trim(std::string_view text)
{
    while (!text.empty() && IsSpace(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && IsSpace(text.back()))
        text.remove_suffix(1);
    return text;
}

constexpr std::string_view kAlternates[] = {"Phone1", "Phone2", "Phone3", "Phone4"};

} // namespace

std::vector<Section> ParseSections(std::string_view text)
{
    std::vector<Section> sections;
    Section* current = nullptr;
    std::size_t pos = 0;
    while (pos < text.size()) {
        std::size_t end = text.find('\n', pos);
        const std::size_t next = end == std::string_view::npos ? text.size() : end + 1;
        if (end == std::string_view::npos)
            end = text.size();
        const std::string_view line = text.substr(pos, end - pos);
        const std::string_view trimmed = Trim(line);
        if (trimmed.starts_with('[')) {
            current = nullptr;
            const auto close = trimmed.find(']');
            const std::string_view name =
                Trim(trimmed.substr(1, close == std::string_view::npos ? std::string_view::npos : close - 1));
            if (name.size() > 6 && SameFolded(name.substr(0, 6), "Dialer") && IsSpace(name[6])) {
                sections.push_back(Section{std::string(Trim(name.substr(7))), {}, next});
                current = &sections.back();
            }
        } else if (current && !trimmed.empty() && trimmed.front() != '#' && trimmed.front() != ';') {
            const auto equals = line.find('=');
            if (equals != std::string_view::npos) {
                Setting setting;
                setting.key = std::string(Trim(line.substr(0, equals)));
                std::size_t valueStart = equals + 1;
                while (valueStart < line.size() && IsSpace(line[valueStart]))
                    ++valueStart;
                const std::string_view value = Trim(line.substr(valueStart));
                setting.value = std::string(value);
                setting.valueOffset = pos + valueStart;
                setting.valueLength = value.size();
                current->settings.push_back(std::move(setting));
            }
            current->endOffset = next;
        } else if (current && !trimmed.empty()) {
            current->endOffset = next; // a comment belongs to the section it stands in
        }
        pos = next;
    }
    return sections;
}

Config::Config(std::vector<File> files) : files_(std::move(files))
{
    for (File& file : files_)
        file.sections = ParseSections(file.text);
}

std::vector<std::string> Config::Dialers() const
{
    std::vector<std::string> names;
    for (const File& file : files_)
        for (const Section& section : file.sections) {
            const bool known = std::any_of(names.begin(), names.end(),
                                           [&](const std::string& n) { return SameFolded(n, section.name); });
            if (!known)
                names.push_back(section.name);
        }
    return names;
}

const Section* Config::OwnSection(std::string_view dialer, std::size_t* fileIndex) const
{
    for (std::size_t f = files_.size(); f-- > 0;)
        for (const Section& section : files_[f].sections)
            if (SameFolded(section.name, dialer)) {
                if (fileIndex)
                    *fileIndex = f;
                return &section;
            }
    return nullptr;
}

std::optional<Found> Config::LookupIn(std::string_view dialer, std::string_view key, int depth) const
{
    if (depth > 16)
        return std::nullopt; // an Inherits loop
    // The later file wins, and within a file the later line.
    for (std::size_t f = files_.size(); f-- > 0;)
        for (const Section& section : files_[f].sections) {
            if (!SameFolded(section.name, dialer))
                continue;
            for (auto s = section.settings.rbegin(); s != section.settings.rend(); ++s)
                if (SameFolded(s->key, key) && !s->value.empty())
                    return Found{&*s, f};
        }
    std::string inherits;
    for (std::size_t f = files_.size(); f-- > 0 && inherits.empty();)
        for (const Section& section : files_[f].sections)
            if (SameFolded(section.name, dialer))
                for (const Setting& s : section.settings)
                    if (SameFolded(s.key, "Inherits") && !s.value.empty())
                        inherits = s.value;
    if (!inherits.empty() && !SameFolded(inherits, dialer))
        return LookupIn(inherits, key, depth + 1);
    return std::nullopt;
}

std::optional<Found> Config::Lookup(std::string_view dialer, std::string_view key) const
{
    if (auto found = LookupIn(dialer, key, 0))
        return found;
    if (!SameFolded(dialer, "Defaults"))
        return LookupIn("Defaults", key, 0);
    return std::nullopt;
}

std::string Config::Get(std::string_view dialer, std::string_view key) const
{
    const auto found = Lookup(dialer, key);
    return found ? found->setting->value : std::string();
}

std::string Config::NumberHead(std::string_view dialer) const
{
    const std::string prefix = Get(dialer, "Dial Prefix");
    return prefix + (prefix.empty() ? "" : ",") + Get(dialer, "Area Code");
}

std::string Config::Number(std::string_view dialer) const
{
    std::string number = NumberHead(dialer) + Get(dialer, "Phone");
    for (const std::string_view alternate : kAlternates)
        if (const std::string value = Get(dialer, alternate); !value.empty())
            number += "; " + value;
    return number;
}

std::optional<std::vector<Config::Edit>> Config::EditsFor(std::string_view dialer,
                                                          std::string_view number) const
{
    std::size_t ownFile = 0;
    const Section* own = OwnSection(dialer, &ownFile);
    const std::string head = NumberHead(dialer);
    if (!own || !number.starts_with(head))
        return std::nullopt;
    std::vector<std::string> parts;
    std::string_view rest = number.substr(head.size());
    for (;;) {
        const auto split = rest.find("; ");
        parts.emplace_back(rest.substr(0, split));
        if (split == std::string_view::npos)
            break;
        rest.remove_prefix(split + 2);
    }
    if (parts.size() > 1 + std::size(kAlternates))
        return std::nullopt;
    for (const std::string& part : parts)
        if (part != std::string(Trim(part)) || (part.empty() && parts.size() > 1))
            return std::nullopt; // wvdial would trim or drop it: it would not read back

    std::vector<Edit> edits;
    std::string added;
    const auto put = [&](std::string_view key, const std::string& value) {
        const auto found = Lookup(dialer, key);
        if (found) {
            if (found->setting->value != value)
                edits.push_back(
                    {found->file, found->setting->valueOffset, found->setting->valueLength, value});
        } else if (!value.empty()) {
            added += std::string(key) + " = " + value + "\n";
        }
    };
    put("Phone", parts[0]);
    // Alternates keep the slots they hold, in order; a free slot takes a number only
    // when the held slots after it could not take the rest.
    std::size_t next = 1;
    std::size_t heldAfter = 0;
    for (const std::string_view slot : kAlternates)
        heldAfter += Lookup(dialer, slot) ? 1 : 0;
    for (const std::string_view slot : kAlternates) {
        const bool held = Lookup(dialer, slot).has_value();
        heldAfter -= held ? 1 : 0;
        const std::size_t remaining = parts.size() - next;
        if (held || remaining > heldAfter)
            put(slot, next < parts.size() ? parts[next++] : std::string());
    }
    if (next < parts.size())
        return std::nullopt;
    if (!added.empty()) {
        const std::string& text = files_[ownFile].text;
        std::size_t at = own->endOffset;
        if (at > 0 && at <= text.size() && text[at - 1] != '\n')
            added.insert(0, "\n");
        edits.push_back({ownFile, at, 0, added});
    }
    // wvdial takes an empty value for no value, so an emptied Phone or alternate lets an
    // inherited or default one show through: such a number cannot be written here.
    std::vector<File> written = files_;
    for (std::size_t f = 0; f < written.size(); ++f) {
        std::vector<Edit> fileEdits;
        std::copy_if(edits.begin(), edits.end(), std::back_inserter(fileEdits),
                     [&](const Edit& e) { return e.file == f; });
        written[f].text = ApplyEdits(std::move(written[f].text), std::move(fileEdits));
    }
    if (Config(std::move(written)).Number(dialer) != number)
        return std::nullopt;
    return edits;
}

std::string ApplyEdits(std::string text, std::vector<Config::Edit> edits)
{
    std::sort(edits.begin(), edits.end(),
              [](const Config::Edit& a, const Config::Edit& b) { return a.offset > b.offset; });
    for (const Config::Edit& edit : edits)
        text = ppp::ReplaceRange(text, edit.offset, edit.length, edit.replacement);
    return text;
}

} // namespace nuvex::platform::wvdial
