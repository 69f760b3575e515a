// The dial-up calls served from the emulated machine's files (EmulatedMachine.h), the
// dial-up service while NUVEX_SYSTEM_ROOT is set.

#include "platform/Decimal.h"
#include "platform/EmulatedMachine.h"
#include "platform/IniFileAccess.h"
#include "platform/PerfStats.h"
#include "platform/Ras.h"
#include "platform/RasFields.h"
#include "platform/RasService.h"
#include "platform/SystemPaths.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cstring>
#include <limits>
#include <memory>
#include <mutex>
#include <new>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace nuvex::platform::ras {

namespace {

namespace standin = rasstandin;

// The real service reports everything through its return code, so nothing may escape.
// failure is the code for a file that cannot be read or written.
template <typename Body> DWORD Guarded(DWORD failure, Body&& body) noexcept
{
    try {
        return body();
    } catch (const ProfileError&) {
        return failure;
    } catch (const standin::StandinError&) {
        return failure;
    } catch (const std::bad_alloc&) {
        return ERROR_NOT_ENOUGH_MEMORY;
    } catch (...) {
        return ERROR_UNKNOWN;
    }
}

// What the enumeration and the properties of each entry read from one parsed phonebook,
// worked out once per document: the watch asks for every entry every second, and an
// unchanged phonebook is the same document (the file layer's cache), so a check costs a
// lookup per entry instead of a search of the document for six names.
struct EntryFields
{
    DWORD result = kSuccess;
    DWORD countryCode = 0;
    std::string areaCode;
    std::string localNumber;
    std::string deviceType;
    std::string deviceName;
};

class PhonebookMemo
{
public:
    // The section names in file order.
    std::vector<std::string> Names(const std::shared_ptr<const IniDocument>& doc)
    {
        const std::lock_guard lock(mutex_);
        Use(doc);
        if (!names_)
            names_ = doc->SectionNames();
        return *names_;
    }

    // The entry's fields as asked by name (letter case ignored, as the document does).
    EntryFields Entry(const std::shared_ptr<const IniDocument>& doc, const std::string& name)
    {
        const std::lock_guard lock(mutex_);
        Use(doc);
        const auto found = entries_.find(name);
        if (found != entries_.end())
            return found->second;
        return entries_.emplace(name, Read(*doc, name)).first->second;
    }

    // Which document the answers come from: a new one, that is any change of the file,
    // counts up.
    std::uint64_t Generation(const std::shared_ptr<const IniDocument>& doc)
    {
        const std::lock_guard lock(mutex_);
        Use(doc);
        return generation_;
    }

private:
    void Use(const std::shared_ptr<const IniDocument>& doc)
    {
        if (doc == document_)
            return;
        document_ = doc;
        ++generation_;
        names_.reset();
        entries_.clear();
    }

    static EntryFields Read(const IniDocument& doc, const std::string& name)
    {
        EntryFields fields;
        if (name.empty() || !doc.HasSection(name)) {
            fields.result = ERROR_CANNOT_FIND_PHONEBOOK_ENTRY;
            return fields;
        }
        fields.countryCode =
            ParseDecimal<DWORD>(doc.Value(name, "CountryCode").value_or(std::string())).value_or(0);
        fields.areaCode = doc.Value(name, "AreaCode").value_or(std::string());
        fields.localNumber = doc.Value(name, "PhoneNumber").value_or(std::string());
        fields.deviceType = doc.Value(name, "DeviceType").value_or(std::string());
        fields.deviceName = doc.Value(name, "DeviceName").value_or(std::string());
        return fields;
    }

