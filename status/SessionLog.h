#pragma once

// The session log: one INI file per month in the program's data folder (20025.txt for May
// 2002), section "SESSION", one line per session:
//   <start>=<end>,<speed>,<bytes>,<entry name>
// with start and end as FloatToSafeStr texts of OLE dates.

#include <QDate>
#include <QString>

namespace nuvex {

inline const QString kSessionSection = QStringLiteral("SESSION");

// The month's file: GetDataDir() + year + month without a leading zero + ".txt".
QString SessionLogFile(const QDate& date);

struct TSessionFields
{
    qint32 ConnSpeed = 0;
    quint32 BytesAtStart = 0;
    QString ConnName;
};

// Writes the open session (if any, and unless start and end read the same) into the
// current month's file, then closes it. A failed write raises EIniFileError and leaves
// the session open, so that a later call logs it. Nothing at all on systems without the
// counters.
void WriteSessionLog(const TSessionFields& fields);

// The same for a session that an earlier run left open, except that a line already logged
// under its start stays: a run ended between logging and closing its session (SIGKILL, a
// power cut) wrote that line with the session's real figures, which this run no longer has.
void WriteSessionLeftOpen(const TSessionFields& fields);

} // namespace nuvex
