// Cost of the password file: loading and saving 10,000 records (about 4 MB), apart and
// together, as the manager window does once each when it opens and closes. The target for
// the pair is under 20 ms. And the key derivation of the encrypted file (Argon2id), which
// must take 0.1 to 0.5 s, with the encrypted pair beside it.

#include "passwords/PwdRecords.h"
#include "passwords/PwdVault.h"
#include "support/Sandbox.h"

#include <QString>
#include <benchmark/benchmark.h>
#include <memory>

using namespace nuvex;

namespace {

constexpr int kRecords = 10000;

TPwdRecords MakeRecords()
{
    TPwdRecords records;
    records.reserve(kRecords);
    for (int i = 0; i < kRecords; ++i) {
        const QString n = QString::number(i);
        const QString name = QStringLiteral("Služba č. ") + n;
        const QString user = QStringLiteral("uživatel") + n;
        const QString password = QStringLiteral("Žluťoučké heslo ") + n;
        const QString note = i % 3 == 0 ? QString(200, u'p') + QStringLiteral("\r\n") + n : QString();
        records.push_back(MakePwdRecord(name, user, password, note));
    }
    return records;
}

// One folder for the whole run, holding the file of 10,000 records.
const QString& PwdPath()
{
    static const auto machine = std::make_unique<test::Sandbox>();
    static const QString path = [] {
        const QString file = QString::fromStdString((machine->dir() / "nuvex.pwd").string());
        SaveRecords(MakeRecords(), file);
        return file;
    }();
    return path;
}

void PwdLoad10000(benchmark::State& state)
{
    const QString& path = PwdPath();
    TPwdRecords records;
    for (auto _ : state) {
        LoadRecords(records, path);
        benchmark::DoNotOptimize(records.data());
    }
}

void PwdSave10000(benchmark::State& state)
{
    const QString& path = PwdPath();
    const TPwdRecords records = MakeRecords();
    for (auto _ : state)
        SaveRecords(records, path);
}

void PwdLoadAndSave10000(benchmark::State& state)
{
    const QString& path = PwdPath();
    TPwdRecords records;
    for (auto _ : state) {
        LoadRecords(records, path);
        SaveRecords(records, path);
    }
}

void PwdVaultKeyDerivation(benchmark::State& state)
{
    const TSecretBytes password = TSecretBytes::FromText(QStringLiteral("Hlavní heslo"));
    const TVaultParams params = TVaultParams::Fresh();
    for (auto _ : state) {
        const TVaultKey key(password, params);
        benchmark::DoNotOptimize(key.data());
    }
}

void PwdVaultLoadAndSave10000(benchmark::State& state)
{
    const QString path = PwdPath() + QStringLiteral(".vault");
    const TVaultKey key(TSecretBytes::FromText(QStringLiteral("Hlavní heslo")), TVaultParams::Fresh());
    SaveRecords(MakeRecords(), path, &key);
    TPwdRecords records;
    for (auto _ : state) {
        LoadRecords(records, path, &key, {});
        SaveRecords(records, path, &key);
    }
}

} // namespace

BENCHMARK(PwdVaultKeyDerivation)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime()->UseRealTime();
BENCHMARK(PwdVaultLoadAndSave10000)->Unit(benchmark::kMillisecond);
BENCHMARK(PwdLoad10000)->Unit(benchmark::kMillisecond);
BENCHMARK(PwdSave10000)->Unit(benchmark::kMillisecond);
BENCHMARK(PwdLoadAndSave10000)->Unit(benchmark::kMillisecond);
