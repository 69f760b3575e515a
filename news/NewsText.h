#pragma once

// The program's change history, shown in the news window: the lines of News.txt, kept in
// the program's resources. At each release a new entry goes on top of that file: a date
// line ("8. prosinec 2026"), items beginning "- ", continuation lines beginning with a
// blank, and an empty line before the previous entry.

#include <QStringList>

namespace nuvex {

// The lines as they stand in the file, without line ends; empty when the resource is missing.
QStringList LoadNewsLines();

} // namespace nuvex
