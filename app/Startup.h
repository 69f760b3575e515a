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
// version text changed or the user has not yet acknowledged it, and writes both back.
using TShowNews = std::function<void(bool& show, const QString& title, const QStringList& news)>;
void StartupNews(const QString& versionText, const QStringList& news, const TShowNews& showNews);

// The whole start-up and the program's run; returns the exit status.
int RunNuvex(int argc, char** argv);

} // namespace nuvex
