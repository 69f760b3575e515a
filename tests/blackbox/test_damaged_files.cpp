// The program started over damaged files: it starts, the watch runs, a message names the
// damaged file, and the file keeps its bytes (so that the user or a backup can mend it).

#include "blackbox/NuvexProgram.h"

#include <QDeadlineTimer>
#include <QRegularExpression>
#include <csignal>

using namespace nuvex::test;

namespace {

QByteArray Bytes(const std::filesystem::path& path)
{
    return std::filesystem::exists(path) ? ReadBytes(path) : QByteArray("<missing>");
}

QByteArray Garbage()
{
    QByteArray bytes;
    for (int k = 0; k < 600; ++k)
        bytes.append(static_cast<char>((k * 73 + 41) % 256));
    return bytes;
}

struct Damage
{
    const char* name;
    const char* file; // below the test's folder
    QByteArray bytes;
};

class DamagedFile : public NuvexProgram, public ::testing::WithParamInterface<Damage>
{};

} // namespace

// Starts the program over the damaged file and checks what it does.
TEST_P(DamagedFile, StartsWatchesAndNamesIt)
{
    const std::filesystem::path damaged = sandbox.dir() / GetParam().file;
    WritePlainBytes(damaged, GetParam().bytes.toStdString());
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

INSTANTIATE_TEST_SUITE_P(
    AtStart, DamagedFile,
    ::testing::Values(Damage{"UserOptionsGarbage", "machine/home/user.reg", Garbage()},
                      Damage{"UserOptionsTruncated", "machine/home/user.reg", kSeededOptions.left(75)},
                      // An empty file is one cut short, not a first start (that is a missing file).
                      Damage{"UserOptionsEmpty", "machine/home/user.reg", QByteArray()},
                      Damage{"CheckNumberStoreBinaryGarbage", "machine/windows/Nuvex.val", Garbage()},
                      Damage{"PhonebookCutMidLine", "machine/ras/rasphone.pbk",
                             "[Internet]\r\nCountryCode=420\r\nAreaCode=2\r\nPhoneNum"},
                      Damage{"ConnectionsGarbage", "machine/ras/connections.ini", Garbage()},
                      Damage{"MachineOptionsGarbage", "machine/registry/machine.reg", Garbage()},
                      // Otherwise read only when the password manager opens: one record, 200
                      // of its 409 bytes.
                      Damage{"PasswordFileTruncated", "program/nuvex.pwd",
                             QByteArray("\x00\x00\x00\x00", 4) + QByteArray(200, '\x01')}),
    [](const auto& param) { return std::string(param.param.name); });
