#pragma once

// The emulated dial-up service behind Ras.h on Linux, and the administration that the
// nuvex-ras tool and the tests use to play the user, the modem and a dialer.
//
// Files, both INI files in RasDir():
//   rasphone.pbk     one section per phonebook entry, named after it, with CountryCode,
//                    AreaCode and PhoneNumber (other keys are kept as they are);
//   connections.ini  [Adapter] with BytesReceived, ConnectSpeed and NextHandle, and one
//                    section "Connection <handle>" per active connection with Entry,
//                    DeviceType, DeviceName, State (connected, disconnected, dialling),
//                    HangUpDelayMs and, while a delayed hang-up runs, HangUpAt.

#include "platform/Ras.h"

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace nuvex::platform::rasstandin {

// A refused or failed administration command; the message is for the user.
class StandinError : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
};

std::string PhonebookPath();
std::string ConnectionsPath();

struct EntryNumber
{
    ras::DWORD countryCode = 0;
    std::string areaCode;    // at most 10 bytes
    std::string localNumber; // at most 128 bytes
};

enum class ConnectionState
{
    Connected,
    Disconnected,
    Dialling
};

struct Connection
{
    ras::HRASCONN handle = 0;
    std::string entryName;
    std::string deviceType;
    std::string deviceName;
    ConnectionState state = ConnectionState::Connected;
};

// Phonebook.
std::vector<std::string> EntryNames();
std::optional<EntryNumber> GetEntry(const std::string& name);
void AddEntry(const std::string& name, const EntryNumber& number); // error when it exists
void SetEntry(const std::string& name, const EntryNumber& number); // error when it is missing
void RemoveEntry(const std::string& name);                         // error when it is missing

// Connections. A negative hang-up delay means the connection never goes away after a
// hang-up (a stuck line); 0 means it goes at once.
ras::HRASCONN Dial(const std::string& entryName, ConnectionState state = ConnectionState::Connected,
                   int hangUpDelayMs = 0);
void Drop(const std::string& entryName);   // the connection reports the disconnected state
void HangUp(const std::string& entryName); // the connection goes away at once
std::vector<Connection> Connections();     // those not yet gone, in the order they were made

// The service's side of the connections (what Ras_emulated.cpp serves): the connection with
// this handle while it is still there, and the hang-up that RasHangUpA does, which honours
// the connection's hang-up delay; false when there is no such connection.
std::optional<Connection> FindConnection(ras::HRASCONN handle);
bool HangUpConnection(ras::HRASCONN handle);

// Dial-up adapter counters (what the system's performance statistics report).
struct AdapterStats
{
    std::uint32_t bytesReceived = 0;
    std::uint32_t connectSpeed = 0;
};
AdapterStats ReadAdapterStats();
void AddReceivedBytes(std::uint64_t bytes); // wraps around at 2^32 like the real counter
void SetConnectSpeed(std::uint32_t bitsPerSecond);

const char* StateName(ConnectionState state);

} // namespace nuvex::platform::rasstandin