    std::mutex mutex_;
    std::shared_ptr<const IniDocument> document_; // held, so that its address is not reused
    std::optional<std::vector<std::string>> names_;
    std::unordered_map<std::string, EntryFields> entries_;
    std::uint64_t generation_ = 0;
};

PhonebookMemo& Memo()
{
    static PhonebookMemo memo;
    return memo;
}

DWORD EnumEntries(RASENTRYNAMEA* entries, DWORD* cb, DWORD* count)
{
    return Guarded(ERROR_CANNOT_OPEN_PHONEBOOK, [&]() -> DWORD {
        const auto names = Memo().Names(LoadIniFile(standin::PhonebookPath()));
        // Only a hand edit makes such a name; hiding the entry would hide its number too.
        for (const std::string& name : names)
            if (name.empty() || name.size() > RAS_MaxEntryName || name.find('\0') != std::string::npos)
                return ERROR_CORRUPT_PHONEBOOK;
        return FillRecords(entries, cb, count, names, [](RASENTRYNAMEA& out, const std::string& name) {
            PutField(out.szEntryName, sizeof(out.szEntryName), name);
        });
    });
}

DWORD GetEntryProperties(const char* entryName, RASENTRYA* entry, DWORD* deviceInfoSize)
{
    if (deviceInfoSize)
        *deviceInfoSize = 0; // the emulated modem has no device-specific data
    return Guarded(ERROR_CANNOT_OPEN_PHONEBOOK, [&]() -> DWORD {
        const EntryFields fields = Memo().Entry(LoadIniFile(standin::PhonebookPath()), entryName);
        if (fields.result != kSuccess)
            return fields.result;

        RASENTRYA filled{};
        filled.dwSize = sizeof(RASENTRYA);
        filled.dwCountryCode = fields.countryCode;
        // A number too long for its field is reported, never cut: a cut number would
        // compare as something it is not.
        if (!PutField(filled.szAreaCode, sizeof(filled.szAreaCode), fields.areaCode) ||
            !PutField(filled.szLocalPhoneNumber, sizeof(filled.szLocalPhoneNumber), fields.localNumber))
            return ERROR_CORRUPT_PHONEBOOK;
        PutFieldCut(filled.szDeviceType, sizeof(filled.szDeviceType), fields.deviceType);
        PutFieldCut(filled.szDeviceName, sizeof(filled.szDeviceName), fields.deviceName);
        *entry = filled;
        return kSuccess;
    });
}

DWORD SetEntryProperties(const char* entryName, const RASENTRYA* entry)
{
    const auto area = GetField(entry->szAreaCode, sizeof(entry->szAreaCode));
    const auto local = GetField(entry->szLocalPhoneNumber, sizeof(entry->szLocalPhoneNumber));
    if (!area || !local)
        return ERROR_INVALID_SIZE;
    const std::string name = entryName;
    const std::string country = std::to_string(entry->dwCountryCode);
    try {
        // A line break would make the phonebook read back as something else.
        IniDocument::ValidateWrite(name, "AreaCode", *area);
        IniDocument::ValidateWrite(name, "PhoneNumber", *local);
    } catch (const ProfileError&) {
        return ERROR_INVALID_PARAMETER;
    } catch (...) {
        return ERROR_NOT_ENOUGH_MEMORY;
    }
    return Guarded(ERROR_CANNOT_WRITE_PHONEBOOK, [&]() -> DWORD {
        const std::string path = standin::PhonebookPath();
        bool found = !name.empty() && LoadIniFile(path)->HasSection(name);
        if (found) {
            UpdateIniFile(path, [&](IniDocument& doc) {
                const auto section = doc.SectionSpelling(name);
                found = section.has_value();
                if (!found)
                    return;
                doc.SetValue(*section, "CountryCode", country);
                doc.SetValue(*section, "AreaCode", *area);
                doc.SetValue(*section, "PhoneNumber", *local);
            });
        }
        return found ? kSuccess : ERROR_CANNOT_FIND_PHONEBOOK_ENTRY;
    });
}

DWORD EnumConnections(RASCONNA* connections, DWORD* cb, DWORD* count)
{
    return Guarded(ERROR_UNKNOWN, [&]() -> DWORD {
        const auto live = standin::Connections();
        return FillRecords(connections, cb, count, live, [](RASCONNA& out, const standin::Connection& c) {
            out.hrasconn = c.handle;
            PutFieldCut(out.szEntryName, sizeof(out.szEntryName), c.entryName);
            PutFieldCut(out.szDeviceType, sizeof(out.szDeviceType), c.deviceType);
            PutFieldCut(out.szDeviceName, sizeof(out.szDeviceName), c.deviceName);
        });
    });
}

DWORD GetConnectStatus(HRASCONN connection, RASCONNSTATUSA* status)
{
    return Guarded(ERROR_UNKNOWN, [&]() -> DWORD {
        const auto found = standin::FindConnection(connection);
        if (!found)
            return ERROR_INVALID_HANDLE;
        RASCONNSTATUSA filled{};
        filled.dwSize = sizeof(RASCONNSTATUSA);
        switch (found->state) {
        case standin::ConnectionState::Connected:
            filled.rasconnstate = RASCS_Connected;
            break;
        case standin::ConnectionState::Disconnected:
            filled.rasconnstate = RASCS_Disconnected;
            break;
        case standin::ConnectionState::Dialling:
            filled.rasconnstate = RASCS_ConnectDevice;
            break;
        }
        PutFieldCut(filled.szDeviceType, sizeof(filled.szDeviceType), found->deviceType);
        PutFieldCut(filled.szDeviceName, sizeof(filled.szDeviceName), found->deviceName);
        *status = filled;
        return kSuccess;
    });
}

DWORD HangUp(HRASCONN connection)
{
    return Guarded(ERROR_UNKNOWN, [&]() -> DWORD {
        return standin::HangUpConnection(connection) ? kSuccess : ERROR_INVALID_HANDLE;
    });
}

class EmulatedService final : public RasService
{
public:
    DWORD EnumEntries(RASENTRYNAMEA* entries, DWORD* cb, DWORD* count) override
    {
        return ras::EnumEntries(entries, cb, count);
    }
    DWORD GetEntryProperties(const char* entryName, RASENTRYA* entry, DWORD*, DWORD* deviceInfoSize) override
    {
        return ras::GetEntryProperties(entryName, entry, deviceInfoSize);
    }
    DWORD SetEntryProperties(const char* entryName, const RASENTRYA* entry, DWORD) override
    {
        return ras::SetEntryProperties(entryName, entry);
    }
    DWORD EnumConnections(RASCONNA* connections, DWORD* cb, DWORD* count) override
    {
        return ras::EnumConnections(connections, cb, count);
    }
    DWORD GetConnectStatus(HRASCONN connection, RASCONNSTATUSA* status) override
    {
        return ras::GetConnectStatus(connection, status);
    }
    DWORD HangUp(HRASCONN connection) override { return ras::HangUp(connection); }

