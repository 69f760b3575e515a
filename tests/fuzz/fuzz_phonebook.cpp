// The emulated phonebook: the input is the phonebook file. The service lists exactly the
// file's entries and gives each its fields as the file holds them, or reports a damaged
// phonebook; it never cuts a number.

#include "platform/Decimal.h"
#include "platform/EmulatedMachine.h"
#include "platform/IniDocument.h"
#include "platform/Ras.h"
#include "tests/fuzz/FuzzInput.h"
#include "tests/support/PlainFileBytes.h"
#include "tests/support/Sandbox.h"

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace ras = nuvex::platform::ras;
namespace standin = nuvex::platform::rasstandin;
using nuvex::platform::IniDocument;
using nuvex::platform::ParseDecimal;

namespace {

void WritePhonebook(const std::uint8_t* data, std::size_t size)
{
    static const std::unique_ptr<nuvex::test::Sandbox> machine = std::make_unique<nuvex::test::Sandbox>();
    const std::filesystem::path path = standin::PhonebookPath();
    const std::filesystem::path temporary = path.string() + ".new";
    nuvex::test::WritePlainBytes(temporary, std::string(reinterpret_cast<const char*>(data), size));
    std::filesystem::rename(temporary, path);
}

std::string Field(const char* field, std::size_t room)
{
    return std::string(field, strnlen(field, room));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    WritePhonebook(data, size);
    const IniDocument doc = IniDocument::Parse(std::string_view(reinterpret_cast<const char*>(data), size));
    const std::vector<std::string> sections = doc.SectionNames();

    ras::DWORD cb = 0;
    ras::DWORD count = 0;
    ras::DWORD code = ras::RasEnumEntriesA(nullptr, nullptr, nullptr, &cb, &count);
    if (code == ras::ERROR_CORRUPT_PHONEBOOK) {
        bool badName = false;
        for (const std::string& name : sections)
            badName = badName || name.empty() || name.size() > ras::RAS_MaxEntryName ||
                      name.find('\0') != name.npos;
        FUZZ_CHECK(badName);
        return 0;
    }
    FUZZ_CHECK(code == (sections.empty() ? 0u : ras::ERROR_BUFFER_TOO_SMALL));
    FUZZ_CHECK(count == sections.size());
    std::vector<ras::RASENTRYNAMEA> names(std::max<std::size_t>(count, 1));
    names[0].dwSize = sizeof(ras::RASENTRYNAMEA);
    cb = static_cast<ras::DWORD>(names.size() * sizeof(ras::RASENTRYNAMEA));
    FUZZ_CHECK(ras::RasEnumEntriesA(nullptr, nullptr, names.data(), &cb, &count) == 0);
    FUZZ_CHECK(count == sections.size());

    for (ras::DWORD k = 0; k < count; ++k) {
        const std::string name = Field(names[k].szEntryName, sizeof names[k].szEntryName);
        FUZZ_CHECK(name == sections[k]);
        ras::RASENTRYA entry{};
        entry.dwSize = sizeof entry;
        ras::DWORD entrySize = sizeof entry;
        code =
            ras::RasGetEntryPropertiesA(nullptr, names[k].szEntryName, &entry, &entrySize, nullptr, nullptr);
        const std::string area = doc.Value(name, "AreaCode").value_or(std::string());
        const std::string local = doc.Value(name, "PhoneNumber").value_or(std::string());
        const bool fits = area.size() <= ras::RAS_MaxAreaCode && local.size() <= ras::RAS_MaxPhoneNumber &&
                          area.find('\0') == area.npos && local.find('\0') == local.npos;
        if (!fits) {
            FUZZ_CHECK(code == ras::ERROR_CORRUPT_PHONEBOOK);
            continue;
        }
        FUZZ_CHECK(code == 0);
        FUZZ_CHECK(Field(entry.szAreaCode, sizeof entry.szAreaCode) == area);
        FUZZ_CHECK(Field(entry.szLocalPhoneNumber, sizeof entry.szLocalPhoneNumber) == local);
        FUZZ_CHECK(
            entry.dwCountryCode ==
            ParseDecimal<ras::DWORD>(doc.Value(name, "CountryCode").value_or(std::string())).value_or(0));

        // The administration reads the same entry.
        const auto number = standin::GetEntry(name);
        FUZZ_CHECK(number && number->areaCode == area && number->localNumber == local &&
                   number->countryCode == entry.dwCountryCode);
    }
    return 0;
}
