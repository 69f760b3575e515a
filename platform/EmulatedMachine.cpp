// The emulated machine's dial-up files (rasphone.pbk, connections.ini) and their
// administration: what nuvex-ras and the tests do as the user, the modem and a dialer.

#include "platform/EmulatedMachine.h"

#include "platform/Decimal.h"
#include "platform/IniFileAccess.h"
#include "platform/SystemPaths.h"
#include "platform/TextFold.h"

#include <charconv>
#include <chrono>
#include <functional>
#include <limits>
#include <memory>
#include <string_view>
#include <utility>

namespace nuvex::platform::rasstandin {

namespace {

constexpr std::string_view kCountryCode = "CountryCode";
constexpr std::string_view kAreaCode = "AreaCode";
constexpr std::string_view kPhoneNumber = "PhoneNumber";

constexpr std::string_view kAdapter = "Adapter";
constexpr std::string_view kBytesReceived = "BytesReceived";
constexpr std::string_view kConnectSpeed = "ConnectSpeed";
constexpr std::string_view kNextHandle = "NextHandle";

constexpr std::string_view kConnectionPrefix = "Connection ";
constexpr std::string_view kEntry = "Entry";
constexpr std::string_view kDeviceType = "DeviceType";
constexpr std::string_view kDeviceName = "DeviceName";
constexpr std::string_view kState = "State";
constexpr std::string_view kHangUpDelayMs = "HangUpDelayMs";
constexpr std::string_view kHangUpAt = "HangUpAt";
constexpr std::string_view kNever = "never";

constexpr std::string_view kModemType = "modem";
constexpr std::string_view kModemName = "Standardní modem 56000 bps";

std::uint64_t NowMs()
{
    using namespace std::chrono;
    return static_cast<std::uint64_t>(
        duration_cast<milliseconds>(system_clock::now().time_since_epoch()).count());
}

template <typename T>
std::optional<T> ParseValue(const IniDocument& doc, std::string_view section, std::string_view key)
{
    const auto text = doc.Value(section, key);
    return text ? ParseDecimal<T>(*text) : std::nullopt;
}

// The INI layer's messages are already written for the user; only the type changes.
template <typename Body> auto Translated(Body&& body)
{
    try {
        return body();
    } catch (const ProfileError& e) {
        throw StandinError(e.what());
    }
}

std::shared_ptr<const IniDocument> Load(const std::string& path)
{
    return Translated([&] { return LoadIniFile(path); });
}

void Update(const std::string& path, const std::function<void(IniDocument&)>& edit)
{
    Translated([&] { UpdateIniFile(path, edit); });
}

std::string Quoted(std::string_view text)
{
    return "„" + std::string(text) + "“";
}

bool HasControlChar(std::string_view text)
{
    for (const char c : text)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F)
            return true;
    return false;
}

bool IsBlank(char c)
{
    return c == ' ' || c == '\t';
}

// Entry names become section names of the phonebook, so they must read back as written.
void ValidateEntryName(std::string_view name)
{
    if (name.empty())
        throw StandinError("Název položky telefonního seznamu nesmí být prázdný.");
    if (name.size() > ras::RAS_MaxEntryName)
        throw StandinError("Název položky telefonního seznamu může mít nejvýše 256 bajtů.");
    if (HasControlChar(name))
        throw StandinError(
            "Název položky telefonního seznamu nesmí obsahovat konce řádků ani jiné řídicí znaky.");
    if (name.find(']') != std::string_view::npos)
        throw StandinError("Název položky telefonního seznamu nesmí obsahovat znak „]“.");
    if (name.front() == '[' || name.front() == ';')
        throw StandinError("Název položky telefonního seznamu nesmí začínat znakem „[“ ani „;“.");
    if (IsBlank(name.front()) || IsBlank(name.back()))
        throw StandinError("Název položky telefonního seznamu nesmí začínat ani končit mezerou.");
}

void ValidateNumber(const EntryNumber& number)
{
    if (number.areaCode.size() > ras::RAS_MaxAreaCode)
        throw StandinError("Předvolba " + Quoted(number.areaCode) + " je delší než 10 bajtů.");
    if (number.localNumber.empty())
        throw StandinError("Telefonní číslo nesmí být prázdné.");
    if (number.localNumber.size() > ras::RAS_MaxPhoneNumber)
        throw StandinError("Telefonní číslo je delší než 128 bajtů.");
    if (HasControlChar(number.areaCode) || HasControlChar(number.localNumber))
        throw StandinError("Předvolba ani telefonní číslo nesmí obsahovat řídicí znaky.");
}

void WriteNumber(IniDocument& doc, const std::string& section, const EntryNumber& number)
{
    doc.SetValue(section, kCountryCode, std::to_string(number.countryCode));
    doc.SetValue(section, kAreaCode, number.areaCode);
    doc.SetValue(section, kPhoneNumber, number.localNumber);
}

[[noreturn]] void ThrowMissingEntry(std::string_view name)
{
    throw StandinError("Položka " + Quoted(name) + " v telefonním seznamu není.");
}

std::string ConnectionSection(ras::HRASCONN handle)
{
    return std::string(kConnectionPrefix) + std::to_string(handle);
}

std::optional<ras::HRASCONN> HandleOfSection(std::string_view section)
{
    if (section.size() <= kConnectionPrefix.size() ||
        !EqualsIgnoreCase(section.substr(0, kConnectionPrefix.size()), kConnectionPrefix))
        return std::nullopt;
    const auto handle = ParseDecimal<ras::HRASCONN>(section.substr(kConnectionPrefix.size()));
    if (!handle || *handle == 0)
        return std::nullopt;
    return handle;
}

// A connection whose delayed hang-up has run out is gone, whether or not its section was
// purged yet. "never" (a stuck line) and anything unreadable keep it listed.
bool IsGone(const IniDocument& doc, std::string_view section, std::uint64_t now)
{
    const auto at = ParseValue<std::uint64_t>(doc, section, kHangUpAt);
    return at && *at <= now;
}

ConnectionState ParseState(std::string_view text)
{
    if (EqualsIgnoreCase(text, StateName(ConnectionState::Connected)))
        return ConnectionState::Connected;
    if (EqualsIgnoreCase(text, StateName(ConnectionState::Dialling)))
        return ConnectionState::Dialling;
    // A line in an unknown state carries no data, so it counts as disconnected.
    return ConnectionState::Disconnected;
}

Connection ReadConnection(const IniDocument& doc, std::string_view section, ras::HRASCONN handle)
{
    Connection connection;
    connection.handle = handle;
    connection.entryName = doc.Value(section, kEntry).value_or(std::string());
    connection.deviceType = doc.Value(section, kDeviceType).value_or(std::string());
    connection.deviceName = doc.Value(section, kDeviceName).value_or(std::string());
    connection.state = ParseState(doc.Value(section, kState).value_or(std::string()));
    return connection;
}

// Sections of the connections that are still there, in file order, with their handles.
std::vector<std::pair<std::string, ras::HRASCONN>> LiveSections(const IniDocument& doc, std::uint64_t now)
{
    std::vector<std::pair<std::string, ras::HRASCONN>> live;
    for (std::string& section : doc.SectionNames()) {
        const auto handle = HandleOfSection(section);
        if (handle && !IsGone(doc, section, now))
            live.emplace_back(std::move(section), *handle);
    }
    return live;
}

std::optional<std::string> SectionOfEntry(const IniDocument& doc, std::string_view entryName,
                                          std::uint64_t now)
{
    for (auto& [section, handle] : LiveSections(doc, now))
        if (EqualsIgnoreCase(doc.Value(section, kEntry).value_or(std::string()), entryName))
            return section;
    return std::nullopt;
}

void PurgeGone(IniDocument& doc, std::uint64_t now)
{
    for (const std::string& section : doc.SectionNames())
        if (HandleOfSection(section) && IsGone(doc, section, now))
            doc.RemoveSection(section);
}

ras::HRASCONN NextOf(ras::HRASCONN handle)
{
    return handle == std::numeric_limits<ras::HRASCONN>::max() ? 1 : handle + 1;
}

// Handles count up from 1, skip 0 when they wrap, and never reuse one still in use.
ras::HRASCONN AllocateHandle(IniDocument& doc)
{
    ras::HRASCONN handle = ParseValue<ras::HRASCONN>(doc, kAdapter, kNextHandle).value_or(1);
    if (handle == 0)
        handle = 1;
    while (doc.HasSection(ConnectionSection(handle)))
        handle = NextOf(handle);
    doc.SetValue(kAdapter, kNextHandle, std::to_string(NextOf(handle)));
    return handle;
}

// Finds the entry's connection under the lock and lets change edit it; the refusal is
// decided inside the edit so that it sees what another writer may have just done.
void EditConnectionOfEntry(const std::string& entryName,
                           const std::function<void(IniDocument&, const std::string&)>& change)
{
    bool found = false;
    Update(ConnectionsPath(), [&](IniDocument& doc) {
        const std::uint64_t now = NowMs();
        const auto section = SectionOfEntry(doc, entryName, now);
        if (!section)
            return;
        found = true;
        change(doc, *section);
        PurgeGone(doc, now);
    });
    if (found)
        return;
    if (!Load(PhonebookPath())->HasSection(entryName))
        ThrowMissingEntry(entryName);
    throw StandinError("Položka " + Quoted(entryName) + " nemá žádné připojení.");
}

} // namespace

