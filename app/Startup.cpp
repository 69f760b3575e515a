#include "app/Startup.h"

#include "app/CommandLine.h"
#include "app/Frm_Main.h"
#include "app/HostStart.h"
#include "app/SingleInstance.h"
#include "app/TerminationSignals.h"
#include "news/Dlg_Novinky.h"
#include "news/Dm_ic.h"
#include "news/VersionInfo.h"
#include "platform/SystemPaths.h"
#include "settings/AutoStart.h"
#include "settings/uOptions.h"
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

void StartupNews(const QString& versionText, const QStringList& news, const TShowNews& showNews)
{
    const QString lastSeen = Options->ReadString(QStringLiteral("LastWhatsNew"));
    bool show = Options->ReadBool(QStringLiteral("ShowNews"));
    if (versionText != lastSeen)
        show = true;
    showNews(show, kStartupNewsTitle, news);
    Options->WriteBool(QStringLiteral("ShowNews"), show);
    Options->WriteString(QStringLiteral("LastWhatsNew"), versionText);
}

int RunNuvex(int argc, char** argv)
{
    if (const auto status = AnswerCommandLine(argc, argv))
        return *status;
    QApplication application(argc, argv);

    // A second copy only asks the first to come forward, and ends: no window, no tray
    // icon, no option read or written.
    TSingleInstance instance;
    if (!instance.TryToBeTheOnlyCopy()) {
        TSingleInstance::AskRunningCopyToComeForward();
        return 0;
    }

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
    const QStringList optionProblems = CreateOptions();
    const auto destroyOptions = qScopeGuard([] { DestroyOptions(); });
    try {
        AutoStartOnFirstStart(*Options, FromSys(platform::ProgramFile()));
    } catch (const std::exception& error) {
        std::fprintf(stderr, "Nuvex: %s\n", error.what());
    }

    TFrmNuvex window;
    TDm dm;
    window.adjustSize();
    window.setFixedSize(window.size());
    CentreOnScreen(&window);
    window.show();
    QObject::connect(&instance, &TSingleInstance::ComeForwardRequested, &window, [&window] {
        // A copy hidden in the tray stays hidden.
        if (window.isVisible() && !window.isMinimized()) {
            window.raise();
            window.activateWindow();
        }
    });

    try {
        StartupNews(VersionText(), window.News, ShowNewsWindow);
    } catch (const std::exception& error) {
        ShowException(&window, error);
    }

    bool hideIntoTray = true;
    try {
        hideIntoTray = !Options->ReadBool(QStringLiteral("AppHideAfterStart"));
    } catch (const std::exception& error) {
        ShowException(&window, error);
    }
    if (hideIntoTray)
        window.HideAtStart();

    TTerminationSignals terminationSignals;
    QObject::connect(&terminationSignals, &TTerminationSignals::Requested, &window,
                     [&window](int) { window.QueryEndSession(); });

    try {
        AskTrustOnFirstStart();
    } catch (const std::exception& error) {
        ShowException(&window, error);
    }

    window.AddLogLine(QStringLiteral("Aplikace hlídá."));
    window.AddLogLine(GuardedMachineLine());
    window.Timer1->start();
    // A change of the phonebook's files or of Nuvex.val is checked at once, beside the tick.
    TPhonebookWatcher watcher;
    QObject::connect(&watcher, &TPhonebookWatcher::Changed, &window, [&window, &watcher] {
        window.Timer1Timer();
        watcher.Sync();
    });
    QObject::connect(window.Timer1, &QTimer::timeout, &watcher, &TPhonebookWatcher::Sync);
    // Reported once the watch runs, so that a damaged value never holds it up.
    if (!optionProblems.isEmpty())
        QTimer::singleShot(0, &window, [&window, optionProblems] {
            ShowException(&window, optionProblems.join(u'\n') +
                                       QStringLiteral("\n\nNuvex místo těchto hodnot použije výchozí."));
        });
    return QApplication::exec();
}

} // namespace nuvex
