#pragma once

// The statistics over the session log: which monthly files a day, a month or a year
// reads, how one log line becomes a session, which sessions a period lists, and the
// texts of the list and of the total.

#include "ui/TimeFormat.h"

#include <QDate>
#include <QLocale>
#include <QString>
#include <QStringList>
#include <vector>

namespace nuvex {

struct TSessionRecord
{
    QString Name;
    double Start = 0.0;    // OLE date
    double Finish = 0.0;   // OLE date
    double Duration = 0.0; // days, Finish - Start
    qint32 Bytes = 0;
    qint32 Speed = 0;
};

enum class TStatsPeriod
{
    Day,   // the month's file, sessions that started on the day
    Month, // the month's file, every session in it
    Year,  // every file of the year
};

// The log files of the period in the program's folder, sorted by path ignoring case: for
// a year every "<year>*.txt" (so 20021.txt, 200210.txt ... 200212.txt, 20022.txt ...),
// otherwise the month's file when it exists. None for an invalid date.
QStringList ListLogFiles(const QDate& date, TStatsPeriod period);

// The "key=value" lines of the file's session section, in file order; empty when the file
// or the section is missing.
void ReadLogSection(const QString& fileName, QStringList& entries);

// One log line. Only the first 255 characters after "=" and after each of the first three
// commas are read, so a long entry name is cut. Throws EConvertError when the start or
// the end is not a date; a speed or byte count that is not an integer reads as 0.
TSessionRecord ParseLogEntry(const QString& line, const QLocale& locale = ProgramLocale());

struct TSessionStats
{
    std::vector<TSessionRecord> Sessions; // in file order, files in list order
    double Total = 0.0;                   // sum of the listed durations, days
};

// Reads the period's sessions from the files. Throws EConvertError, naming the file and the
// line, at the first start or end that is not a date.
TSessionStats CollectSessions(const QDate& date, TStatsPeriod period,
                              const QLocale& locale = ProgramLocale());

// A duration in days as the total shows it: the time of day in the long time format,
// preceded by the whole days with "den", "dny" or "dní" when there are any
// (1.5 → "1 den 12:00:00"). Rounded to milliseconds; negative durations get a minus sign.
QString FormatDuration(double days, const QLocale& locale = ProgramLocale());

enum TConListColumn
{
    colName,
    colDate,
    colFrom,
    colTo,
    colDuration,
    colBytes,
    colSpeed,
    colCount
};

// The text of one cell of the session list.
QString SessionColumnText(const TSessionRecord& session, int column, const QLocale& locale = ProgramLocale());

} // namespace nuvex
