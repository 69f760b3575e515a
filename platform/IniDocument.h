#pragma once

// The INI text format as the Windows profile functions read it, and the edits that the
// profile writer makes. Plain bytes (UTF-8 on Linux); no file access here.
//
// Reading rules: blanks (space, TAB, VT, FF, CR and the DOS end-of-file mark Ctrl-Z)
// around section names, keys, "=" and values are ignored; one pair of matching double or
// single quotes around a value is removed, and a value ends at its first NUL byte; a line
// beginning with ";" is a comment; a line "[name]" starts a section, whose name runs to
// the last "]" of the line, while a "[" without any "]" makes an ordinary line; every
// other line holds a key, with or without "=" (a bare "k" holds k with an empty value);
// CR LF, LF and CR all end a line; the first of duplicate sections or keys wins; names
// match by the platform's one case folding (FoldCase). A UTF-8 byte order mark is
// skipped and kept; a file beginning with the UTF-16LE mark (FF FE) is UTF-16 text,
// read as such and written back as UTF-16 with its mark.
//
// Edits touch only the lines they must; every other line stays byte for byte. The
// document keeps the file's bytes once and each line as a place in them, so that its
// memory stays within a small multiple of the file's size.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
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
    // The same, taking over the bytes instead of copying them (a large file is held once).
    static IniDocument ParseOwned(std::string&& bytes);

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

    // Signs of a damaged file, for a report (the document reads as well as it can all the
    // same): the first line (from 1) holding bytes that are no text (control characters
    // other than blanks, or bytes that are not UTF-8), 0 when there is none; and whether
    // the last line stops without its line end, as a file cut short does.
    std::size_t FirstBinaryLine() const { return binaryLine_; }
    bool EndsMidLine() const
    {
        return !lines_.empty() && lines_.back().eol == 0 && lines_.back().kind != LineKind::Blank;
    }

    // The file's bytes; new lines end in CR LF.
    std::string Serialize() const;

    // Throws ProfileError when section, key or value could not be written so that they
    // read back exactly (line breaks, "=" in a key, a key beginning with "[" or ";", "]"
    // in a section name, empty names, blanks around names).
    static void ValidateWrite(std::string_view section, std::string_view key, std::string_view value);
    // ValidateWrite, and for a UTF-16 file also that every text is UTF-8: other bytes
    // could only be written as U+FFFD and would not read back.
    void CheckWrite(std::string_view section, std::string_view key, std::string_view value) const;
    // How a value is written so that it reads back exactly (quoted when blanks surround it
    // or when it is itself enclosed in matching quotes).
    static std::string EncodeValue(std::string_view value);

private:
    enum class LineKind : std::uint8_t
    {
        Blank,
        Comment,
        Header,
        Key,
    };
    struct Line
    {
        std::uint32_t offset = 0; // of the text in text_
        std::uint32_t length = 0; // without the line end
        std::uint8_t eol = 0;     // index into kLineEnds: none, CR LF, LF, CR
        LineKind kind = LineKind::Blank;
    };
    struct Section
    {
        std::uint32_t header = 0;  // index of the header line
        std::uint32_t end = 0;     // one past the section's last line
        std::uint32_t lastKey = 0; // last key line, or the header when there is none
        bool visible = false;      // the first section of its name; later ones are ignored
    };
    struct NameHash
    {
        std::uint64_t hash; // of the folded name
        std::uint32_t index;
        bool operator<(const NameHash& o) const { return hash != o.hash ? hash < o.hash : index < o.index; }
    };
    enum class Encoding : std::uint8_t
    {
        Plain,
        Utf8Bom,
        Utf16Le,
    };

    std::string_view Text(const Line& line) const;
    std::string_view Name(const Line& line) const;     // section name or key, blanks trimmed
    std::string_view KeyValue(const Line& line) const; // a key's value as read
    // The line at that place of text_, classified.
    Line MakeLine(std::size_t offset, std::size_t length, std::uint8_t eol) const;
    // A new line ending in CR LF, its text appended to text_.
    Line NewLine(const std::string& text);
    void Reindex();
    // The first of each name (folded) among the places given, sorted by hash and place.
    template <typename NameOf>
    static std::vector<NameHash> FirstOfEachName(std::vector<NameHash> all, NameOf nameOf);
    const Section* FindSection(std::string_view section) const;
    std::optional<std::uint32_t> FindKey(const Section& section, std::string_view key) const;
    // Makes sure the line ends, so that a line can follow it.
    void TerminateLine(std::size_t index);

    std::string text_; // the lines' bytes (UTF-8); edited lines are appended
    Encoding encoding_ = Encoding::Plain;
    std::string trailing_; // an odd last byte of a UTF-16 file
    std::vector<Line> lines_;
    std::vector<Section> sections_;      // every header, duplicates included, in file order
    std::vector<NameHash> sectionIndex_; // visible sections by folded name, sorted
    std::size_t binaryLine_ = 0;
};

} // namespace nuvex::platform
