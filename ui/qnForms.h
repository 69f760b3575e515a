#pragma once

// The program's two message boxes, its directory and the right-justified menu item.
// Message boxes are modal to the whole application; the program's timers keep running
// while one is open.

#include "ui/AppDir.h"

#include <QString>
#include <functional>

class QAction;
class QMenuBar;

namespace nuvex {

void ShowInformation(const QString& text);
void ShowCaptionedInformation(const QString& caption, const QString& text);
// True exactly when the user answers Yes. With defaultNo, Enter answers No.
bool AskYesNo(const QString& text, bool defaultNo = false);

// Puts a top-level item of the menu bar at its right edge.
void RightJustifyMenuItem(QMenuBar* menu, QAction* item);

// A box the program is about to show, for a test that answers in the user's place.
struct TMessageBoxCall
{
    enum class Kind
    {
        Information,
        YesNo
    };
    Kind kind = Kind::Information;
    QString caption;
    QString text;
    bool defaultNo = false;
};
// Returns the answer to a yes/no box (true = Yes); ignored for information boxes.
using TMessageBoxAnswerer = std::function<bool(const TMessageBoxCall&)>;

// While installed, no box is shown: the answerer sees each call instead. Tests only.
void SetMessageBoxAnswerer(TMessageBoxAnswerer answerer);

} // namespace nuvex
