#pragma once

// The machine whose dial-up the program guards, chosen once at start: the emulated
// machine while NUVEX_SYSTEM_ROOT is set (the demo, the tests, nuvex-ras), otherwise this
// computer. The calls of Ras.h and the counters of PerfStats.h go to the chosen service;
// nothing else in the program knows which one it talks to.

#include "platform/Ras.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace nuvex::platform::ras {

enum class Machine
{
    Emulated,
    Host
};

class RasService
{
public:
    virtual ~RasService() = default;

    virtual DWORD EnumEntries(RASENTRYNAMEA* entries, DWORD* cb, DWORD* count) = 0;
    virtual DWORD GetEntryProperties(const char* entryName, RASENTRYA* entry, DWORD* cb,
                                     DWORD* deviceInfoSize) = 0;
    virtual DWORD SetEntryProperties(const char* entryName, const RASENTRYA* entry, DWORD cb) = 0;
    virtual DWORD EnumConnections(RASCONNA* connections, DWORD* cb, DWORD* count) = 0;
    virtual DWORD GetConnectStatus(HRASCONN connection, RASCONNSTATUSA* status) = 0;
    virtual DWORD HangUp(HRASCONN connection) = 0;

    // The adapter counter of that name (PerfStats.h), or nothing.
    virtual std::optional<std::uint32_t> PerfStat(const std::string& name) = 0;
    // Files and folders the phonebook comes from, for watching them.
    virtual std::vector<std::string> PhonebookSources() = 0;
    // Problems to report once each (files that cannot be read), taken out.
    virtual std::vector<std::string> TakeNotices() = 0;
    // One line for the user: which machine is guarded.
    virtual std::string Description() = 0;
    // A number that changes whenever what EnumEntries and GetEntryProperties report may
    // have changed, so that a caller can tell that asking every entry again would give the
    // same answers; nothing when the service cannot tell (then every entry is asked).
    virtual std::optional<std::uint64_t> PhonebookGeneration() { return std::nullopt; }
};

std::unique_ptr<RasService> MakeEmulatedRasService();
std::unique_ptr<RasService> MakeHostRasService();

// The machine chosen at the first call; tests choose their own.
Machine GuardedMachine();
RasService& ActiveRasService();
void SelectMachineForTesting(Machine machine);
// Puts a service of the test's own in place of the chosen one (an emulated machine).
void UseServiceForTesting(std::unique_ptr<RasService> service);

// More about the last failure on this thread (the file, the command that would do it),
// or empty; reading it clears it. Services set it beside their result code.
std::string TakeLastErrorDetail();
// The chosen service's PhonebookGeneration.
std::optional<std::uint64_t> PhonebookGeneration();
void SetLastErrorDetail(std::string detail);

} // namespace nuvex::platform::ras
