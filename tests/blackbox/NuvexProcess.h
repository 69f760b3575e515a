#pragma once

// The real nuvex program run from a test's own folder, with its standard error read line
// by line, and the nuvex-ras tool.

#include "support/ProcessLines.h"

#include <QProcess>
#include <QProcessEnvironment>
#include <QStringList>
#include <filesystem>
#include <gtest/gtest.h>

namespace nuvex::test {

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

    // Copies the program into folder (the session logs go beside it) and starts it there.
    void Start(const std::filesystem::path& folder)
    {
        std::filesystem::create_directories(folder);
        programFile = QString::fromStdString((folder / "nuvex").string());
        if (!std::filesystem::exists(folder / "nuvex"))
            std::filesystem::copy_file(NUVEX_BIN, programFile.toStdString());
        process.setProcessEnvironment(environment_);
        // Waiting for output must wake on standard error, where the log lines go.
        process.setReadChannel(QProcess::StandardError);
        process.start(programFile, {});
        ASSERT_TRUE(process.waitForStarted(10000));
    }

    bool WaitForLine(const QString& text, int milliseconds)
    {
        return WaitForErrorLine(process, pending_, seen_, text, milliseconds);
    }

    std::string Seen() const { return seen_.join(u'\n').toStdString(); }

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

private:
    QProcessEnvironment environment_;
    QByteArray pending_;
    QStringList seen_;
};

} // namespace nuvex::test
