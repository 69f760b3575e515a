#include "status/SessionLog.h"

#include "settings/uOptions.h"
#include "status/ConnectionStatus.h"
#include "status/qnRasUtils.h"
#include "ui/DataDir.h"
#include "ui/IniFile.h"

#include <algorithm>

namespace nuvex {

namespace {

constexpr double kMsPerDay = 86400000.0;

} // namespace

QString SessionLogFile(const QDate& date)
{
    return GetDataDir() + QString::number(date.year()) + QString::number(date.month()) + u".txt";
}

namespace {

void LogSession(const TSessionFields& fields, bool keepLogged)
{
    if (IsWinNT())
        return;
    const double startStamp = GetSessionStart();
    if (startStamp != 0.0) {
        // An end before the start (an end stamp that never got written, a clock set back)
        // is logged as a session of no length, with its bytes and name, never as a
        // negative one.
        const bool endBeforeStart = GetSessionEnd() < startStamp;
        const double endStamp = endBeforeStart ? startStamp : GetSessionEnd();
        const QString start = FloatToSafeStr(startStamp);
        const QString end = FloatToSafeStr(endStamp);
        if (start != end || endBeforeStart) {
            const QString value = end + u',' + QString::number(fields.ConnSpeed) + u',' +
                                  QString::number(SessionBytes(GetBytesReceived(), fields.BytesAtStart)) +
                                  u',' + fields.ConnName;
            TIniFile log(SessionLogFile(QDate::currentDate()));
            // A run killed after logging its session but before closing it left the line
            // already there: keep it. No value holds a line break, so this default means
            // "no line yet".
            const QString none = QStringLiteral("\n");
            if (keepLogged && log.ReadString(kSessionSection, start, none) != none) {
                ClearSession();
                return;
            }
            // Another copy of the program (another user sharing the folder) may have logged
            // a session that began in the same millisecond: the next free millisecond then
            // keeps both.
            log.AddString(
                kSessionSection,
                [&](int k) { return k == 0 ? start : FloatToSafeStr(startStamp + k / kMsPerDay); }, value);
        }
    }
    ClearSession();
}

} // namespace

void WriteSessionLog(const TSessionFields& fields)
{
    LogSession(fields, false);
}

void WriteSessionLeftOpen(const TSessionFields& fields)
{
    LogSession(fields, true);
}

} // namespace nuvex
