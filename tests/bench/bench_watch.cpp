// Cost of the watch: one tick over phonebooks of 10, 100 and 1,000 entries, in the logic
// alone and in the real main window, beside one plain read of the phonebook and of the
// trusted-number file, so that the ratio of a tick to its file reads can be compared.
// The idle cases (nothing changed) and the cases of one number changed before each tick
// are what the watch costs while it guards and when a dialer strikes.

#include "app/Frm_Main.h"
#include "platform/EmulatedMachine.h"
#include "platform/IniFileAccess.h"
#include "platform/SystemPaths.h"
#include "settings/uOptions.h"
#include "support/FrmNuvexTestAccess.h"
#include "support/PlainFileBytes.h"
#include "support/Sandbox.h"
#include "ui/AppDir.h"
#include "watch/NumberWatch.h"

#include <QApplication>
#include <benchmark/benchmark.h>
#include <chrono>
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
    test::WritePlainBytes(platform::rasstandin::PhonebookPath(), phonebook);
    test::WritePlainBytes(platform::WindowsDir() + "/Nuvex.val", store);
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

// The logic of one check as the window runs it: every entry's row, the selection and the
// alarm decision.
struct TLogicTick
{
    TRasConnectionsList connections;
    TRasPhonebook phonebook;
    TAlarmDecision decision = TAlarmDecision::AllOk;
    int rows = 0;

    TLogicTick()
    {
        phonebook.OnChange = [this](TRasBaseList&) {
            TWatchPass pass{QString(), QString()};
            TRowSelector selector;
            for (rows = 0; rows < phonebook.Count(); ++rows) {
                const TRasPhonebookEntry& entry = phonebook.Items(rows);
                const TWatchRow row = pass.Evaluate(entry.Name, GetEntryNumber(entry));
                selector.AddRow(row.Name, pass.NameToSelect());
            }
            decision = pass.Decision();
        };
    }
    void Tick()
    {
        connections.Refresh();
        phonebook.Refresh();
    }
};

// Sets the number of the entry in the middle of the phonebook to a premium-rate one, or
// back to its trusted one, as a dialer and then the user would.
void SetNumber(int n, bool changed)
{
    const std::string local = changed ? "906123456" : std::to_string(1000000 + n / 2);
    platform::rasstandin::SetEntry("Připojení č. " + std::to_string(n / 2), {420, "2", local});
}

// Swaps it outside what is measured; whether the number now differs from the trusted one.
bool ToggleNumber(benchmark::State& state, int n, bool changed)
{
    state.PauseTiming();
    SetNumber(n, !changed);
    state.ResumeTiming();
    return !changed;
}

void WatchTickLogic(benchmark::State& state)
{
    UseMachine(static_cast<int>(state.range(0)));
    TLogicTick tick;
    for (auto _ : state) {
        tick.Tick();
        if (tick.decision != TAlarmDecision::AllOk)
            std::abort();
    }
    state.SetComplexityN(state.range(0));
    state.counters["rows"] = tick.rows;
}

void WatchTickLogicUnchanged(benchmark::State& state)
{
    UseMachine(static_cast<int>(state.range(0)));
    TLogicTick tick;
    for (auto _ : state)
        tick.Tick();
    if (tick.decision != TAlarmDecision::AllOk)
        state.SkipWithError("the watch did not see every entry in order");
}

void WatchTickLogicOneChanged(benchmark::State& state)
{
    const int n = static_cast<int>(state.range(0));
    UseMachine(n);
    TLogicTick tick;
    bool changed = false;
    for (auto _ : state) {
        changed = ToggleNumber(state, n, changed);
        tick.Tick();
        if ((tick.decision == TAlarmDecision::Changed) != changed) {
            state.SkipWithError("the watch missed the changed number");
            break;
        }
    }
    SetNumber(n, false);
}

// Ticks of the shown window over an unchanged machine, after a first one when warmedUp.
void TickWindow(benchmark::State& state, bool warmedUp)
{
    const int n = static_cast<int>(state.range(0));
    UseMachine(n);
    TFrmNuvex window;
    window.show();
    if (warmedUp)
        window.Timer1Timer();
    for (auto _ : state)
        window.Timer1Timer();
    if (TFrmNuvexTestAccess(window).AlarmRaised() || window.RowImage(n - 1) != imgInOrder)
        state.SkipWithError("the watch did not see every entry in order");
}

void WatchTickWindowUnchanged(benchmark::State& state)
{
    TickWindow(state, true);
}

void WatchTickWindowOneChanged(benchmark::State& state)
{
    const int n = static_cast<int>(state.range(0));
    UseMachine(n);
    TFrmNuvex window;
    window.show();
    window.Timer1Timer();
    bool changed = false;
    for (auto _ : state) {
        changed = ToggleNumber(state, n, changed);
        window.Timer1Timer();
        if ((window.RowImage(n / 2) == imgChanged) != changed) {
            state.SkipWithError("the window missed the changed number");
            break;
        }
    }
    SetNumber(n, false);
}

void WatchTickWindow(benchmark::State& state)
{
    TickWindow(state, false);
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
    ->RangeMultiplier(10)
    ->Range(10, 1000)
    ->Unit(benchmark::kMillisecond)
    ->Complexity(benchmark::oN);
BENCHMARK(WatchTickWindow)
    ->RangeMultiplier(10)
    ->Range(10, 1000)
    ->Unit(benchmark::kMillisecond)
    ->Complexity(benchmark::oN);
BENCHMARK(WatchTickLogicUnchanged)->Arg(1000)->Unit(benchmark::kMillisecond);
BENCHMARK(WatchTickLogicOneChanged)->Arg(1000)->Unit(benchmark::kMillisecond);
BENCHMARK(WatchTickWindowUnchanged)->Arg(1000)->Unit(benchmark::kMillisecond);
BENCHMARK(WatchTickWindowOneChanged)->Arg(1000)->Unit(benchmark::kMillisecond);
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
