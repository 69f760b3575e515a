#include "ui/TimeFormat.h"

#include <QLocale>

namespace nuvex {

const QLocale& ProgramLocale()
{
    static const QLocale czech(QLocale::Czech, QLocale::Czechia);
    return czech;
}

QString LongTimeFormat()
{
    return LongTimeFormat(ProgramLocale());
}

QString LongTimeFormat(const QLocale& locale)
{
    const QString format = locale.timeFormat(QLocale::LongFormat);
    // Drop every time-zone designator ("t", "tt"...) outside quoted literals, with the
    // blanks around it.
    QString result;
    bool quoted = false;
    for (qsizetype i = 0; i < format.size(); ++i) {
        const QChar c = format.at(i);
        if (c == u'\'')
            quoted = !quoted;
        if (!quoted && c == u't')
            continue;
        result.append(c);
    }
    result = result.trimmed();
    while (result.contains(QStringLiteral("  ")))
        result.replace(QStringLiteral("  "), QStringLiteral(" "));
    if (!result.contains(u's'))
        result = QStringLiteral("HH:mm:ss");
    return result;
}

QString FormatLongTime(const QTime& time)
{
    return ProgramLocale().toString(time, LongTimeFormat());
}

QString ShortDateFormat(const QLocale& locale)
{
    QString format = locale.dateFormat(QLocale::ShortFormat);
    if (!format.contains(QStringLiteral("yyyy")))
        format.replace(QStringLiteral("yy"), QStringLiteral("yyyy"));
    return format;
}

QString FormatShortDate(const QDate& date, const QLocale& locale)
{
    return locale.toString(date, ShortDateFormat(locale));
}

} // namespace nuvex
