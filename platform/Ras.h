#pragma once

// The dial-up service (Remote Access Service): the seven calls the program makes, with the
// records in their Windows 4.0 layouts. A Windows build forwards these to <ras.h>; the
// Linux build serves them from the emulated machine's files (see EmulatedMachine.h).

#include <cstddef>
#include <cstdint>
#include <string>

namespace nuvex::platform::ras {

using DWORD = std::uint32_t;
using HRASCONN = std::uint32_t;

inline constexpr DWORD kSuccess = 0;
inline constexpr DWORD ERROR_INVALID_HANDLE = 6;
inline constexpr DWORD ERROR_NOT_ENOUGH_MEMORY = 8;
inline constexpr DWORD ERROR_INVALID_PARAMETER = 87;
inline constexpr DWORD ERROR_BUFFER_TOO_SMALL = 603;
inline constexpr DWORD ERROR_BUFFER_INVALID = 610;
inline constexpr DWORD ERROR_CANNOT_OPEN_PHONEBOOK = 621;
inline constexpr DWORD ERROR_CANNOT_LOAD_PHONEBOOK = 622;
inline constexpr DWORD ERROR_CANNOT_FIND_PHONEBOOK_ENTRY = 623;
inline constexpr DWORD ERROR_CANNOT_WRITE_PHONEBOOK = 624;
inline constexpr DWORD ERROR_CORRUPT_PHONEBOOK = 625;
inline constexpr DWORD ERROR_INVALID_SIZE = 632;
inline constexpr DWORD ERROR_UNKNOWN = 635;
inline constexpr DWORD ERROR_NO_CONNECTION = 668;

inline constexpr DWORD RASBASE = 600;
inline constexpr DWORD RASBASEEND = 798;

inline constexpr std::size_t RAS_MaxEntryName = 256;
inline constexpr std::size_t RAS_MaxDeviceType = 16;
inline constexpr std::size_t RAS_MaxDeviceName = 128;
inline constexpr std::size_t RAS_MaxAreaCode = 10;
inline constexpr std::size_t RAS_MaxPhoneNumber = 128;

enum RASCONNSTATE : DWORD
{
    RASCS_OpenPort = 0,
    RASCS_PortOpened = 1,
    RASCS_ConnectDevice = 2,
    RASCS_Connected = 0x2000,
    RASCS_Disconnected = 0x2001,
};

#pragma pack(push, 4)

struct RASENTRYNAMEA
{
    DWORD dwSize;
    char szEntryName[RAS_MaxEntryName + 1];
};

struct RASCONNA
{
    DWORD dwSize;
    HRASCONN hrasconn;
    char szEntryName[RAS_MaxEntryName + 1];
    char szDeviceType[RAS_MaxDeviceType + 1];
    char szDeviceName[RAS_MaxDeviceName + 1];
};

struct RASCONNSTATUSA
{
    DWORD dwSize;
    RASCONNSTATE rasconnstate;
    DWORD dwError;
    char szDeviceType[RAS_MaxDeviceType + 1];
    char szDeviceName[RAS_MaxDeviceName + 1];
};

struct RASIPADDR
{
    std::uint8_t a, b, c, d;
};

struct RASENTRYA
{
    DWORD dwSize;
    DWORD dwfOptions;
    DWORD dwCountryID;
    DWORD dwCountryCode;
    char szAreaCode[RAS_MaxAreaCode + 1];
    char szLocalPhoneNumber[RAS_MaxPhoneNumber + 1];
    DWORD dwAlternateOffset;
    RASIPADDR ipaddr;
    RASIPADDR ipaddrDns;
    RASIPADDR ipaddrDnsAlt;
    RASIPADDR ipaddrWins;
    RASIPADDR ipaddrWinsAlt;
    DWORD dwFrameSize;
    DWORD dwfNetProtocols;
    DWORD dwFramingProtocol;
    char szScript[260];
    char szAutodialDll[260];
    char szAutodialFunc[260];
    char szDeviceType[RAS_MaxDeviceType + 1];
    char szDeviceName[RAS_MaxDeviceName + 1];
    char szX25PadType[33];
    char szX25Address[201];
    char szX25Facilities[201];
    char szX25UserData[201];
    DWORD dwChannels;
    DWORD dwReserved1;
    DWORD dwReserved2;
};

#pragma pack(pop)

static_assert(sizeof(RASENTRYNAMEA) == 264);
static_assert(offsetof(RASENTRYNAMEA, szEntryName) == 4);
static_assert(sizeof(RASCONNA) == 412);
static_assert(offsetof(RASCONNA, hrasconn) == 4);
static_assert(offsetof(RASCONNA, szEntryName) == 8);
static_assert(offsetof(RASCONNA, szDeviceType) == 265);
static_assert(offsetof(RASCONNA, szDeviceName) == 282);
static_assert(sizeof(RASCONNSTATUSA) == 160);
static_assert(offsetof(RASCONNSTATUSA, rasconnstate) == 4);
static_assert(sizeof(RASENTRYA) == 1768);
static_assert(offsetof(RASENTRYA, dwCountryCode) == 12);
static_assert(offsetof(RASENTRYA, szAreaCode) == 16);
static_assert(offsetof(RASENTRYA, szLocalPhoneNumber) == 27);

// phonebook is always null here (the default phonebook); reserved must be null.
DWORD RasEnumEntriesA(const char* reserved, const char* phonebook, RASENTRYNAMEA* entries, DWORD* cb,
                      DWORD* count);
DWORD RasGetEntryPropertiesA(const char* phonebook, const char* entryName, RASENTRYA* entry, DWORD* cb,
                             void* deviceInfo, DWORD* deviceInfoSize);
DWORD RasSetEntryPropertiesA(const char* phonebook, const char* entryName, const RASENTRYA* entry, DWORD cb,
                             const void* deviceInfo, DWORD deviceInfoSize);
DWORD RasEnumConnectionsA(RASCONNA* connections, DWORD* cb, DWORD* count);
DWORD RasGetConnectStatusA(HRASCONN connection, RASCONNSTATUSA* status);
DWORD RasHangUpA(HRASCONN connection);
// Fills buffer with the message of a RAS code (600 to 798); ERROR_INVALID_PARAMETER otherwise.
DWORD RasGetErrorStringA(unsigned code, char* buffer, DWORD bufferSize);

// What is wrong with the phonebook's file, naming it, for one report (a file cut short,
// bytes that are no text); empty when nothing is, or where the service keeps its
// phonebook to itself. The entries are served as well as the file allows all the same.
std::string PhonebookProblem();
// The same for the file of the active connections, where the service keeps one.
std::string ConnectionsProblem();

} // namespace nuvex::platform::ras
