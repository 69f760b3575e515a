// The program as a Debian user meets it: the command line answers without a window, the
// first start switches autostart on, and a program whose folder the user may not write
// keeps its session logs in the user's data folder.
//
// NUVEX_TEST_PROGRAM names the program to run instead of the build's copy: the package
// check (tools/check-package.sh) points it at usr/bin/nuvex extracted from the .deb.
// Run as root, the program and the dial-up tool run as the unprivileged user nobody
// (setpriv), since root may write into any folder.

#include "NuvexProcess.h"
#include "SeededOptions.h"
#include "SessionStamps.h"
#include "support/SandboxTest.h"
#include "support/WaitUntil.h"

#include <QStandardPaths>
#include <unistd.h>

namespace fs = std::filesystem;
using namespace nuvex::test;
using namespace std::chrono_literals;

namespace {

constexpr unsigned kNobody = 65534;

QString Text(const fs::path& path)
{
    return QString::fromStdString(path.string());
}

class InstalledProgram : public nuvex::test::SandboxTest
{
protected:
    void SetUp() override
    {
        WritePlainBytes(sandbox.machine() / "windows/Nuvex.val", "[Internet]\r\nTn=420-(2)-123456\r\n");
        // As an earlier start of this version left them, so that no news window waits.
        WritePlainBytes(sandbox.machine() / "home/user.reg", kSeededOptions.toStdString());
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
        return PackagedProgram().isEmpty() ? CopyProgram(sandbox.dir() / "program") : PackagedProgram();
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

    // Starts a program, as nobody (setpriv) once the folder is closed to root's processes.
    void StartAs(QProcess& started, const QString& program, const QStringList& arguments) const
    {
        started.setProcessEnvironment(OffscreenEnvironment());
        const QStringList asNobody{u"--reuid=65534"_s, u"--regid=65534"_s, u"--clear-groups"_s, u"--"_s,
                                   program};
        if (unprivileged)
            started.start(u"setpriv"_s, asNobody + arguments);
        else
            started.start(program, arguments);
    }

    void Start(const QString& program)
    {
        StartAs(process, program, {});
        ASSERT_TRUE(process.waitForStarted(10000));
    }

    void Ras(const QStringList& arguments)
    {
        QProcess tool;
        StartAs(tool, QString::fromUtf8(NUVEX_RAS_BIN), arguments);
        ASSERT_TRUE(tool.waitForFinished(10000));
        ASSERT_EQ(tool.exitCode(), 0) << tool.readAllStandardError().toStdString();
    }

    QString XdgDataNuvex() const { return Text(sandbox.dir() / "home/.local/share/nuvex"); }

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
    EXPECT_TRUE(ReadBytes(entry).contains(QByteArray("\nExec=" + program.toUtf8() + '\n')))
        << ReadBytes(entry).toStdString();

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
    ASSERT_TRUE(WaitUntil([&] { return ReadBytes(options).contains("AutoStartOffered"); }, 10s))
        << program.toStdString();
    Ras({u"recv"_s, u"1000"_s});
    Ras({u"dial"_s, u"Internet"_s});
    // A session is logged once the program has seen the connection on two ticks: its
    // end stamp has moved past its start.
    ASSERT_TRUE(WaitUntil(
        [&] {
            const QByteArray text = ReadBytes(options);
            const double start = SessionStamp(text, "StartSession");
            const double end = SessionStamp(text, "EndSession");
            return start != 0.0 && end != 0.0 && start != end;
        },
        10s))
        << process.readAllStandardError().toStdString();
    Ras({u"recv"_s, u"4321"_s});
    Ras({u"drop"_s, u"Internet"_s});

    const QString log = MonthLogIn(XdgDataNuvex());
    ASSERT_TRUE(WaitUntil([&] { return ReadBytes(log).contains(",4321,Internet\r\n"); }, 10s))
        << process.readAllStandardError().toStdString();
    EXPECT_TRUE(ReadBytes(log).startsWith("[SESSION]\r\n"));
    EXPECT_FALSE(QFile::exists(MonthLogIn(QFileInfo(program).absolutePath())));
}
