// What SIGKILL at any moment and several writers at once do to the files: the real
// programs are killed in the middle of their writes and run side by side, and the files
// are read back afterwards.

#include "blackbox/NuvexProgram.h"
#include "support/PlainFileBytes.h"

#include <QRegularExpression>
#include <atomic>
#include <chrono>
#include <csignal>
#include <map>
#include <random>
#include <set>
#include <sstream>
#include <thread>

using namespace nuvex::test;

namespace {

bool RunTool(const std::vector<std::string>& args)
{
    const pid_t pid = StartRasTool(args);
    return pid > 0 && ExitStatus(pid) == 0;
}

// The phonebook as its entries' numbers, or a description of what is wrong with it.
struct PhonebookView
{
    std::map<std::string, std::string> numbers; // entry -> country-(area)-local
    std::string fault;
};

PhonebookView ReadPhonebook(const std::filesystem::path& path)
{
    PhonebookView view;
    std::map<std::string, std::map<std::string, std::string>> sections;
    std::string section;
    std::istringstream in(ReadPlainBytes(path));
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (line.empty())
            continue;
        if (line.front() == '[' && line.back() == ']') {
            section = line.substr(1, line.size() - 2);
            if (sections.count(section))
                view.fault = "entry twice: " + section;
            sections[section];
        } else if (const auto eq = line.find('='); eq != std::string::npos && !section.empty()) {
            sections[section][line.substr(0, eq)] = line.substr(eq + 1);
        } else {
            view.fault = "line that is neither a section nor a key: \"" + line + "\"";
        }
    }
    for (auto& [name, keys] : sections) {
        if (!keys.count("CountryCode") || !keys.count("AreaCode") || !keys.count("PhoneNumber"))
            view.fault = "entry without its number: " + name;
        view.numbers[name] = keys["CountryCode"] + "-(" + keys["AreaCode"] + ")-" + keys["PhoneNumber"];
    }
    return view;
}

class CrashLoop : public NuvexProgram
{
protected:
    std::filesystem::path RasDir() const { return sandbox.machine() / "ras"; }

    // Files in the dial-up folder other than the phonebook and the connections.
    std::vector<std::string> Strays() const
    {
        std::vector<std::string> strays = FolderNames(RasDir());
        std::erase_if(strays, [](const std::string& name) {
            return name == "rasphone.pbk" || name == "connections.ini";
        });
        return strays;
    }
};

// One line of the session log: start=end,speed,bytes,name.
struct LogCheck
{
    std::vector<QString> lines;
    std::string fault;
};

LogCheck ReadSessionLog(const QString& path)
{
    LogCheck check;
    if (!QFile::exists(path))
        return check;
    static const QRegularExpression sessionLine(
        u"^(\\d+(?:\\?\\d+)?)=(\\d+(?:\\?\\d+)?),\\d+,\\d+,[^\r\n]*$"_s);
    const QStringList lines = QString::fromUtf8(ReadBytes(path)).split(u"\r\n"_s);
    for (qsizetype k = 0; k < lines.size(); ++k) {
        const QString& line = lines[k];
        if (k == 0) {
            if (line != u"[SESSION]")
                check.fault = "first line " + line.toStdString();
            continue;
        }
        if (line.isEmpty() && k == lines.size() - 1)
            continue;
        const auto match = sessionLine.match(line);
        if (!match.hasMatch()) {
            check.fault = "malformed line \"" + line.toStdString() + "\"";
            continue;
        }
        const double start = QString(match.captured(1)).replace(u'?', u'.').toDouble();
        const double end = QString(match.captured(2)).replace(u'?', u'.').toDouble();
        if (end < start)
            check.fault = "negative session " + line.toStdString();
        check.lines.push_back(line);
    }
    return check;
}

} // namespace

// 200 writes of the tool, alternately a changed number and a new entry, each killed after
// a random delay (it adapts so that about half the writes end first): the phonebook stays
// whole and no temporary file is left behind (an anonymous O_TMPFILE, or stale temporary
// files cleaned up under the folder lock).
TEST_F(CrashLoop, ToolKilledAtRandomLeavesThePhonebookWholeAndNoTemporaryFile)
{
    const unsigned seed = std::random_device{}();
    std::mt19937 random(seed);
    SCOPED_TRACE("seed " + std::to_string(seed));
    const std::filesystem::path phonebook = RasDir() / "rasphone.pbk";
    std::string internet = "420-(2)-123456";
    std::set<std::string> present{"Internet"};
    double delayUs = 20000;
    int completed = 0;
    int killed = 0;
    for (int i = 0; i < 200; ++i) {
        const bool add = i % 2 == 1;
        const std::string name = add ? "Záznam " + std::to_string(i) : "Internet";
        const std::string number =
            add ? "420-(5)-" + std::to_string(100000 + i) : "420-(2)-" + std::to_string(200000 + i);
        const pid_t pid = StartRasTool({add ? "add" : "set", name, number});
        ASSERT_GT(pid, 0);
        std::this_thread::sleep_for(std::chrono::microseconds(
            std::uniform_int_distribution<int>(0, static_cast<int>(delayUs))(random)));
        ::kill(pid, SIGKILL);
        const bool done = ExitStatus(pid) == 0;
        done ? ++completed : ++killed;
        delayUs *= done ? 0.95 : 1.05;

        const PhonebookView view = ReadPhonebook(phonebook);
        ASSERT_EQ(view.fault, "") << "after write " << i;
        for (const std::string& entry : present)
            ASSERT_TRUE(view.numbers.count(entry)) << entry << " lost after write " << i;
        if (add) {
            if (done) {
                ASSERT_TRUE(view.numbers.count(name)) << "write " << i;
            }
            if (view.numbers.count(name)) {
                ASSERT_EQ(view.numbers.at(name), number);
                present.insert(name);
            }
        } else {
            const std::string now = view.numbers.at("Internet");
            ASSERT_TRUE(now == internet || now == number) << now << " after write " << i;
            if (done) {
                ASSERT_EQ(now, number);
            }
            internet = now;
        }
        // A writer killed in the instant between naming its complete file and the
        // rename leaves that name; the next writer removes it under the folder's lock.
        // So after every write that ended, none is left, its own nor an earlier one's.
        if (done) {
            ASSERT_EQ(Strays(), std::vector<std::string>()) << "after write " << i;
        }
        // The tool itself reads the phonebook now and then.
        if (i % 20 == 19) {
            ASSERT_TRUE(RunTool({"list"})) << "after write " << i;
        }
    }
    ASSERT_TRUE(RunTool({"set", "Internet", internet})); // a last write that ends
    EXPECT_EQ(Strays(), std::vector<std::string>());
    EXPECT_GE(completed, 10);
    EXPECT_GE(killed, 10);
}

