#include "watch/RasHelperClasses.h"

#include "platform/IniFileAccess.h"
#include "ui/SysText.h"
#include "watch/EntryNumber.h"
#include "watch/RasError.h"

#include <algorithm>
#include <cstring>
#include <thread>

namespace nuvex {

namespace ras = platform::ras;

namespace {

QString FieldText(const char* field, std::size_t size)
{
    const std::string_view text(field, strnlen(field, size));
    // Numbers are plain ASCII, which every system code page reads alike; the general
    // conversion costs several times more and runs for every entry of every check.
    if (std::all_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; }))
        return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
    return FromSys(text);
}

// Enumerates into a buffer of records whose first field is their size: one call with a
// single element, and more with the size the service asked for. The list may grow between
// two calls (another program adds an entry), so a second "too small" is asked again a few
// times before it counts as an error.
template <typename Record, typename Enumerate> std::vector<Record> EnumerateRecords(Enumerate enumerate)
{
    std::vector<Record> buffer(1);
    ras::DWORD bytes = sizeof(Record);
    ras::DWORD count = 0;
    buffer[0].dwSize = sizeof(Record);
    ras::DWORD result = enumerate(buffer.data(), &bytes, &count);
    // The list may grow between asking for its size and reading it (a dialer adds an
    // entry meanwhile): ask again with the new size, a few times.
    for (int attempt = 0; result == ras::ERROR_BUFFER_TOO_SMALL && attempt < kEnumerationAttempts;
         ++attempt) {
        buffer.assign((bytes + sizeof(Record) - 1) / sizeof(Record), Record{});
        buffer[0].dwSize = sizeof(Record);
        bytes = static_cast<ras::DWORD>(buffer.size() * sizeof(Record));
        count = 0;
        result = enumerate(buffer.data(), &bytes, &count);
    }
    RasCheck(result);
    buffer.resize(std::min<std::size_t>(count, buffer.size()));
    return buffer;
}

} // namespace

void TRasBaseList::DoChange()
{
    if (OnChange)
        OnChange(*this);
}

TRasEntryProperties::TRasEntryProperties(ras::DWORD size)
    : storage_((std::max<ras::DWORD>(size, sizeof(ras::RASENTRYA)) + 3) / 4, 0), size_(size)
{}

std::unique_ptr<TRasEntryProperties> TRasPhonebookEntry::GetProperties() const
{
    const std::string name = ToSys(Name);
    ras::DWORD size = 0;
    const ras::DWORD probe =
        ras::RasGetEntryPropertiesA(nullptr, name.c_str(), nullptr, &size, nullptr, nullptr);
    if (probe != ras::ERROR_BUFFER_TOO_SMALL)
        RasCheck(probe);
    auto properties = std::make_unique<TRasEntryProperties>(size);
    properties->Entry()->dwSize = sizeof(ras::RASENTRYA);
    RasCheck(
        ras::RasGetEntryPropertiesA(nullptr, name.c_str(), properties->Entry(), &size, nullptr, nullptr));
    return properties;
}

ras::DWORD TRasPhonebookEntry::SetProperties(std::unique_ptr<TRasEntryProperties> properties, ras::DWORD size,
                                             bool freeAndCheck)
{
    const std::string name = ToSys(Name);
    const ras::DWORD result = ras::RasSetEntryPropertiesA(nullptr, name.c_str(), properties->Entry(),
                                                          std::min(size, properties->Size()), nullptr, 0);
    if (freeAndCheck) {
        properties.reset();
        RasCheck(result);
    }
    return result;
}

TRasPhonebook::TRasPhonebook()
{
    Refresh();
}