std::string PhonebookPath()
{
    return RasDir() + "/rasphone.pbk";
}

std::string ConnectionsPath()
{
    return RasDir() + "/connections.ini";
}

std::vector<std::string> EntryNames()
{
    return Load(PhonebookPath())->SectionNames();
}

std::optional<EntryNumber> GetEntry(const std::string& name)
{
    const auto doc = Load(PhonebookPath());
    const auto section = doc->SectionSpelling(name);
    if (!section)
        return std::nullopt;
    EntryNumber number;
    number.countryCode = ParseValue<ras::DWORD>(*doc, *section, kCountryCode).value_or(0);
    number.areaCode = doc->Value(*section, kAreaCode).value_or(std::string());
    number.localNumber = doc->Value(*section, kPhoneNumber).value_or(std::string());
    return number;
}

void AddEntry(const std::string& name, const EntryNumber& number)
{
    ValidateEntryName(name);
    ValidateNumber(number);
    std::optional<std::string> existing = Load(PhonebookPath())->SectionSpelling(name);
    if (!existing) {
        Update(PhonebookPath(), [&](IniDocument& doc) {
            existing = doc.SectionSpelling(name);
            if (!existing)
                WriteNumber(doc, name, number);
        });
    }
    if (existing)
        throw StandinError("Položka " + Quoted(*existing) + " už v telefonním seznamu je.");
}

