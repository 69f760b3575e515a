// Cost of the statistics window's recalculation over a year of session logs: twelve
// monthly files of 2,000 sessions each, read as the year mode reads them, in the logic
// alone (with the file layer's cache warm and cleared) and in the real window.

#include "platform/IniFileAccess.h"
#include "settings/qnOptions.h"
#include "status/Dlg_Frekvence.h"
#include "status/SessionLog.h"
#include "support/Sandbox.h"
#include "ui/AppDir.h"

#include <QAbstractItemModel>
#include <QRadioButton>
#include <QTreeView>
#include <benchmark/benchmark.h>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <memory>
#include <thread>

using namespace nuvex;

namespace {

constexpr int kYear = 2002;
constexpr int kSessionsPerFile = 2000;

// One program folder with the year's logs, made once and kept for the whole run.
// The file layer compares a file changed in the last two seconds by content at every
// read; the logs the window reads have normally rested longer, so they rest first.
void UseYearOfLogs()
{
    static std::unique_ptr<test::Sandbox> machine;
    static std::string folder;
    if (!machine) {
        machine = std::make_unique<test::Sandbox>();
        folder = (machine->dir() / "program").string() + "/";
        std::filesystem::create_directories(folder);
        SetAppDirForTesting(QString::fromStdString(folder));
        const QDate epoch(1899, 12, 30);
        for (int month = 1; month <= 12; ++month) {
            std::ofstream file(SessionLogFile(QDate(kYear, month, 1)).toStdString(), std::ios::binary);
            file << "[SESSION]\r\n";
            for (int i = 0; i < kSessionsPerFile; ++i) {
                const double start =
                    static_cast<double>(epoch.daysTo(QDate(kYear, month, 1 + i % 28))) + (i % 1440) / 1440.0;
                const double end = start + (1 + i % 180) / 1440.0;
                file << FloatToSafeStr(start).toStdString() << '=' << FloatToSafeStr(end).toStdString() << ','
                     << 28800 + i << ',' << 1000 * i << ",Připojení č. " << i % 7 << "\r\n";
            }
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(2100));
    }
    SetAppDirForTesting(QString::fromStdString(folder));
}

void StatsYearLogic(benchmark::State& state, bool coldCache)
{
    UseYearOfLogs();
    std::size_t sessions = 0;
    for (auto _ : state) {
        if (coldCache)
            platform::ClearIniCache();
        const TSessionStats stats = CollectSessions(QDate(kYear, 6, 15), TStatsPeriod::Year);
        sessions = stats.Sessions.size();
        benchmark::DoNotOptimize(stats.Total);
    }
    if (sessions != 12u * kSessionsPerFile)
        state.SkipWithError("the year did not list every session");
    state.counters["sessions"] = static_cast<double>(sessions);
}

void StatsYearLogicWarm(benchmark::State& state)
{
    StatsYearLogic(state, false);
}

void StatsYearLogicCold(benchmark::State& state)
{
    StatsYearLogic(state, true);
}

// The whole recalculation of the window in year mode, list and total included.
void StatsYearWindow(benchmark::State& state)
{
    UseYearOfLogs();
    TDlgFrekvence dialog;
    dialog.RbRok->setChecked(true);
    dialog.SetDate(QDate(kYear, 6, 15));
    dialog.show();
    for (auto _ : state) {
        platform::ClearIniCache();
        dialog.Prepocitej();
    }
    if (dialog.ConList->model()->rowCount() != 12 * kSessionsPerFile)
        state.SkipWithError("the window did not list every session");
}

} // namespace

BENCHMARK(StatsYearLogicWarm)->Unit(benchmark::kMillisecond);
BENCHMARK(StatsYearLogicCold)->Unit(benchmark::kMillisecond);
BENCHMARK(StatsYearWindow)->Unit(benchmark::kMillisecond);
