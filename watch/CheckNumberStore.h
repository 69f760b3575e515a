#pragma once

// The trusted check numbers: "Nuvex.val", one section per authorised phonebook entry with
// the key "Tn". Every operation looks at the file afresh (an unchanged file is not parsed
// again), so hand edits count at the next check.

#include <QHash>
#include <QString>
#include <QStringList>
#include <memory>

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

// Every authorised entry's check number from one reading of the file, looked up by entry
// name ignoring letter case; of sections equal but for case the first one counts, as a
// search of the section names would find it. While the file is unchanged, Read() hands
// out the same reading again instead of making a new one.
class TCheckNumbers
{
public:
    static std::shared_ptr<const TCheckNumbers> Read();

    // The entry's check number (empty when its section has no "Tn"), or nullptr when no
    // section matches the name.
    const QString* Find(const QString& entryName) const;
    qsizetype Count() const { return byFolded_.size(); }

private:
    QHash<QString, QString> byFolded_;
    // The same numbers by the spelling of the section that counts: a name spelled as in
    // the file, the usual case, is found without folding its letters.
    QHash<QString, QString> bySpelling_;
};

} // namespace nuvex
