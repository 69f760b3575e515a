// The dial-up service of this computer: the phonebook from pppd's peers and wvdial's
// dialers (HostPhonebook.h), the connections from the running pppd (HostConnections.h).

#include "platform/HostConnections.h"
#include "platform/HostPhonebook.h"
#include "platform/PerfStats.h"
#include "platform/RasFields.h"
#include "platform/RasService.h"

#include <algorithm>
#include <map>
#include <mutex>
#include <set>
#include <utility>

namespace nuvex::platform::ras {

namespace {

inline constexpr DWORD ERROR_ACCESS_DENIED = 5;

template <typename Body> DWORD Guarded(DWORD failure, Body&& body) noexcept
{
    try {
        return body();
    } catch (const std::bad_alloc&) {
        return ERROR_NOT_ENOUGH_MEMORY;
    } catch (...) {
        return failure;
    }
}

class HostService final : public RasService
{
public:
    DWORD EnumEntries(RASENTRYNAMEA* entries, DWORD* cb, DWORD* count) override
    {
        return Guarded(ERROR_CANNOT_OPEN_PHONEBOOK, [&]() -> DWORD {
            const host::Phonebook book = Read();
            std::vector<const host::Entry*> listed;
            for (const host::Entry& entry : book.entries)
                if (!entry.name.empty() && entry.name.size() <= RAS_MaxEntryName)
                    listed.push_back(&entry);
            return FillRecords(entries, cb, count, listed, [](RASENTRYNAMEA& out, const host::Entry* entry) {
                PutField(out.szEntryName, sizeof(out.szEntryName), entry->name);
            });
        });
    }

    DWORD GetEntryProperties(const char* entryName, RASENTRYA* entry, DWORD*, DWORD* deviceInfoSize) override
    {
        if (deviceInfoSize)
            *deviceInfoSize = 0;
        return Guarded(ERROR_CANNOT_OPEN_PHONEBOOK, [&]() -> DWORD {
            const host::Phonebook book = Read();
            const auto found = Find(book, entryName);
            if (!found)
                return ERROR_CANNOT_FIND_PHONEBOOK_ENTRY;
            RASENTRYA filled{};
            filled.dwSize = sizeof(RASENTRYA);
            // The dial string is a bare local number: no country, no area code.
            if (!PutField(filled.szLocalPhoneNumber, sizeof(filled.szLocalPhoneNumber), found->number)) {
                SetLastErrorDetail("Číslo položky „" + found->name + "“ v souboru " + found->sourceFile +
                                   " je delší než 128 znaků.");
                return ERROR_CORRUPT_PHONEBOOK;
            }
            PutFieldCut(filled.szDeviceType, sizeof(filled.szDeviceType), "modem");
            PutFieldCut(filled.szDeviceName, sizeof(filled.szDeviceName), found->device);
            *entry = filled;
            return kSuccess;
        });
    }

    DWORD SetEntryProperties(const char* entryName, const RASENTRYA* entry, DWORD) override
    {
        const auto area = GetField(entry->szAreaCode, sizeof(entry->szAreaCode));
        const auto local = GetField(entry->szLocalPhoneNumber, sizeof(entry->szLocalPhoneNumber));
        if (!area || !local)
            return ERROR_INVALID_SIZE;
        if (entry->dwCountryCode != 0 || !area->empty()) {
            SetLastErrorDetail(
                "Na tomto počítači má číslo jen místní část: kód země a předvolbu nelze zapsat.");
            return ERROR_INVALID_PARAMETER;
        }
        return Guarded(ERROR_CANNOT_WRITE_PHONEBOOK, [&]() -> DWORD {
            try {
                host::WriteNumber(entryName, std::string(*local));
                return kSuccess;
            } catch (const host::HostError& error) {
                SetLastErrorDetail(error.what());
                return ERROR_CANNOT_WRITE_PHONEBOOK;
            }
        });
    }

    DWORD EnumConnections(RASCONNA* connections, DWORD* cb, DWORD* count) override
    {
        return Guarded(ERROR_UNKNOWN, [&]() -> DWORD {
            const auto links = host::RunningLinks();
            return FillRecords(connections, cb, count, links, [](RASCONNA& out, const host::Link& link) {
                out.hrasconn = static_cast<HRASCONN>(link.pid);
                PutFieldCut(out.szEntryName, sizeof(out.szEntryName), link.entry);
                PutFieldCut(out.szDeviceType, sizeof(out.szDeviceType), "modem");
                PutFieldCut(out.szDeviceName, sizeof(out.szDeviceName), link.device);
            });
        });
    }

