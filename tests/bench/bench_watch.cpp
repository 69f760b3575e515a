// Cost of the watch: one tick over phonebooks of 10, 100 and 1,000 entries, in the logic
// alone and in the real main window, beside one plain read of the phonebook and of the
// trusted-number file, so that the ratio of a tick to its file reads can be compared.

#include "app/Frm_Main.h"
#include "platform/IniFile.h"
#include "platform/RasStandin.h"
#include "platform/SystemPaths.h"
#include "settings/uOptions.h"
#include "support/Sandbox.h"
#include "ui/AppDir.h"
#include "watch/NumberWatch.h"

#include <QApplication>
#include <benchmark/benchmark.h>
#include <chrono>
#include <fstream>
#include <map>
#include <memory>
#include <thread>

using namespace nuvex;

namespace {

// Writes a phonebook of n entries, every one authorised in "Nuvex.val".
void WritePhonebookAndStore(int n)
{
    std::string phonebook;
    std::string store;
    for (int i = 0; i < n; ++i) {
        const std::string name = "Připojení č. " + std::to_string(i);
        const std::string local = std::to_string(1000000 + i);
        phonebook += "[" + name + "]\r\nCountryCode=420\r\nAreaCode=2\r\nPhoneNumber=" + local +
                     "\r\nDevice=modem\r\n\r\n";
        store += "[" + name + "]\r\nTn=420-(2)-" + local + "\r\n";
    }
    platform::MakeDirs(platform::RasDir());
    platform::MakeDirs(platform::WindowsDir());
    std::ofstream(platform::rasstandin::PhonebookPath(), std::ios::binary) << phonebook;
    std::ofstream(platform::WindowsDir() + "/Nuvex.val", std::ios::binary) << store;
}

// One emulated machine per size, made once and kept for the whole run. The file layer
// compares a file changed in the last two seconds by content at every read (its
// timestamps may not have moved yet); the watch normally sees files that have rested
// longer, so the machine is left to rest before it is measured.
void UseMachine(int n)
{
    static std::map<int, std::unique_ptr<test::Sandbox>> machines;
    auto& machine = machines[n];
    if (!machine) {
        machine = std::make_unique<test::Sandbox>();
        WritePhonebookAndStore(n);
        std::this_thread::sleep_for(std::chrono::milliseconds(2100));
    }
    setenv("NUVEX_SYSTEM_ROOT", machine->machine().c_str(), 1);
}

void WatchTickLogic(benchmark::State& state)
{
    UseMachine(static_cast<int>(state.range(0)));
    TRasConnectionsList connections;
    TRasPhonebook phonebook;
    int rows = 0;
    phonebook.OnChange = [&](TRasBaseList&) {
        TWatchPass pass{QString(), QString()};
        TRowSelector selector;
        rows = 0;
        for (int i = 0; i < phonebook.Count(); ++i) {
            const TRasPhonebookEntry& entry = phonebook.Items(i);
            const TWatchRow row = pass.Evaluate(entry.Name, GetEntryNumber(entry));
            selector.AddRow(row.Name, pass.NameToSelect());
            ++rows;
        }
        if (pass.Decision() != TAlarmDecision::AllOk)
            std::abort();
    };
    for (auto _ : state) {
        connections.Refresh();
        phonebook.Refresh();
    }
    state.SetComplexityN(state.range(0));
    state.counters["rows"] = rows;
}

void WatchTickWindow(benchmark::State& state)
{
    UseMachine(static_cast<int>(state.range(0)));
    TFrmNuvex window;
    window.show();
    for (auto _ : state)
        window.Timer1Timer();
    if (window.AlarmRaised || window.RowImage(static_cast<int>(state.range(0)) - 1) != imgInOrder)
        state.SkipWithError("the watch did not see every entry in order");
    state.SetComplexityN(state.range(0));
}

void ReadFileOnce(benchmark::State& state, bool phonebookFile)
{
    UseMachine(static_cast<int>(state.range(0)));
    const std::string path =
        phonebookFile ? platform::rasstandin::PhonebookPath() : platform::WindowsDir() + "/Nuvex.val";
    for (auto _ : state) {
        platform::ClearIniCache();
        benchmark::DoNotOptimize(platform::LoadIniFile(path));
    }
    state.SetComplexityN(state.range(0));
}

void ReadPhonebookOnce(benchmark::State& state)
{
    ReadFileOnce(state, true);
}

void ReadStoreOnce(benchmark::State& state)
{
    ReadFileOnce(state, false);
}

} // namespace

BENCHMARK(WatchTickLogic)
    ->Arg(10)
    ->Arg(100)
    ->Arg(1000)
    ->Unit(benchmark::kMillisecond)
    ->Complexity(benchmark::oN);
BENCHMARK(WatchTickWindow)
    ->Arg(10)
    ->Arg(100)
    ->Arg(1000)
    ->Unit(benchmark::kMillisecond)
    ->Complexity(benchmark::oN);
BENCHMARK(ReadPhonebookOnce)->Arg(10)->Arg(100)->Arg(1000)->Unit(benchmark::kMillisecond);
BENCHMARK(ReadStoreOnce)->Arg(10)->Arg(100)->Arg(1000)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv)
{
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication application(argc, argv);
    // The window needs the options and a program folder; both live in sandboxes (each
    // machine keeps its own options file), never in the real home directory.
    test::Sandbox programFolder;
    SetAppDirForTesting(QString::fromStdString(programFolder.dir().string()));
    if (!CreateOptions().isEmpty())
        return 1;
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    DestroyOptions();
    benchmark::Shutdown();
    return 0;
}
