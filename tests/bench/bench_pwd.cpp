// Cost of the password file: loading and saving 10,000 records (about 4 MB), apart and
// together, as the manager window does once each when it opens and closes. The target for
// the pair is under 20 ms. And the key derivation of the encrypted file (Argon2id), which
// must take 0.1 to 0.5 s, with the encrypted pair beside it.

#include "passwords/PwdFormat.h"
#include "passwords/PwdRecords.h"
#include "passwords/PwdVault.h"
#include "support/Sandbox.h"

#include <QString>
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

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

// The format's share of a load and a save, without the disk: decoding and encoding the
// bytes of 10,000 records in memory.
void PwdDecode10000(benchmark::State& state)
{
    const QByteArray bytes = EncodePwdFile(MakeRecords());
    const QString path = QStringLiteral("nuvex.pwd");
    for (auto _ : state) {
        const TPwdRecords records = DecodePwdFile(bytes, path);
        benchmark::DoNotOptimize(records.data());
    }
}

void PwdEncode10000(benchmark::State& state)
{
    const TPwdRecords records = MakeRecords();
    for (auto _ : state) {
        const QByteArray bytes = EncodePwdFile(records);
        benchmark::DoNotOptimize(bytes.data());
    }
}

// The floor under a load and a save: the same bytes written to a temporary file, flushed,
// renamed over the file and read back, with nothing else around them. With argument 1
// the folder is flushed after the rename too, as the program does so that the rename
// itself survives a power cut.
void PwdBareWriteRead10000(benchmark::State& state)
{
    const bool flushFolder = state.range(0) != 0;
    const std::string folder = std::filesystem::path(PwdPath().toStdString()).parent_path().string();
    const std::string path = PwdPath().toStdString();
    const std::string temp = path + ".bare";
    std::string bytes;
    {
        std::ifstream in(path, std::ios::binary);
        bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    const std::string original = bytes;
    for (auto _ : state) {
        const int out = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        if (out < 0 || ::write(out, bytes.data(), bytes.size()) != static_cast<ssize_t>(bytes.size()) ||
            ::fsync(out) != 0 || ::close(out) != 0 || ::rename(temp.c_str(), path.c_str()) != 0) {
            state.SkipWithError("the bare write failed");
            break;
        }
        if (flushFolder) {
            const int dir = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY);
            if (dir < 0 || ::fsync(dir) != 0) {
                state.SkipWithError("the folder could not be flushed");
                break;
            }
            ::close(dir);
        }
        const int in = ::open(path.c_str(), O_RDONLY);
        struct stat st
        {};
        if (in < 0 || ::fstat(in, &st) != 0) {
            state.SkipWithError("the bare read failed");
            break;
        }
        bytes.resize(static_cast<std::size_t>(st.st_size));
        const ssize_t got = ::read(in, bytes.data(), bytes.size());
        ::close(in);
        if (got != st.st_size) {
            state.SkipWithError("the bare read was short");
            break;
        }
    }
    if (bytes != original)
        state.SkipWithError("the bare read did not give back what was written");
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

BENCHMARK(PwdBareWriteRead10000)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(PwdVaultKeyDerivation)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime()->UseRealTime();
BENCHMARK(PwdVaultLoadAndSave10000)->Unit(benchmark::kMillisecond);
BENCHMARK(PwdLoad10000)->Unit(benchmark::kMillisecond);
BENCHMARK(PwdSave10000)->Unit(benchmark::kMillisecond);
BENCHMARK(PwdLoadAndSave10000)->Unit(benchmark::kMillisecond);
BENCHMARK(PwdDecode10000)->Unit(benchmark::kMillisecond);
BENCHMARK(PwdEncode10000)->Unit(benchmark::kMillisecond);
