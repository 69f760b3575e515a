// The program as a Debian user meets it: the command line answers without a window, the
// first start switches autostart on, and a program whose folder the user may not write
// keeps its session logs in the user's data folder.
//
// NUVEX_TEST_PROGRAM names the program to run instead of the build's copy: the package
// check (tools/check-package.sh) points it at usr/bin/nuvex extracted from the .deb.
// Run as root, the program and the dial-up tool run as the unprivileged user nobody
// (setpriv), since root may write into any folder.

#include "SeededOptions.h"
#include "support/FileBytes.h"
#include "support/Sandbox.h"
#include "support/WaitUntil.h"

#include <QDate>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <filesystem>
#include <gtest/gtest.h>
#include <unistd.h>

using namespace Qt::StringLiterals;
namespace fs = std::filesystem;
using namespace std::chrono_literals;
using nuvex::test::WaitUntil;

namespace {

constexpr unsigned kNobody = 65534;

QString Text(const fs::path& path)
{
    return QString::fromStdString(path.string());
}

class InstalledProgram : public ::testing::Test
{
protected:
    void SetUp() override
    {
        fs::create_directories(sandbox.machine() / "windows");
        fs::create_directories(sandbox.machine() / "home");
        QFile store(Text(sandbox.machine() / "windows/Nuvex.val"));
        ASSERT_TRUE(store.open(QIODevice::WriteOnly));
        store.write("[Internet]\r\nTn=420-(2)-123456\r\n");
        store.close();
        // As an earlier start of this version left them, so that no news window waits.
        QFile options(Text(sandbox.machine() / "home/user.reg"));
        ASSERT_TRUE(options.open(QIODevice::WriteOnly));
        options.write(kSeededOptions);
        options.close();
        Ras({u"add"_s, u"Internet"_s, u"420-(2)-123456"_s});
    }

    void TearDown() override
    {
        if (process.state() != QProcess::NotRunning) {
            process.kill();
            process.waitForFinished(5000);
        }
        if (!lockedFolder.isEmpty())
            QFile::setPermissions(lockedFolder, lockedFolderPermissions);
    }

    static QString PackagedProgram() { return qEnvironmentVariable("NUVEX_TEST_PROGRAM"); }

    // A private copy of the build's program, or the packaged one.
    QString ProgramFile()
    {
        if (!PackagedProgram().isEmpty())
            return PackagedProgram();
        fs::create_directories(sandbox.dir() / "program");
        const fs::path copy = sandbox.dir() / "program/nuvex";
        if (!fs::exists(copy))
            fs::copy_file(NUVEX_BIN, copy);
        return Text(copy);
    }

    // Takes the write permission away from the program's folder, for as long as the test
    // runs; as root the processes run as nobody instead, who owns nothing there.
    void MakeProgramFolderReadOnly(const QString& program)
    {
        lockedFolder = QFileInfo(program).absolutePath();
        lockedFolderPermissions = QFile::permissions(lockedFolder);
        QFile::setPermissions(lockedFolder, QFile::ReadOwner | QFile::ExeOwner | QFile::ReadGroup |
                                                QFile::ExeGroup | QFile::ReadOther | QFile::ExeOther);
        if (geteuid() != 0)
            return;
        ASSERT_FALSE(QStandardPaths::findExecutable(u"setpriv"_s).isEmpty())
            << "setpriv (util-linux) is missing";
        unprivileged = true;
        // nobody works in the sandbox as its own; the program folder stays root's.
        for (const auto& entry : fs::recursive_directory_iterator(sandbox.dir()))
            ASSERT_EQ(::lchown(entry.path().c_str(), kNobody, kNobody), 0) << entry.path();
        ASSERT_EQ(::chown(sandbox.dir().c_str(), kNobody, kNobody), 0);
        if (!PackagedProgram().isEmpty() || !lockedFolder.startsWith(Text(sandbox.dir())))
            return;
        ASSERT_EQ(::chown(lockedFolder.toLocal8Bit().constData(), 0, 0), 0);
    }

    void Start(const QString& program, const QStringList& arguments = {})
    {
        process.setProcessEnvironment(Environment());
        if (unprivileged)
            process.start(u"setpriv"_s, AsNobody(program, arguments));
        else
            process.start(program, arguments);
        ASSERT_TRUE(process.waitForStarted(10000));
    }

    void Ras(const QStringList& arguments)
    {
        QProcess tool;
        tool.setProcessEnvironment(Environment());
        const QString ras = QString::fromUtf8(NUVEX_RAS_BIN);
        if (unprivileged)
            tool.start(u"setpriv"_s, AsNobody(ras, arguments));
        else
            tool.start(ras, arguments);
        ASSERT_TRUE(tool.waitForFinished(10000));
        ASSERT_EQ(tool.exitCode(), 0) << tool.readAllStandardError().toStdString();
    }

    static QStringList AsNobody(const QString& program, const QStringList& arguments)
    {
        return QStringList{u"--reuid=65534"_s, u"--regid=65534"_s, u"--clear-groups"_s, u"--"_s, program} +
               arguments;
    }

    static QProcessEnvironment Environment()
    {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(u"QT_QPA_PLATFORM"_s, u"offscreen"_s);
        return environment; // NUVEX_SYSTEM_ROOT, HOME and the XDG folders come from the sandbox
    }

