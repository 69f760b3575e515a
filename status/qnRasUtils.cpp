#include "status/qnRasUtils.h"

#include "platform/PerfStats.h"
#include "ui/SysText.h"

namespace nuvex {

quint32 ReadPerfStat(const QString& valueName)
{
    return platform::ReadPerfStatValue(ToSys(valueName)).value_or(0);
}

quint32 GetBytesReceived()
{
    return ReadPerfStat(QString::fromLatin1(platform::kPerfBytesReceived));
}

quint32 GetConnectSpeed()
{
    return ReadPerfStat(QString::fromLatin1(platform::kPerfConnectSpeed));
}

} // namespace nuvex
