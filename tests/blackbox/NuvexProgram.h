#pragma once

// The real nuvex program on a test's own emulated machine, with the real nuvex-ras tool at
// hand: starting a copy of the program, running the tool, and reading what the program
// prints line by line.

#include "NuvexProcess.h"
#include "SeededOptions.h"
#include "support/Sandbox.h"

#include <QDate>
#include <QDeadlineTimer>
#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>
#include <QStringList>
#include <filesystem>
#include <gtest/gtest.h>

namespace nuvex::test {

using namespace Qt::StringLiterals;

inline const QString kChangeWarning = u"POZOR !!! - Některé číslo telefonického připojení bylo změněno!!!."_s;
inline const QString kUnregisteredWarning =
    u"POZOR !!! - Bylo objeveno dosud neregistrované telefonické připojení!!!."_s;

class NuvexProgram : public ::testing::Test
{
protected:
    void SetUp() override
    {
        const auto windows = sandbox.machine() / "windows";
        std::filesystem::create_directories(windows);
        QFile store(QString::fromStdString((windows / "Nuvex.val").string()));
        ASSERT_TRUE(store.open(QIODevice::WriteOnly));
        store.write("[Internet]\r\nTn=420-(2)-123456\r\n");
        store.close();
        Ras({u"add"_s, u"Internet"_s, u"420-(2)-123456"_s});
        SeedOptions();
    }

    // Options as after an earlier start of this version with the news acknowledged, so
    // that no news window waits for a person; the window stays shown at start.
    void SeedOptions()
    {
        const auto home = sandbox.machine() / "home";
        std::filesystem::create_directories(home);
        QFile options(QString::fromStdString((home / "user.reg").string()));
        ASSERT_TRUE(options.open(QIODevice::WriteOnly));
        options.write(kSeededOptions);
    }

    void TearDown() override
    {
        if (program.state() != QProcess::NotRunning) {
            program.kill();
            program.waitForFinished(5000);
        }
    }

    static QProcessEnvironment Environment()
    {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(u"QT_QPA_PLATFORM"_s, u"offscreen"_s);
        return environment; // NUVEX_SYSTEM_ROOT and HOME come from the sandbox
    }

    void Ras(const QStringList& arguments)
    {
        QProcess tool;
        tool.setProcessEnvironment(Environment());
        tool.start(QString::fromUtf8(NUVEX_RAS_BIN), arguments);
        ASSERT_TRUE(tool.waitForFinished(10000));
        ASSERT_EQ(tool.exitCode(), 0) << tool.readAllStandardError().toStdString();
    }

    // The program keeps its session logs beside its file, so each test runs its own copy.
    void Start() { Start(program); }
    void Start(QProcess& process)
    {
        const auto folder = sandbox.dir() / "program";
        std::filesystem::create_directories(folder);
        programFile = QString::fromStdString((folder / "nuvex").string());
        if (!std::filesystem::exists(folder / "nuvex")) // a running copy keeps its file busy
            std::filesystem::copy_file(NUVEX_BIN, programFile.toStdString());
        process.setProcessEnvironment(Environment());
        process.start(programFile, {});
        ASSERT_TRUE(process.waitForStarted(10000));
    }

    QString RasOutput(const QStringList& arguments)
    {
        QProcess tool;
        tool.setProcessEnvironment(Environment());
        tool.start(QString::fromUtf8(NUVEX_RAS_BIN), arguments);
        tool.waitForFinished(10000);
        return QString::fromUtf8(tool.readAllStandardOutput());
    }

    // Waits until a new line of standard error contains text; earlier output is consumed.
    bool WaitForLine(const QString& text, int milliseconds)
    {
        return WaitForErrorLine(program, pending, seen, text, milliseconds);
    }

    std::string Seen() const { return seen.join(u'\n').toStdString(); }

    // The options file the program keeps on its machine.
    QString OptionsFile() const
    {
        return QString::fromStdString((sandbox.machine() / "home" / "user.reg").string());
    }

    // The month's session log beside the program's copy.
    QString MonthLog() const
    {
        const QDate today = QDate::currentDate();
        return QString::fromStdString((sandbox.dir() / "program").string()) + u'/' +
               QString::number(today.year()) + QString::number(today.month()) + u".txt"_s;
    }

    nuvex::test::Sandbox sandbox;
    QString programFile;
    QProcess program;
    QByteArray pending;
    QStringList seen;
};

} // namespace nuvex::test
