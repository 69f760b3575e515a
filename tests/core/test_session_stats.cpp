#include "settings/qnOptions.h"
#include "status/SessionLog.h"
#include "status/SessionStats.h"
#include "support/PlainFileBytes.h"
#include "support/SandboxTest.h"
#include "support/Thrown.h"
#include "ui/AppDir.h"
#include "ui/IniFile.h"

#include <filesystem>
#include <gtest/gtest.h>

using namespace nuvex;
using namespace Qt::StringLiterals;
namespace fs = std::filesystem;

namespace {

const QLocale kCzech(QLocale::Czech, QLocale::Czechia);

double Ole(const QDate& date, int hour = 0, int minute = 0)
{
    return static_cast<double>(QDate(1899, 12, 30).daysTo(date)) + (hour * 60 + minute) / 1440.0;
}

QString Line(double start, double end, const QString& tail = u"28800,1000,Internet"_s)
{
    return FloatToSafeStr(start) + u'=' + FloatToSafeStr(end) + u',' + tail;
}

class SessionStats : public nuvex::test::SandboxTest
{
protected:
    SessionStats()
    {
        fs::create_directories(program);
        SetAppDirForTesting(QString::fromStdString(program.string()) + u'/');
    }
    ~SessionStats() override { SetAppDirForTesting(QString()); }

    // A log file as the program leaves it: the section header and CR LF line ends.
    void WriteLog(const std::string& name, const QStringList& lines, std::string before = {},
                  const std::string& after = {})
    {
        before += "[SESSION]\r\n";
        for (const QString& line : lines)
            before += line.toStdString() + "\r\n";
        test::WritePlainBytes(program / name, before + after);
    }
    QString Path(const std::string& name) const { return QString::fromStdString((program / name).string()); }

    fs::path program = sandbox.dir() / "program";
};

std::vector<QString> Names(const TSessionStats& stats)
{
    std::vector<QString> names;
    for (const TSessionRecord& session : stats.Sessions)
        names.push_back(session.Name);
    return names;
}

} // namespace

TEST_F(SessionStats, EachModeReadsItsFilesAndAYearInTheTextOrderOfTheNames)
{
    for (int month = 1; month <= 12; ++month)
        WriteLog("2002" + std::to_string(month) + ".txt", {});
    WriteLog("20015.txt", {});
    WriteLog("20035.txt", {});
    WriteLog("20025.bak", {});
    WriteLog("x20025.txt", {});
    fs::create_directory(program / "200213.txt"); // a folder is no log

    const QStringList year = ListLogFiles(QDate(2002, 5, 17), TStatsPeriod::Year);
    QStringList expected;
    for (const char* name : {"20021.txt", "200210.txt", "200211.txt", "200212.txt", "20022.txt", "20023.txt",
                             "20024.txt", "20025.txt", "20026.txt", "20027.txt", "20028.txt", "20029.txt"})
        expected.append(Path(name));
    EXPECT_EQ(year, expected);

    for (TStatsPeriod period : {TStatsPeriod::Day, TStatsPeriod::Month}) {
        EXPECT_EQ(ListLogFiles(QDate(2002, 5, 17), period), QStringList{Path("20025.txt")});
        EXPECT_EQ(ListLogFiles(QDate(2002, 11, 1), period), QStringList{Path("200211.txt")});
        EXPECT_TRUE(ListLogFiles(QDate(2004, 5, 17), period).isEmpty());
    }
    EXPECT_TRUE(ListLogFiles(QDate(2004, 5, 17), TStatsPeriod::Year).isEmpty());
    EXPECT_TRUE(ListLogFiles(QDate(), TStatsPeriod::Year).isEmpty());
}

TEST_F(SessionStats, AYearIgnoresLetterCaseInNamesAndOrder)
{
    WriteLog("20023.TXT", {});
    WriteLog("20021.txt", {});
    WriteLog("20022.Txt", {});
    EXPECT_EQ(ListLogFiles(QDate(2002, 1, 1), TStatsPeriod::Year),
              (QStringList{Path("20021.txt"), Path("20022.Txt"), Path("20023.TXT")}));
}

