#pragma once

// What the user's three answers to an alarm do to one phonebook entry: authorise its
// current number (Add, Update) or write its check number back into it (Revert).

#include "platform/Error.h"
#include "watch/RasHelperClasses.h"

#include <QString>

namespace nuvex {

inline const QString kUpdateQuestion = QStringLiteral(
    "Rozhodl(a) jste se pro aktualizaci kontrolního čísla. Pokračujte kliknutím na tlačítko ANO, pokud to "
    "myslíte vážně. Opravdu chcete aktualizovat kontrolní číslo ?");
inline const QString kRevertDone = QStringLiteral("Číslo bylo obnoveno na původní.");

// Revert refused without touching the entry; what() is UTF-8 text for the user.
class ERevertRefused : public Error
{
public:
    using Error::Error;
};

// The entry's current number text becomes its check number; returns that text.
QString AuthoriseEntry(const TRasPhonebookEntry& entry);

// Writes the entry's check number back into its country code, area code and local
// number; every other field stays. A check number whose parts do not fit the entry's
// fields (only a hand edit of the store can make one) raises ERevertRefused instead of
// being cut into a wrong number.
void RestoreEntryNumber(TRasPhonebookEntry& entry);

} // namespace nuvex
