// The INI document: the text before the first NUL byte is parsed, the bytes after it (or,
// without any, the text itself) choose edits. Each edit either is refused and changes
// nothing, or reads back as written, leaves every other key as it was and survives a
// save and a fresh parse.

#include "platform/IniDocument.h"
#include "platform/TextFold.h"
#include "tests/fuzz/FuzzInput.h"

#include <string>
#include <tuple>
#include <vector>

using nuvex::fuzz::FuzzInput;
using nuvex::platform::EqualsIgnoreCase;
using nuvex::platform::IniDocument;
using nuvex::platform::ProfileError;

namespace {

using Snapshot = std::vector<std::tuple<std::string, std::string, std::string>>; // section, key, value

Snapshot Take(const IniDocument& doc)
{
    Snapshot snapshot;
    for (const std::string& section : doc.SectionNames()) {
        FUZZ_CHECK(doc.HasSection(section));
        FUZZ_CHECK(doc.SectionSpelling(section) == section);
        for (const auto& [key, value] : doc.Entries(section)) {
            FUZZ_CHECK(doc.Value(section, key) == value); // the first of duplicates wins everywhere
            snapshot.emplace_back(section, key, value);
        }
    }
    return snapshot;
}

// What the document says must be what its saved text says.
void CheckSaved(const IniDocument& doc)
{
    const std::string bytes = doc.Serialize();
    const IniDocument again = IniDocument::Parse(bytes);
    FUZZ_CHECK(again.Serialize() == bytes);
    FUZZ_CHECK(Take(again) == Take(doc));
}

// Keys other than the edited one keep their values.
void CheckOthersKept(const IniDocument& doc, const Snapshot& before, const std::string& section,
                     const std::string* key)
{
    for (const auto& [s, k, v] : before) {
        if (EqualsIgnoreCase(s, section) && (!key || EqualsIgnoreCase(k, *key)))
            continue;
        FUZZ_CHECK(doc.Value(s, k) == v);
    }
}

std::string PickKey(FuzzInput& in, const IniDocument& doc, const std::string& section)
{
    std::vector<std::string> keys;
    for (const auto& entry : doc.Entries(section))
        keys.push_back(entry.first);
    return in.KnownOrText(keys, 12);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    FuzzInput in(data, size);
    const std::string_view text = in.UpToNul();
    IniDocument doc = IniDocument::Parse(text);
    // Reading never loses a byte: an unedited document saves as the very same text.
    FUZZ_CHECK(doc.Serialize() == text);
    Take(doc);

    FuzzInput ops = in.Empty() ? FuzzInput(data, size) : in;
    for (int step = 0; step < 8 && !ops.Empty(); ++step) {
        const Snapshot before = Take(doc);
        const std::string saved = doc.Serialize();
        const std::uint8_t kind = ops.Byte() % 4;
        const std::string section = ops.KnownOrText(doc.SectionNames(), 12);
        if (kind <= 1) {
            const std::string key = PickKey(ops, doc, section);
            const std::string value = ops.Text(24);
            bool valid = true;
            try {
                doc.CheckWrite(section, key, value);
            } catch (const ProfileError&) {
                valid = false;
            }
            try {
                doc.SetValue(section, key, value);
            } catch (const ProfileError&) {
                FUZZ_CHECK(!valid);
                FUZZ_CHECK(doc.Serialize() == saved);
                continue;
            }
            FUZZ_CHECK(valid);
            FUZZ_CHECK(doc.Value(section, key) == value);
            FUZZ_CHECK(IniDocument::Parse(doc.Serialize()).Value(section, key) == value);
            CheckOthersKept(doc, before, section, &key);
        } else if (kind == 2) {
            const std::string key = PickKey(ops, doc, section);
            const bool had = doc.Value(section, key).has_value();
            FUZZ_CHECK(doc.RemoveKey(section, key) == had);
            CheckOthersKept(doc, before, section, &key);
        } else {
            const bool had = doc.HasSection(section);
            FUZZ_CHECK(doc.RemoveSection(section) == had);
            CheckOthersKept(doc, before, section, nullptr);
        }
        CheckSaved(doc);
    }
    return 0;
}