void SetEntry(const std::string& name, const EntryNumber& number)
{
    ValidateNumber(number);
    bool found = Load(PhonebookPath())->HasSection(name);
    if (found) {
        Update(PhonebookPath(), [&](IniDocument& doc) {
            const auto section = doc.SectionSpelling(name);
            found = section.has_value();
            if (found)
                WriteNumber(doc, *section, number);
        });
    }
    if (!found)
        ThrowMissingEntry(name);
}

void RemoveEntry(const std::string& name)
{
    bool found = Load(PhonebookPath())->HasSection(name);
    if (found)
        Update(PhonebookPath(), [&](IniDocument& doc) { found = doc.RemoveSection(name); });
    if (!found)
        ThrowMissingEntry(name);
}

ras::HRASCONN Dial(const std::string& entryName, ConnectionState state, int hangUpDelayMs)
{
    const auto entry = Load(PhonebookPath())->SectionSpelling(entryName);
    if (!entry)
        ThrowMissingEntry(entryName);
    ras::HRASCONN handle = 0;
    std::optional<std::string> busy;
    Update(ConnectionsPath(), [&](IniDocument& doc) {
        const std::uint64_t now = NowMs();
        busy = SectionOfEntry(doc, *entry, now);
        if (busy)
            return;
        PurgeGone(doc, now);
        handle = AllocateHandle(doc);
        const std::string section = ConnectionSection(handle);
        doc.SetValue(section, kEntry, *entry);
        doc.SetValue(section, kDeviceType, kModemType);
        doc.SetValue(section, kDeviceName, kModemName);
        doc.SetValue(section, kState, StateName(state));
        doc.SetValue(section, kHangUpDelayMs, std::to_string(hangUpDelayMs));
    });
    if (busy)
        throw StandinError("Položka " + Quoted(*entry) + " už má připojení (" + *busy + ").");
    return handle;
}

