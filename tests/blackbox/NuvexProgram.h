#pragma once

// The real nuvex program on a test's own emulated machine, with the real nuvex-ras tool at
// hand: starting a copy of the program, running the tool, and reading what the program
// prints line by line.

#include "NuvexProcess.h"
#include "SeededOptions.h"
#include "support/PlainFileBytes.h"
#include "support/SandboxTest.h"

namespace nuvex::test {

class NuvexProgram : public nuvex::test::SandboxTest
{
protected:
    void SetUp() override
    {
        WritePlainBytes(sandbox.machine() / "windows/Nuvex.val", "[Internet]\r\nTn=420-(2)-123456\r\n");
        Ras({u"add"_s, u"Internet"_s, u"420-(2)-123456"_s});
        WritePlainBytes(sandbox.machine() / "home/user.reg", kSeededOptions.toStdString());
    }

    void Ras(const QStringList& arguments)
    {
        QString err;
        ASSERT_EQ(nuvex.Ras(arguments, nullptr, &err), 0) << err.toStdString();
    }

    QString RasOutput(const QStringList& arguments)
    {
        QString out;
        nuvex.Ras(arguments, &out);
        return out;
    }

    void Start() { nuvex.Start(sandbox.dir() / "program"); }
    // Starts the program and waits for its line ("Aplikace hlídá.", the first check's).
    bool StartAndWaitFor(const QString& line)
    {
        Start();
        return WaitForLine(line, 10000);
    }
    void Start(QProcess& process) { nuvex.Start(sandbox.dir() / "program", process); }
    bool WaitForLine(const QString& text, int milliseconds) { return nuvex.WaitForLine(text, milliseconds); }
    std::string Seen() const { return nuvex.Seen(); }

    QString OptionsFile() const
    {
        return QString::fromStdString((sandbox.machine() / "home" / "user.reg").string());
    }
    QString MonthLog() const
    {
        return MonthLogIn(QString::fromStdString((sandbox.dir() / "program").string()));
    }

    NuvexProcess nuvex{OffscreenEnvironment()}; // NUVEX_SYSTEM_ROOT and HOME come from the sandbox
    QProcess& program = nuvex.process;
    QByteArray& pending = nuvex.pending;
    QStringList& seen = nuvex.seen;
};

} // namespace nuvex::test
