#pragma once

// The session that the connection guard keeps while no alarm stands: which connections
// were seen connected, the figures the session log needs (entry name, speed, the adapter's
// counter at the start), the session stamps in the options, and when the session ends and
// is logged. A session ends when a connection is seen disconnected or when one seen
// connected has left the list (pppd ended, a hang-up); either way it is logged at once.

#include "platform/Ras.h"
#include "status/SessionLog.h"

#include <QString>
#include <set>
#include <vector>

namespace nuvex {

class TConnectionSession
{
public:
    // A session open with these figures (none, or one an earlier run left open).
    explicit TConnectionSession(TSessionFields fields = {}) : fields_(std::move(fields)) {}

    // The figures the next session log line takes.
    const TSessionFields& Fields() const { return fields_; }

    // A connection seen connected: the session opens or extends to now and the status-bar
    // figure is returned, computed before this tick's counter is taken (so the first one
    // shows the whole counter). Then the entry's name and the speed are taken (a speed of
    // zero keeps the one seen before), and the counter at the start once it reads other
    // than zero.
    QString Connected(platform::ras::HRASCONN handle, const QString& entryName);

    // A connection seen disconnected: the session is logged and closed.
    void Disconnected(platform::ras::HRASCONN handle);

    // The connections listed now. When one seen connected is no longer among them, the
    // session is logged and closed, ending at the last time it was seen connected, and the
    // answer is true.
    bool EndUnlisted(const std::vector<platform::ras::HRASCONN>& listed);

    // Logs the open session, if any, and closes it (the program ends during a session).
    // A failed write raises EIniFileError and keeps the session open for a later call.
    void WriteLog() const;
    // Logs a session an earlier run left open, keeping a line that run already wrote.
    void WriteLeftOpen() const;

private:
    // Logs the session; only a written log forgets the counter, the speed and the name.
    void End();

    TSessionFields fields_;
    // Connections seen connected and still listed at the last refresh.
    std::set<platform::ras::HRASCONN> connected_;
};

} // namespace nuvex
