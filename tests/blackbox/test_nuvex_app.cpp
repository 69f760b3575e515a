// The real nuvex binary on its own emulated machine, driven by the real nuvex-ras tool as
// a dialer would change the phonebook. Only what the program prints is looked at.

#include "blackbox/NuvexProgram.h"

#include <QDate>
#include <QDeadlineTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QProcessEnvironment>
#include <QRegularExpression>
#include <QStringList>
#include <QThread>
#include <csignal>
#include <filesystem>
#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

using nuvex::test::kChangeWarning;
using nuvex::test::kUnregisteredWarning;
using nuvex::test::NuvexProgram;

TEST_F(NuvexProgram, WatchesThePhonebookChangedByTheDialUpTool)
{
    Start();
    ASSERT_TRUE(WaitForLine(u"Aplikace hlídá."_s, 10000)) << Seen();
    EXPECT_TRUE(WaitForLine(u":Vše OK."_s, 2000)) << Seen();

    Ras({u"set"_s, u"Internet"_s, u"420-(900)-123456"_s});
    EXPECT_TRUE(WaitForLine(kChangeWarning, 2500)) << Seen();

    Ras({u"set"_s, u"Internet"_s, u"420-(2)-123456"_s});
    EXPECT_TRUE(WaitForLine(u":Vše OK."_s, 2500)) << Seen();

    Ras({u"add"_s, u"Podvrh"_s, u"420-(906)-111"_s});
    EXPECT_TRUE(WaitForLine(kUnregisteredWarning, 2500)) << Seen();
    EXPECT_EQ(program.state(), QProcess::Running);
}

TEST_F(NuvexProgram, HangsUpEveryConnectionWhenANumberIsChanged)
{
    Ras({u"dial"_s, u"Internet"_s});
    Start();
    ASSERT_TRUE(WaitForLine(u":Vše OK."_s, 10000)) << Seen();
    EXPECT_FALSE(RasOutput({u"connections"_s}).isEmpty()); // no alarm: the connection stays

    Ras({u"set"_s, u"Internet"_s, u"420-(906)-123456"_s});
    QDeadlineTimer deadline(3000);
    EXPECT_TRUE(WaitForLine(u":Z bezpečnostních důvodů zavěšuji spojení."_s, 3000)) << Seen();
    EXPECT_FALSE(deadline.hasExpired());
    EXPECT_EQ(RasOutput({u"connections"_s}), QString());
}

TEST_F(NuvexProgram, LogsADroppedSessionWithItsBytesInTheMonthsFile)
{
    Start();
    ASSERT_TRUE(WaitForLine(u":Vše OK."_s, 10000)) << Seen();
    Ras({u"speed"_s, u"57600"_s});
    Ras({u"recv"_s, u"5000"_s}); // the adapter's counter runs across sessions
    Ras({u"dial"_s, u"Internet"_s});
    QThread::msleep(1500); // seen connected: the session starts
    Ras({u"recv"_s, u"123456"_s});
    QThread::msleep(1500); // and extended
    Ras({u"drop"_s, u"Internet"_s});

    const QDate today = QDate::currentDate();
    const QString log = QFileInfo(programFile).absolutePath() + u'/' + QString::number(today.year()) +
                        QString::number(today.month()) + u".txt"_s;
    QDeadlineTimer deadline(3000);
    while (!QFile::exists(log) && !deadline.hasExpired())
        QThread::msleep(100);
    QFile file(log);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << log.toStdString();
    const QList<QByteArray> lines = file.readAll().split('\n');
    ASSERT_GE(lines.size(), 2);
    EXPECT_EQ(lines[0], QByteArray("[SESSION]\r"));
    EXPECT_TRUE(QRegularExpression(u"^\\d+\\?\\d+=\\d+\\?\\d+,57600,123456,Internet\r$"_s)
                    .match(QString::fromUtf8(lines[1]))
                    .hasMatch())
        << lines[1].toStdString();
    EXPECT_EQ(lines.size(), 3); // one session, one line
}

TEST_F(NuvexProgram, TerminationSignalEndsItCleanlyAndLogsTheOpenSession)
{
    Ras({u"recv"_s, u"5000"_s});
    Ras({u"dial"_s, u"Internet"_s});
    Start();
    ASSERT_TRUE(WaitForLine(u":Vše OK."_s, 10000)) << Seen();
    QThread::msleep(1200); // the session is seen connected at least twice
    Ras({u"recv"_s, u"700"_s});
    QThread::msleep(1200);

    ::kill(static_cast<pid_t>(program.processId()), SIGTERM);
    ASSERT_TRUE(program.waitForFinished(5000));
    EXPECT_EQ(program.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(program.exitCode(), 0);

    const QDate today = QDate::currentDate();
    QFile file(QFileInfo(programFile).absolutePath() + u'/' + QString::number(today.year()) +
               QString::number(today.month()) + u".txt"_s);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray text = file.readAll();
    EXPECT_TRUE(text.contains(",700,Internet\r\n")) << text.toStdString();
}

TEST_F(NuvexProgram, ASecondCopyEndsAtOnceAndTheFirstRunsOn)
{
    Start();
    ASSERT_TRUE(WaitForLine(u"Aplikace hlídá."_s, 10000)) << Seen();

    QProcess second;
    QDeadlineTimer deadline(2000);
    Start(second);
    ASSERT_TRUE(second.waitForFinished(2000)) << "the second copy did not end";
    EXPECT_FALSE(deadline.hasExpired());
    EXPECT_EQ(second.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(second.exitCode(), 0);
    EXPECT_FALSE(second.readAllStandardError().contains("Aplikace hlídá."));
    EXPECT_EQ(program.state(), QProcess::Running);
}

TEST_F(NuvexProgram, ACopyThatWasKilledDoesNotBlockTheNextStart)
{
    Start();
    ASSERT_TRUE(WaitForLine(u"Aplikace hlídá."_s, 10000)) << Seen();
    program.kill(); // SIGKILL: no chance to clean up
    ASSERT_TRUE(program.waitForFinished(5000));
    pending.clear();
    Start();
    EXPECT_TRUE(WaitForLine(u"Aplikace hlídá."_s, 10000)) << Seen();
    EXPECT_TRUE(WaitForLine(u":Vše OK."_s, 3000)) << Seen();
}