TEST_F(SessionStats, ASessionOverMidnightOfAMonthIsListedByTheMonthItEndedIn)
{
    const QDate may31(2002, 5, 31);
    const QDate june1(2002, 6, 1);
    WriteLog("20025.txt", {Line(Ole(may31, 10), Ole(may31, 11), u"0,0,Květen"_s)});
    WriteLog("20026.txt", {Line(Ole(may31, 23, 30), Ole(june1, 0, 30), u"0,0,Přes půlnoc"_s),
                           Line(Ole(june1), Ole(june1, 1), u"0,0,Půlnoc"_s),
                           Line(Ole(june1.addDays(1)), Ole(june1.addDays(1), 1), u"0,0,Druhý"_s)});

    EXPECT_EQ(Names(CollectSessions(june1, TStatsPeriod::Month)),
              (std::vector<QString>{u"Přes půlnoc"_s, u"Půlnoc"_s, u"Druhý"_s}));
    EXPECT_EQ(Names(CollectSessions(june1, TStatsPeriod::Year)),
              (std::vector<QString>{u"Květen"_s, u"Přes půlnoc"_s, u"Půlnoc"_s, u"Druhý"_s}));
    // The day reads its month's file and keeps what started on it: midnight belongs to
    // the day it begins.
    EXPECT_EQ(Names(CollectSessions(may31, TStatsPeriod::Day)), std::vector<QString>{u"Květen"_s});
    EXPECT_EQ(Names(CollectSessions(june1, TStatsPeriod::Day)), std::vector<QString>{u"Půlnoc"_s});

    const TSessionStats month = CollectSessions(june1, TStatsPeriod::Month);
    EXPECT_NEAR(month.Total, 3.0 / 24.0, 1e-9);
    EXPECT_NEAR(month.Sessions[0].Duration, 1.0 / 24.0, 1e-9);
}

TEST(SessionDuration, TotalsShowWholeDaysWithTheirCzechWord)
{
    EXPECT_EQ(FormatDuration(1.5, kCzech), u"1 den 12:00:00"_s);
    EXPECT_EQ(FormatDuration(3.25, kCzech), u"3 dny 6:00:00"_s);
    EXPECT_EQ(FormatDuration(21.0 + 10.0 / 1440.0, kCzech), u"21 dní 0:10:00"_s);
    EXPECT_EQ(FormatDuration(45.0 / 1440.0, kCzech), u"0:45:00"_s);
    EXPECT_EQ(FormatDuration(1.0, kCzech), u"1 den 0:00:00"_s);
    EXPECT_EQ(FormatDuration(2.0, kCzech), u"2 dny 0:00:00"_s);
    EXPECT_EQ(FormatDuration(4.0, kCzech), u"4 dny 0:00:00"_s);
    EXPECT_EQ(FormatDuration(5.0, kCzech), u"5 dní 0:00:00"_s);
    EXPECT_EQ(FormatDuration(0.0, kCzech), u"0:00:00"_s);
}

TEST(SessionDuration, ASumThatMissesAWholeDayByRoundingCountsTheDay)
{
    double total = 0.0;
    for (int i = 0; i < 10; ++i)
        total += 0.1;
    ASSERT_LT(total, 1.0);
    EXPECT_EQ(FormatDuration(total, kCzech), u"1 den 0:00:00"_s);
    EXPECT_EQ(FormatDuration(10.0 / 1440.0 - 1e-12, kCzech), u"0:10:00"_s);
    // A clock put back during a session.
    EXPECT_EQ(FormatDuration(-0.25, kCzech), u"-6:00:00"_s);
    EXPECT_EQ(FormatDuration(-1.5, kCzech), u"-1 den 12:00:00"_s);
}

