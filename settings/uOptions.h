#pragma once

// The program's options: the one global store `Options` under
// "Software\Quorin Software\Nuvex\", the session stamps and the status-bar choice.

#include "settings/qnOptions.h"

#include <QDateTime>
#include <QStringList>
#include <memory>

namespace nuvex {

inline const QString kOptionsKeyPath = QStringLiteral("Software\\Quorin Software\\Nuvex\\");

class TIOptions : public TOptions
{
public:
    TIOptions(const QString& keyPath, TRootKey rootKey) : TOptions(keyPath, rootKey) {}
    TIOptions(SkipFirstRunCheck skip, const QString& keyPath, TRootKey rootKey)
        : TOptions(skip, keyPath, rootKey)
    {}

    // Cached WhatShowInStatusBar (0 bytes, 1 speed, 2 time).
    qint32 WhatShow = 0;
};

// The one options object; exists from CreateOptions to DestroyOptions.
extern std::unique_ptr<TIOptions> Options;

// The root of the store: the machine-wide root when its key exists and the user may
// write it (except on Windows NT 3.x, 4.0 and 2000), else the per-user root.
// A damaged machine-wide file is passed over and, when problems is given, reported there.
TOptions::TRootKey ChooseOptionsRoot(QStringList* problems = nullptr);

// Creates Options as program start needs it. A value of the wrong type met here (a
// hand-edited file) does not stop the program: its default is used and the problem is
// returned for one report.
QStringList CreateOptions();
void DestroyOptions();

// True on Windows NT, 2000, XP and later: no live status, session log or statistics.
bool IsWinNT();

// Date-times as the options keep them: days since 30 December 1899, the fraction being the
// time of day (local time); 0.0 means none.
double DateTimeToOle(const QDateTime& dateTime);
QDateTime OleToDateTime(double value);

// Opens a session: StartSession and EndSession both become now, in one update.
void SetSessionStart();
void SetSessionEnd();
double GetSessionStart();
double GetSessionEnd();
void ClearSession();
qint32 GetWhatShow();
void SetWhatShow(qint32 value);

} // namespace nuvex
