#pragma once

// Where the program's own files live. The files it writes (the monthly session logs, the
// password file) stay beside the program file while the user may write there (a build
// tree, a portable copy); an installed program writes them into the user's data folder.
// The files it only reads (the help) come from beside the program, else from the
// installation's shared folder.

#include <QString>

namespace nuvex {

// The user's data folder with one trailing separator: $XDG_DATA_HOME/nuvex/ (default
// ~/.local/share/nuvex/).
QString UserDataDir();

// The folder of the program's written files, with one trailing separator: GetAppDir()
// when the user may write there and it is not an installation's program folder (one
// with the shared folder ../share/nuvex beside it), else UserDataDir(), created when
// missing. The statistics and the password manager read the same folder.
QString GetDataDir();

// The choice itself: the program's folder, whether it is the installation's program
// folder, whether the user may write there, and the user's data folder.
QString ChooseDataDir(const QString& appDir, bool installed, bool writable, const QString& userDataDir);

// A file the program ships: beside the program file when it is there, else in the
// installation's shared folder when it is there, else the name beside the program (so
// that a message names where it was expected).
QString FindProgramFile(const QString& name);

} // namespace nuvex
