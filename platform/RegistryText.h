#pragma once

// The registry export text as a document of lines: parsing it (RegistryParser.cpp), and
// the edits the writes make, which change only the lines they must (RegistryText.cpp).
// Pure text, no file access; the registry's files (Registry_file.cpp) are built on it.

#include "platform/Registry.h"

#include <algorithm>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace nuvex::platform::registry::textformat {

inline constexpr std::string_view kHeader = "Windows Registry Editor Version 5.00";
inline constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
inline constexpr std::string_view kNewLine = "\r\n"; // as regedit writes; a file's own line ending wins

inline std::string_view RootName(Root root)
{
    return root == Root::CurrentUser ? "HKEY_CURRENT_USER" : "HKEY_LOCAL_MACHINE";
}

// Text that a line of the file cannot carry.
inline bool HasLineBreakOrNul(std::string_view s)
{
    return s.find_first_of(std::string_view("\r\n\0", 3)) != std::string_view::npos;
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

// The document of a text; throws RegistryError naming `file` and the line when the text
// is damaged.
Document ParseDocument(Root root, std::string_view bytes, const std::string& file);

// "Software\Quorin Software\Nuvex\" → its components; the empty path is the root itself.
// Nothing for a path with an empty component or a character no key name may hold.
std::optional<std::vector<std::string>> SplitPath(std::string_view path);
std::string JoinPath(const std::vector<std::string>& components);
std::vector<std::string> FoldAll(const std::vector<std::string>& components);
// The components of a key path; throws RegistryError for an invalid one.
std::vector<std::string> KeyComponents(const std::string& path);
RegistryError InvalidPath(const std::string& path);

// Adds a section for the key at the end of the document. Components that other sections
// already name keep the spelling written first.
void AppendSection(Document& doc, Root root, const std::vector<std::string>& components);
// Adds or replaces the value; false when the document already holds exactly this value.
bool SetValue(Document& doc, Root root, const std::vector<std::string>& components, const std::string& name,
              const Value& value);
// Throws RegistryError naming `file` for a value that could not be read back as written.
void ValidateWrite(const std::string& file, const std::string& name, const Value& value);

} // namespace nuvex::platform::registry::textformat
