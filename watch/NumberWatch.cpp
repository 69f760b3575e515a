#include "watch/NumberWatch.h"

#include <algorithm>

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

TWatchRow TWatchPass::EvaluateUnreadable(const QString& entryName)
{
    TWatchRow row{entryName, kUnreadableNumber, kUnknownCheckNumber, imgChanged};
    if (const int index = sections_.IndexOf(entryName); index >= 0)
        row.CheckNumber = TCheckNumberStore::ReadCheckNumber(sections_.Names().at(index));
    changeSeen_ = true;
    nameToSelect_ = entryName;
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
    folded_.push_back(caption.toCaseFolded());
    if (nameToSelect != name_ || folded_.size() == 1) {
        name_ = nameToSelect;
        foldedName_ = nameToSelect.toCaseFolded();
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

void TUnreadableEntries::BeginCheck()
{
    seen_.clear();
}

bool TUnreadableEntries::Unreadable(const QString& entryName)
{
    seen_.push_back(entryName);
    if (std::find(logged_.begin(), logged_.end(), entryName) != logged_.end())
        return false;
    logged_.push_back(entryName);
    return true;
}

void TUnreadableEntries::EndCheck()
{
    logged_ = seen_;
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

} // namespace nuvex
