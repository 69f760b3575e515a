// The registry export format written without touching a file: the values rendered as text
// and the edits of a parsed document (RegistryText.h).
//
//   Windows Registry Editor Version 5.00
//
//   [HKEY_CURRENT_USER\Software\Quorin Software\Nuvex]
//   "Installed"=dword:00000001
//   "StartSession"=hex:00,00,00,00,00,40,e2,40
//   "AutoPwd"="text with \"quotes\" and \\ backslashes"
//
// Edits change only the lines they must.

#include "platform/RegistryText.h"

#include "platform/Blanks.h"
#include "platform/Registry.h"
#include "platform/TextFold.h"

#include <cstdio>

namespace nuvex::platform::registry {

namespace textformat {

namespace {

std::string Quote(std::string_view text)
{
    std::string quoted = "\"";
    for (const char c : text) {
        if (c == '"' || c == '\\')
            quoted += '\\';
        quoted += c;
    }
    quoted += '"';
    return quoted;
}

std::string RenderValue(const std::string& name, const Value& value)
{
    std::string line = name.empty() ? std::string("@") : Quote(name);
    line += '=';
    switch (value.type) {
    case ValueType::String:
        line += Quote(value.AsString());
        break;
    case ValueType::DWord: {
        char digits[16];
        std::snprintf(digits, sizeof digits, "%08x", static_cast<unsigned>(value.AsDWord()));
        line += "dword:";
        line += digits;
        break;
    }
    case ValueType::Binary: {
        static constexpr char kDigits[] = "0123456789abcdef";
        line += "hex:";
        for (std::size_t k = 0; k < value.data.size(); ++k) {
            if (k > 0)
                line += ',';
            line += kDigits[value.data[k] >> 4];
            line += kDigits[value.data[k] & 0x0F];
        }
        break;
    }
    default:
        throw RegistryError("Hodnotu „" + name + "“ neznámého typu nelze uložit do registru.");
    }
    return line;
}

void AppendLine(Document& doc, std::string text)
{
    if (!doc.lines.empty() && doc.lines.back().eol.empty())
        doc.lines.back().eol = doc.eol;
    doc.lines.push_back({std::move(text), doc.eol});
}

} // namespace

// Adds a section for the key at the end of the file. Components that other sections
// already name keep the spelling written first.
void AppendSection(Document& doc, Root root, const std::vector<std::string>& components)
{
    if (!doc.hasHeader) {
        // Only blank lines so far: the header goes first, after a byte order mark if any.
        std::string header(kHeader);
        if (!doc.lines.empty() && doc.lines.front().text.starts_with(kByteOrderMark)) {
            doc.lines.front().text.erase(0, kByteOrderMark.size());
            header.insert(0, kByteOrderMark);
        }
        doc.lines.insert(doc.lines.begin(), Line{header, doc.eol});
        doc.hasHeader = true;
    }
    if (!Trim(doc.lines.back().text).empty())
        AppendLine(doc, std::string());

    const std::vector<std::string> folded = FoldAll(components);
    std::string name(RootName(root));
    for (std::size_t k = 0; k < components.size(); ++k) {
        std::string spelling = components[k];
        for (const Section& section : doc.sections) {
            if (section.folded.size() > k &&
                std::equal(folded.begin(), folded.begin() + k + 1, section.folded.begin())) {
                spelling = section.components[k];
                break;
            }
        }
        name += '\\';
        name += spelling;
    }
    AppendLine(doc, "[" + name + "]");
}

// Adds or replaces the value; false when the file already holds exactly this value.
bool SetValue(Document& doc, Root root, const std::vector<std::string>& components, const std::string& name,
              const Value& value)
{
    const std::vector<std::string> folded = FoldAll(components);
    const auto [section, entry] = doc.Find(folded, FoldCase(name));
    if (entry) {
        if (entry->value == value)
            return false;
        const auto first = doc.lines.begin() + static_cast<std::ptrdiff_t>(entry->first);
        first->text = RenderValue(entry->name, value);
        first->eol = doc.lines[entry->last].eol;
        doc.lines.erase(first + 1, first + 1 + static_cast<std::ptrdiff_t>(entry->last - entry->first));
        return true;
    }
    if (Section* target = doc.LastSection(folded)) {
        const std::size_t after = target->lastValueLine;
        if (doc.lines[after].eol.empty())
            doc.lines[after].eol = doc.eol;
        doc.lines.insert(doc.lines.begin() + static_cast<std::ptrdiff_t>(after + 1),
                         Line{RenderValue(name, value), doc.eol});
        return true;
    }
    AppendSection(doc, root, components);
    AppendLine(doc, RenderValue(name, value));
    return true;
}

// Refused before the file is touched: none of these could be read back as written.
void ValidateWrite(const std::string& file, const std::string& name, const Value& value)
{
    if (HasLineBreakOrNul(name))
        throw RegistryError("Hodnotu „" + name + "“ nelze uložit do souboru " + file +
                            ": název nesmí obsahovat konec řádku ani nulový znak.");
    if (value.type == ValueType::String && HasLineBreakOrNul(value.AsString()))
        throw RegistryError("Hodnotu „" + name + "“ nelze uložit do souboru " + file +
                            ": text nesmí obsahovat konec řádku ani nulový znak.");
    if (value.type == ValueType::DWord && value.data.size() != 4)
        throw RegistryError("Hodnota „" + name + "“ typu REG_DWORD nemá 4 bajty.");
    RenderValue(name, value); // refuses an unknown type
}
} // namespace textformat

using namespace textformat;

Value Value::FromDWord(std::uint32_t value)
{
    return {ValueType::DWord,
            {static_cast<std::uint8_t>(value), static_cast<std::uint8_t>(value >> 8),
             static_cast<std::uint8_t>(value >> 16), static_cast<std::uint8_t>(value >> 24)}};
}

Value Value::FromString(const std::string& text)
{
    return {ValueType::String, std::vector<std::uint8_t>(text.begin(), text.end())};
}

Value Value::FromBinary(std::vector<std::uint8_t> bytes)
{
    return {ValueType::Binary, std::move(bytes)};
}

std::uint32_t Value::AsDWord() const
{
    if (type != ValueType::DWord || data.size() != 4)
        throw RegistryError("Hodnota není typu REG_DWORD.");
    return static_cast<std::uint32_t>(data[0]) | static_cast<std::uint32_t>(data[1]) << 8 |
           static_cast<std::uint32_t>(data[2]) << 16 | static_cast<std::uint32_t>(data[3]) << 24;
}

std::string Value::AsString() const
{
    if (type != ValueType::String)
        throw RegistryError("Hodnota není typu REG_SZ.");
    return std::string(data.begin(), data.end());
}

std::string RenderText(Root root, const std::vector<TextValue>& values)
{
    Document doc;
    for (const TextValue& value : values) {
        ValidateWrite(RootFile(root), value.name, value.value);
        SetValue(doc, root, KeyComponents(value.key), value.name, value.value);
    }
    return doc.Serialize();
}

std::string WriteText(Root root, std::string_view bytes, const std::string& file, const TextValue& value)
{
    ValidateWrite(file, value.name, value.value);
    Document doc = ParseDocument(root, bytes, file);
    SetValue(doc, root, KeyComponents(value.key), value.name, value.value);
    return doc.Serialize();
}

} // namespace nuvex::platform::registry
