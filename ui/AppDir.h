#pragma once

#include <QString>

namespace nuvex {

// The program file's directory with one trailing separator, whatever the current
// directory: where the program keeps its session logs and its password file.
QString GetAppDir();

// Tests put the program's files into their own folder; an empty text ends that.
void SetAppDirForTesting(const QString& dir);

} // namespace nuvex
