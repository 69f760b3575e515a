#include "ui/TimeFormat.h"

#include <QLocale>

namespace nuvex {

QString LongTimeFormat()
{
    return LongTimeFormat(QLocale::system());
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
    return QLocale::system().toString(time, LongTimeFormat());
}

} // namespace nuvex