TEST(SessionEntry, FieldsAreReadInOrderAndTheNameKeepsItsCommasOrStaysEmpty)
{
    const double start = Ole(QDate(2002, 5, 4), 13);
    const double end = Ole(QDate(2002, 5, 4), 14);
    const TSessionRecord session = ParseLogEntry(Line(start, end, u"115200,-5,Práce, domů"_s));
    // The log keeps 15 significant digits: a tenth of a millisecond at most.
    EXPECT_NEAR(session.Start, start, 1e-9);
    EXPECT_NEAR(session.Finish, end, 1e-9);
    EXPECT_DOUBLE_EQ(session.Duration, session.Finish - session.Start);
    EXPECT_EQ(session.Speed, 115200);
    EXPECT_EQ(session.Bytes, -5); // a counter that wrapped
    EXPECT_EQ(session.Name, u"Práce, domů"_s);

    // Written under a locale with a decimal comma, read under another.
    const TSessionRecord elsewhere =
        ParseLogEntry(u"37380?5416666667=37380?5833333333,0,0,Internet"_s, QLocale(QLocale::English));
    EXPECT_NEAR(elsewhere.Duration, 1.0 / 24.0, 1e-9);
    // Other number forms go through the locale's reading.
    EXPECT_NEAR(ParseLogEntry(u"3?73805E4=37380?6,0,0,X"_s, QLocale::c()).Start, 37380.5, 1e-9);

    const TSessionRecord unnamed = ParseLogEntry(Line(37380.5, 37380.6, u"0,123456,"_s));
    EXPECT_EQ(unnamed.Bytes, 123456);
    EXPECT_TRUE(unnamed.Name.isEmpty());
    EXPECT_TRUE(SessionColumnText(unnamed, colName, kCzech).isEmpty());
}

TEST(SessionEntry, SpeedAndBytesThatAreNoIntegersReadAsZero)
{
    for (const QString& field : {u"12a"_s, u"1.5"_s, u""_s, u"4294967296"_s}) {
        SCOPED_TRACE(field.toStdString());
        const TSessionRecord session = ParseLogEntry(Line(37380.5, 37380.6, field + u',' + field + u",X"_s));
        EXPECT_EQ(session.Speed, 0);
        EXPECT_EQ(session.Bytes, 0);
        EXPECT_EQ(session.Name, u"X"_s);
    }
}

TEST(SessionEntry, OnlyTheFirst255CharactersAfterTheEqualsSignAreRead)
{
    const QString head = FloatToSafeStr(37380.6) + u",28800,1000,"_s;
    const QString name = QString(300, u'N');
    const TSessionRecord session = ParseLogEntry(FloatToSafeStr(37380.5) + u'=' + head + name);
    EXPECT_EQ(session.Name, QString(255 - head.size(), u'N'));

    // A cut never splits a character outside the basic plane.
    const QString emoji = u"😀"_s;
    QString emojis;
    while (emojis.size() < 300)
        emojis += emoji;
    const QString cut = ParseLogEntry(FloatToSafeStr(37380.5) + u'=' + head + u'x' + emojis).Name;
    EXPECT_FALSE(cut.back().isHighSurrogate());
    EXPECT_TRUE(cut.isValidUtf16());
}

TEST(SessionEntry, AStartOrEndThatIsNoDateIsAConversionError)
{
    EXPECT_THROW(ParseLogEntry(u"abc=37380?6,0,0,X"_s), EConvertError);
    EXPECT_THROW(ParseLogEntry(u"=37380?6,0,0,X"_s), EConvertError);
    EXPECT_THROW(ParseLogEntry(u"37380?5=x,0,0,X"_s), EConvertError);
    // No comma at all: the end field is empty.
    EXPECT_THROW(ParseLogEntry(u"37380?5=37380?6"_s), EConvertError);
    // Numbers that are no dates.
    EXPECT_THROW(ParseLogEntry(u"nan=37380?6,0,0,X"_s), EConvertError);
    EXPECT_THROW(ParseLogEntry(u"37380?5=inf,0,0,X"_s), EConvertError);
    EXPECT_THROW(ParseLogEntry(u"1e300=37380?6,0,0,X"_s), EConvertError);
    EXPECT_NO_THROW(ParseLogEntry(u"37380?5=37380?6,,,"_s));
}

