#include "watch/PendingHangUps.h"

#include <QStringList>
#include <algorithm>

namespace nuvex {

void TPendingHangUps::Start(platform::ras::HRASCONN handle, const QString& name, Clock::time_point now)
{
    awaited_ = TLine{handle, name, now, {}};
}

TPendingHangUps::TPoll TPendingHangUps::Poll(bool gone, Clock::time_point now)
{
    if (!awaited_)
        return TPoll::Gone;
    if (gone) {
        awaited_.reset();
        return TPoll::Gone;
    }
    if (now - awaited_->Started < waitLimit_)
        return TPoll::Waiting;
    TLine line = *awaited_;
    line.NextTry = now + retryInterval_;
    failed_.push_back(line);
    awaited_.reset();
    return TPoll::Failed;
}

bool TPendingHangUps::Failed(platform::ras::HRASCONN handle) const
{
    return std::any_of(failed_.begin(), failed_.end(),
                       [handle](const TLine& line) { return line.Handle == handle; });
}

bool TPendingHangUps::RetryDue(platform::ras::HRASCONN handle, Clock::time_point now)
{
    for (TLine& line : failed_) {
        if (line.Handle != handle || now < line.NextTry)
            continue;
        line.NextTry = now + retryInterval_;
        return true;
    }
    return false;
}

QStringList TPendingHangUps::Gone(const std::vector<platform::ras::HRASCONN>& present)
{
    QStringList names;
    const auto isGone = [&present](const TLine& line) {
        return std::find(present.begin(), present.end(), line.Handle) == present.end();
    };
    for (const TLine& line : failed_)
        if (isGone(line))
            names.append(line.Name);
    failed_.erase(std::remove_if(failed_.begin(), failed_.end(), isGone), failed_.end());
    return names;
}

} // namespace nuvex
