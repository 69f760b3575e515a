#pragma once

// The INI text format as the Windows profile functions read it, and the edits that the
// profile writer makes. Plain bytes (UTF-8 on Linux); no file access here.
//
// Reading rules: blanks (space, tab) around section names, keys, "=" and values are
// ignored; one pair of matching double or single quotes around a value is removed;
// a line beginning with ";" is a comment; a section name runs to the last "]" of its
// header line; lines without "=" are not keys; CR LF, LF and CR all end a line; the
// first of duplicate sections or keys wins; names match without regard to letter case
// (every letter, Czech ones included).
//
// Edits touch only the lines they must; every other line stays byte for byte.

#include <cstddef>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

namespace nuvex::platform {

// A profile write that was refused or failed. The message is for the user.
class ProfileError : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
};

class IniDocument
{
public:
    IniDocument() = default;
    static IniDocument Parse(std::string_view bytes);

    // Section names in file order, as the file spells them, the first of duplicates only.
    std::vector<std::string> SectionNames() const;
    bool HasSection(std::string_view section) const;
    // The section's name as the file spells it.
    std::optional<std::string> SectionSpelling(std::string_view section) const;
    std::optional<std::string> Value(std::string_view section, std::string_view key) const;
    // Every key of the section in file order (first of duplicate keys only), with values as read.
    std::vector<std::pair<std::string, std::string>> Entries(std::string_view section) const;

    // Creates the section and key when missing; an existing key keeps its spelling and its
    // line, a new key goes after the last key of its section, a new section at the end.
    // Throws ProfileError when the text would not read back as written.
    void SetValue(std::string_view section, std::string_view key, std::string_view value);
    // Removes one key line; false when there was none.
    bool RemoveKey(std::string_view section, std::string_view key);
    // Removes the section's header and every line up to the next section; false when absent.
    bool RemoveSection(std::string_view section);

    // The file's bytes; new lines end in CR LF.
    std::string Serialize() const;

    // Throws ProfileError when section, key or value could not be written so that they
    // read back exactly (line breaks, "=" in a key, a key beginning with "[" or ";", "]"
    // in a section name, empty names, blanks around names).
    static void ValidateWrite(std::string_view section, std::string_view key, std::string_view value);
    // How a value is written so that it reads back exactly (quoted when blanks surround it
    // or when it is itself enclosed in matching quotes).
    static std::string EncodeValue(std::string_view value);

private:
    enum class LineKind
    {
        Blank,
        Comment,
        Header,
        Key,
        Other
    };
    struct Line
    {
        std::string text; // without its line end
        std::string eol;  // "\r\n", "\n", "\r", or "" on a last line without one
        LineKind kind = LineKind::Other;
        std::string name;  // section name or key as the file spells it, blanks trimmed
        std::string value; // a key's value as read
    };
    struct Section
    {
        std::size_t header = 0;            // index of the header line
        std::size_t end = 0;               // one past the section's last line
        std::size_t lastKey = 0;           // last key line, or the header when there is none
        bool visible = false;              // the first section of its name; later ones are ignored
        std::vector<std::size_t> keyLines; // first of duplicate keys, in file order
        std::unordered_map<std::string, std::size_t> keys; // folded key -> line index
    };

    static Line ParseLine(std::string text, std::string eol);
    void Reindex();
    const Section* FindSection(std::string_view section) const;
    const Line* FindKey(const Section& section, std::string_view key) const;
    // Makes sure the line ends, so that a line can follow it.
    void TerminateLine(std::size_t index);

    std::vector<Line> lines_;
    std::vector<Section> sections_; // every header, duplicates included, in file order
    std::unordered_map<std::string, std::size_t> sectionIndex_; // folded name -> visible section
};

} // namespace nuvex::platform
