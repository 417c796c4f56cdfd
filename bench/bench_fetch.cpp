// Fetches a list of pages with one engine and a pool of workers, as a check run does.
// The list comes from the file named by SITEVIGIL_BENCH_URLS (one address a line); bench/fetch_bench.sh
// serves the pages and runs this beside curl. SITEVIGIL_BENCH_WORKERS sets the workers (default 20).

#include "fetch/UrlEngine.h"
#include "model/UrlRecord.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace {

std::vector<std::string> ReadUrls()
{
    std::vector<std::string> urls;
    const char* path = std::getenv("SITEVIGIL_BENCH_URLS");
    if (!path)
        return urls;
    std::ifstream in(path);
    for (std::string line; std::getline(in, line);) {
        if (!line.empty())
            urls.push_back(line);
    }
    return urls;
}

// Peak resident set of this process in megabytes.
double PeakResidentMegabytes()
{
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);) {
        if (line.rfind("VmHWM:", 0) == 0)
            return std::atof(line.c_str() + 6) / 1024.0;
    }
    return 0;
}

void BM_FetchPages(benchmark::State& state)
{
    const std::vector<std::string> urls = ReadUrls();
    if (urls.empty()) {
        state.SkipWithError("SITEVIGIL_BENCH_URLS names no list of addresses; run bench/fetch_bench.sh");
        return;
    }
    const char* workersText = std::getenv("SITEVIGIL_BENCH_WORKERS");
    const int workers = workersText ? std::max(1, std::atoi(workersText)) : 20;
    int64_t pages = 0;
    int64_t failed = 0;
    for (auto _ : state) {
        // A document's worth of records, each keeping its page as the list does between checks.
        std::vector<std::unique_ptr<Curl>> records;
        for (const std::string& url : urls) {
            records.push_back(std::make_unique<Curl>());
            records.back()->SetURL(url);
        }
        CUrlEngine engine;
        std::atomic<size_t> next{0};
        std::atomic<int64_t> bad{0};
        std::vector<std::thread> pool;
        for (int w = 0; w < workers; ++w) {
            pool.emplace_back([&] {
                for (size_t i = next++; i < records.size(); i = next++) {
                    engine.fetch(*records[i]);
                    if (!records[i]->m_bComplete)
                        ++bad;
                }
            });
        }
        for (std::thread& thread : pool)
            thread.join();
        pages += static_cast<int64_t>(records.size());
        failed += bad;
    }
    state.SetItemsProcessed(pages);
    state.counters["pages_per_second"] = benchmark::Counter(static_cast<double>(pages), benchmark::Counter::kIsRate);
    state.counters["failed"] = static_cast<double>(failed);
    state.counters["peak_rss_MB"] = PeakResidentMegabytes();
}

} // namespace

BENCHMARK(BM_FetchPages)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

BENCHMARK_MAIN();
