#include "watch/CheckNumberStore.h"

#include "platform/IniFileAccess.h"
#include "platform/Profile.h"
#include "ui/IniFile.h"
#include "ui/SysText.h"

#include <mutex>

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

std::shared_ptr<const TCheckNumbers> TCheckNumbers::Read()
{
    static std::mutex mutex;
    static std::shared_ptr<const platform::IniDocument> readFrom;
    static std::shared_ptr<const TCheckNumbers> reading;

    auto document = platform::ReadProfileDocument(ToSys(TCheckNumberStore::FileName));
    const std::lock_guard lock(mutex);
    if (document == readFrom && reading)
        return reading;
    auto numbers = std::make_shared<TCheckNumbers>();
    const std::string key = ToSys(TCheckNumberStore::NumberKey);
    for (const std::string& section : document->SectionNames()) {
        const QString spelling = FromSys(section);
        const QString folded = FoldName(spelling);
        if (numbers->byFolded_.contains(folded))
            continue;
        const QString number = FromSys(document->Value(section, key).value_or(std::string()));
        numbers->byFolded_.insert(folded, number);
        numbers->bySpelling_.insert(spelling, number);
    }
    readFrom = std::move(document);
    reading = std::move(numbers);
    return reading;
}

const QString* TCheckNumbers::Find(const QString& entryName) const
{
    if (const auto exact = bySpelling_.constFind(entryName); exact != bySpelling_.constEnd())
        return &exact.value();
    const auto found = byFolded_.constFind(FoldName(entryName));
    return found == byFolded_.constEnd() ? nullptr : &found.value();
}

} // namespace nuvex
