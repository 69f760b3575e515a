// The program started over damaged files: it starts, the watch runs, a message names the
// damaged file, and the file keeps its bytes (so that the user or a backup can mend it).

#include "blackbox/NuvexProgram.h"

#include <QRegularExpression>
#include <csignal>

using namespace Qt::StringLiterals;
using nuvex::test::NuvexProgram;

namespace {

QByteArray Bytes(const std::filesystem::path& path)
{
    QFile file(QString::fromStdString(path.string()));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

void Put(const std::filesystem::path& path, const QByteArray& bytes)
{
    std::filesystem::create_directories(path.parent_path());
    QFile file(QString::fromStdString(path.string()));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    ASSERT_EQ(file.write(bytes), bytes.size());
}

QByteArray Garbage()
{
    QByteArray bytes;
    for (int k = 0; k < 600; ++k)
        bytes.append(static_cast<char>((k * 73 + 41) % 256));
    return bytes;
}

class DamagedFile : public NuvexProgram
{
protected:
    std::filesystem::path UserReg() const { return sandbox.machine() / "home/user.reg"; }
    std::filesystem::path MachineReg() const { return sandbox.machine() / "registry/machine.reg"; }
    std::filesystem::path Store() const { return sandbox.machine() / "windows/Nuvex.val"; }
    std::filesystem::path Phonebook() const { return sandbox.machine() / "ras/rasphone.pbk"; }
    std::filesystem::path ConnectionsFile() const { return sandbox.machine() / "ras/connections.ini"; }
    std::filesystem::path PasswordFile() const { return sandbox.dir() / "program/nuvex.pwd"; }

    // Starts the program over the damaged file and checks what it does.
    void ExpectStartsAndNames(const std::filesystem::path& damaged)
    {
        const QByteArray before = Bytes(damaged);
        const QString name = QString::fromStdString(damaged.filename().string());
        Start();
        static const QRegularExpression watchLine(u"^\\d{1,2}:\\d\\d:\\d\\d:(Vše OK\\.|POZOR)"_s);
        bool watched = false;
        bool named = false;
        const QDeadlineTimer deadline(20000);
        while (!(watched && named) && !deadline.hasExpired() && program.state() == QProcess::Running) {
            WaitForLine(u"\x01"_s, 200); // collects what the program printed
            for (const QString& line : seen) {
                watched = watched || watchLine.match(line).hasMatch();
                named = named || line.contains(name);
            }
        }
        EXPECT_EQ(program.state(), QProcess::Running) << Seen();
        EXPECT_TRUE(watched) << "no check of the numbers:\n" << Seen();
        EXPECT_TRUE(named) << "no message names " << name.toStdString() << ":\n" << Seen();
        EXPECT_EQ(Bytes(damaged), before);

        // Nor does the end of the program touch it.
        ::kill(static_cast<pid_t>(program.processId()), SIGTERM);
        EXPECT_TRUE(program.waitForFinished(10000));
        EXPECT_EQ(Bytes(damaged), before);
    }
};

} // namespace

TEST_F(DamagedFile, UserOptionsGarbage)
{
    Put(UserReg(), Garbage());
    ExpectStartsAndNames(UserReg());
}

TEST_F(DamagedFile, UserOptionsTruncated)
{
    Put(UserReg(), QByteArray(kSeededOptions).left(75));
    ExpectStartsAndNames(UserReg());
}

// An empty file is one cut short, not a first start (that is a missing file).
TEST_F(DamagedFile, UserOptionsEmpty)
{
    Put(UserReg(), QByteArray());
    ExpectStartsAndNames(UserReg());
}

TEST_F(DamagedFile, CheckNumberStoreBinaryGarbage)
{
    Put(Store(), Garbage());
    ExpectStartsAndNames(Store());
}

TEST_F(DamagedFile, PhonebookCutMidLine)
{
    Put(Phonebook(), "[Internet]\r\nCountryCode=420\r\nAreaCode=2\r\nPhoneNum");
    ExpectStartsAndNames(Phonebook());
}

TEST_F(DamagedFile, ConnectionsGarbage)
{
    Put(ConnectionsFile(), Garbage());
    ExpectStartsAndNames(ConnectionsFile());
}

TEST_F(DamagedFile, MachineOptionsGarbage)
{
    Put(MachineReg(), Garbage());
    ExpectStartsAndNames(MachineReg());
}

// Otherwise read only when the password manager opens.
TEST_F(DamagedFile, PasswordFileTruncated)
{
    QByteArray file("\x00\x00\x00\x00", 4); // one record
    file.append(QByteArray(200, '\x01'));   // of its 409 bytes
    Put(PasswordFile(), file);
    ExpectStartsAndNames(PasswordFile());
}
