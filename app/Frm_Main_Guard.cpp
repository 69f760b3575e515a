// The connection guard: while the alarm stands every connection is hung up; otherwise the
// connections feed the session (TConnectionSession), whose figure the status bar shows.

#include "app/Frm_Main.h"
#include "status/ConnectionStatus.h"
#include "ui/ExceptionReport.h"

#include <QLabel>
#include <QTimer>

namespace nuvex {

namespace ras = platform::ras;

void TFrmNuvex::ConnectionsChange(TRasBaseList&)
{
    std::vector<ras::HRASCONN> listed;
    for (int i = 0; i < Connections->Count(); ++i)
        listed.push_back(Connections->Items(i).Handle());
    // A link usually ends without ever being seen disconnected (pppd ends, a hang-up).
    if (session_.EndUnlisted(listed))
        HintBarPanels[1]->setText(kNotConnected);

    // A line that would not hang up and has now left the list: said once.
    for (const QString& name : hangUps_.Gone(listed))
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
            HintBarPanels[1]->setText(session_.Connected(connection.Handle(), connection.EntryName()));
        } else if (connection.GetConnectStatus().rasconnstate == ras::RASCS_Disconnected) {
            session_.Disconnected(connection.Handle());
            HintBarPanels[1]->setText(kNotConnected);
        }
    }
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

void TFrmNuvex::WriteSessionLog()
{
    session_.WriteLog();
}

} // namespace nuvex