// The program is killed at random moments while connections come and go: its month's
// log keeps every line it had, each well-formed, and no session ends before it starts.
TEST_F(CrashLoop, ProgramKilledAtRandomKeepsTheSessionLog)
{
    const unsigned seed = std::random_device{}();
    std::mt19937 random(seed);
    SCOPED_TRACE("seed " + std::to_string(seed));
    const auto pause = [&](int fromMs, int toMs) {
        std::this_thread::sleep_for(
            std::chrono::milliseconds(std::uniform_int_distribution<int>(fromMs, toMs)(random)));
    };
    ASSERT_TRUE(StartAndWaitFor(u"Aplikace hlídá."_s)) << Seen();
    std::set<QString> logged;
    int kills = 0;
    for (int cycle = 0; cycle < 50; ++cycle) {
        const bool kill = std::uniform_int_distribution<int>(0, 3)(random) == 0;
        const int killAt = std::uniform_int_distribution<int>(0, 2)(random);
        const auto killNow = [&](int step) {
            if (!kill || step != killAt)
                return;
            program.kill();
            ASSERT_TRUE(program.waitForFinished(5000));
            ++kills;
            pending.clear();
            Start();
        };
        ASSERT_TRUE(RunTool({"dial", "Internet"})) << "cycle " << cycle;
        killNow(0);
        pause(200, 1000);
        killNow(1);
        ASSERT_TRUE(RunTool({"drop", "Internet"})) << "cycle " << cycle;
        pause(0, 300);
        killNow(2);
        RunTool({"hangup", "Internet"}); // the program may have hung up already

        const LogCheck check = ReadSessionLog(MonthLog());
        ASSERT_EQ(check.fault, "") << "cycle " << cycle;
        for (const QString& line : logged)
            ASSERT_TRUE(std::find(check.lines.begin(), check.lines.end(), line) != check.lines.end())
                << line.toStdString() << " lost in cycle " << cycle << ", the log now:\n"
                << QStringList(check.lines.begin(), check.lines.end()).join(u'\n').toStdString();
        logged.insert(check.lines.begin(), check.lines.end());
    }
    EXPECT_GE(kills, 3);
    EXPECT_GE(logged.size(), 5u);
    EXPECT_EQ(program.state(), QProcess::Running);
}

// Three dialers add 300 entries each while the program watches: every entry arrives and
// the program reports no error.
TEST_F(NuvexProgram, ConcurrentWritersLoseNoEntry)
{
    ASSERT_TRUE(StartAndWaitFor(u"Aplikace hlídá."_s)) << Seen();
    std::atomic<int> failures{0};
    std::atomic<int> running{3};
    std::vector<std::thread> writers;
    for (int writer = 0; writer < 3; ++writer) {
        writers.emplace_back([writer, &failures, &running] {
            for (int i = 0; i < 300; ++i) {
                if (!RunTool({"add", "Souběh " + std::to_string(writer) + "-" + std::to_string(i),
                              "420-(5)-" + std::to_string(writer * 1000 + i)}))
                    ++failures;
            }
            --running;
        });
    }
    while (running > 0)
        WaitForLine(u"Nuvex: chyba"_s, 200);
    for (std::thread& writer : writers)
        writer.join();
    EXPECT_EQ(failures, 0);

    PhonebookView view = ReadPhonebook(sandbox.machine() / "ras/rasphone.pbk");
    EXPECT_EQ(view.fault, "");
    EXPECT_EQ(view.numbers.size(), 901u);
    for (int writer = 0; writer < 3; ++writer)
        for (int i = 0; i < 300; ++i)
            EXPECT_EQ(view.numbers["Souběh " + std::to_string(writer) + "-" + std::to_string(i)],
                      "420-(5)-" + std::to_string(writer * 1000 + i));
    // The program saw the last of them and never showed an error.
    const bool alarmed = std::any_of(seen.begin(), seen.end(),
                                     [](const QString& line) { return line.contains(u"neregistrované"_s); });
    EXPECT_TRUE(alarmed || WaitForLine(u"neregistrované"_s, 5000)) << Seen();
    for (const QString& line : seen)
        EXPECT_FALSE(line.contains(u"chyba"_s)) << line.toStdString();
    EXPECT_EQ(program.state(), QProcess::Running);
}
