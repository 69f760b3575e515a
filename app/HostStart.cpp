#include "app/HostStart.h"

#include "platform/RasService.h"
#include "settings/uOptions.h"
#include "ui/SysText.h"
#include "ui/qnForms.h"
#include "watch/CheckNumberStore.h"
#include "watch/WatchActions.h"

namespace nuvex {

QString GuardedMachineLine()
{
    return QStringLiteral("Hlídaný počítač: %1.")
        .arg(FromSys(platform::ras::ActiveRasService().Description()));
}

bool AskTrustOnFirstStart()
{
    if (platform::ras::GuardedMachine() != platform::ras::Machine::Host ||
        !TCheckNumberStore::SectionNames().isEmpty() || Options->HostTrustAsked())
        return false;
    TRasPhonebook phonebook;
    if (phonebook.Count() == 0)
        return false;

    QString list;
    for (int i = 0; i < phonebook.Count(); ++i) {
        const QString number = GetEntryNumber(phonebook.Items(i));
        list += QStringLiteral("\n%1: %2")
                    .arg(phonebook.Items(i).Name, number.isEmpty() ? QStringLiteral("(bez čísla)") : number);
    }
    const bool trust = AskYesNo(
        QStringLiteral(
            "Nuvex na tomto počítači zatím nezná žádné kontrolní číslo. Telefonické připojení má tyto "
            "položky a čísla:\n%1\n\nPovažujete tato čísla za bezpečná? Ano: uloží se jako kontrolní "
            "čísla. Ne: Nuvex bude všechna připojení hlásit jako neregistrovaná a jejich spojení "
            "zavěšovat, dokud je nepřidáte (Připojení → Přidej).")
            .arg(list));
    Options->SetHostTrustAsked(true);
    if (trust)
        for (int i = 0; i < phonebook.Count(); ++i)
            AuthoriseEntry(phonebook.Items(i));
    return true;
}

} // namespace nuvex
