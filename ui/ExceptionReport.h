#pragma once

// The report of an error that escaped an event handler: an error box, after which the
// program goes on. While one box is open, further errors do not stack a box every
// second: the open box counts them, and each is written to standard error.

#include <QString>
#include <exception>

class QWidget;

namespace nuvex {

// Shows the box and returns when it is closed: for a dialog's own handlers.
void ShowException(QWidget* parent, const QString& message);
void ShowException(QWidget* parent, const std::exception& error);

// Opens the box and returns at once: for the watch's timer and everything the program
// does on its own, whose handler must never wait for a person. The box closes itself;
// parent must live as long as it may be open.
void ReportException(QWidget* parent, const QString& message);
void ReportException(QWidget* parent, const std::exception& error);

// Errors reported while the current box was open (0 when none is open).
int SuppressedExceptionCount();

} // namespace nuvex
