#include "watch/NumberWatch.h"

#include "ui/SysText.h"

#include <algorithm>

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

TWatchRow TWatchPass::EvaluateUnreadable(const QString& entryName)
{
    TWatchRow row{entryName, kUnreadableNumber, kUnknownCheckNumber, imgChanged};
    if (const QString* checkNumber = numbers_->Find(entryName))
        row.CheckNumber = *checkNumber;
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

std::optional<TAlarmDecision> TLastCheck::Repeat(const TCheckInputs& inputs) const
{
    if (!inputs.Phonebook || !inputs_ || !(*inputs_ == inputs))
        return std::nullopt;
    return decision_;
}

void TLastCheck::Remember(const TCheckInputs& before, TCheckInputs after, TAlarmDecision decision)
{
    if (!after.Phonebook || before.SelectedRow != after.SelectedRow ||
        before.CurrentRow != after.CurrentRow || before.SelectedCaption != after.SelectedCaption) {
        inputs_.reset();
        return;
    }
    inputs_ = std::move(after);
    decision_ = decision;
}

int TRowSelector::AddRow(const QString& caption, const QString& nameToSelect)
{
    captions_.push_back(caption);
    const auto matches = [this](const QString& text) {
        return FoldName(text) == foldedName_;
    };
    if (nameToSelect != name_ || captions_.size() == 1) {
        name_ = nameToSelect;
        foldedName_ = FoldName(nameToSelect);
        selected_ = -1;
        for (std::size_t i = 0; i < captions_.size(); ++i)
            if (matches(captions_[i])) {
                selected_ = static_cast<int>(i);
                break;
            }
    } else if (selected_ < 0 && matches(captions_.back())) {
        selected_ = static_cast<int>(captions_.size()) - 1;
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
