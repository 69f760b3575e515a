// The dial-up calls of Ras.h: their arguments checked, then forwarded to the one dial-up
// service chosen at the first call (emulated machine or this computer).

#include "platform/RasService.h"

#include <cstdlib>
#include <mutex>
#include <utility>

namespace nuvex::platform::ras {

namespace {

std::mutex gMutex;
std::unique_ptr<RasService> gService;
Machine gMachine = Machine::Emulated;

thread_local std::string tLastErrorDetail;

Machine MachineFromEnvironment()
{
    const char* root = std::getenv("NUVEX_SYSTEM_ROOT");
    return root && *root ? Machine::Emulated : Machine::Host;
}

RasService& Service()
{
    std::lock_guard lock(gMutex);
    if (!gService) {
        gMachine = MachineFromEnvironment();
        gService = gMachine == Machine::Host ? MakeHostRasService() : MakeEmulatedRasService();
    }
    return *gService;
}

} // namespace

Machine GuardedMachine()
{
    Service();
    return gMachine;
}

RasService& ActiveRasService()
{
    return Service();
}

void SelectMachineForTesting(Machine machine)
{
    std::lock_guard lock(gMutex);
    gMachine = machine;
    gService = machine == Machine::Host ? MakeHostRasService() : MakeEmulatedRasService();
}

std::string TakeLastErrorDetail()
{
    return std::exchange(tLastErrorDetail, std::string());
}

void SetLastErrorDetail(std::string detail)
{
    tLastErrorDetail = std::move(detail);
}

DWORD RasEnumEntriesA(const char* reserved, const char* phonebook, RASENTRYNAMEA* entries, DWORD* cb,
                      DWORD* count)
{
    if (reserved || phonebook || !cb || !count)
        return ERROR_INVALID_PARAMETER;
    if (!entries && *cb != 0)
        return ERROR_BUFFER_INVALID;
    if (entries && entries->dwSize != sizeof(RASENTRYNAMEA))
        return ERROR_INVALID_SIZE;
    return Service().EnumEntries(entries, cb, count);
}

DWORD RasGetEntryPropertiesA(const char* phonebook, const char* entryName, RASENTRYA* entry, DWORD* cb,
                             void* deviceInfo, DWORD* deviceInfoSize)
{
    (void)deviceInfo;
    if (phonebook || !entryName || !cb)
        return ERROR_INVALID_PARAMETER;
    if (!entry || *cb < sizeof(RASENTRYA)) {
        *cb = sizeof(RASENTRYA);
        return ERROR_BUFFER_TOO_SMALL;
    }
    if (entry->dwSize != sizeof(RASENTRYA))
        return ERROR_INVALID_SIZE;
    return Service().GetEntryProperties(entryName, entry, cb, deviceInfoSize);
}

DWORD RasSetEntryPropertiesA(const char* phonebook, const char* entryName, const RASENTRYA* entry, DWORD cb,
                             const void* deviceInfo, DWORD deviceInfoSize)
{
    (void)deviceInfo;
    (void)deviceInfoSize;
    if (phonebook || !entryName || !entry)
        return ERROR_INVALID_PARAMETER;
    if (cb < sizeof(RASENTRYA) || entry->dwSize != sizeof(RASENTRYA))
        return ERROR_INVALID_SIZE;
    return Service().SetEntryProperties(entryName, entry, cb);
}

DWORD RasEnumConnectionsA(RASCONNA* connections, DWORD* cb, DWORD* count)
{
    if (!cb || !count)
        return ERROR_INVALID_PARAMETER;
    if (!connections && *cb != 0)
        return ERROR_BUFFER_INVALID;
    if (connections && connections->dwSize != sizeof(RASCONNA))
        return ERROR_INVALID_SIZE;
    return Service().EnumConnections(connections, cb, count);
}

DWORD RasGetConnectStatusA(HRASCONN connection, RASCONNSTATUSA* status)
{
    if (!status)
        return ERROR_INVALID_PARAMETER;
    if (status->dwSize != sizeof(RASCONNSTATUSA))
        return ERROR_INVALID_SIZE;
    return Service().GetConnectStatus(connection, status);
}

DWORD RasHangUpA(HRASCONN connection)
{
    return Service().HangUp(connection);
}

} // namespace nuvex::platform::ras
