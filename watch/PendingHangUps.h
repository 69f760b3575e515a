#pragma once

// The guard's hang-ups that the service has not finished yet. The guard hangs up one
// connection at a time, in the list's order, and waits for it without blocking: the window
// and the watch go on meanwhile. A connection that outlasts the wait limit is reported
// once, set aside (so that it does not hold up the others) and tried again at a calm pace;
// when it finally leaves the list, that is said once more. The time comes from a clock
// given at construction (the steady clock unless a test drives its own).

#include "platform/Ras.h"

#include <QStringList>
#include <chrono>
#include <functional>
#include <optional>
#include <vector>

namespace nuvex {

class TPendingHangUps
{
public:
    using Clock = std::chrono::steady_clock;
    using TNow = std::function<Clock::time_point()>;

    TPendingHangUps(
        std::chrono::milliseconds waitLimit, std::chrono::milliseconds retryInterval,
        TNow now = [] { return Clock::now(); })
        : waitLimit_(waitLimit), retryInterval_(retryInterval), now_(std::move(now))
    {}

    // The time by this object's clock, for the calls below.
    Clock::time_point Now() const { return now_(); }

    struct TLine
    {
        platform::ras::HRASCONN Handle = 0;
        QString Name;
        Clock::time_point Started;
        Clock::time_point NextTry; // failed lines only
    };

    std::chrono::milliseconds WaitLimit() const { return waitLimit_; }
    std::chrono::milliseconds RetryInterval() const { return retryInterval_; }

    // The hang-up being waited for, if any.
    const std::optional<TLine>& Awaited() const { return awaited_; }
    void Start(platform::ras::HRASCONN handle, const QString& name, Clock::time_point now);

    enum class TPoll
    {
        Waiting,
        Gone,  // the awaited line went; nothing is awaited now
        Failed // it outlasted the wait limit: set aside, nothing is awaited now
    };
    TPoll Poll(bool gone, Clock::time_point now);

    bool Failed(platform::ras::HRASCONN handle) const;
    // True when the failed line is due for another try; the next one is then scheduled.
    bool RetryDue(platform::ras::HRASCONN handle, Clock::time_point now);
    // The failed lines that are not among the present handles any more: they went at
    // last. They are forgotten and their names returned.
    QStringList Gone(const std::vector<platform::ras::HRASCONN>& present);

private:
    std::chrono::milliseconds waitLimit_;
    std::chrono::milliseconds retryInterval_;
    TNow now_;
    std::optional<TLine> awaited_;
    std::vector<TLine> failed_;
};

} // namespace nuvex
