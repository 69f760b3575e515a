#pragma once

// wvdial's configuration read the way wvdial reads it, as pure functions over text:
// `[Dialer NAME]` sections of `Key = Value` lines in /etc/wvdial.conf and ~/.wvdialrc
// (read after it, so its values win), `Inherits`, then `[Dialer Defaults]`. Section and
// key names ignore letter case; an empty value counts as not set.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace nuvex::platform::wvdial {

struct Setting
{
    std::string key;
    std::string value;
    std::size_t valueOffset = 0; // where the value stands in its file (or would stand when empty)
    std::size_t valueLength = 0;
};

struct Section
{
    std::string name; // the dialer's name: "Defaults" for [Dialer Defaults]
    std::vector<Setting> settings;
    std::size_t endOffset = 0; // just after the section's last line: where a new line goes
};

// The [Dialer ...] sections of one file, in file order; other sections are left out.
std::vector<Section> ParseSections(std::string_view text);

struct File
{
    std::string path;
    std::string text;
    std::vector<Section> sections;
};

// A value found for a dialer, with the file and section it came from.
struct Found
{
    const Setting* setting = nullptr;
    std::size_t file = 0;
};

class Config
{
public:
    explicit Config(std::vector<File> files); // in reading order
    const std::vector<File>& Files() const { return files_; }

    // Every dialer, each named once (first spelling), in reading order.
    std::vector<std::string> Dialers() const;
    // The value wvdial uses for a dialer's option: its own section, then the sections it
    // inherits, then Defaults.
    std::optional<Found> Lookup(std::string_view dialer, std::string_view key) const;
    std::string Get(std::string_view dialer, std::string_view key) const;

    // The number wvdial dials: Dial Prefix, a comma when there is one, Area Code, Phone,
    // then the nonempty Phone1..Phone4 alternates, each after "; ".
    std::string Number(std::string_view dialer) const;
    // The part before the phone numbers (prefix, comma, area code).
    std::string NumberHead(std::string_view dialer) const;

    struct Edit
    {
        std::size_t file = 0;
        std::size_t offset = 0;
        std::size_t length = 0;
        std::string replacement;
    };
    // The edits that make Number(dialer) read `number`: the phone values are rewritten
    // where they stand, missing alternates are added to the dialer's own section, and
    // surplus ones emptied. Nothing when the number does not begin with the dialer's
    // prefix and area code (those are not rewritten), the dialer has no section, or the
    // edits would not make it read so (an emptied value lets an inherited one through).
    std::optional<std::vector<Edit>> EditsFor(std::string_view dialer, std::string_view number) const;

private:
    const Section* OwnSection(std::string_view dialer, std::size_t* file = nullptr) const;
    std::optional<Found> LookupIn(std::string_view dialer, std::string_view key, int depth) const;

    std::vector<File> files_;
};

// Applies edits of one file (any order) to its text.
std::string ApplyEdits(std::string text, std::vector<Config::Edit> edits);

} // namespace nuvex::platform::wvdial
