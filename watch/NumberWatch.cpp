#include "watch/NumberWatch.h"

#include "ui/SysText.h"

namespace nuvex {

TWatchPass::TWatchPass(const QString& selectedCaption, const QString& connName)
    : sections_(TCheckNumberStore::SectionNames()), connName_(connName), nameToSelect_(selectedCaption)
{}

TWatchRow TWatchPass::Evaluate(const QString& entryName, const QString& activeNumber)
{
    TWatchRow row{entryName, activeNumber, kUnknownCheckNumber, imgInOrder};
    const int index = sections_.IndexOf(entryName);
    if (index < 0) {
        row.ImageIndex = imgUnregistered;
        unregisteredSeen_ = true;
        nameToSelect_ = entryName;
        return row;
    }
    row.CheckNumber = TCheckNumberStore::ReadCheckNumber(sections_.Names().at(index));
    if (row.CheckNumber == activeNumber) {
        row.ImageIndex = entryName == connName_ ? imgInOrderConnected : imgInOrder;
    } else {
        row.ImageIndex = imgChanged;
        changeSeen_ = true;
        nameToSelect_ = entryName;
    }
    return row;
}

TAlarmDecision TWatchPass::Decision() const
{
    if (changeSeen_)
        return TAlarmDecision::Changed;
    if (unregisteredSeen_)
        return TAlarmDecision::Unregistered;
    return TAlarmDecision::AllOk;
}

int TRowSelector::AddRow(const QString& caption, const QString& nameToSelect)
{
    folded_.push_back(FoldName(caption));
    if (nameToSelect != name_ || folded_.size() == 1) {
        name_ = nameToSelect;
        foldedName_ = FoldName(nameToSelect);
        selected_ = -1;
        for (std::size_t i = 0; i < folded_.size(); ++i)
            if (folded_[i] == foldedName_) {
                selected_ = static_cast<int>(i);
                break;
            }
    } else if (selected_ < 0 && folded_.back() == foldedName_) {
        selected_ = static_cast<int>(folded_.size()) - 1;
    }
    return selected_;
}

TAlarmOutcome DecideAlarm(TAlarmDecision decision, bool alarmRaisedBefore)
{
    switch (decision) {
    case TAlarmDecision::Changed:
        return {true, alarmRaisedBefore ? QString() : kChangeWarning, true};
    case TAlarmDecision::Unregistered:
        return {true, alarmRaisedBefore ? QString() : kUnregisteredWarning, true};
    case TAlarmDecision::AllOk:
        break;
    }
    return {false, kAllOk, false};
}

QStringList TDamageNotices::Fresh(const QStringList& current)
{
    QStringList fresh;
    for (const QString& problem : current) {
        if (!problem.isEmpty() && !reported_.contains(problem))
            fresh.append(problem);
    }
    reported_ = current;
    return fresh;
}

} // namespace nuvex
