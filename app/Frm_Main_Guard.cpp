// The connection guard: while the alarm stands every connection is hung up; otherwise the
// connections feed the live status and, when they end, the session log.

#include "app/Frm_Main.h"
#include "status/ConnectionStatus.h"
#include "status/SessionLog.h"
#include "status/qnRasUtils.h"

#include <QLabel>

namespace nuvex {

namespace ras = platform::ras;

void TFrmNuvex::ConnectionsChange(TRasBaseList&)
{
    CloseSessionOfEndedConnections();
    for (int i = 0; i < Connections->Count(); ++i) {
        TRasConnectionItem& connection = Connections->Items(i);
        if (AlarmRaised) {
            // The refresh inside HangUp re-enters this handler, which hangs up the next
            // connection; the items of this call are gone when it returns.
            connection.HangUp(0);
            AddLogLine(QStringLiteral("Z bezpečnostních důvodů zavěšuji spojení."));
            return;
        }
        if (connection.GetConnectStatus().rasconnstate == ras::RASCS_Connected) {
            connectedHandles_.insert(connection.Handle());
            ShowConnectionStatus();
            SetConnName(connection.EntryName());
            if (BytesAtStart == 0)
                BytesAtStart = GetBytesReceived();
            ConnSpeed = static_cast<qint32>(GetConnectSpeed());
        } else if (connection.GetConnectStatus().rasconnstate == ras::RASCS_Disconnected) {
            connectedHandles_.erase(connection.Handle());
            WriteSessionLog();
            BytesAtStart = 0;
            SetConnName(QString());
            HintBarPanels[1]->setText(kNotConnected);
        }
    }
}

void TFrmNuvex::CloseSessionOfEndedConnections()
{
    // A link usually ends without ever being seen disconnected (pppd ends, a hang-up):
    // its session ends with it, at the last time it was seen connected.
    bool ended = false;
    for (auto handle = connectedHandles_.begin(); handle != connectedHandles_.end();) {
        bool listed = false;
        for (int i = 0; i < Connections->Count() && !listed; ++i)
            listed = Connections->Items(i).Handle() == *handle;
        if (listed) {
            ++handle;
        } else {
            handle = connectedHandles_.erase(handle);
            ended = true;
        }
    }
    if (!ended)
        return;
    WriteSessionLog();
    BytesAtStart = 0;
    SetConnName(QString());
    HintBarPanels[1]->setText(kNotConnected);
}

void TFrmNuvex::ShowConnectionStatus()
{
    HintBarPanels[1]->setText(RefreshConnectionStatus(BytesAtStart));
}

void TFrmNuvex::SetConnName(const QString& name)
{
    ConnName = name;
}

void TFrmNuvex::WriteSessionLog()
{
    nuvex::WriteSessionLog({ConnSpeed, BytesAtStart, ConnName});
}

} // namespace nuvex