TEST_F(SessionStats, AMalformedLineStopsTheWholeReadNamingFileAndLine)
{
    WriteLog("20025.txt", {Line(37380.5, 37380.6), u"37380?7=oops,0,0,X"_s, Line(37380.8, 37380.9)});
    const auto error =
        test::Thrown<EConvertError>([] { CollectSessions(QDate(2002, 5, 4), TStatsPeriod::Month); });
    ASSERT_TRUE(error) << "no error";
    const QString message = QString::fromUtf8(error->what());
    EXPECT_TRUE(message.contains(u"20025.txt"_s)) << error->what();
    EXPECT_TRUE(message.contains(u"37380?7=oops"_s)) << error->what();
    EXPECT_TRUE(message.contains(u"„oops“"_s)) << error->what();
}

TEST_F(SessionStats, FilesWithoutTheSectionOrWithoutAnyFileGiveNothing)
{
    // Only the session section counts; other sections and their lines stay apart.
    test::WritePlainBytes(program / "20025.txt",
                          "[Other]\r\n" + Line(37380.5, 37380.6).toStdString() + "\r\n");
    WriteLog("20026.txt", {Line(37410.5, 37410.75)}, "[Other]\r\n37410?1=junk\r\n");
    WriteLog("20027.txt", {Line(37441.5, 37441.75)}, {}, "[After]\r\n37441?1=junk\r\n");

    const TSessionStats may = CollectSessions(QDate(2002, 5, 4), TStatsPeriod::Month);
    EXPECT_TRUE(may.Sessions.empty());
    EXPECT_EQ(may.Total, 0.0);
    const TSessionStats year = CollectSessions(QDate(2002, 5, 4), TStatsPeriod::Year);
    EXPECT_EQ(year.Sessions.size(), 2u);
    EXPECT_NEAR(year.Total, 0.5, 1e-9);

    const TSessionStats none = CollectSessions(QDate(2003, 1, 1), TStatsPeriod::Year);
    EXPECT_TRUE(none.Sessions.empty());
    EXPECT_EQ(FormatDuration(none.Total, kCzech), u"0:00:00"_s);
}

TEST_F(SessionStats, ReadsWhatTheProgramsProfileWriterLeaves)
{
    const QDate day(2002, 5, 4);
    // The log writer's own path and format.
    TIniFile log(SessionLogFile(day));
    log.WriteString(kSessionSection, FloatToSafeStr(Ole(day, 13)),
                    FloatToSafeStr(Ole(day, 14)) + u",28800,4096,  Internet, \"domů\""_s);
    log.WriteString(kSessionSection, FloatToSafeStr(Ole(day, 15)), FloatToSafeStr(Ole(day, 16)) + u",0,0,"_s);

    const TSessionStats stats = CollectSessions(day, TStatsPeriod::Day);
    ASSERT_EQ(stats.Sessions.size(), 2u);
    EXPECT_EQ(stats.Sessions[0].Name, u"  Internet, \"domů\""_s);
    EXPECT_EQ(stats.Sessions[0].Bytes, 4096);
    EXPECT_TRUE(stats.Sessions[1].Name.isEmpty());
    EXPECT_EQ(FormatDuration(stats.Total, kCzech), u"2:00:00"_s);
}

