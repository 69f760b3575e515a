#pragma once

// The real nuvex program run from a test's own folder, with its standard error read line
// by line (a test waits for the line it expects, not for a time), and the nuvex-ras tool.

#include "support/WaitUntil.h"

#include <QByteArray>
#include <QDate>
#include <QFileInfo>
#include <QProcess>
#include <QProcessEnvironment>
#include <QStringList>
#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <filesystem>
#include <gtest/gtest.h>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <vector>

extern char** environ;

namespace nuvex::test {

using namespace Qt::StringLiterals;

inline const QString kChangeWarning = u"POZOR !!! - Některé číslo telefonického připojení bylo změněno!!!."_s;
inline const QString kUnregisteredWarning =
    u"POZOR !!! - Bylo objeveno dosud neregistrované telefonické připojení!!!."_s;
inline const QString kHangUpLine = u":Z bezpečnostních důvodů zavěšuji spojení."_s;

// The test's own environment (its sandbox's machine and home) without a display.
inline QProcessEnvironment OffscreenEnvironment()
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(u"QT_QPA_PLATFORM"_s, u"offscreen"_s);
    return environment;
}

// The program keeps its session logs beside its file, so each test runs its own copy (of
// it, or of another program under a name of its own).
inline QString CopyProgram(const std::filesystem::path& folder, const char* program = NUVEX_BIN,
                           const char* name = "nuvex")
{
    std::filesystem::create_directories(folder);
    if (!std::filesystem::exists(folder / name)) // a running copy keeps its file busy
        std::filesystem::copy_file(program, folder / name);
    return QString::fromStdString((folder / name).string());
}

// This month's session log in a folder (the program's, or the user's data folder).
inline QString MonthLogIn(const QString& folder)
{
    const QDate today = QDate::currentDate();
    return folder + u'/' + QString::number(today.year()) + QString::number(today.month()) + u".txt"_s;
}

// Starts nuvex-ras as a shell would, in this test's machine (the child inherits
// NUVEX_SYSTEM_ROOT), its output going into files (no pipe can fill up) or nowhere; its
// process id, or -1.
inline pid_t StartRasTool(std::vector<std::string> args, const std::string& out = "/dev/null",
                          const std::string& err = "/dev/null")
{
    args.insert(args.begin(), NUVEX_RAS_BIN);
    std::vector<char*> argv;
    for (std::string& arg : args)
        argv.push_back(arg.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawn_file_actions_addopen(&actions, 2, err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    pid_t pid = -1;
    if (posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ) != 0)
        pid = -1;
    posix_spawn_file_actions_destroy(&actions);
    return pid;
}

// Waits for a child; its exit status, or 128 + the signal that ended it.
inline int ExitStatus(pid_t pid)
{
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

class NuvexProcess
{
public:
    explicit NuvexProcess(QProcessEnvironment environment) : environment_(std::move(environment)) {}
    ~NuvexProcess()
    {
        if (process.state() != QProcess::NotRunning) {
            process.kill();
            process.waitForFinished(5000);
        }
    }

    // Copies the program into folder and starts it there (or another process of it).
    void Start(const std::filesystem::path& folder) { Start(folder, process); }
    void Start(const std::filesystem::path& folder, QProcess& copy)
    {
        programFile = CopyProgram(folder);
        copy.setProcessEnvironment(environment_);
        // Waiting for output must wake on standard error, where the log lines go.
        copy.setReadChannel(QProcess::StandardError);
        copy.start(programFile, {});
        ASSERT_TRUE(copy.waitForStarted(10000));
    }

    // Waits until a new line of standard error contains text; the lines read are consumed
    // into seen, an unfinished one stays in pending. False at the deadline or when the
    // program has ended without such a line.
    bool WaitForLine(const QString& text, int milliseconds)
    {
        bool found = false;
        const auto readLines = [&] {
            pending += process.readAllStandardError();
            for (qsizetype end = pending.indexOf('\n'); end >= 0 && !found; end = pending.indexOf('\n')) {
                const QString line = QString::fromUtf8(pending.left(end));
                pending.remove(0, end + 1);
                seen.append(line);
                found = line.contains(text);
            }
            return found || process.state() == QProcess::NotRunning;
        };
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
        WaitUntil(readLines, std::chrono::milliseconds(milliseconds), [&] {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                deadline - std::chrono::steady_clock::now());
            process.waitForReadyRead(static_cast<int>(std::clamp<long long>(left.count(), 1, 200)));
        });
        return found;
    }

    std::string Seen() const { return seen.join(u'\n').toStdString(); }

    // nuvex-ras with these arguments; its exit code, output in *out.
    int Ras(const QStringList& arguments, QString* out = nullptr, QString* err = nullptr) const
    {
        QProcess tool;
        tool.setProcessEnvironment(environment_);
        tool.start(QString::fromUtf8(NUVEX_RAS_BIN), arguments);
        if (!tool.waitForFinished(10000))
            return -1;
        if (out)
            *out = QString::fromUtf8(tool.readAllStandardOutput());
        if (err)
            *err = QString::fromUtf8(tool.readAllStandardError());
        return tool.exitStatus() == QProcess::NormalExit ? tool.exitCode() : -1;
    }

    QProcess process;
    QString programFile;
    QByteArray pending;
    QStringList seen;

private:
    QProcessEnvironment environment_;
};

} // namespace nuvex::test
