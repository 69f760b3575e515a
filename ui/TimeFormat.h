#pragma once

// The program's dates and times. Its language is Czech whatever the system's locale (a
// Debian machine starts in C.UTF-8), so they follow Czech conventions everywhere.
// The long time format is the locale's time with hours, minutes and seconds; Qt's long
// format adds the time zone, which the program never shows.

#include <QDate>
#include <QLocale>
#include <QString>
#include <QTime>

namespace nuvex {

// Czech (Czechia), the locale of every date and time the program shows.
const QLocale& ProgramLocale();

QString LongTimeFormat();
QString LongTimeFormat(const QLocale& locale);
QString FormatLongTime(const QTime& time);
// The locale's short date with a four-digit year ("09.12.2026").
QString ShortDateFormat(const QLocale& locale);
QString FormatShortDate(const QDate& date, const QLocale& locale = ProgramLocale());

} // namespace nuvex
