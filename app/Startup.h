#pragma once

// Program start: one copy per user, the main window, the news after an update, hidden
// into the tray unless the user chose otherwise, the first log line, and the watch.

#include <QString>
#include <QStringList>
#include <functional>

namespace nuvex {

class TFrmNuvex;

inline const QString kProductTitle = QStringLiteral("Nuvex © 2026");
inline const QString kStartupNewsTitle = QStringLiteral("Nuvex 2 © 2026");

// The news step of start-up: reads LastWhatsNew and ShowNews, shows the news when the
// version text changed or the user has not yet acknowledged it, and writes both back. A
// value that cannot be read counts as missing and one that cannot be written is skipped;
// either is added to problems, to be reported once the watch runs.
using TShowNews = std::function<void(bool& show, const QString& title, const QStringList& news)>;
void StartupNews(const QString& versionText, const QStringList& news, const TShowNews& showNews,
                 QStringList* problems = nullptr);

// What start-up learnt before the main window existed.
struct TStartupReport
{
    QStringList OptionProblems; // reported in one box once the watch runs
    QString LockProblem;        // the one-copy lock could not be made: logged after the start line
};

// Start-up once the main window exists: the first log line and the watch (so that nothing
// after it holds the guard up), the news after an update, hiding into the tray unless
// AppHideAfterStart, and the report of what went wrong. Returns false when a quit was
// requested meanwhile: the watch is stopped and the program is to end.
bool StartWatching(TFrmNuvex& window, const TStartupReport& report, const TShowNews& showNews);

// The whole start-up and the program's run; returns the exit status.
int RunNuvex(int argc, char** argv);

} // namespace nuvex
