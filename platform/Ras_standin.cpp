#include "platform/Decimal.h"
#include "platform/IniFile.h"
#include "platform/PerfStats.h"
#include "platform/Ras.h"
#include "platform/RasFields.h"
#include "platform/RasService.h"
#include "platform/RasStandin.h"
#include "platform/SystemPaths.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cstring>
#include <limits>
#include <new>
#include <optional>
#include <string>
#include <string_view>

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

DWORD EnumEntries(RASENTRYNAMEA* entries, DWORD* cb, DWORD* count)
{
    return Guarded(ERROR_CANNOT_OPEN_PHONEBOOK, [&]() -> DWORD {
        const auto doc = LoadIniFile(standin::PhonebookPath());
        const auto names = doc->SectionNames();
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
        // The watch asks for every entry twice a second: the cached document and its
        // indexed lookups keep this free of file reads and scans.
        const auto doc = LoadIniFile(standin::PhonebookPath());
        const std::string_view name = entryName;
        if (name.empty() || !doc->HasSection(name))
            return ERROR_CANNOT_FIND_PHONEBOOK_ENTRY;

        RASENTRYA filled{};
        filled.dwSize = sizeof(RASENTRYA);
        filled.dwCountryCode =
            ParseDecimal<DWORD>(doc->Value(name, "CountryCode").value_or(std::string())).value_or(0);
        // A number too long for its field is reported, never cut: a cut number would
        // compare as something it is not.
        if (!PutField(filled.szAreaCode, sizeof(filled.szAreaCode),
                      doc->Value(name, "AreaCode").value_or(std::string())) ||
            !PutField(filled.szLocalPhoneNumber, sizeof(filled.szLocalPhoneNumber),
                      doc->Value(name, "PhoneNumber").value_or(std::string())))
            return ERROR_CORRUPT_PHONEBOOK;
        PutFieldCut(filled.szDeviceType, sizeof(filled.szDeviceType),
                    doc->Value(name, "DeviceType").value_or(std::string()));
        PutFieldCut(filled.szDeviceName, sizeof(filled.szDeviceName),
                    doc->Value(name, "DeviceName").value_or(std::string()));
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
};

} // namespace

std::unique_ptr<RasService> MakeEmulatedRasService()
{
    return std::make_unique<EmulatedService>();
}

} // namespace nuvex::platform::ras
