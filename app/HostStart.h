#pragma once

// What start-up does about the guarded machine: says which one it is, and on this
// computer's first start with no trusted numbers asks whether to trust the present ones.

#include <QString>

namespace nuvex {

// "Hlídaný počítač: ..." for the log's start.
QString GuardedMachineLine();

// On this computer (not the emulated machine), with an empty store and the question not
// asked before: lists the entries and their numbers and asks whether to trust them; Yes
// writes them all as check numbers. Returns true when it asked.
bool AskTrustOnFirstStart();

} // namespace nuvex
