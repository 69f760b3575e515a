#include "watch/NumberWatch.h"

namespace nuvex {

TWatchPass::TWatchPass(const QString& selectedCaption, const QString& connName)
    : numbers_(TCheckNumbers::Read()), connName_(connName), nameToSelect_(selectedCaption)
{}

TWatchRow TWatchPass::Evaluate(const QString& entryName, const QString& activeNumber)
{
    TWatchRow row{entryName, activeNumber, kUnknownCheckNumber, imgInOrder};
    const QString* checkNumber = numbers_->Find(entryName);
    if (!checkNumber) {
        row.ImageIndex = imgUnregistered;
        unregisteredSeen_ = true;
        nameToSelect_ = entryName;
        return row;
    }
    row.CheckNumber = *checkNumber;
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
