#pragma once

// Where the emulated machine keeps its files. Every path is computed afresh from the
// environment on each call, so a test can point NUVEX_SYSTEM_ROOT at its own folder.

#include <string>

namespace nuvex::platform {

// Root of the emulated machine: $NUVEX_SYSTEM_ROOT when set; /var/lib/nuvex when an
// installation created it; else $XDG_DATA_HOME/nuvex (default ~/.local/share/nuvex).
std::string SystemRoot();

// The Windows directory: where bare INI file names ("Nuvex.val") resolve.
std::string WindowsDir();

// The dial-up service's files (phonebook, active connections, adapter counters).
std::string RasDir();

// The machine-wide registry file's folder.
std::string RegistryDir();

// The per-user configuration folder: <root>/home while NUVEX_SYSTEM_ROOT is set,
// else $XDG_CONFIG_HOME/nuvex (default ~/.config/nuvex).
std::string UserConfigDir();

// The running program file's full path, and its directory without a trailing separator.
std::string ProgramFile();
std::string ProgramDir();

// Creates a directory and its parents; throws std::system_error on failure.
void MakeDirs(const std::string& path);

} // namespace nuvex::platform
