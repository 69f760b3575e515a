#include "app/Startup.h"

#include "app/CommandLine.h"
#include "app/Frm_Main.h"
#include "app/HostStart.h"
#include "app/SingleInstance.h"
#include "app/TerminationSignals.h"
#include "news/Dlg_Novinky.h"
#include "news/Dm_ic.h"
#include "news/VersionInfo.h"
#include "passwords/PwdRecords.h"
#include "passwords/PwdVault.h"
#include "platform/SystemPaths.h"
#include "settings/AutoStart.h"
#include "settings/uOptions.h"
#include "ui/DeferredIconStyle.h"
#include "ui/ExceptionReport.h"
#include "ui/FormHelp.h"
#include "ui/HelpEngine.h"
#include "ui/Placement.h"
#include "ui/SysText.h"
#include "ui/TimeFormat.h"
#include "ui/Translations.h"
#include "watch/PhonebookWatcher.h"

#include <QApplication>
#include <QScopeGuard>
#include <QTimer>
#include <cstdio>

namespace nuvex {

namespace {

// Start-up never stops at a value it cannot read: the value's default serves.
template <typename Read, typename Value> Value ReadOrDefault(Read read, Value fallback, QStringList* problems)
{
    try {
        return read();
    } catch (const std::exception& error) {
        if (problems)
            problems->append(QString::fromUtf8(error.what()) +
                             QStringLiteral(" Nuvex místo ní použije výchozí hodnotu."));
        return fallback;
    }
}

void WriteOrNote(const std::function<void()>& write, QStringList* problems)
{
    try {
        write();
    } catch (const std::exception& error) {
        if (problems)
            problems->append(QString::fromUtf8(error.what()));
    }
}

} // namespace

void StartupNews(const QString& versionText, const QStringList& news, const TShowNews& showNews,
                 QStringList* problems)
{
    const QString lastSeen = ReadOrDefault([] { return Options->LastNewsVersion(); }, QString(), problems);
    bool show = ReadOrDefault([] { return Options->NewsPending(); }, false, problems);
    if (versionText != lastSeen)
        show = true;
    showNews(show, kStartupNewsTitle, news);
    WriteOrNote([show] { Options->SetNewsPending(show); }, problems);
    WriteOrNote([&versionText] { Options->SetLastNewsVersion(versionText); }, problems);
}

bool StartWatching(TFrmNuvex& window, const TStartupReport& report, const TShowNews& showNews)
{
    // The start line is the log's first, and the watch runs before anything may wait for
    // a person: the first check comes about a second later, news window or not.
    window.AddLogLine(QStringLiteral("Aplikace hlídá."));
    window.AddLogLine(GuardedMachineLine());
    if (!report.LockProblem.isEmpty())
        window.AddLogLine(report.LockProblem);
    // The password file is otherwise read only when the manager opens: a damaged one is
    // said now, while a backup may still be at hand. Nothing is written to it.
    if (const QString problem = PwdFileProblem(DefaultPwdFile()); !problem.isEmpty())
        window.AddLogLine(problem + QStringLiteral(" Nuvex jej ponechává beze změny."));
    window.WatchTimer()->start();
    // Reported at once, in a box that holds up nothing, not behind the news window.
    if (!report.OptionProblems.isEmpty())
        ReportException(&window, report.OptionProblems.join(QStringLiteral("\n\n")));

    QStringList problems;
    StartupNews(VersionText(), window.NewsLines(), showNews, &problems);
    if (window.QuitRequested())
        return false;

    const bool hideIntoTray = ReadOrDefault([] { return Options->HideAtStart(); }, true, &problems);
    if (hideIntoTray)
        window.HideAtStart();

    if (!problems.isEmpty())
        ReportException(&window, problems.join(QStringLiteral("\n\n")));
    return !window.QuitRequested();
}

int RunNuvex(int argc, char** argv)
{
    if (const auto status = AnswerCommandLine(argc, argv))
        return *status;
    QApplication application(argc, argv);

    // A second copy only asks the first to come forward, and ends: no window, no tray
    // icon, no option read or written.
    TSingleInstance instance;
    TStartupReport report;
    switch (instance.TryToBeTheOnlyCopy()) {
    case TSingleInstance::TResult::AnotherCopyRuns:
        TSingleInstance::AskRunningCopyToComeForward();
        return 0;
    case TSingleInstance::TResult::LockUnavailable:
        report.LockProblem = instance.LockProblem();
        break;
    case TSingleInstance::TResult::OnlyCopy:
        break;
    }
    DeferStandardIcons();

    QApplication::setApplicationName(QStringLiteral("Nuvex"));
    QApplication::setApplicationVersion(VersionText());
    // Desktops match the windows to the menu entry and its icon by this name.
    QApplication::setDesktopFileName(QStringLiteral("nuvex"));
    // Czech whatever the system's locale: every widget's dates and numbers.
    QLocale::setDefault(ProgramLocale());
    // Hidden in the tray the window is closed, yet the program runs on; only the quit
    // command and the end of the session end it.
    QApplication::setQuitOnLastWindowClosed(false);
    SetApplicationHelpFile(QStringLiteral("Nuvex.hlp"));
    THelpKey helpKey;
    application.installEventFilter(&helpKey);
    if (!InstallCzechTranslation(application))
        std::fputs("Nuvex: Czech texts of Qt are not installed (qt6-translations-l10n).\n", stderr);

    // The options exist before any window, and until the program's very end.
    report.OptionProblems = CreateOptions();
    const auto destroyOptions = qScopeGuard([] { DestroyOptions(); });
    // A damaged options file cannot tell whether the offer was made before: leave it.
    try {
        if (!Options->Damaged())
            AutoStartOnFirstStart(*Options, FromSys(platform::ProgramFile()));
    } catch (const std::exception& error) {
        std::fprintf(stderr, "Nuvex: %s\n", error.what());
    }

    TFrmNuvex window;
    TDm dm;
    window.adjustSize();
    FixWindowSize(&window, window.size());
    CentreOnScreen(&window);
    window.show();
    QObject::connect(&instance, &TSingleInstance::ComeForwardRequested, &window, [&window] {
        // A copy hidden in the tray stays hidden.
        if (window.isVisible() && !window.isMinimized()) {
            window.raise();
            window.activateWindow();
        }
    });

    // Heard from here on, the news window included.
    TTerminationSignals terminationSignals;
    QObject::connect(&terminationSignals, &TTerminationSignals::Requested, &window,
                     [&window](int) { window.QueryEndSession(); });

    // Asked before the watch starts: an unanswered first start on a host would otherwise
    // hang up the user's own connection at the first check.
    try {
        AskTrustOnFirstStart();
    } catch (const std::exception& error) {
        report.OptionProblems.append(QString::fromUtf8(error.what()));
    }

    // A change of the phonebook's files or of Nuvex.val is checked at once, beside the tick.
    TPhonebookWatcher watcher;
    QObject::connect(&watcher, &TPhonebookWatcher::Changed, &window, [&window, &watcher] {
        window.Timer1Timer();
        watcher.Sync();
    });
    QObject::connect(window.WatchTimer(), &QTimer::timeout, &watcher, &TPhonebookWatcher::Sync);

    if (!StartWatching(window, report, ShowNewsWindow))
        return 0;
    return QApplication::exec();
}

} // namespace nuvex
