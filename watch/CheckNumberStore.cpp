#include "watch/CheckNumberStore.h"

#include "ui/IniFile.h"

namespace nuvex {

QStringList TCheckNumberStore::SectionNames()
{
    QStringList names;
    TIniFile(FileName).ReadSections(names);
    return names;
}

QString TCheckNumberStore::ReadCheckNumber(const QString& section)
{
    return TIniFile(FileName).ReadString(section, NumberKey, QString());
}

void TCheckNumberStore::WriteCheckNumber(const QString& entryName, const QString& number)
{
    TIniFile(FileName).WriteString(entryName, NumberKey, number);
}

TSectionIndex::TSectionIndex(QStringList names) : names_(std::move(names))
{
    firstByFolded_.reserve(names_.size());
    // Walking backwards lets the first of names equal but for letter case win.
    for (qsizetype i = names_.size() - 1; i >= 0; --i)
        firstByFolded_.insert(names_.at(i).toCaseFolded(), static_cast<int>(i));
}

int TSectionIndex::IndexOf(const QString& name) const
{
    return firstByFolded_.value(name.toCaseFolded(), -1);
}

} // namespace nuvex