void TRasPhonebook::Refresh()
{
    // The enumeration and the change handler read every entry, and the handler every
    // check number: the phonebook and the store are looked at on disk once per refresh,
    // not once per entry. Nothing in this span waits for another program's change.
    const platform::IniReadSpan oneLookPerFile;
    items_.clear();
    const auto names = EnumerateRecords<ras::RASENTRYNAMEA>(
        [](ras::RASENTRYNAMEA* buffer, ras::DWORD* bytes, ras::DWORD* count) {
            return ras::RasEnumEntriesA(nullptr, nullptr, buffer, bytes, count);
        });
    items_.reserve(names.size());
    for (const auto& record : names)
        items_.push_back(std::make_unique<TRasPhonebookEntry>(
            *this, FieldText(record.szEntryName, sizeof record.szEntryName)));
    DoChange();
}

TRasConnectionItem::TRasConnectionItem(TRasConnectionsList& parent, const ras::RASCONNA& connection)
    : parent_(parent), connection_(connection)
{}

QString TRasConnectionItem::EntryName() const
{
    return FieldText(connection_.szEntryName, sizeof connection_.szEntryName);
}

ras::RASCONNSTATUSA TRasConnectionItem::GetConnectStatus() const
{
    ras::RASCONNSTATUSA status{};
    status.dwSize = sizeof status;
    RasCheck(ras::RasGetConnectStatusA(connection_.hrasconn, &status));
    return status;
}

void TRasConnectionItem::HangUp(int timeoutSeconds, std::chrono::milliseconds waitLimit)
{
    const ras::HRASCONN handle = connection_.hrasconn;
    RasCheck(ras::RasHangUpA(handle));

    // The budget counts polls; with time-out 0 it goes below zero at once and only the
    // service's "gone" ends the wait, so the wait limit stands in for a stuck line.
    long budget = 10L * timeoutSeconds;
    const auto deadline = std::chrono::steady_clock::now() + waitLimit;
    for (;;) {
        std::this_thread::sleep_for(kHangUpPollInterval);
        --budget;
        ras::RASCONNSTATUSA status{};
        status.dwSize = sizeof status;
        if (ras::RasGetConnectStatusA(handle, &status) == ras::ERROR_INVALID_HANDLE || budget == 0)
            break;
        if (timeoutSeconds <= 0 && std::chrono::steady_clock::now() >= deadline)
            throw ERasError(QStringLiteral("Spojení \"%1\" se nepodařilo zavěsit: systém je hlásí i po %2 s.")
                                .arg(EntryName())
                                .arg(waitLimit.count() / 1000.0),
                            0);
    }

    // The refresh frees this item; nothing of it may be used after this line.
    TRasConnectionsList& parent = parent_;
    parent.Refresh();
}

void TRasConnectionItem::StartHangUp() const
{
    RasCheck(ras::RasHangUpA(connection_.hrasconn));
}

bool TRasConnectionItem::IsGone(ras::HRASCONN handle)
{
    ras::RASCONNSTATUSA status{};
    status.dwSize = sizeof status;
    return ras::RasGetConnectStatusA(handle, &status) == ras::ERROR_INVALID_HANDLE;
}

TRasConnectionsList::TRasConnectionsList()
{
    Refresh();
}

void TRasConnectionsList::Refresh()
{
    items_.clear();
    const auto connections =
        EnumerateRecords<ras::RASCONNA>([](ras::RASCONNA* buffer, ras::DWORD* bytes, ras::DWORD* count) {
            return ras::RasEnumConnectionsA(buffer, bytes, count);
        });
    items_.reserve(connections.size());
    for (const auto& record : connections)
        items_.push_back(std::make_unique<TRasConnectionItem>(*this, record));
    DoChange();
}

QString GetEntryNumber(const TRasPhonebookEntry& entry)
{
    const auto properties = entry.GetProperties();
    const ras::RASENTRYA& record = *properties->Entry();
    return FormatEntryNumber(record.dwCountryCode, FieldText(record.szAreaCode, sizeof record.szAreaCode),
                             FieldText(record.szLocalPhoneNumber, sizeof record.szLocalPhoneNumber));
}

} // namespace nuvex
