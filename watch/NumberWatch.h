#pragma once

// The decisions of one watch check, apart from the window that shows them: each entry's
// row state, which row ends up selected, and the alarm with its log line.

#include "watch/CheckNumberStore.h"

#include <QString>
#include <QStringList>
#include <vector>

namespace nuvex {

// Indexes into the main window's image list.
enum TWatchImage : int
{
    imgInOrder = 0,
    imgUnregistered = 1,
    imgChanged = 2,
    imgInOrderConnected = 8,
};

inline const QString kUnknownCheckNumber = QStringLiteral("neznámé");
inline const QString kChangeWarning = QStringLiteral(
    "POZOR !!! - Některé číslo telefonického připojení bylo změněno!!!. Pokud jste to neprovedl(a) záměrně "
    "(ručně, nebo instalací Vám známého programu) můžete nyní vrátit číslo zpět. Jednalo-li se o záměr, "
    "proveďte aktualizaci kontrolního čísla, aplikace bude považovat toto číslo za bezpečné.");
inline const QString kUnregisteredWarning = QStringLiteral(
    "POZOR !!! - Bylo objeveno dosud neregistrované telefonické připojení!!!. Pokud jej považujete za "
    "bezpečný, stiskněte tlačítko Přidat.");
inline const QString kAllOk = QStringLiteral("Vše OK.");

struct TWatchRow
{
    QString Name;
    QString ActiveNumber;
    QString CheckNumber;
    int ImageIndex = imgInOrder;
};

enum class TAlarmDecision
{
    AllOk,
    Unregistered,
    Changed
};

// One check over the phonebook. Reads the store's section names once at construction.
class TWatchPass
{
public:
    TWatchPass(const QString& selectedCaption, const QString& connName);

    // The row for the next entry in phonebook order.
    TWatchRow Evaluate(const QString& entryName, const QString& activeNumber);

    const QString& NameToSelect() const { return nameToSelect_; }
    // A change outranks an unregistered entry.
    TAlarmDecision Decision() const;

private:
    TSectionIndex sections_;
    QString connName_;
    QString nameToSelect_;
    bool changeSeen_ = false;
    bool unregisteredSeen_ = false;
};

// Which row is selected while rows are added: the first row whose caption equals the
// name to select, ignoring letter case. Searching afresh after every added row would cost
// a whole scan per row; the first match only moves when the name does.
class TRowSelector
{
public:
    // Returns the row to select after this row was added, or -1.
    int AddRow(const QString& caption, const QString& nameToSelect);
    int Selected() const { return selected_; }

private:
    std::vector<QString> folded_;
    QString name_;
    QString foldedName_;
    int selected_ = -1;
};

// What the alarm decision does to the alarm flag and the log.
struct TAlarmOutcome
{
    bool AlarmRaised;
    QString LogLine; // empty: nothing to log
    bool ShowWindow;
};
TAlarmOutcome DecideAlarm(TAlarmDecision decision, bool alarmRaisedBefore);

// Reports of damaged files, each once: Fresh gives the problems not reported yet and
// forgets those that went away, so that a file damaged again is reported again.
class TDamageNotices
{
public:
    QStringList Fresh(const QStringList& current);

private:
    QStringList reported_;
};

} // namespace nuvex
