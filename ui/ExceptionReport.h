#pragma once

// The report of an error that escaped an event handler: an error box, after which the
// program goes on. While one box is open, further errors do not stack a box every
// second: the open box counts them, and each is written to standard error.
//
// The program's own errors derive from Error and carry their message for the user. Any
// other std::exception (out of memory, a library's fault) is the last resort: its own
// text is shown, so that the program still goes on.

#include "platform/Error.h"

#include <QString>
#include <exception>
#include <utility>

class QWidget;

namespace nuvex {

// Shows the box and returns when it is closed: for a dialog's own handlers.
void ShowException(QWidget* parent, const QString& message);
void ShowException(QWidget* parent, const Error& error);
// The last resort; an exception that is not an Error also has its type written to
// standard error, to find the fault by.
void ShowException(QWidget* parent, const std::exception& error);

// Opens the box and returns at once: for the watch's timer and everything the program
// does on its own, whose handler must never wait for a person. The box closes itself;
// parent must live as long as it may be open.
void ReportException(QWidget* parent, const QString& message);
void ReportException(QWidget* parent, const Error& error);
void ReportException(QWidget* parent, const std::exception& error);

// Runs work and reports what it throws with ReportException (the watch's handlers) or
// ShowException (a command a person gave). Returns false when work failed.
template <typename Work> bool ReportFailure(QWidget* parent, Work&& work);
template <typename Work> bool ShowFailure(QWidget* parent, Work&& work);

// Errors reported while the current box was open (0 when none is open).
int SuppressedExceptionCount();

namespace detail {

template <typename Work, typename Report> bool RunReportingFailure(Work&& work, Report&& report)
{
    try {
        std::forward<Work>(work)();
        return true;
    } catch (const Error& error) {
        report(error);
    } catch (const std::exception& error) {
        report(error);
    }
    return false;
}

} // namespace detail

template <typename Work> bool ReportFailure(QWidget* parent, Work&& work)
{
    return detail::RunReportingFailure(std::forward<Work>(work),
                               [parent](const auto& error) { ReportException(parent, error); });
}

template <typename Work> bool ShowFailure(QWidget* parent, Work&& work)
{
    return detail::RunReportingFailure(std::forward<Work>(work),
                               [parent](const auto& error) { ShowException(parent, error); });
}

} // namespace nuvex
