#include "watch/CheckNumberStore.h"

#include "platform/IniFile.h"
#include "platform/Profile.h"
#include "ui/IniFile.h"
#include "ui/SysText.h"

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

QString TCheckNumberStore::Problem()
{
    return FromSys(platform::DescribeDamage(platform::ResolveProfilePath(ToSys(FileName)), false));
}

TSectionIndex::TSectionIndex(QStringList names) : names_(std::move(names))
{
    firstByFolded_.reserve(names_.size());
    // Walking backwards lets the first of names equal but for letter case win.
    for (qsizetype i = names_.size() - 1; i >= 0; --i)
        firstByFolded_.insert(FoldName(names_.at(i)), static_cast<int>(i));
}

int TSectionIndex::IndexOf(const QString& name) const
{
    return firstByFolded_.value(FoldName(name), -1);
}

} // namespace nuvex
