#pragma once

// The trusted check numbers: "Nuvex.val", one section per authorised phonebook entry with
// the key "Tn". Every operation reads or writes the file afresh, so hand edits count at
// the next check.

#include <QHash>
#include <QString>
#include <QStringList>

namespace nuvex {

class TCheckNumberStore
{
public:
    static inline const QString FileName = QStringLiteral("Nuvex.val");
    static inline const QString NumberKey = QStringLiteral("Tn");

    // Every authorised entry, as the file spells it, in file order.
    static QStringList SectionNames();
    // The check number of a section as the file spells it; empty when the key is missing.
    static QString ReadCheckNumber(const QString& section);
    // Writes the entry's check number, creating the file and section as needed.
    // Throws EIniFileError when the write is refused or fails.
    static void WriteCheckNumber(const QString& entryName, const QString& number);
    // What is wrong with the file (bytes that are no text), naming it; empty when nothing.
    static QString Problem();
};

// One reading of the section names, with a lookup that ignores letter case and answers
// the first matching position, as a search of the name list would.
class TSectionIndex
{
public:
    explicit TSectionIndex(QStringList names);
    int IndexOf(const QString& name) const; // -1 when absent
    const QStringList& Names() const { return names_; }

private:
    QStringList names_;
    QHash<QString, int> firstByFolded_;
};

} // namespace nuvex
