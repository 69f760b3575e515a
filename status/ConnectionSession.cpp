#include "status/ConnectionSession.h"

#include "status/ConnectionStatus.h"
#include "status/qnRasUtils.h"

#include <algorithm>

namespace nuvex {

QString TConnectionSession::Connected(platform::ras::HRASCONN handle, const QString& entryName)
{
    connected_.insert(handle);
    const QString figure = RefreshConnectionStatus(fields_.BytesAtStart);
    fields_.ConnName = entryName;
    // A counter of zero is taken as not yet running: the next tick tries again.
    if (fields_.BytesAtStart == 0)
        fields_.BytesAtStart = GetBytesReceived();
    // A link that ends while a tick looks at it reads a speed of 0: the session keeps the
    // speed it was seen connected at.
    if (const auto speed = static_cast<qint32>(GetConnectSpeed()); speed != 0)
        fields_.ConnSpeed = speed;
    return figure;
}

void TConnectionSession::Disconnected(platform::ras::HRASCONN handle)
{
    connected_.erase(handle);
    End();
}

bool TConnectionSession::EndUnlisted(const std::vector<platform::ras::HRASCONN>& listed)
{
    const auto unlisted = std::erase_if(connected_, [&listed](platform::ras::HRASCONN handle) {
        return std::find(listed.begin(), listed.end(), handle) == listed.end();
    });
    if (unlisted == 0)
        return false;
    End();
    return true;
}

void TConnectionSession::WriteLog() const
{
    WriteSessionLog(fields_);
}

void TConnectionSession::WriteLeftOpen() const
{
    WriteSessionLeftOpen(fields_);
}

void TConnectionSession::End()
{
    WriteLog();
    fields_.BytesAtStart = 0;
    fields_.ConnSpeed = 0;
    fields_.ConnName.clear();
}

} // namespace nuvex
