// The session log and its statistics: the first byte chooses the locale, the text up to
// the next NUL byte is a month's log file, the bytes after it one session to write and
// read back. The statistics either name the file of a line they cannot read or list
// every line of the section, each as the line reader reads it, with their durations summed.

#include "settings/qnOptions.h"
#include "status/SessionLog.h"
#include "status/SessionStats.h"
#include "tests/fuzz/FuzzInput.h"
#include "tests/support/Sandbox.h"
#include "ui/AppDir.h"

#include <QFile>
#include <QLocale>
#include <algorithm>
#include <cmath>
#include <memory>

using namespace nuvex;
using nuvex::fuzz::FuzzInput;

namespace {

const QDate kDay(2002, 5, 15);

const QString& LogFile()
{
    static const std::unique_ptr<test::Sandbox> folder = std::make_unique<test::Sandbox>();
    static const QString file = [] {
        SetAppDirForTesting(QString::fromStdString(folder->dir().string()));
        return SessionLogFile(kDay);
    }();
    return file;
}

QLocale PickLocale(std::uint8_t choice)
{
    static const QLocale locales[] = {QLocale::c(),         QLocale(u"cs_CZ"_qs), QLocale(u"sv_SE"_qs),
                                      QLocale(u"ar_EG"_qs), QLocale(u"en_US"_qs), QLocale(u"de_DE"_qs),
                                      QLocale(u"fa_IR"_qs), QLocale(u"hi_IN"_qs)};
    return locales[choice % std::size(locales)];
}

bool SameRecord(const TSessionRecord& a, const TSessionRecord& b)
{
    return a.Name == b.Name && a.Start == b.Start && a.Finish == b.Finish && a.Speed == b.Speed &&
           a.Bytes == b.Bytes && a.Duration == b.Duration;
}

void CheckTexts(const TSessionRecord& session, const QLocale& locale)
{
    for (int column = 0; column < colCount; ++column)
        SessionColumnText(session, column, locale);
    FUZZ_CHECK(std::isfinite(session.Duration));
    FormatDuration(session.Duration, locale);
}

void CheckFile(std::string_view text, const QLocale& locale)
{
    QFile file(LogFile());
    FUZZ_CHECK(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    FUZZ_CHECK(file.write(text.data(), static_cast<qint64>(text.size())) == static_cast<qint64>(text.size()));
    file.close();

    QStringList lines;
    ReadLogSection(LogFile(), lines);
    TSessionStats stats;
    try {
        stats = CollectSessions(kDay, TStatsPeriod::Month, locale);
    } catch (const EConvertError& e) {
        FUZZ_CHECK(QString::fromUtf8(e.what()).contains(u"20025.txt"_qs));
        return;
    }
    FUZZ_CHECK(stats.Sessions.size() == static_cast<std::size_t>(lines.size()));
    double total = 0.0;
    for (std::size_t k = 0; k < stats.Sessions.size(); ++k) {
        const TSessionRecord& session = stats.Sessions[k];
        FUZZ_CHECK(SameRecord(session, ParseLogEntry(lines[static_cast<qsizetype>(k)], locale)));
        // A session that ends before it starts counts as one of no length.
        FUZZ_CHECK(session.Duration == std::max(0.0, session.Finish - session.Start));
        total += session.Duration;
        CheckTexts(session, locale);
    }
    FUZZ_CHECK(total == stats.Total);
    FormatDuration(stats.Total, locale);

    // A day lists the month's sessions that started on it, and nothing else.
    const TSessionStats day = CollectSessions(kDay, TStatsPeriod::Day, locale);
    FUZZ_CHECK(day.Sessions.size() <= stats.Sessions.size());
    for (const TSessionRecord& session : day.Sessions)
        FUZZ_CHECK(session.Start >= 37391.0 && session.Start < 37392.0);
}

// What the writer puts into a line, the line reader gives back.
void CheckLine(FuzzInput& in, const QLocale& locale)
{
    const double start = in.Double();
    const double finish = in.Double();
    const qint32 speed = in.Integral<qint32>();
    const qint32 bytes = in.Integral<qint32>();
    QString name = QString::fromUtf8(in.Rest());
    name.remove(u'\r');
    name.remove(u'\n');
    const QString startText = FloatToSafeStr(start, locale);
    const QString tail = FloatToSafeStr(finish, locale) + u',' + QString::number(speed) + u',' +
                         QString::number(bytes) + u',' + name;
    TSessionRecord record;
    try {
        record = ParseLogEntry(startText + u'=' + tail, locale);
    } catch (const EConvertError&) {
        // Only a start or an end that is no date may be refused.
        const auto isDate = [](double v) {
            return std::isfinite(v) && v >= -693593.0 && v < 2958466.0;
        };
        FUZZ_CHECK(!isDate(start) || !isDate(finish));
        return;
    }
    FUZZ_CHECK(record.Start == SafeStrToFloat(startText, locale));
    FUZZ_CHECK(std::fabs(record.Start - start) <= std::fabs(start) * 1e-14);
    FUZZ_CHECK(std::fabs(record.Finish - finish) <= std::fabs(finish) * 1e-14);
    FUZZ_CHECK(record.Speed == speed);
    FUZZ_CHECK(record.Bytes == bytes);
    FUZZ_CHECK(name.startsWith(record.Name));
    if (tail.size() <= 255)
        FUZZ_CHECK(record.Name == name);
    CheckTexts(record, locale);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    FuzzInput in(data, size);
    const QLocale locale = PickLocale(in.Byte());
    CheckFile(in.UpToNul(), locale);
    CheckLine(in, locale);
    return 0;
}
