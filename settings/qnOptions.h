#pragma once

// TOptions: the values of OptionTable.h under one registry key, read and written one at a
// time (open, access, close), with the table's defaults for missing values and a first-run
// flag.

#include "platform/Error.h"
#include "platform/Registry.h"
#include "settings/OptionTable.h"

#include <QLocale>
#include <QString>
#include <map>
#include <optional>
#include <string_view>
#include <utility>
#include <vector>

namespace nuvex {

// A value of the wrong type, a damaged registry file or a refused write. what() is UTF-8.
class ERegistryException : public Error
{
public:
    using Error::Error;
};

// Text that is not a number where a number was expected. what() is UTF-8.
class EConvertError : public Error
{
public:
    using Error::Error;
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

    // The first-run hook, empty here. (It runs from TOptions' constructor, where C++
    // reaches this class's own version only.)
    virtual void InstallDefaults() {}

    // The values of OptionTable.h, named for what they mean in code. Three booleans are
    // stored the other way round (1 = do not ask, do not hide); these accessors turn them.
    bool Installed();
    bool HideAtStart();
    void SetHideAtStart(bool hide);
    bool ConfirmQuit();
    void SetConfirmQuit(bool confirm);
    bool ConfirmPasswordDelete();
    void SetConfirmPasswordDelete(bool confirm);
    // 0 bytes, 1 speed, 2 connected time; other numbers are kept as they are.
    qint32 StatusBarFigure();
    void SetStatusBarFigure(qint32 figure);
    // The news window was not acknowledged: show it again at the next start.
    bool NewsPending();
    void SetNewsPending(bool pending);
    QString LastNewsVersion();
    void SetLastNewsVersion(const QString& version);
    // Always stored with the prefix "http://".
    QString UpdateUrl();
    void SetUpdateUrl(const QString& url);
    // The open session's stamps as OLE dates; 0.0 when none is open. Both are written in
    // one update, so that they are never seen, or left by a killed process, half written.
    double SessionStartStamp();
    double SessionEndStamp();
    void SetSessionStamps(double start, double end);
    void SetSessionEndStamp(double end);
    QString AutoPassword();
    void SetAutoPassword(const QString& password);
    QString OlderPasswordDigest();
    void SetOlderPasswordDigest(const QString& digest);
    QString PasswordVerifier();
    void SetPasswordVerifier(const QString& verifier);
    bool HostTrustAsked();
    void SetHostTrustAsked(bool asked);
    bool AutoStartOffered();
    void SetAutoStartOffered(bool offered);

    const QString KeyPath;
    const TRootKey RootKey;

    // The store's file could not be read at start (problem says why). From now on every
    // read gives its default and the file is never written, so that nothing of what the
    // user may still repair is lost. The program's own bookkeeping (OptionRole::Bookkeeping)
    // is kept in memory for this run; a write of a setting is refused with ERegistryException.
    void SetDamaged(const QString& problem);
    bool Damaged() const { return damaged_.has_value(); }

private:
    std::optional<QString> damaged_;
    std::map<std::string_view, platform::registry::Value> kept_; // by the table's name

    // The only access by name, and only to the table's entries.
    bool Read(const Option<bool>& option);
    void Write(const Option<bool>& option, bool value);
    qint32 Read(const Option<qint32>& option);
    void Write(const Option<qint32>& option, qint32 value);
    double Read(const Option<double>& option);
    void Write(const Option<double>& option, double value);
    QString Read(const Option<QString>& option);
    void Write(const Option<QString>& option, const QString& value);

    std::optional<platform::registry::Value>
    ReadValue(std::string_view name, platform::registry::ValueType type, const char* typeName);
    void WriteValues(const std::vector<std::pair<std::string_view, platform::registry::Value>>& values);
    void CheckFirstRun();
};

// A date-time (or any double) as text without the locale's decimal separator: the
// general format with up to 15 significant digits, the first separator replaced by "?".
QString FloatToSafeStr(double value, const QLocale& locale = QLocale::system());
// Undoes FloatToSafeStr; throws EConvertError for text that is not a number.
double SafeStrToFloat(const QString& text, const QLocale& locale = QLocale::system());

} // namespace nuvex