    QString XdgDataNuvex() const { return Text(sandbox.dir() / "home/.local/share/nuvex"); }
    QString MonthsLogName() const
    {
        const QDate today = QDate::currentDate();
        return QString::number(today.year()) + QString::number(today.month()) + u".txt"_s;
    }

    nuvex::test::Sandbox sandbox;
    QProcess process;
    QByteArray seen;
    bool unprivileged = false;
    QString lockedFolder;
    QFileDevice::Permissions lockedFolderPermissions;
};

} // namespace

TEST_F(InstalledProgram, HelpAndVersionAnswerWithoutAWindowAndWithoutTheLock)
{
    QProcessEnvironment noDisplay = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        noDisplay.remove(QString::fromLatin1(name));
    // A running copy holds the lock: the answers must not ask it to come forward either.
    struct Case
    {
        QString program;
        QString argument;
        QString expected;
    };
    const QString ras = QString::fromUtf8(NUVEX_RAS_BIN);
    for (const Case& test : {Case{ProgramFile(), u"--version"_s, u"Nuvex " NUVEX_VERSION "\n"_s},
                             Case{ProgramFile(), u"--help"_s, u"Použití: nuvex [VOLBA]\n"_s},
                             Case{ProgramFile(), u"-h"_s, u"Použití: nuvex [VOLBA]\n"_s},
                             Case{ras, u"--version"_s, u"nuvex-ras " NUVEX_VERSION "\n"_s}}) {
        QProcess program;
        program.setProcessEnvironment(noDisplay);
        program.start(test.program, {test.argument});
        ASSERT_TRUE(program.waitForFinished(10000)) << test.argument.toStdString();
        EXPECT_EQ(program.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(program.exitCode(), 0) << program.readAllStandardError().toStdString();
        const QString output = QString::fromUtf8(program.readAllStandardOutput());
        EXPECT_TRUE(output.startsWith(test.expected)) << output.toStdString();
    }
    EXPECT_FALSE(fs::exists(sandbox.machine() / "run/nuvex.lock"));
    EXPECT_FALSE(fs::exists(sandbox.dir() / "home/.config/autostart")); // no start happened
}

TEST_F(InstalledProgram, TheFirstStartSwitchesAutostartOnForThisProgram)
{
    const QString program = ProgramFile();
    const QString entry = Text(sandbox.dir() / "home/.config/autostart/nuvex.desktop");
    Start(program);
    ASSERT_TRUE(WaitUntil([&] { return QFile::exists(entry); }, 10s));
    EXPECT_TRUE(nuvex::test::ReadBytes(entry).contains(QByteArray("\nExec=" + program.toUtf8() + '\n')))
        << nuvex::test::ReadBytes(entry).toStdString();

    // Switched off by the user: the next start leaves it off.
    process.terminate();
    ASSERT_TRUE(process.waitForFinished(10000));
    ASSERT_TRUE(QFile::remove(entry));
    Start(program);
    // The watch's first line comes after the autostart step.
    ASSERT_TRUE(WaitUntil(
        [&] {
            process.waitForReadyRead(50);
            seen += process.readAllStandardError();
            return seen.contains("Aplikace hlídá.");
        },
        10s))
        << seen.toStdString();
    EXPECT_FALSE(QFile::exists(entry));
}

TEST_F(InstalledProgram, AProgramFolderTheUserMayNotWriteKeepsTheSessionLogInTheUserDataFolder)
{
    const QString program = ProgramFile();
    MakeProgramFolderReadOnly(program);
    Start(program);
    const QString options = Text(sandbox.machine() / "home/user.reg");
    ASSERT_TRUE(WaitUntil([&] { return nuvex::test::ReadBytes(options).contains("AutoStartOffered"); }, 10s))
        << program.toStdString();
    Ras({u"recv"_s, u"1000"_s});
    Ras({u"dial"_s, u"Internet"_s});
    // A session is logged once the program has seen the connection on two ticks: its
    // end stamp has moved past its start.
    const auto stamp = [&](const QByteArray& name) {
        for (const QByteArray& line : nuvex::test::ReadBytes(options).split('\n'))
            if (line.startsWith(QByteArray('"' + name + "\"=")))
                return line.trimmed();
        return QByteArray();
    };
    ASSERT_TRUE(WaitUntil(
        [&] {
            const QByteArray start = stamp("StartSession");
            const QByteArray end = stamp("EndSession");
            return !start.isEmpty() && !end.isEmpty() &&
                   start.mid(start.indexOf('=')) != end.mid(end.indexOf('='));
        },
        10s))
        << process.readAllStandardError().toStdString();
    Ras({u"recv"_s, u"4321"_s});
    Ras({u"drop"_s, u"Internet"_s});

    const QString log = XdgDataNuvex() + u'/' + MonthsLogName();
    ASSERT_TRUE(WaitUntil([&] { return nuvex::test::ReadBytes(log).contains(",4321,Internet\r\n"); }, 10s))
        << process.readAllStandardError().toStdString();
    EXPECT_TRUE(nuvex::test::ReadBytes(log).startsWith("[SESSION]\r\n"));
    EXPECT_FALSE(QFile::exists(QFileInfo(program).absolutePath() + u'/' + MonthsLogName()));
}
