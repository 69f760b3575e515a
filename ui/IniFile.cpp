#include "ui/IniFile.h"

#include "platform/Profile.h"
#include "ui/SysText.h"

namespace nuvex {

void TIniFile::ReadSections(QStringList& strings) const
{
    strings.clear();
    for (const std::string& name : platform::ReadProfileSectionNames(ToSys(FileName)))
        strings.append(FromSys(name));
}

QString TIniFile::ReadString(const QString& section, const QString& ident, const QString& defaultValue) const
{
    return FromSys(
        platform::ReadProfileString(ToSys(FileName), ToSys(section), ToSys(ident), ToSys(defaultValue)));
}

void TIniFile::WriteString(const QString& section, const QString& ident, const QString& value)
{
    try {
        platform::WriteProfileString(ToSys(FileName), ToSys(section), ToSys(ident), ToSys(value));
    } catch (const platform::ProfileError& e) {
        throw EIniFileError(e.what());
    }
}

QString TIniFile::AddString(const QString& section, const std::function<QString(int)>& ident,
                            const QString& value)
{
    try {
        return FromSys(platform::AddProfileString(
            ToSys(FileName), ToSys(section), [&](int k) { return ToSys(ident(k)); }, ToSys(value)));
    } catch (const platform::ProfileError& e) {
        throw EIniFileError(e.what());
    }
}

void TIniFile::ReadSectionValues(const QString& section, QStringList& strings) const
{
    strings.clear();
    for (const auto& [key, value] : platform::ReadProfileSection(ToSys(FileName), ToSys(section)))
        strings.append(FromSys(key) + u'=' + FromSys(value));
}

} // namespace nuvex
