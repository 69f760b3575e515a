#include "status/SessionStats.h"

#include "settings/qnOptions.h"
#include "settings/uOptions.h"
#include "status/SessionLog.h"
#include "ui/DataDir.h"
#include "ui/IniFile.h"
#include "ui/TimeFormat.h"

#include <QDir>
#include <QFileInfo>
#include <algorithm>
#include <charconv>
#include <cmath>
#include <optional>

namespace nuvex {

namespace {

// Each field is read from at most this many characters of the line's remainder, as the
// log's first readers did; the writer never produces longer fields except the name.
constexpr qsizetype kFieldLimit = 255;
constexpr qint64 kMsPerDay = 86400000;
// The dates a session can carry: 1 January 0001 to 31 December 9999.
constexpr double kFirstDate = -693593.0;
constexpr double kPastLastDate = 2958466.0;
const QDate kOleEpoch(1899, 12, 30);

QStringView Limit(QStringView text)
{
    if (text.size() <= kFieldLimit)
        return text;
    text = text.first(kFieldLimit);
    // Never half of a character outside the basic plane.
    if (text.back().isHighSurrogate())
        text.chop(1);
    return text;
}

// The text up to the next comma; rest moves past it. Without a comma the field is empty
// and rest stays where it is.
QStringView TakeField(QStringView& rest)
{
    const qsizetype comma = rest.indexOf(u',');
    const QStringView field = comma < 0 ? QStringView() : rest.first(comma);
    rest = Limit(rest.sliced(comma < 0 ? 0 : comma + 1));
    return field;
}

// The form the log is written in under locales with Western digits, digits with "?" for
// the decimal separator, read without asking the system's locale for every field;
// anything else goes through SafeStrToFloat.
std::optional<double> PlainDecimal(QStringView field)
{
    char digits[32];
    if (field.isEmpty() || field.size() >= static_cast<qsizetype>(sizeof digits))
        return std::nullopt;
    bool separator = false;
    std::size_t n = 0;
    for (const QChar c : field) {
        if (c == u'?' && !separator && n > 0) {
            separator = true;
            digits[n++] = '.';
        } else if (c >= u'0' && c <= u'9') {
            digits[n++] = static_cast<char>(c.unicode());
        } else {
            return std::nullopt;
        }
    }
    if (digits[n - 1] == '.')
        return std::nullopt;
    double value = 0.0;
    const auto [end, error] = std::from_chars(digits, digits + n, value);
    if (error != std::errc() || end != digits + n)
        return std::nullopt;
    return value;
}

double ToDate(QStringView field, const QLocale& locale)
{
    const std::optional<double> plain = PlainDecimal(field);
    const double value = plain ? *plain : SafeStrToFloat(field.toString(), locale);
    // "nan", "inf" and dates beyond any calendar are numbers to the parser, not dates.
    if (!std::isfinite(value) || value < kFirstDate || value >= kPastLastDate)
        throw EConvertError(QStringLiteral("„%1“ není platné datum a čas.").arg(field).toStdString());
    return value;
}

qint32 ToInteger(QStringView field)
{
    bool ok = false;
    const int value = field.toInt(&ok);
    return ok ? value : 0;
}

struct TSplitDuration
{
    bool negative = false;
    double days = 0.0; // whole days, as a double: a total may exceed any int
    int ms = 0;        // the rest, a time of day
};

TSplitDuration Split(double duration)
{
    TSplitDuration split;
    double whole = 0.0;
    const double fraction = std::modf(std::abs(duration), &whole);
    // Rounded to whole seconds before it is shown without them: two stamps a whole
    // number of seconds apart subtract to a hair less (1.999... s must read 0:00:02).
    qint64 ms = std::llround(fraction * static_cast<double>(kMsPerDay / 1000)) * 1000;
    // 23:59:59.6 is the next day, not a time of day of 24 hours.
    if (ms >= kMsPerDay) {
        whole += 1.0;
        ms -= kMsPerDay;
    }
    split.negative = duration < 0.0 && (whole > 0.0 || ms > 0);
    split.days = whole;
    split.ms = static_cast<int>(ms);
    return split;
}

QString FormatTime(const QTime& time, const QLocale& locale)
{
    return locale.toString(time, LongTimeFormat(locale));
}

QString FormatTimeOfDay(const TSplitDuration& split, const QLocale& locale)
{
    const QString time = FormatTime(QTime::fromMSecsSinceStartOfDay(split.ms), locale);
    return split.negative ? QStringLiteral("-") + time : time;
}

// A stamp rounded to the whole second, like the duration between two of them, so that a
// row's times and its duration agree.
QDateTime WholeSecond(double stamp)
{
    const QDateTime time = OleToDateTime(stamp);
    const int ms = time.time().msec();
    return time.addMSecs(ms >= 500 ? 1000 - ms : -ms);
}

QString Shortened(const QString& line)
{
    constexpr qsizetype kShown = 80;
    return line.size() <= kShown ? line : line.left(kShown) + u'…';
}

} // namespace

QStringList ListLogFiles(const QDate& date, TStatsPeriod period)
{
    QStringList files;
    if (!date.isValid())
        return files;
    if (period != TStatsPeriod::Year) {
        const QString file = SessionLogFile(date);
        if (QFileInfo(file).isFile())
            files.append(file);
        return files;
    }
    const QString folder = GetDataDir();
    // Like the system's file masks, the pattern ignores letter case.
    const QStringList names = QDir(folder).entryList({QString::number(date.year()) + u"*.txt"},
                                                     QDir::Files | QDir::Hidden | QDir::System);
    for (const QString& name : names)
        files.append(folder + name);
    std::sort(files.begin(), files.end(), [](const QString& a, const QString& b) {
        const int order = a.compare(b, Qt::CaseInsensitive);
        return order != 0 ? order < 0 : a < b;
    });
    return files;
}

void ReadLogSection(const QString& fileName, QStringList& entries)
{
    TIniFile(fileName).ReadSectionValues(kSessionSection, entries);
}

TSessionRecord ParseLogEntry(const QString& line, const QLocale& locale)
{
    const QStringView text(line);
    const qsizetype equals = text.indexOf(u'=');
    const QStringView key = equals < 0 ? QStringView() : text.first(equals);
    QStringView rest = Limit(text.sliced(equals < 0 ? 0 : equals + 1));

    TSessionRecord record;
    record.Start = ToDate(key, locale);
    record.Finish = ToDate(TakeField(rest), locale);
    record.Speed = ToInteger(TakeField(rest));
    record.Bytes = ToInteger(TakeField(rest));
    // The name keeps any further commas.
    record.Name = rest.toString();
    record.Duration = record.Finish - record.Start;
    return record;
}

TSessionStats CollectSessions(const QDate& date, TStatsPeriod period, const QLocale& locale)
{
    TSessionStats stats;
    const double dayStart = date.isValid() ? static_cast<double>(kOleEpoch.daysTo(date)) : 0.0;
    const double dayEnd = dayStart + 1.0;
    QStringList entries;
    for (const QString& file : ListLogFiles(date, period)) {
        ReadLogSection(file, entries);
        stats.Sessions.reserve(stats.Sessions.size() + static_cast<std::size_t>(entries.size()));
        for (const QString& line : entries) {
            TSessionRecord record;
            try {
                record = ParseLogEntry(line, locale);
            } catch (const EConvertError& error) {
                throw EConvertError(
                    QStringLiteral("Záznam „%1“ v souboru „%2“ nelze přečíst: %3")
                        .arg(Shortened(line), QDir::toNativeSeparators(file), QString::fromUtf8(error.what()))
                        .toStdString());
            }
            if (period == TStatsPeriod::Day && !(dayStart <= record.Start && record.Start < dayEnd))
                continue;
            stats.Total += record.Duration;
            stats.Sessions.push_back(std::move(record));
        }
    }
    return stats;
}

QString FormatDuration(double days, const QLocale& locale)
{
    if (!std::isfinite(days))
        return QString();
    const TSplitDuration split = Split(days);
    if (split.days == 0.0)
        return FormatTimeOfDay(split, locale);
    const QString word = split.days == 1.0  ? QStringLiteral("den")
                         : split.days < 5.0 ? QStringLiteral("dny")
                                            : QStringLiteral("dní");
    const QString time = FormatTime(QTime::fromMSecsSinceStartOfDay(split.ms), locale);
    return (split.negative ? QStringLiteral("-") : QString()) + QString::number(split.days, 'f', 0) + u' ' +
           word + u' ' + time;
}

QString SessionColumnText(const TSessionRecord& session, int column, const QLocale& locale)
{
    switch (column) {
    case colName:
        return session.Name;
    case colDate:
        return FormatShortDate(WholeSecond(session.Start).date(), locale);
    case colFrom:
        return FormatTime(WholeSecond(session.Start).time(), locale);
    case colTo:
        return FormatTime(WholeSecond(session.Finish).time(), locale);
    case colDuration:
        // A time of day: whole days are not shown.
        return FormatTimeOfDay(Split(session.Duration), locale);
    case colBytes:
        return QString::number(session.Bytes);
    case colSpeed:
        return QString::number(session.Speed);
    default:
        return QString();
    }
}

} // namespace nuvex
