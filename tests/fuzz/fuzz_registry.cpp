// The registry export text: the text before the first NUL byte is parsed; when it parses,
// rendering its values into a new text and parsing that gives the same values, and one
// write chosen by the bytes after the NUL reads back while every other value stays.

#include "platform/Registry.h"
#include "platform/TextFold.h"
#include "tests/fuzz/FuzzInput.h"

#include <string>
#include <vector>

using nuvex::fuzz::FuzzInput;
using nuvex::platform::FoldCase;
namespace registry = nuvex::platform::registry;

namespace {

const std::string kFile = "user.reg";
constexpr registry::Root kRoot = registry::Root::CurrentUser;

// A key path ending in a backslash names the same key as without it.
std::string KeyOf(const registry::TextValue& value)
{
    std::string key = FoldCase(value.key);
    if (!key.empty() && key.back() == '\\')
        key.pop_back();
    return key;
}

bool SameName(const registry::TextValue& a, const registry::TextValue& b)
{
    return KeyOf(a) == KeyOf(b) && FoldCase(a.name) == FoldCase(b.name);
}

// Equal up to the spelling of names, which a rendering takes from the first definition.
bool SameValues(const std::vector<registry::TextValue>& a, const std::vector<registry::TextValue>& b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t k = 0; k < a.size(); ++k)
        if (!SameName(a[k], b[k]) || a[k].value != b[k].value)
            return false;
    return true;
}

const registry::TextValue* Find(const std::vector<registry::TextValue>& values,
                                const registry::TextValue& wanted)
{
    for (const auto& value : values)
        if (SameName(value, wanted))
            return &value;
    return nullptr;
}

registry::Value PickValue(FuzzInput& in)
{
    switch (in.Byte() % 3) {
    case 0:
        return registry::Value::FromDWord(in.Integral<std::uint32_t>());
    case 1:
        return registry::Value::FromString(in.Text(40));
    default: {
        const std::string bytes = in.Text(200);
        return registry::Value::FromBinary(std::vector<std::uint8_t>(bytes.begin(), bytes.end()));
    }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    FuzzInput in(data, size);
    const std::string_view text = in.UpToNul();
    std::vector<registry::TextValue> values;
    try {
        values = registry::ParseText(kRoot, text, kFile);
    } catch (const registry::RegistryError& e) {
        // A damaged file is named in the message.
        FUZZ_CHECK(std::string(e.what()).find(kFile) != std::string::npos);
        return 0;
    }

    // What was read can be written, and reads back the same.
    const std::string rendered = registry::RenderText(kRoot, values);
    const auto again = registry::ParseText(kRoot, rendered, kFile);
    FUZZ_CHECK(SameValues(again, values));
    FUZZ_CHECK(registry::RenderText(kRoot, again) == rendered);

    // One write into the original text.
    registry::TextValue written;
    const std::uint8_t choice = in.Byte();
    if (!values.empty() && choice % 3 != 0) {
        const auto& existing = values[choice % values.size()];
        written.key = existing.key;
        written.name = existing.name;
    } else {
        written.key = in.Text(30);
        written.name = in.Text(12);
    }
    written.value = PickValue(in);
    std::string edited;
    try {
        edited = registry::WriteText(kRoot, text, kFile, written);
    } catch (const registry::RegistryError&) {
        return 0; // refused: a name or text with a line break, or a path with an empty part
    }
    const auto after = registry::ParseText(kRoot, edited, kFile);
    const auto* found = Find(after, written);
    FUZZ_CHECK(found && found->value == written.value);
    for (const auto& value : values) {
        if (SameName(value, written))
            continue;
        const auto* kept = Find(after, value);
        FUZZ_CHECK(kept && kept->value == value.value);
    }
    FUZZ_CHECK(after.size() == values.size() + (Find(values, written) ? 0 : 1));
    return 0;
}
