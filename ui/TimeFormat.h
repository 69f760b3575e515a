#pragma once

// The system's long time format: the locale's time with hours, minutes and seconds.
// Qt's long format adds the time zone, which the program never shows.

#include <QLocale>
#include <QString>
#include <QTime>

namespace nuvex {

QString LongTimeFormat();
QString LongTimeFormat(const QLocale& locale);
QString FormatLongTime(const QTime& time);

} // namespace nuvex