TEST(SessionColumns, RowsShowCzechDateTimesFiguresAndADurationWithoutItsDays)
{
    TSessionRecord session;
    session.Name = u"Internet"_s;
    session.Start = Ole(QDate(2002, 5, 4), 13, 5);
    session.Finish = session.Start + 1.0 + 1.5 / 24.0;
    session.Duration = session.Finish - session.Start;
    session.Bytes = 1234567;
    session.Speed = 28800;

    EXPECT_EQ(SessionColumnText(session, colName, kCzech), u"Internet"_s);
    EXPECT_EQ(SessionColumnText(session, colDate, kCzech), u"04.05.2002"_s);
    EXPECT_EQ(SessionColumnText(session, colFrom, kCzech), u"13:05:00"_s);
    EXPECT_EQ(SessionColumnText(session, colTo, kCzech), u"14:35:00"_s);
    EXPECT_EQ(SessionColumnText(session, colDuration, kCzech), u"1:30:00"_s); // 25 h 30 min
    EXPECT_EQ(SessionColumnText(session, colBytes, kCzech), u"1234567"_s);
    EXPECT_EQ(SessionColumnText(session, colSpeed, kCzech), u"28800"_s);
    EXPECT_TRUE(SessionColumnText(session, colCount, kCzech).isEmpty());

    // Dates have the Czech form with a four-digit year in any locale.
    TSessionRecord morning;
    morning.Start = Ole(QDate(2026, 12, 9), 9, 5);
    EXPECT_EQ(SessionColumnText(morning, colDate), u"09.12.2026"_s);
    EXPECT_EQ(SessionColumnText(morning, colFrom), u"9:05:00"_s);
    EXPECT_EQ(FormatShortDate(QDate(2002, 5, 4)), u"04.05.2002"_s);
}

// "46365?5=0,0,5000," is what a run killed between its two session stamps used to log:
// it must not turn the month's total into minus a hundred years.
TEST_F(SessionStats, ASessionThatEndsBeforeItStartsCountsAsNoTime)
{
    const double day = Ole(QDate(2026, 12, 9));
    WriteLog("202612.txt",
             {u"46365?5=0,0,5000,"_s, Line(day + 0.4, day + 0.25), Line(day + 0.6, day + 0.85)});
    const TSessionStats stats = CollectSessions(QDate(2026, 12, 9), TStatsPeriod::Month);
    ASSERT_EQ(stats.Sessions.size(), 3u);
    EXPECT_EQ(stats.Sessions[0].Duration, 0.0);
    EXPECT_EQ(stats.Sessions[1].Duration, 0.0);
    EXPECT_NEAR(stats.Sessions[2].Duration, 0.25, 1e-9);
    EXPECT_NEAR(stats.Total, 0.25, 1e-9);
    EXPECT_FALSE(FormatDuration(stats.Total).contains(u'-'));
    EXPECT_FALSE(SessionColumnText(stats.Sessions[1], colDuration).contains(u'-'));
}

TEST(SessionDuration, IsRoundedToWholeSecondsNotCut)
{
    const double start = Ole(QDate(2026, 12, 9), 2, 3) + 35 / 86400.0;
    const double end = Ole(QDate(2026, 12, 9), 2, 3) + 37 / 86400.0;
    ASSERT_LT((end - start) * 86400.0, 2.0); // the stamps subtract to a hair less
    TSessionRecord session;
    session.Start = start;
    session.Finish = end;
    session.Duration = end - start;
    EXPECT_EQ(SessionColumnText(session, colDuration, kCzech), u"0:00:02"_s);
    EXPECT_EQ(FormatDuration(end - start, kCzech), u"0:00:02"_s);
    // Half a second and more goes up, less goes down; a day less 0.5 s is a whole day.
    EXPECT_EQ(FormatDuration(1.5 / 86400.0, kCzech), u"0:00:02"_s);
    EXPECT_EQ(FormatDuration(1.49 / 86400.0, kCzech), u"0:00:01"_s);
    EXPECT_EQ(FormatDuration(1.0 - 0.5 / 86400.0, kCzech), u"1 den 0:00:00"_s);
    EXPECT_EQ(FormatDuration(2.0 + 59.7 / 86400.0, kCzech), u"2 dny 0:01:00"_s);
}