void Drop(const std::string& entryName)
{
    EditConnectionOfEntry(entryName, [](IniDocument& doc, const std::string& section) {
        doc.SetValue(section, kState, StateName(ConnectionState::Disconnected));
    });
}

void HangUp(const std::string& entryName)
{
    EditConnectionOfEntry(entryName,
                          [](IniDocument& doc, const std::string& section) { doc.RemoveSection(section); });
}

std::vector<Connection> Connections()
{
    const auto doc = Load(ConnectionsPath());
    std::vector<Connection> connections;
    for (const auto& [section, handle] : LiveSections(*doc, NowMs()))
        connections.push_back(ReadConnection(*doc, section, handle));
    return connections;
}

std::optional<Connection> FindConnection(ras::HRASCONN handle)
{
    const auto doc = Load(ConnectionsPath());
    const std::string section = ConnectionSection(handle);
    if (handle == 0 || !doc->HasSection(section) || IsGone(*doc, section, NowMs()))
        return std::nullopt;
    return ReadConnection(*doc, section, handle);
}

bool HangUpConnection(ras::HRASCONN handle)
{
    // The cached read spares an unknown handle the locked write.
    if (!FindConnection(handle))
        return false;
    bool found = false;
    Update(ConnectionsPath(), [&](IniDocument& doc) {
        const std::uint64_t now = NowMs();
        const std::string section = ConnectionSection(handle);
        if (!doc.HasSection(section) || IsGone(doc, section, now))
            return;
        found = true;
        // A second hang-up during the delay does not move the moment the line goes.
        if (!doc.Value(section, kHangUpAt)) {
            const auto delay = ParseValue<std::int64_t>(doc, section, kHangUpDelayMs).value_or(0);
            if (delay == 0)
                doc.RemoveSection(section);
            else if (delay < 0)
                doc.SetValue(section, kHangUpAt, kNever);
            else
                doc.SetValue(section, kHangUpAt, std::to_string(now + static_cast<std::uint64_t>(delay)));
        }
        PurgeGone(doc, now);
    });
    return found;
}

AdapterStats ReadAdapterStats()
{
    const auto doc = Load(ConnectionsPath());
    AdapterStats stats;
    stats.bytesReceived = ParseValue<std::uint32_t>(*doc, kAdapter, kBytesReceived).value_or(0);
    stats.connectSpeed = ParseValue<std::uint32_t>(*doc, kAdapter, kConnectSpeed).value_or(0);
    return stats;
}

void AddReceivedBytes(std::uint64_t bytes)
{
    Update(ConnectionsPath(), [&](IniDocument& doc) {
        const std::uint32_t current = ParseValue<std::uint32_t>(doc, kAdapter, kBytesReceived).value_or(0);
        // Unsigned arithmetic cut to 32 bits is exactly the counter's wrap-around.
        const auto total = static_cast<std::uint32_t>(current + bytes);
        doc.SetValue(kAdapter, kBytesReceived, std::to_string(total));
    });
}

void SetConnectSpeed(std::uint32_t bitsPerSecond)
{
    Update(ConnectionsPath(),
           [&](IniDocument& doc) { doc.SetValue(kAdapter, kConnectSpeed, std::to_string(bitsPerSecond)); });
}

const char* StateName(ConnectionState state)
{
    switch (state) {
    case ConnectionState::Connected:
        return "connected";
    case ConnectionState::Disconnected:
        return "disconnected";
    case ConnectionState::Dialling:
        return "dialling";
    }
    return "disconnected";
}

} // namespace nuvex::platform::rasstandin
