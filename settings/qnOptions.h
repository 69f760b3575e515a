#pragma once

// TOptions: named, typed values under one registry key, read and written one at a time
// (open, access, close), with the defaults of their types for missing values and a
// first-run flag.

#include "platform/Registry.h"

#include <QLocale>
#include <QString>
#include <QStringList>
#include <map>
#include <optional>
#include <stdexcept>
#include <utility>
#include <vector>

namespace nuvex {

// A value of the wrong type, a damaged registry file or a refused write. what() is UTF-8.
class ERegistryException : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
};

// Text that is not a number where a number was expected. what() is UTF-8.
class EConvertError : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
};

class TOptions
{
public:
    using TRootKey = platform::registry::Root;

    // The key path below the root and the root; runs the first-run check.
    TOptions(const QString& keyPath, TRootKey rootKey);
    // The same without the first-run check: for a start-up whose check failed on a
    // damaged value, so that the program can go on.
    struct SkipFirstRunCheck
    {};
    TOptions(SkipFirstRunCheck, const QString& keyPath, TRootKey rootKey) : KeyPath(keyPath), RootKey(rootKey)
    {}
    // The per-user root and "Software\Quorin Software\" + the program file's base name.
    TOptions();
    virtual ~TOptions() = default;
    TOptions(const TOptions&) = delete;
    TOptions& operator=(const TOptions&) = delete;

    // In the order of the store's virtual slots.
    virtual bool ReadBool(const QString& key);
    virtual void WriteBool(const QString& key, bool value);
    virtual double ReadFloat(const QString& key);
    virtual void WriteFloat(const QString& key, double value);
    // The first-run hook, empty here. (It runs from TOptions' constructor, where C++
    // reaches this class's own version only.)
    virtual void InstallDefaults() {}

    // Writes several date-times (or other doubles) in one update of the store, so that
    // they are never seen, or left by a killed process, half written.
    void WriteFloats(const std::vector<std::pair<QString, double>>& values);

    qint32 ReadInteger(const QString& key);
    void WriteInteger(const QString& key, qint32 value);
    QString ReadString(const QString& key);
    // "UrlForUpdate" is always stored with the prefix "http://".
    void WriteString(const QString& key, const QString& value);

    const QString KeyPath;
    const TRootKey RootKey;

    // The store's file could not be read at start (problem says why). From now on every
    // read gives its default and the file is never written, so that nothing of what the
    // user may still repair is lost. The values named in keptKeys (the program's own
    // bookkeeping, not settings) are kept in memory for this run; a write of any other
    // value is refused with ERegistryException.
    void SetDamaged(const QString& problem, const QStringList& keptKeys);
    bool Damaged() const { return damaged_.has_value(); }

private:
    std::optional<QString> damaged_;
    QStringList keptKeys_;
    std::map<QString, platform::registry::Value> kept_; // by case-folded name

    std::optional<platform::registry::Value> ReadValue(const QString& key, platform::registry::ValueType type,
                                                       const char* typeName);
    void WriteValue(const QString& key, const platform::registry::Value& value);
    void WriteValues(const std::vector<std::pair<std::string, platform::registry::Value>>& values);
    void CheckFirstRun();
};

// A date-time (or any double) as text without the locale's decimal separator: the
// general format with up to 15 significant digits, the first separator replaced by "?".
QString FloatToSafeStr(double value, const QLocale& locale = QLocale::system());
// Undoes FloatToSafeStr; throws EConvertError for text that is not a number.
double SafeStrToFloat(const QString& text, const QLocale& locale = QLocale::system());

} // namespace nuvex
