#include "MainWindowFixture.h"
#include "app/SingleInstance.h"
#include "app/Startup.h"
#include "news/Dlg_Novinky.h"
#include "news/VersionInfo.h"
#include "platform/AtomicFile.h"
#include "platform/Registry.h"
#include "support/FileBytes.h"
#include "support/Sandbox.h"
#include "support/WaitUntil.h"
#include "watch/NumberWatch.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QMessageBox>
#include <QTimer>
#include <algorithm>
#include <cstring>
#include <sys/socket.h>
#include <sys/un.h>

using namespace nuvex;
using namespace Qt::StringLiterals;
using namespace std::chrono_literals;
namespace standin = platform::rasstandin;

namespace {

class StartupNewsDecision : public test::MainWindowFixture
{
protected:
    // Stands in for the news window: records what it was given and answers like a user
    // who checks "Beru to na vědomí" (or not).
    void Run(const QString& version, bool acknowledge)
    {
        StartupNews(version, {u"8. prosinec 2026"_s, u"- novinka"_s},
                    [&](bool& show, const QString& title, const QStringList& news) {
                        shownWith.push_back(show);
                        EXPECT_FALSE(title.isEmpty());
                        EXPECT_EQ(news.size(), 2);
                        if (show)
                            show = !acknowledge;
                    });
    }
    std::vector<bool> shownWith;
};

TEST_F(StartupNewsDecision, FirstStartAndEveryNewVersionShowTheNewsUntilAcknowledged)
{
    Run(u"2.0.0.1"_s, false);
    ASSERT_EQ(shownWith, std::vector<bool>{true});
    EXPECT_EQ(Options->LastNewsVersion(), u"2.0.0.1"_s);
    EXPECT_TRUE(Options->NewsPending()); // not acknowledged: shown again next time

    Run(u"2.0.0.1"_s, true);
    EXPECT_EQ(shownWith, (std::vector<bool>{true, true}));
    EXPECT_FALSE(Options->NewsPending());

    Run(u"2.0.0.1"_s, false); // same version, acknowledged: not shown, nothing changes
    EXPECT_EQ(shownWith.back(), false);
    EXPECT_FALSE(Options->NewsPending());
    EXPECT_EQ(Options->LastNewsVersion(), u"2.0.0.1"_s);

    Run(u"2.0.0.2"_s, true); // a new version: shown once more, even when acknowledged
    EXPECT_EQ(shownWith, (std::vector<bool>{true, true, false, true}));
    EXPECT_EQ(Options->LastNewsVersion(), u"2.0.0.2"_s);
    EXPECT_FALSE(Options->NewsPending());
}

TEST(VersionTexts, ComeFromTheProjectVersion)
{
    const auto info = ReadProgramVersion();
    ASSERT_TRUE(info);
    EXPECT_EQ(info->ProductVersion[0], 2);
    EXPECT_EQ(info->ProductVersion[1], 0);
    EXPECT_EQ(BuildText(), u"build "_s + VersionText());
    EXPECT_TRUE(BuildText().startsWith(u"build 2.0."_s));

    TFileVersionInfo custom{{1, 2, 3, 4}, {5, 6, 7, 8}, QString()};
    EXPECT_EQ(BuildText(custom), u"build 1.2.3.4"_s);
    EXPECT_EQ(VersionText(custom), u"5.6.7.8"_s); // no FileVersion text: the file version's parts
    custom.FileVersionText = u"2.0 beta"_s;
    EXPECT_EQ(VersionText(custom), u"2.0 beta"_s);
}

const QString kStartLine = u"Aplikace hlídá."_s;

// The start-up routine on a main window of its own, with the news window real or stood in.
class StartupRoutine : public test::MainWindowFixture
{
protected:
    void TearDown() override
    {
        while (QWidget* modal = QApplication::activeModalWidget())
            modal->close();
        MainWindowFixture::TearDown();
    }
    void WriteOptionsFile(const QByteArray& bytes)
    {
        DestroyOptions();
        test::WriteBytes(OptionsFile(), bytes);
        problems = CreateOptions();
    }
    static QString OptionsFile()
    {
        return QString::fromStdString(platform::registry::RootFile(platform::registry::Root::CurrentUser));
    }
    static QByteArray FileBytes() { return test::ReadBytes(OptionsFile()); }
    bool Start(const TShowNews& showNews, const QString& lockProblem = QString())
    {
        window->show();
        return StartWatching(*window, {problems, lockProblem}, showNews);
    }
    QStringList problems;
};

const TShowNews kNoNewsWindow = [](bool& show, const QString&, const QStringList&) {
    show = false;
};

TEST_F(StartupRoutine, DamagedOptionsGiveDefaultsAreReportedOnceAndAreNeverWritten)
{
    const QByteArray damaged = "Windows Registry Editor Version 5.00\r\n\r\n"
                               "[HKEY_CURRENT_USER\\Software\\Quorin Software\\Nuvex]\r\n"
                               "\"AskBeforeQuit\"=dword:0000001\r\n"; // seven digits
    WriteOptionsFile(damaged);
    ASSERT_EQ(problems.size(), 1);
    EXPECT_TRUE(problems[0].contains(u"řádek 4"_s)) << problems[0].toStdString();
    EXPECT_TRUE(Options->Damaged());
    MakeWindow();
    bool timerRanAtNews = false;
    ASSERT_TRUE(Start([&](bool& show, const QString&, const QStringList&) {
        timerRanAtNews = Access().Timer1()->isActive();
        EXPECT_TRUE(show); // LastWhatsNew reads empty: the news as on a first start
    }));
    EXPECT_TRUE(timerRanAtNews);
    const QString report = test::TakeOpenMessageBox();
    EXPECT_TRUE(report.contains(OptionsFile()) && report.contains(u"řádek 4"_s)) << report.toStdString();
    EXPECT_EQ(test::TakeOpenMessageBox(), QString()); // once

    // What the program keeps for itself lives on for the run; the user's settings are refused.
    EXPECT_EQ(Options->LastNewsVersion(), VersionText());
    Options->SetSessionStamps(42.5, GetSessionEnd());
    EXPECT_EQ(GetSessionStart(), 42.5);
    EXPECT_TRUE(Options->ConfirmQuit());
    try {
        Options->SetConfirmQuit(false);
        ADD_FAILURE() << "a setting was written into a damaged file";
    } catch (const ERegistryException& error) {
        EXPECT_TRUE(QString::fromUtf8(error.what()).contains(u"nelze uložit"_s));
    }
    EXPECT_EQ(FileBytes(), damaged);

    // "Konec" still ends the program: the question comes (its option reads as false).
    bool quit = false;
    QObject::connect(window.get(), &TFrmNuvex::QuitConfirmed, window.get(), [&quit] { quit = true; });
    boxes.Answer(true);
    Access().CloseApp()->trigger();
    EXPECT_TRUE(quit);
    EXPECT_FALSE(Access().Timer1()->isActive());
    window.reset(); // its destruction logs the session and writes nothing
    EXPECT_EQ(FileBytes(), damaged);
}

TEST_F(StartupRoutine, WrongTypesOfTheStartUpValuesGiveDefaultsAndOneReportAfterTheWatchStarted)
{
    WriteOptionsFile("Windows Registry Editor Version 5.00\r\n\r\n"
                     "[HKEY_CURRENT_USER\\Software\\Quorin Software\\Nuvex]\r\n"
                     "\"Installed\"=dword:00000001\r\n"
                     "\"ShowNews\"=\"ano\"\r\n"
                     "\"LastWhatsNew\"=dword:00000002\r\n"
                     "\"AppHideAfterStart\"=\"ne\"\r\n");
    ASSERT_TRUE(problems.isEmpty());
    MakeWindow();
    std::vector<bool> newsShownWith;
    bool timerRanAtNews = false;
    ASSERT_TRUE(Start([&](bool& show, const QString&, const QStringList&) {
        newsShownWith.push_back(show);
        timerRanAtNews = Access().Timer1()->isActive();
        show = false; // acknowledged
    }));
    EXPECT_EQ(newsShownWith, std::vector<bool>{true}); // LastWhatsNew as if missing: a new version
    EXPECT_TRUE(timerRanAtNews);
    EXPECT_TRUE(Access().Timer1()->isActive());
    const QString report = test::TakeOpenMessageBox();
    for (const QString& name : {u"ShowNews"_s, u"LastWhatsNew"_s, u"AppHideAfterStart"_s})
        EXPECT_TRUE(report.contains(name)) << report.toStdString();
    EXPECT_EQ(test::TakeOpenMessageBox(), QString());
    EXPECT_TRUE(window->isMinimized() || !window->isVisible()); // AppHideAfterStart false: hidden
    // The news step wrote its values back with their types: the next start is in order.
    EXPECT_FALSE(Options->NewsPending());
    EXPECT_EQ(Options->LastNewsVersion(), VersionText());
    EXPECT_EQ(LogTexts().value(0), kStartLine);
}

TEST_F(StartupRoutine, AQuitWhileTheNewsWindowIsOpenEndsTheStartUpAndStopsTheWatch)
{
    Options->SetConfirmQuit(false);
    MakeWindow();
    QString seenOpen;
    QTimer quitter;
    quitter.setInterval(20);
    QObject::connect(&quitter, &QTimer::timeout, &quitter, [&] {
        if (QWidget* modal = QApplication::activeModalWidget()) {
            seenOpen = modal->objectName();
            quitter.stop();
            Access().CloseApp()->trigger(); // "Konec" in the tray menu
        }
    });
    quitter.start();
    EXPECT_FALSE(Start(ShowNewsWindow)); // a first start: the news window opens
    quitter.stop();
    EXPECT_EQ(seenOpen, u"DlgNovinky"_s);
    EXPECT_TRUE(window->QuitRequested());
    EXPECT_FALSE(Access().Timer1()->isActive());
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    EXPECT_FALSE(window->isVisible());
}

TEST_F(StartupRoutine, ANumberChangeWhileTheNewsWindowIsOpenIsWarnedAbout)
{
    AddTrusted("Internet", {420, "2", "123456"});
    MakeWindow();
    bool changed = false;
    bool warnedWhileOpen = false;
    QElapsedTimer waited;
    waited.start();
    QTimer dialer;
    dialer.setInterval(20);
    QObject::connect(&dialer, &QTimer::timeout, &dialer, [&] {
        QWidget* news = QApplication::activeModalWidget();
        if (!news)
            return;
        if (!changed) {
            standin::SetEntry("Internet", {420, "906", "123456"});
            changed = true;
        }
        warnedWhileOpen = LogTexts().contains(kChangeWarning);
        if (warnedWhileOpen || waited.elapsed() > 10000) {
            dialer.stop();
            news->close();
        }
    });
    dialer.start();
    EXPECT_TRUE(Start(ShowNewsWindow));
    EXPECT_TRUE(changed);
    EXPECT_TRUE(warnedWhileOpen) << LogTexts().join(u'\n').toStdString();
    EXPECT_EQ(LogTexts().value(0), kStartLine);
    EXPECT_TRUE(Access().AlarmRaised());
}

TEST_F(StartupRoutine, WithoutANotificationAreaTheStartLineIsStillTheFirst)
{
    TFrmNuvex::SetTrayAvailableForTesting(false);
    MakeWindow();
    ASSERT_TRUE(Start(kNoNewsWindow)); // AppHideAfterStart false: minimised at start
    const QStringList log = LogTexts();
    // The start line, the guarded machine, then the note about the tray.
    ASSERT_EQ(log.size(), 3) << log.join(u'\n').toStdString();
    EXPECT_EQ(log[0], kStartLine);
    EXPECT_TRUE(log[2].contains(u"tray"_s));
}

TEST_F(StartupRoutine, ALockThatCannotBeMadeLetsItRunAsTheOnlyCopyAndSaysWhy)
{
    // A plain file where the runtime folder should be.
    const QString lockFolder = QFileInfo(TSingleInstance::LockFilePath()).absolutePath();
    QDir().mkpath(QFileInfo(lockFolder).absolutePath());
    test::WriteBytes(lockFolder, {});
    TFrmNuvex::SetTrayAvailableForTesting(true);
    TSingleInstance instance;
    ASSERT_EQ(instance.TryToBeTheOnlyCopy(), TSingleInstance::TResult::LockUnavailable);
    EXPECT_TRUE(instance.LockProblem().contains(TSingleInstance::LockFilePath()));

    MakeWindow();
    ASSERT_TRUE(Start(kNoNewsWindow, instance.LockProblem()));
    const QStringList log = LogTexts();
    ASSERT_EQ(log.size(), 3) << log.join(u'\n').toStdString();
    EXPECT_EQ(log[0], kStartLine);
    EXPECT_EQ(log[2], instance.LockProblem());
    EXPECT_TRUE(Access().Timer1()->isActive());

    // Once the folder can be made, the lock works as before.
    QFile::remove(lockFolder);
    TSingleInstance first;
    TSingleInstance second;
    EXPECT_EQ(first.TryToBeTheOnlyCopy(), TSingleInstance::TResult::OnlyCopy);
    EXPECT_EQ(second.TryToBeTheOnlyCopy(), TSingleInstance::TResult::AnotherCopyRuns);
}

sockaddr_un SocketAddress(const QString& path)
{
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const std::string bytes = path.toStdString();
    std::memcpy(address.sun_path, bytes.data(), std::min(bytes.size(), sizeof(address.sun_path) - 1));
    return address;
}

TEST(SingleInstance, TheSecondCopysRequestReachesTheFirstPastAKilledCopysSocketAndASilentPeer)
{
    test::Sandbox sandbox;
    const QString path = TSingleInstance::SocketPath();
    const sockaddr_un address = SocketAddress(path);
    QDir().mkpath(QFileInfo(path).absolutePath());
    {
        // A killed copy's socket file: nobody listens on it any more.
        const platform::UniqueFd killed(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0));
        ASSERT_EQ(::bind(killed.get(), reinterpret_cast<const sockaddr*>(&address), sizeof(address)), 0);
    }
    ASSERT_TRUE(QFileInfo::exists(path));

