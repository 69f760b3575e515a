#pragma once

// TIniFile: the profile-file object the program uses for "Nuvex.val" and the session logs.
// Made on one file name, used for one operation and dropped; it caches nothing of its own
// (the platform layer keeps a read of an unchanged file cheap).

#include "platform/Error.h"

#include <QString>
#include <QStringList>
#include <functional>

namespace nuvex {

// A profile write that was refused or failed; what() is UTF-8 text for the user.
class EIniFileError : public Error
{
public:
    using Error::Error;
};

class TIniFile
{
public:
    explicit TIniFile(QString fileName) : FileName(std::move(fileName)) {}

    // Every section name in file order; empty when the file is missing.
    void ReadSections(QStringList& strings) const;
    QString ReadString(const QString& section, const QString& ident, const QString& defaultValue) const;
    // Creates file, section and key as needed. Throws EIniFileError when refused or failed.
    void WriteString(const QString& section, const QString& ident, const QString& value);
    // Writes the value under the first of ident(0), ident(1) ... that is missing or holds
    // this value already, and returns it. Throws EIniFileError when refused or failed.
    QString AddString(const QString& section, const std::function<QString(int)>& ident, const QString& value);
    // The section's entries as "key=value" lines; the list holds this section's lines only.
    void ReadSectionValues(const QString& section, QStringList& strings) const;

    const QString FileName;
};

} // namespace nuvex
