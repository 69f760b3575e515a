#include "settings/uOptions.h"

#include "platform/OsVersion.h"
#include "ui/SysText.h"

#include <cmath>

namespace nuvex {

namespace registry = platform::registry;

std::unique_ptr<TIOptions> Options;

namespace {

const QString kDefaultUsed = QStringLiteral(" Nuvex místo ní použije výchozí hodnotu.");

const QDate kOleEpoch(1899, 12, 30);
constexpr double kMsPerDay = 86400000.0;

bool IsNt3Nt4Or2000()
{
    const platform::OsVersionInfo version = platform::GetOsVersion();
    return version.platformId == platform::VER_PLATFORM_WIN32_NT &&
           (version.majorVersion == 3 || version.majorVersion == 4 ||
            (version.majorVersion == 5 && version.minorVersion == 0));
}

} // namespace

bool IsWinNT()
{
    static const bool winNt = platform::GetOsVersion().platformId == platform::VER_PLATFORM_WIN32_NT;
    return winNt;
}

TOptions::TRootKey ChooseOptionsRoot(QStringList* problems)
{
    if (IsNt3Nt4Or2000())
        return registry::Root::CurrentUser;
    try {
        if (registry::Key::Open(registry::Root::LocalMachine, ToSys(kOptionsKeyPath),
                                registry::Access::ReadWrite, false))
            return registry::Root::LocalMachine;
    } catch (const registry::RegistryError& error) {
        // A damaged machine-wide file is not the store's; the per-user one serves, but
        // whoever keeps the machine's options must hear of it.
        if (problems)
            problems->append(QString::fromUtf8(error.what()) +
                             QStringLiteral(" Nastavení se proto čtou a ukládají pro tohoto uživatele."));
    }
    return registry::Root::CurrentUser;
}

QStringList CreateOptions()
{
    QStringList problems;
    const auto root = ChooseOptionsRoot(&problems);
    try {
        registry::Key::Open(root, ToSys(kOptionsKeyPath), registry::Access::Read, false);
    } catch (const registry::RegistryError& error) {
        // A file that cannot be read is reported once; the program runs on its defaults
        // and leaves the file as it is for the user to repair.
        const QString problem = QString::fromUtf8(error.what());
        problems.append(problem +
                        QStringLiteral("\nNuvex používá výchozí nastavení a tento soubor nepřepíše: "
                                       "změny nastavení se neuloží, dokud soubor neopravíte nebo "
                                       "nesmažete."));
        Options = std::make_unique<TIOptions>(TIOptions::SkipFirstRunCheck{}, kOptionsKeyPath, root);
        Options->SetDamaged(problem);
        Options->WhatShow = 0;
        return problems;
    }
    try {
        Options = std::make_unique<TIOptions>(kOptionsKeyPath, root);
    } catch (const std::exception& error) {
        problems.append(QString::fromUtf8(error.what()) + kDefaultUsed);
        // The first-run check could not read or write its flag; the store itself works
        // for every other value, so go on with it.
        Options = std::make_unique<TIOptions>(TIOptions::SkipFirstRunCheck{}, kOptionsKeyPath, root);
    }
    try {
        Options->WhatShow = Options->StatusBarFigure();
    } catch (const std::exception& error) {
        problems.append(QString::fromUtf8(error.what()) + kDefaultUsed);
        Options->WhatShow = 0;
    }
    return problems;
}

void DestroyOptions()
{
    Options.reset();
}

double DateTimeToOle(const QDateTime& dateTime)
{
    const QDateTime local = dateTime.toLocalTime();
    return static_cast<double>(kOleEpoch.daysTo(local.date())) +
           local.time().msecsSinceStartOfDay() / kMsPerDay;
}

QDateTime OleToDateTime(double value)
{
    const double days = std::floor(value);
    const auto ms = static_cast<int>(std::llround((value - days) * kMsPerDay));
    return QDateTime(kOleEpoch.addDays(static_cast<qint64>(days)), QTime(0, 0)).addMSecs(ms);
}

void SetSessionStart()
{
    // The end goes with the start in the same update: a process killed right after
    // must not leave a session that ends before it began.
    const double now = DateTimeToOle(QDateTime::currentDateTime());
    Options->SetSessionStamps(now, now);
}

void SetSessionEnd()
{
    Options->SetSessionEndStamp(DateTimeToOle(QDateTime::currentDateTime()));
}

double GetSessionStart()
{
    return Options->SessionStartStamp();
}

double GetSessionEnd()
{
    return Options->SessionEndStamp();
}

void ClearSession()
{
    Options->SetSessionStamps(0.0, 0.0);
}

qint32 GetWhatShow()
{
    return Options->WhatShow;
}

void SetWhatShow(qint32 value)
{
    Options->SetStatusBarFigure(value);
    Options->WhatShow = value;
}

} // namespace nuvex