    auto first = std::make_unique<TSingleInstance>();
    int requests = 0;
    QObject::connect(first.get(), &TSingleInstance::ComeForwardRequested, first.get(), [&] { ++requests; });
    ASSERT_EQ(first->TryToBeTheOnlyCopy(), TSingleInstance::TResult::OnlyCopy);
    EXPECT_EQ(QFileInfo(path).permissions() & (QFile::ReadGroup | QFile::WriteGroup | QFile::ExeGroup |
                                               QFile::ReadOther | QFile::WriteOther | QFile::ExeOther),
              QFile::Permissions());

    // A peer that connects and says nothing is heard out by the first copy without
    // keeping the next one from being heard.
    const platform::UniqueFd silent(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0));
    ASSERT_EQ(::connect(silent.get(), reinterpret_cast<const sockaddr*>(&address), sizeof(address)), 0);
    QApplication::processEvents();
    ASSERT_TRUE(TSingleInstance::AskRunningCopyToComeForward());
    EXPECT_TRUE(test::WaitUntil([&] { return requests == 1; }, 10s, [] { QApplication::processEvents(); }));

    // The socket file goes with the copy, and nobody is asked any more.
    first.reset();
    EXPECT_FALSE(QFileInfo::exists(path));
    EXPECT_FALSE(TSingleInstance::AskRunningCopyToComeForward());
    EXPECT_EQ(requests, 1);
}

} // namespace
