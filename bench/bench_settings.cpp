// The settings database on its hot paths.
//
//   build/bench/bench_settings [--benchmark_filter=...]
//
// "ReadKept" reads a value nothing has changed since the last read (what worker threads do all run
// long); "ReadAfterCommit" reads one after another connection committed, so the value is fetched
// again; "Write" is one committed write.
#include "platform/SettingsDb.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

namespace {

std::string g_folder;

const std::string kValue("\x05\x00\x00\x00", 4);

void ReadKept(benchmark::State& state)
{
    CSettingsDb db(g_folder + "kept.db");
    db.Write("numThreads", CSettingsDb::kTypeDword, kValue);
    int type = 0;
    std::string data;
    for (auto _ : state)
        benchmark::DoNotOptimize(db.Read("numThreads", type, data));
}

void ReadAfterCommit(benchmark::State& state)
{
    CSettingsDb reader(g_folder + "commit.db");
    CSettingsDb writer(g_folder + "commit.db");
    int type = 0;
    std::string data;
    int n = 0;
    for (auto _ : state) {
        state.PauseTiming();
        writer.Write("other", CSettingsDb::kTypeDword, std::string(reinterpret_cast<const char*>(&n), 4));
        ++n;
        state.ResumeTiming();
        benchmark::DoNotOptimize(reader.Read("numThreads", type, data));
    }
}

void Write(benchmark::State& state)
{
    CSettingsDb db(g_folder + "write.db");
    int n = 0;
    for (auto _ : state) {
        ++n;
        benchmark::DoNotOptimize(
            db.Write("totalUrlsChecked", CSettingsDb::kTypeDword, std::string(reinterpret_cast<const char*>(&n), 4)));
    }
}

} // namespace

BENCHMARK(ReadKept);
BENCHMARK(ReadAfterCommit);
BENCHMARK(Write)->Unit(benchmark::kMicrosecond);

int main(int argc, char** argv)
{
    char pattern[] = "/tmp/sitevigil-bench-settings-XXXXXX";
    if (!mkdtemp(pattern)) {
        std::perror("mkdtemp");
        return 1;
    }
    g_folder = std::string(pattern) + "/";
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    std::error_code ec;
    std::filesystem::remove_all(g_folder, ec);
    return 0;
}
