// The connection guard: while the alarm stands every connection is hung up; otherwise the
// connections feed the live status and, when they end, the session log.

#include "app/Frm_Main.h"
#include "status/ConnectionStatus.h"
#include "status/SessionLog.h"
#include "status/qnRasUtils.h"
#include "ui/ExceptionReport.h"

#include <QLabel>
#include <QTimer>

namespace nuvex {

namespace ras = platform::ras;

void TFrmNuvex::ConnectionsChange(TRasBaseList&)
{
    CloseSessionOfEndedConnections();

    // A line that would not hang up and has now left the list: said once.
    std::vector<ras::HRASCONN> present;
    for (int i = 0; i < Connections->Count(); ++i)
        present.push_back(Connections->Items(i).Handle());
    for (const QString& name : hangUps_.Gone(present))
        AddLogLine(QStringLiteral("Spojení „%1“ bylo nakonec zavěšeno.").arg(name));

    const auto now = hangUps_.Now();
    for (int i = 0; i < Connections->Count(); ++i) {
        TRasConnectionItem& connection = Connections->Items(i);
        if (AlarmRaised) {
            // One hang-up at a time, in the list's order; the window and the watch go on
            // while it is awaited (HangUpPollTimer), and its end refreshes the list, which
            // brings the next connection here.
            if (hangUps_.Awaited())
                return;
            if (hangUps_.Failed(connection.Handle())) {
                // Set aside so as not to hold up the others; asked again at a calm pace.
                if (hangUps_.RetryDue(connection.Handle(), now))
                    ras::RasHangUpA(connection.Handle());
                continue;
            }
            connection.StartHangUp();
            hangUps_.Start(connection.Handle(), connection.EntryName(), now);
            HangUpPollTimer(); // a line that goes at once is done within this tick
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

void TFrmNuvex::HangUpPollTimer()
{
    const auto& awaited = hangUps_.Awaited();
    if (!awaited) {
        HangUpPoll->stop();
        return;
    }
    const QString name = awaited->Name;
    const bool gone = TRasConnectionItem::IsGone(awaited->Handle);
    switch (hangUps_.Poll(gone, hangUps_.Now())) {
    case TPendingHangUps::TPoll::Waiting:
        if (!HangUpPoll->isActive())
            HangUpPoll->start();
        return;
    case TPendingHangUps::TPoll::Gone:
        HangUpPoll->stop();
        AddLogLine(QStringLiteral("Z bezpečnostních důvodů zavěšuji spojení."));
        break;
    case TPendingHangUps::TPoll::Failed: {
        HangUpPoll->stop();
        const QString message =
            QStringLiteral("Spojení „%1“ se nepodařilo zavěsit: systém je hlásí i po %2 s. Nuvex se o to "
                           "bude dál pokoušet každých %3 s.")
                .arg(name)
                .arg(hangUps_.WaitLimit().count() / 1000.0)
                .arg(hangUps_.RetryInterval().count() / 1000.0);
        AddLogLine(message);
        ReportException(this, message);
        break;
    }
    }
    // The next connection, or the end of the hang-ups.
    RefreshConnections();
}

void TFrmNuvex::SetHangUpLimits(std::chrono::milliseconds waitLimit, std::chrono::milliseconds retryInterval,
                                TPendingHangUps::TNow now)
{
    hangUps_ = TPendingHangUps(waitLimit, retryInterval, std::move(now));
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