    DWORD GetConnectStatus(HRASCONN connection, RASCONNSTATUSA* status) override
    {
        return Guarded(ERROR_UNKNOWN, [&]() -> DWORD {
            const auto link = host::FindLink(static_cast<pid_t>(connection));
            if (!link)
                return ERROR_INVALID_HANDLE;
            RASCONNSTATUSA filled{};
            filled.dwSize = sizeof(RASCONNSTATUSA);
            filled.rasconnstate = State(*link);
            PutFieldCut(filled.szDeviceType, sizeof(filled.szDeviceType), "modem");
            PutFieldCut(filled.szDeviceName, sizeof(filled.szDeviceName), link->device);
            *status = filled;
            return kSuccess;
        });
    }

    DWORD HangUp(HRASCONN connection) override
    {
        return Guarded(ERROR_UNKNOWN, [&]() -> DWORD {
            const auto link = host::FindLink(static_cast<pid_t>(connection));
            switch (link ? host::TerminateLink(link->pid) : host::SignalResult::Gone) {
            case host::SignalResult::Sent:
                return kSuccess;
            case host::SignalResult::Gone:
                return ERROR_INVALID_HANDLE;
            case host::SignalResult::Refused:
                break;
            }
            SetLastErrorDetail(
                "Spojení „" + link->entry + "“ (pppd, PID " + std::to_string(link->pid) +
                ") patří jinému uživateli a Nuvex je nesmí zavěsit. Zavěste je jako správce: sudo poff " +
                host::ShellQuoted(link->entry));
            return ERROR_ACCESS_DENIED;
        });
    }

    std::optional<std::uint32_t> PerfStat(const std::string& name) override
    {
        try {
            if (name == kPerfBytesReceived) {
                std::lock_guard lock(mutex_);
                return received_.Read();
            }
            if (name == kPerfConnectSpeed) {
                // The serial speed of the entry of the first link that is up.
                for (const host::Link& link : host::RunningLinks()) {
                    if (!link.interfaceUp)
                        continue;
                    const host::Phonebook book = host::ReadPhonebook();
                    const auto entry = Find(book, link.entry);
                    return static_cast<std::uint32_t>(entry && entry->speed ? *entry->speed : 0);
                }
                return 0;
            }
        } catch (const std::exception&) {
        }
        return std::nullopt;
    }

    std::vector<std::string> PhonebookSources() override
    {
        std::lock_guard lock(mutex_);
        return sources_;
    }

    std::vector<std::string> TakeNotices() override
    {
        std::lock_guard lock(mutex_);
        return std::exchange(notices_, {});
    }

    std::string Description() override
    {
        return "tento počítač (pppd: " + host::HostPath("/etc/ppp/peers") +
               ", wvdial: " + host::HostPath("/etc/wvdial.conf") + " a " + host::UserWvdialrc() + ")";
    }

private:
    host::Phonebook Read()
    {
        host::Phonebook book = host::ReadPhonebook();
        std::lock_guard lock(mutex_);
        sources_ = book.sources;
        for (std::string& problem : book.problems)
            if (reported_.insert(problem).second)
                notices_.push_back(problem);
        return book;
    }

    static std::optional<host::Entry> Find(const host::Phonebook& book, std::string_view name)
    {
        for (const host::Entry& entry : book.entries)
            if (entry.name == name)
                return entry;
        return std::nullopt;
    }

    RASCONNSTATE State(const host::Link& link)
    {
        std::lock_guard lock(mutex_);
        if (link.interfaceUp) {
            seenConnected_.insert(link.pid);
            return RASCS_Connected;
        }
        // pppd runs without its interface: still dialling, or the line dropped and it redials.
        return seenConnected_.count(link.pid) ? RASCS_Disconnected : RASCS_OpenPort;
    }

    std::mutex mutex_;
    std::vector<std::string> sources_;
    std::vector<std::string> notices_;
    std::set<std::string> reported_;
    std::set<pid_t> seenConnected_;
    host::ReceivedBytesCounter received_;
};

} // namespace

std::unique_ptr<RasService> MakeHostRasService()
{
    return std::make_unique<HostService>();
}

} // namespace nuvex::platform::ras
