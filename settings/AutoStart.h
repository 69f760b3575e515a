#pragma once

// Starting after login: the XDG autostart rule $XDG_CONFIG_HOME/autostart/nuvex.desktop
// (default ~/.config/autostart/). The file itself is the setting, so that the desktop's
// own session settings and the settings dialog show the same thing.

#include <QString>

namespace nuvex {

class TOptions;

// $XDG_CONFIG_HOME/autostart/nuvex.desktop.
QString AutoStartFile();

// True when the file exists and does not switch itself off (Hidden=true, or the GNOME
// key X-GNOME-Autostart-enabled=false that desktops write when the user turns it off).
bool IsAutoStartOn();

// Writes the file (atomically) with an Exec line that starts the running program
// (ProgramToAutoStart), or removes it. Throws Error with a Czech message
// naming the file.
void SetAutoStart(bool on, const QString& runningProgram);

// The desktop entry that starts `program` after login.
QString AutoStartEntry(const QString& program);

// One argument of an Exec line, quoted and escaped as desktop entries require.
QString DesktopExecArgument(const QString& argument);

// The program file an Exec line should name, from the running program's path as the
// system reports it: after a package upgrade replaced the running file, Linux reports
// "/usr/bin/nuvex (deleted)", and the new file at the old path is the one to start.
QString ProgramToAutoStart(const QString& runningProgram);

// At a user's first start autostart is switched on; from then on the user's choice (the
// file) stands. Returns true when it wrote the file now.
bool AutoStartOnFirstStart(TOptions& options, const QString& program);

} // namespace nuvex
