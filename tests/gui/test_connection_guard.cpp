#include "MainWindowFixture.h"
#include "status/ConnectionStatus.h"
#include "status/SessionLog.h"
#include "ui/IniFile.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QMessageBox>
#include <QRegularExpression>
#include <sys/inotify.h>

using namespace nuvex;
using namespace Qt::StringLiterals;
namespace standin = platform::rasstandin;
namespace ras = platform::ras;

namespace {

const QString kHangUpLine = u"Z bezpečnostních důvodů zavěšuji spojení."_s;

class ConnectionGuard : public test::MainWindowFixture
{
protected:
    void SetUp() override
    {
        MainWindowFixture::SetUp();
        AddTrusted("Internet", {420, "2", "123456"});
        AddTrusted("Záloha", {420, "2", "7"});
    }
    QString Panel() const { return Access().StatusPanel(1)->text(); }
    QString MonthFile() const { return SessionLogFile(QDate::currentDate()); }
    QStringList SessionLines() const
    {
        QStringList lines;
        TIniFile(MonthFile()).ReadSectionValues(kSessionSection, lines);
        return lines;
    }
    static void SetStamps(const QDateTime& start, const QDateTime& end)
    {
        Options->SetSessionStamps(DateTimeToOle(start), DateTimeToOle(end));
    }
};

TEST_F(ConnectionGuard, NoConnectionNothingHappensWhateverTheAlarm)
{
    MakeWindow();
    EXPECT_EQ(Panel(), u"Nepřipojen"_s);
    Access().SetAlarmRaised(true);
    Access().Connections().Refresh();
    Access().SetAlarmRaised(false);
    Access().Connections().Refresh();
    EXPECT_TRUE(LogTexts().isEmpty());
    EXPECT_EQ(Panel(), u"Nepřipojen"_s);
    EXPECT_FALSE(QFile::exists(MonthFile()));
}

TEST_F(ConnectionGuard, UnderAnAlarmEveryConnectionGoesInOneTickWithOneLogLine)
{
    standin::Dial("Internet");
    standin::Dial("Záloha", standin::ConnectionState::Connected, 150);
    MakeWindow();
    standin::SetEntry("Internet", {420, "906", "123456"}); // a dialer strikes
    window->Timer1Timer();                                 // the watch raises the alarm
    ASSERT_TRUE(Access().AlarmRaised());
    EXPECT_EQ(standin::Connections().size(), 2u);

    window->Timer1Timer(); // the guard acts on it, and the second line takes its time
    EXPECT_EQ(standin::Connections().size(), 1u);
    EXPECT_TRUE(WaitFor([this] { return Access().Connections().Count() == 0; }, 5000));
    EXPECT_TRUE(standin::Connections().empty());
    EXPECT_FALSE(Access().HangUpPoll()->isActive());
    EXPECT_EQ(LogTexts().filter(kHangUpLine).size(), 1);

    // A connection dialled again during the same episode goes too, with no new line.
    standin::Dial("Záloha");
    window->Timer1Timer();
    EXPECT_TRUE(standin::Connections().empty());
    EXPECT_EQ(LogTexts().filter(kHangUpLine).size(), 1);
}

TEST_F(ConnectionGuard, ConnectedAndDisconnectedConnectionsFeedStatusAndLog)
{
    MakeWindow();
    standin::AddReceivedBytes(1000);
    standin::SetConnectSpeed(57600);
    standin::Dial("Internet");
    window->Timer1Timer();
    EXPECT_EQ(Access().Session().ConnName, u"Internet"_s);
    EXPECT_EQ(Access().Session().BytesAtStart, 1000u);
    EXPECT_EQ(Access().Session().ConnSpeed, 57600);
    EXPECT_EQ(Panel(), u"1000 B"_s); // the first refresh shows the whole counter
    EXPECT_EQ(window->RowImage(0), imgInOrderConnected);
    EXPECT_EQ(window->RowImage(1), imgInOrder);
    EXPECT_NE(GetSessionStart(), 0.0);

    standin::AddReceivedBytes(2048);
    window->Timer1Timer();
    EXPECT_EQ(Panel(), u"2048 B"_s); // from then on, the bytes of this session

    // Make the session visibly long, then the line fails.
    Options->SetSessionStamps(GetSessionStart() - 1.0 / 24, GetSessionEnd());
    standin::Drop("Internet");
    window->Timer1Timer();
    EXPECT_EQ(Panel(), u"Nepřipojen"_s);
    EXPECT_EQ(Access().Session().ConnName, QString());
    EXPECT_EQ(Access().Session().BytesAtStart, 0u);
    EXPECT_EQ(GetSessionStart(), 0.0);
    const QStringList lines = SessionLines();
    ASSERT_EQ(lines.size(), 1);
    EXPECT_TRUE(lines[0].endsWith(u",57600,2048,Internet"_s)) << lines[0].toStdString();
    EXPECT_EQ(window->RowImage(0), imgInOrder);
}

TEST_F(ConnectionGuard, CounterTakenOnlyOnceItIsNotZero)
{
    MakeWindow();
    standin::Dial("Internet");
    window->Timer1Timer();
    EXPECT_EQ(Access().Session().BytesAtStart, 0u);
    EXPECT_EQ(Panel(), u"0 B"_s);
    standin::AddReceivedBytes(500);
    window->Timer1Timer();
    EXPECT_EQ(Access().Session().BytesAtStart, 500u);
}

TEST_F(ConnectionGuard, StatusBarChoiceSelectsTheFigure)
{
    MakeWindow();
    standin::SetConnectSpeed(33600);
    standin::Dial("Internet");
    SetWhatShow(1);
    window->Timer1Timer();
    EXPECT_EQ(Panel(), u"33600 b/s"_s);
    SetWhatShow(2);
    window->Timer1Timer();
    EXPECT_TRUE(QRegularExpression(u"^0?0:00:0\\d$"_s).match(Panel()).hasMatch()) << Panel().toStdString();
    SetWhatShow(7); // only a hand edit can store this
    window->Timer1Timer();
    EXPECT_EQ(Panel(), QString());
}

TEST(ConnectionFigure, BytesWrapAndTimeShowsNoDaysInWholeSeconds)
{
    EXPECT_EQ(FormatConnectionFigure(0, 100, 300, 0, 0, 0), u"-200 B"_s);
    EXPECT_EQ(FormatConnectionFigure(0, 5, 0xFFFFFFFBu, 0, 0, 0), u"10 B"_s); // counter wrapped
    EXPECT_EQ(FormatConnectionFigure(1, 0, 0, 4294967295u, 0, 0), u"4294967295 b/s"_s);
    const double start = 37380.5;
    const QString oneDayOneHour = FormatConnectionFigure(2, 0, 0, 0, start, start + 25.0 / 24);
    EXPECT_TRUE(QRegularExpression(u"^0?1:00:00$"_s).match(oneDayOneHour).hasMatch())
        << oneDayOneHour.toStdString();
    const QString hms = FormatConnectionFigure(2, 0, 0, 0, start, start + (3600 + 5 * 60 + 7) / 86400.0);
    EXPECT_TRUE(QRegularExpression(u"^0?1:05:07$"_s).match(hms).hasMatch()) << hms.toStdString();
    EXPECT_EQ(FormatConnectionFigure(3, 1, 1, 1, 0, 0), QString());
    EXPECT_EQ(FormatConnectionFigure(-1, 1, 1, 1, 0, 0), QString());

    // Rounded to whole seconds: stamps two seconds apart subtract to 1.999... s.
    const double at = 46365.0 + (2 * 3600 + 3 * 60 + 35) / 86400.0;
    EXPECT_EQ(FormatConnectionFigure(2, 0, 0, 0, at, 46365.0 + (2 * 3600 + 3 * 60 + 37) / 86400.0),
              u"0:00:02"_s);
    EXPECT_EQ(FormatConnectionFigure(2, 0, 0, 0, at, at + 3599.6 / 86400.0), u"1:00:00"_s);
}

TEST_F(ConnectionGuard, SessionLogLineHasTheKnownFormat)
{
    MakeWindow();
    EXPECT_EQ(SessionLogFile(QDate(2002, 5, 4)), GetAppDir() + u"20025.txt"_s);
    EXPECT_EQ(SessionLogFile(QDate(2002, 11, 30)), GetAppDir() + u"200211.txt"_s);

    SetStamps(QDateTime(QDate(2002, 5, 4), QTime(13, 0)), QDateTime(QDate(2002, 5, 4), QTime(14, 0)));
    standin::AddReceivedBytes(4096);
    const QString name = u"Internet, a další"_s; // commas stay after the third one
    Access().SetSession({.ConnSpeed = 57600, .BytesAtStart = 1024, .ConnName = name});
    window->WriteSessionLog();
    EXPECT_EQ(test::ReadBytes(MonthFile()),
              QByteArray("[SESSION]\r\n37380?5416666667=37380?5833333333,57600,3072,"
                         "Internet, a další\r\n"));
    EXPECT_EQ(GetSessionStart(), 0.0);
    EXPECT_EQ(GetSessionEnd(), 0.0);
}

TEST_F(ConnectionGuard, SessionAcrossMonthsIsWrittenToTheMonthOfWritingUnderItsStart)
{
    MakeWindow();
    SetStamps(QDateTime(QDate(2002, 5, 31), QTime(23, 0)), QDateTime(QDate(2002, 6, 1), QTime(1, 0)));
    window->WriteSessionLog();
    const QStringList lines = SessionLines();
    ASSERT_EQ(lines.size(), 1);
    EXPECT_TRUE(lines[0].startsWith(
        FloatToSafeStr(DateTimeToOle(QDateTime(QDate(2002, 5, 31), QTime(23, 0)))) + u'='));
    EXPECT_FALSE(QFile::exists(SessionLogFile(QDate(2002, 5, 1))));
}

TEST_F(ConnectionGuard, EqualStampsAreDroppedAndSessionsOfTheSameStartAreAllKept)
{
    MakeWindow();
    const QDateTime start(QDate(2002, 5, 4), QTime(13, 0));
    SetStamps(start, start);
    window->WriteSessionLog();
    EXPECT_FALSE(QFile::exists(MonthFile()));
    EXPECT_EQ(GetSessionStart(), 0.0); // cleared all the same

    // Two copies of the program sharing the folder can start sessions in the same
    // millisecond: the later one takes the next free millisecond instead of replacing.
    const double startStamp = DateTimeToOle(start);
    for (const QString& name : {u"První"_s, u"Druhé"_s, u"Třetí"_s}) {
        SetStamps(start, start.addSecs(60));
        Access().SetSession({.ConnName = name});
        window->WriteSessionLog();
    }
    const QStringList lines = SessionLines();
    ASSERT_EQ(lines.size(), 3);
    EXPECT_TRUE(lines[0].startsWith(FloatToSafeStr(startStamp) + u'=') && lines[0].endsWith(u"První"_s));
    EXPECT_TRUE(lines[1].startsWith(FloatToSafeStr(startStamp + 1 / 86400000.0) + u'=') &&
                lines[1].endsWith(u"Druhé"_s))
        << lines[1].toStdString();
    EXPECT_TRUE(lines[2].startsWith(FloatToSafeStr(startStamp + 2 / 86400000.0) + u'=') &&
                lines[2].endsWith(u"Třetí"_s));
    // The very same line written again (a retry) stays one line.
    SetStamps(start, start.addSecs(60));
    Access().SetSession({.ConnName = u"První"_s});
    window->WriteSessionLog();
    EXPECT_EQ(SessionLines().size(), 3);
}

TEST_F(ConnectionGuard, AnEndBeforeTheStartIsLoggedAsASessionOfNoLength)
{
    standin::AddReceivedBytes(5000);
    const QDateTime start(QDate(2026, 12, 9), QTime(12, 0));
    // What a run killed between writing the two stamps used to leave: no end at all.
    Options->SetSessionStamps(DateTimeToOle(start), 0.0);
    MakeWindow(); // logs the session left open
    const QString stamp = FloatToSafeStr(DateTimeToOle(start));
    EXPECT_EQ(SessionLines(), QStringList{stamp + u'=' + stamp + u",0,5000,"_s});
    EXPECT_EQ(GetSessionStart(), 0.0);
}

TEST_F(ConnectionGuard, TheFirstConnectedTickWritesBothStampsInOneUpdate)
{
    standin::Dial("Internet");
    MakeWindow();
    // Every update of the options file renames a new file into place: count them.
    const std::string file = platform::registry::RootFile(platform::registry::Root::CurrentUser);
    const int watch = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    ASSERT_GE(watch, 0);
    ASSERT_GE(inotify_add_watch(watch,
                                QFileInfo(QString::fromStdString(file)).path().toLocal8Bit().constData(),
                                IN_MOVED_TO),
              0);
    window->Timer1Timer();
    int replaced = 0;
    alignas(inotify_event) char buffer[4096];
    for (ssize_t n; (n = read(watch, buffer, sizeof buffer)) > 0;) {
        for (char* p = buffer; p < buffer + n;) {
            const auto* event = reinterpret_cast<const inotify_event*>(p);
            if (event->len > 0 &&
                std::string(event->name) == QFileInfo(QString::fromStdString(file)).fileName().toStdString())
                ++replaced;
            p += sizeof(inotify_event) + event->len;
        }
    }
    close(watch);
    EXPECT_EQ(replaced, 1);
    EXPECT_NE(GetSessionStart(), 0.0);
    EXPECT_EQ(GetSessionEnd(), GetSessionStart()); // the same instant
}

TEST_F(ConnectionGuard, SessionLeftOpenByAnEarlierRunIsLoggedAtCreation)
{
    standin::AddReceivedBytes(777);
    SetStamps(QDateTime::currentDateTime().addSecs(-600), QDateTime::currentDateTime().addSecs(-60));
    MakeWindow();
    const QStringList lines = SessionLines();
    ASSERT_EQ(lines.size(), 1);
    EXPECT_TRUE(lines[0].endsWith(u",0,777,"_s)) << lines[0].toStdString();
    EXPECT_EQ(GetSessionStart(), 0.0);
}

// A run killed after logging its session but before closing it leaves the session open:
// the next start must not replace the line that has the session's figures.
TEST_F(ConnectionGuard, SessionLoggedByAKilledRunKeepsItsLineAtTheNextStart)
{
    const QDateTime start = QDateTime::currentDateTime().addSecs(-600);
    const QDateTime end = QDateTime::currentDateTime().addSecs(-60);
    MakeWindow();
    SetStamps(start, end);
    Access().SetSession({.ConnSpeed = 57600, .ConnName = u"Internet"_s});
    window->WriteSessionLog();
    window.reset();
    SetStamps(start, end.addSecs(30)); // what the killed run never cleared
    MakeWindow();
    const QStringList lines = SessionLines();
    ASSERT_EQ(lines.size(), 1);
    EXPECT_TRUE(lines[0].endsWith(u",57600,0,Internet"_s)) << lines[0].toStdString();
    EXPECT_EQ(GetSessionStart(), 0.0);
}

TEST_F(ConnectionGuard, SessionOpenAtTheEndIsLoggedWithItsFields)
{
    standin::SetConnectSpeed(28800);
    standin::Dial("Internet");
    MakeWindow();
    window->Timer1Timer();
    Options->SetSessionStamps(GetSessionStart() - 0.01, GetSessionEnd());
    window.reset(); // the program ends during the session
    const QStringList lines = SessionLines();
    ASSERT_EQ(lines.size(), 1);
    EXPECT_TRUE(lines[0].endsWith(u",28800,0,Internet"_s)) << lines[0].toStdString();
}

TEST_F(ConnectionGuard, AFailedWriteKeepsTheSessionOpen)
{
    MakeWindow();
    const QString blocker = QString::fromStdString((sandbox.dir() / "not-a-folder").string());
    QFile(blocker).open(QIODevice::WriteOnly);
    SetAppDirForTesting(blocker + u"/program"_s); // its folder cannot be made
    // and neither can the user's data folder, where the logs go instead
    QDir().mkpath(QString::fromStdString((sandbox.dir() / "home/.local/share").string()));
    QFile(QString::fromStdString((sandbox.dir() / "home/.local/share/nuvex").string()))
        .open(QIODevice::WriteOnly);
    SetStamps(QDateTime::currentDateTime().addSecs(-60), QDateTime::currentDateTime());
    const double start = GetSessionStart();
    EXPECT_THROW(window->WriteSessionLog(), EIniFileError);
    EXPECT_EQ(GetSessionStart(), start);
    EXPECT_NE(GetSessionEnd(), 0.0);
}

TEST_F(ConnectionGuard, ALineThatWillNotGoIsReportedOnceSetAsideAndTriedAgainCalmly)
{
    standin::Dial("Internet", standin::ConnectionState::Connected, -1); // never goes
    MakeWindow();
    // The hang-up's time is the test's: it passes only when the test moves it.
    const auto now = std::make_shared<TPendingHangUps::Clock::time_point>(
        TPendingHangUps::Clock::time_point{} + std::chrono::hours(1));
    window->SetHangUpLimits(std::chrono::milliseconds(300), std::chrono::milliseconds(400),
                            [now] { return *now; });
    standin::SetEntry("Internet", {420, "906", "123456"});
    window->Timer1Timer();
    ASSERT_TRUE(Access().AlarmRaised());

    QElapsedTimer tick;
    tick.start();
    window->Timer1Timer(); // the hang-up starts; the tick does not wait for it
    EXPECT_LT(tick.elapsed(), 250);
    EXPECT_TRUE(Access().HangUpPoll()->isActive());
    const auto failed = [this] {
        return LogTexts().filter(u"se nepodařilo zavěsit"_s).size() == 1;
    };
    *now += std::chrono::milliseconds(299);
    window->HangUpPollTimer();
    EXPECT_FALSE(failed()); // still within the limit
    *now += std::chrono::milliseconds(1);
    ASSERT_TRUE(WaitFor(failed, 5000)) << LogTexts().join(u'\n').toStdString();
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    ASSERT_NE(box, nullptr);
    EXPECT_TRUE(box->text().contains(u"„Internet“"_s));
    box->accept();

    // A second line goes at once; the first is not awaited again.
    standin::Dial("Záloha");
    window->Timer1Timer();
    EXPECT_TRUE(WaitFor([] { return standin::Connections().size() == 1; }, 5000));
    EXPECT_EQ(LogTexts().filter(kHangUpLine).size(), 1);
    for (int i = 0; i < 3; ++i) {
        window->Timer1Timer();
        QApplication::processEvents();
    }
    EXPECT_FALSE(Access().HangUpPoll()->isActive());
    EXPECT_EQ(LogTexts().filter(u"se nepodařilo zavěsit"_s).size(), 1); // reported once

    // It finally goes: said once.
    standin::HangUp("Internet");
    window->Timer1Timer();
    window->Timer1Timer();
    EXPECT_EQ(LogTexts().filter(u"„Internet“ bylo nakonec zavěšeno."_s).size(), 1);
}

TEST_F(ConnectionGuard, ALinkThatLeavesTheListClosesItsSessionAtTheLastTimeSeenConnected)
{
    MakeWindow();
    standin::AddReceivedBytes(100);
    standin::Dial("Internet");
    window->Timer1Timer();
    Options->SetSessionStamps(GetSessionStart() - 1.0 / 24, GetSessionEnd());
    standin::AddReceivedBytes(900);
    window->Timer1Timer();
    const double lastSeen = GetSessionEnd();

    standin::HangUp("Internet"); // gone without ever being seen disconnected
    window->Timer1Timer();
    EXPECT_EQ(Panel(), u"Nepřipojen"_s);
    EXPECT_EQ(Access().Session().ConnName, QString());
    EXPECT_EQ(GetSessionStart(), 0.0);
    const QStringList lines = SessionLines();
    ASSERT_EQ(lines.size(), 1);
    EXPECT_TRUE(lines[0].endsWith(u",0,900,Internet"_s)) << lines[0].toStdString();
    EXPECT_EQ(lines[0].section(u'=', 1).section(u',', 0, 0), FloatToSafeStr(lastSeen));

    // The next link is a session of its own.
    standin::Dial("Internet");
    window->Timer1Timer();
    EXPECT_NE(GetSessionStart(), 0.0);
    EXPECT_EQ(SessionLines().size(), 1);
}

TEST_F(ConnectionGuard, ALinkHungUpUnderTheAlarmIsLoggedToo)
{
    MakeWindow();
    standin::Dial("Internet");
    window->Timer1Timer();
    Options->SetSessionStamps(GetSessionStart() - 1.0 / 24, GetSessionEnd());
    standin::SetEntry("Internet", {420, "906", "123456"});
    window->Timer1Timer(); // the alarm
    window->Timer1Timer(); // the hang-up
    EXPECT_TRUE(standin::Connections().empty());
    EXPECT_TRUE(LogTexts().contains(kHangUpLine));
    EXPECT_EQ(SessionLines().size(), 1);
}

} // namespace
