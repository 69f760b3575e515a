// wvdial's configuration: the input up to the first NUL byte is /etc/wvdial.conf, up to
// the second ~/.wvdialrc; the rest picks a dialer and a new number. Every value stands
// where it says; every dialer is named once and its number begins with its prefix and
// area code; the edits for a new number, applied, make the dialer read that number, and a
// number is refused only when it cannot be written (another head, more than five numbers,
// a number with blanks around it or an empty one among several) or would empty a value
// that is set.

#include "platform/WvdialConfig.h"
#include "tests/fuzz/FuzzInput.h"

#include <cctype>
#include <string>
#include <string_view>
#include <vector>

using nuvex::fuzz::FuzzInput;
namespace wvdial = nuvex::platform::wvdial;

namespace {

std::string Folded(std::string_view text)
{
    std::string folded;
    for (const char c : text)
        folded += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return folded;
}

void CheckSections(const wvdial::File& file)
{
    std::size_t last = 0;
    for (const wvdial::Section& section : file.sections) {
        FUZZ_CHECK(section.endOffset <= file.text.size() && section.endOffset >= last);
        for (const wvdial::Setting& setting : section.settings) {
            FUZZ_CHECK(setting.valueOffset + setting.valueLength <= section.endOffset);
            FUZZ_CHECK(file.text.substr(setting.valueOffset, setting.valueLength) == setting.value);
            FUZZ_CHECK(setting.valueOffset >= last);
            last = setting.valueOffset;
        }
        last = section.endOffset;
    }
}

constexpr const char* kSlots[] = {"Phone", "Phone1", "Phone2", "Phone3", "Phone4"};

// Whether a number with the dialer's head can be written: at most five numbers after the
// head, each without blanks around it, and no empty one among several. Emptying a value
// may let an inherited one show through, so only a number that leaves no set value empty
// must be writable.
bool Writable(const wvdial::Config& config, const std::string& dialer, std::string_view number)
{
    const std::string head = config.NumberHead(dialer);
    if (!number.starts_with(head))
        return false;
    std::vector<std::string_view> parts;
    std::string_view rest = number.substr(head.size());
    for (;;) {
        const auto split = rest.find("; ");
        parts.push_back(rest.substr(0, split));
        if (split == std::string_view::npos)
            break;
        rest.remove_prefix(split + 2);
    }
    if (parts.size() > 5)
        return false;
    for (const std::string_view part : parts) {
        const bool blankAround = !part.empty() && (std::isspace(static_cast<unsigned char>(part.front())) ||
                                                   std::isspace(static_cast<unsigned char>(part.back())));
        if (blankAround || (part.empty() && parts.size() > 1))
            return false;
    }
    for (std::size_t slot = 0; slot < std::size(kSlots); ++slot)
        if ((slot >= parts.size() || parts[slot].empty()) && config.Lookup(dialer, kSlots[slot]))
            return false;
    return true;
}

// A number from the input in the dial alphabet, usually after the dialer's head.
std::string NewNumber(FuzzInput& in, const std::string& head)
{
    const bool withHead = in.Byte() % 8 != 0;
    return nuvex::fuzz::DialText(withHead ? head : std::string(), in.Text(40));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    FuzzInput in(data, size);
    std::vector<wvdial::File> files;
    files.push_back({"/etc/wvdial.conf", std::string(in.UpToNul()), {}});
    files.push_back({"~/.wvdialrc", std::string(in.UpToNul()), {}});
    const wvdial::Config config(files);
    for (const wvdial::File& file : config.Files())
        CheckSections(file);

    const std::vector<std::string> dialers = config.Dialers();
    for (std::size_t a = 0; a < dialers.size(); ++a)
        for (std::size_t b = a + 1; b < dialers.size(); ++b)
            FUZZ_CHECK(Folded(dialers[a]) != Folded(dialers[b]));
    for (const wvdial::File& file : config.Files())
        for (const wvdial::Section& section : file.sections) {
            bool named = false;
            for (const std::string& dialer : dialers)
                named = named || Folded(dialer) == Folded(section.name);
            FUZZ_CHECK(named);
        }
    for (const std::string& dialer : dialers) {
        FUZZ_CHECK(config.Number(dialer).starts_with(config.NumberHead(dialer)));
        for (const char* key : {"Phone", "Phone1", "Area Code", "Dial Prefix", "Inherits"}) {
            const auto found = config.Lookup(dialer, key);
            FUZZ_CHECK(!found ||
                       (!found->setting->value.empty() && Folded(found->setting->key) == Folded(key)));
            FUZZ_CHECK(config.Get(dialer, key) == (found ? found->setting->value : std::string()));
        }
    }
    if (dialers.empty())
        return 0;

    const std::string& dialer = dialers[in.Byte() % dialers.size()];
    const std::string head = config.NumberHead(dialer);
    const std::string number = NewNumber(in, head);
    const auto edits = config.EditsFor(dialer, number);
    if (!edits) {
        FUZZ_CHECK(!Writable(config, dialer, number));
        return 0;
    }
    std::vector<wvdial::File> written;
    for (std::size_t f = 0; f < files.size(); ++f) {
        std::vector<wvdial::Config::Edit> own;
        for (const auto& edit : *edits) {
            FUZZ_CHECK(edit.file < files.size());
            FUZZ_CHECK(edit.offset + edit.length <= files[edit.file].text.size());
            FUZZ_CHECK(edit.replacement.find('\n') == std::string::npos || edit.length == 0);
            if (edit.file == f)
                own.push_back(edit);
        }
        written.push_back({files[f].path, wvdial::ApplyEdits(files[f].text, own), {}});
    }
    const wvdial::Config after(written);
    FUZZ_CHECK(after.Number(dialer) == number);
    // Asked again, the number it now reads needs no edit.
    const auto again = after.EditsFor(dialer, number);
    FUZZ_CHECK(again && again->empty());
    return 0;
}
