#pragma once

// The decisions of one watch check, apart from the window that shows them: each entry's
// row state, which row ends up selected, and the alarm with its log line.

#include "watch/CheckNumberStore.h"

#include <QString>
#include <QStringList>
#include <cstdint>
#include <memory>
#include <optional>
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
// The active number of an entry the service could not read.
inline const QString kUnreadableNumber = QStringLiteral("nečitelné");

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

// One check over the phonebook. Reads the store once at construction.
class TWatchPass
{
public:
    TWatchPass(const QString& selectedCaption, const QString& connName);

    // The row for the next entry in phonebook order.
    TWatchRow Evaluate(const QString& entryName, const QString& activeNumber);
    // The row for an entry whose number could not be read. A dialer could hide a change
    // behind such an entry, so it counts as changed.
    TWatchRow EvaluateUnreadable(const QString& entryName);

    const QString& NameToSelect() const { return nameToSelect_; }
    // A change outranks an unregistered entry.
    TAlarmDecision Decision() const;
    // The store's reading this pass judges by (the same object while the file is unchanged).
    const std::shared_ptr<const TCheckNumbers>& Numbers() const { return numbers_; }

private:
    std::shared_ptr<const TCheckNumbers> numbers_;
    QString connName_;
    QString nameToSelect_;
    bool changeSeen_ = false;
    bool unregisteredSeen_ = false;
};

// What a check over the whole phonebook was decided from, and its decision. A check whose
// inputs are all the same (the service's phonebook generation, the store's reading, the
// selected row and the connected entry) over rows that nobody touched since would bring
// every row to what it already is: it can take the decision as it was instead.
struct TCheckInputs
{
    std::optional<std::uint64_t> Phonebook;       // nothing: the service cannot tell, never repeated
    std::shared_ptr<const TCheckNumbers> Numbers; // held, so that its address is not reused
    const void* SelectedRow = nullptr;
    const void* CurrentRow = nullptr;
    QString SelectedCaption;
    QString ConnName;
    int Rows = 0;

    bool operator==(const TCheckInputs&) const = default;
};

class TLastCheck
{
public:
    // The decision of the last full check when it had exactly these inputs.
    std::optional<TAlarmDecision> Repeat(const TCheckInputs& inputs) const;
    // A full check that began with `before` ended with `after` and read every entry. Only a
    // check that left the selection where it was is remembered: the next one would leave
    // everything as it is.
    void Remember(const TCheckInputs& before, TCheckInputs after, TAlarmDecision decision);
    // The rows were changed by something else than a check.
    void Forget() { inputs_.reset(); }

private:
    std::optional<TCheckInputs> inputs_;
    TAlarmDecision decision_ = TAlarmDecision::AllOk;
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
    // Captions as given; they are compared ignoring case only while a name is sought,
    // which spares folding every caption of every check.
    std::vector<QString> captions_;
    QString name_;
    QString foldedName_;
    int selected_ = -1;
};

// Which unreadable entries were already logged in their current episode: an entry's
// error is logged when it becomes unreadable, not at every check. An episode ends when a
// check reads the entry again or no longer finds it.
class TUnreadableEntries
{
public:
    // Call once per check before the entries; forgets the previous check's set.
    void BeginCheck();
    // True when this entry's error is new in this episode (and so to be logged).
    bool Unreadable(const QString& entryName);
    // Call after the entries: ends the episodes of entries not seen unreadable.
    void EndCheck();

private:
    std::vector<QString> logged_;
    std::vector<QString> seen_;
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
