#include "status/SessionLog.h"

#include "settings/uOptions.h"
#include "status/ConnectionStatus.h"
#include "status/qnRasUtils.h"
#include "ui/DataDir.h"
#include "ui/IniFile.h"

namespace nuvex {

QString SessionLogFile(const QDate& date)
{
    return GetDataDir() + QString::number(date.year()) + QString::number(date.month()) + u".txt";
}

namespace {

void LogSession(const TSessionFields& fields, bool keepLogged)
{
    if (IsWinNT())
        return;
    if (GetSessionStart() != 0.0) {
        const QString start = FloatToSafeStr(GetSessionStart());
        const QString end = FloatToSafeStr(GetSessionEnd());
        if (start != end) {
            const QString value = end + u',' + QString::number(fields.ConnSpeed) + u',' +
                                  QString::number(SessionBytes(GetBytesReceived(), fields.BytesAtStart)) +
                                  u',' + fields.ConnName;
            TIniFile log(SessionLogFile(QDate::currentDate()));
            // No value holds a line break: this default means "no line yet".
            const QString none = QStringLiteral("\n");
            if (!keepLogged || log.ReadString(kSessionSection, start, none) == none)
                log.WriteString(kSessionSection, start, value);
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