    std::optional<std::uint32_t> PerfStat(const std::string& name) override
    {
        try {
            const standin::AdapterStats stats = standin::ReadAdapterStats();
            if (name == kPerfBytesReceived)
                return stats.bytesReceived;
            if (name == kPerfConnectSpeed)
                return stats.connectSpeed;
        } catch (const std::exception&) {
            // Unreadable statistics read as missing, as on a machine without the adapter.
        }
        return std::nullopt;
    }
    std::vector<std::string> PhonebookSources() override { return {RasDir(), standin::PhonebookPath()}; }
    std::vector<std::string> TakeNotices() override { return {}; }
    std::string Description() override { return "emulovaný počítač v " + SystemRoot(); }
    std::optional<std::uint64_t> PhonebookGeneration() override
    {
        try {
            return Memo().Generation(LoadIniFile(standin::PhonebookPath()));
        } catch (...) {
            // The enumeration will report what is wrong.
            return std::nullopt;
        }
    }
};

} // namespace

std::unique_ptr<RasService> MakeEmulatedRasService()
{
    return std::make_unique<EmulatedService>();
}

std::string PhonebookProblem()
{
    // This computer's own dial-up files report their problems through TakeNotices.
    if (GuardedMachine() != Machine::Emulated)
        return {};
    // The phonebook is written whole by its writers, so a last line without its end
    // means the file was cut short: its last entry may have lost a digit.
    return DescribeDamage(standin::PhonebookPath(), true);
}

std::string ConnectionsProblem()
{
    if (GuardedMachine() != Machine::Emulated)
        return {};
    return DescribeDamage(standin::ConnectionsPath(), false);
}

} // namespace nuvex::platform::ras
