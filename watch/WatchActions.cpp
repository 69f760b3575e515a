#include "watch/WatchActions.h"

#include "ui/SysText.h"
#include "watch/CheckNumberStore.h"
#include "watch/EntryNumber.h"

#include <cstring>

namespace nuvex {

namespace ras = platform::ras;

QString AuthoriseEntry(const TRasPhonebookEntry& entry)
{
    const QString number = GetEntryNumber(entry);
    TCheckNumberStore::WriteCheckNumber(entry.Name, number);
    return number;
}

void RestoreEntryNumber(TRasPhonebookEntry& entry)
{
    const QString check = TCheckNumberStore::ReadCheckNumber(entry.Name);
    // An empty check number (a section without "Tn", or one the store cannot find) would
    // blank the entry's number: refuse it rather than write nothing over the number.
    if (check.isEmpty())
        throw ERevertRefused(QStringLiteral("Připojení „%1“ nemá v souboru Nuvex.val kontrolní číslo, "
                                            "které by šlo zapsat. Číslo připojení zůstalo beze změny; "
                                            "použijte „Aktualizuj“, nebo doplňte kontrolní číslo.")
                                 .arg(entry.Name)
                                 .toStdString());
    const TEntryNumberParts parts = SplitEntryNumber(check);
    const std::string area = ToSys(parts.AreaCode);
    const std::string local = ToSys(parts.LocalNumber);
    if (area.size() > ras::RAS_MaxAreaCode || local.size() > ras::RAS_MaxPhoneNumber)
        throw ERevertRefused(
            QStringLiteral(
                "Kontrolní číslo „%1“ připojení „%2“ nelze zapsat do telefonního seznamu: předvolba "
                "smí mít nejvýše %3 znaků a místní číslo nejvýše %4 znaků. Číslo připojení zůstalo "
                "beze změny; opravte kontrolní číslo v souboru Nuvex.val.")
                .arg(check, entry.Name)
                .arg(ras::RAS_MaxAreaCode)
                .arg(ras::RAS_MaxPhoneNumber)
                .toStdString());

    auto properties = entry.GetProperties();
    ras::RASENTRYA& record = *properties->Entry();
    record.dwCountryCode = ParseCountryCode(parts.CountryCode).value_or(0);
    std::memset(record.szAreaCode, 0, sizeof record.szAreaCode);
    std::memcpy(record.szAreaCode, area.data(), area.size());
    std::memset(record.szLocalPhoneNumber, 0, sizeof record.szLocalPhoneNumber);
    std::memcpy(record.szLocalPhoneNumber, local.data(), local.size());
    entry.SetProperties(std::move(properties), sizeof(ras::RASENTRYA), true);
}

} // namespace nuvex
