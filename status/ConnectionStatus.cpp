#include "status/ConnectionStatus.h"

#include "settings/uOptions.h"
#include "status/qnRasUtils.h"
#include "ui/TimeFormat.h"

#include <QTime>
#include <cmath>

namespace nuvex {

qint32 SessionBytes(quint32 counterNow, quint32 bytesAtStart)
{
    return static_cast<qint32>(counterNow - bytesAtStart);
}

QString FormatConnectionFigure(qint32 whatShow, quint32 bytesNow, quint32 bytesAtStart, quint32 speed,
                               double sessionStart, double sessionEnd)
{
    switch (whatShow) {
    case 0:
        return QString::number(SessionBytes(bytesNow, bytesAtStart)) + u" B";
    case 1:
        return QString::number(speed) + u" b/s";
    case 2: {
        const double days = sessionEnd - sessionStart;
        const double timeOfDay = days - std::floor(days);
        // Whole seconds, rounded: the stamps' difference falls a hair short of them.
        const auto seconds = static_cast<int>(std::llround(timeOfDay * 86400.0) % 86400);
        return FormatLongTime(QTime(0, 0).addSecs(seconds));
    }
    default:
        return QString();
    }
}

QString RefreshConnectionStatus(quint32 bytesAtStart)
{
    if (IsWinNT())
        return kNotSupported;
    if (GetSessionStart() == 0.0)
        SetSessionStart();
    SetSessionEnd();
    return FormatConnectionFigure(GetWhatShow(), GetBytesReceived(), bytesAtStart, GetConnectSpeed(),
                                  GetSessionStart(), GetSessionEnd());
}

} // namespace nuvex
