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

void WriteSessionLog(const TSessionFields& fields)
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
            TIniFile(SessionLogFile(QDate::currentDate())).WriteString(kSessionSection, start, value);
        }
    }
    ClearSession();
}

} // namespace nuvex
