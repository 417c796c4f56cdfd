// Saving and loading a list of 100,000 pages ("siteVigil.dat"). Target: each under 200 ms, and the
// process under 100 MB of peak memory.
//
//   build/bench/bench_doc                 timings (Google Benchmark)
//   build/bench/bench_doc --peak save     one save of the list, then the peak resident memory
//   build/bench/bench_doc --peak load     one load of the list, then the peak resident memory
//
// The pages are filled as a used list would be: names, addresses, a description, a change reason,
// dates, checksums and page ids.
#include "model/SiteVigilDoc.h"

#include <benchmark/benchmark.h>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

namespace {

constexpr int kPages = 100000;

std::string TempFolder()
{
    std::string pattern = (std::filesystem::temp_directory_path() / "bench-doc-XXXXXX").string();
    if (!mkdtemp(pattern.data())) {
        std::perror("mkdtemp");
        std::exit(1);
    }
    return pattern + "/";
}

void Fill(CSiteVigilDoc& doc)
{
    for (int i = 0; i < kPages; ++i) {
        auto record = std::make_unique<Curl>();
        const std::string n = std::to_string(i);
        record->m_strName = "Example page number " + n;
        record->m_strURL = "https://www.example-" + n + ".test/news/index.html?section=" + n;
        record->m_strDescription = "news, weather";
        record->m_strChangeReason = i % 7 ? "" : "Page content has changed";
        record->m_timeLastChecked = 1700000000 + i;
        record->m_timeLastModified = 1690000000 + i;
        record->m_bLastModifiedKnown = true;
        record->m_nSize = 20000 + i;
        record->m_bDataReceived = true;
        record->m_dwPageCRC = static_cast<uint32_t>(i) * 2654435761u;
        record->m_nChecks = 12;
        record->m_nDownloads = 11;
        record->m_bComplete = true;
        char id[16];
        std::snprintf(id, sizeof id, "%x", i + 1);
        record->m_strPageID = id;
        doc.AddRecord(std::move(record));
    }
}

long PeakRssKb()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

void BM_SaveList(benchmark::State& state)
{
    const std::string folder = TempFolder();
    CSiteVigilDoc doc;
    Fill(doc);
    for (auto _ : state) {
        const Status result = doc.SaveToFile(folder + "siteVigil.dat");
        if (!result)
            state.SkipWithError(result.error().message.c_str());
    }
    state.counters["file_MB"] = static_cast<double>(std::filesystem::file_size(folder + "siteVigil.dat")) / 1e6;
    state.counters["peak_rss_MB"] = static_cast<double>(PeakRssKb()) / 1024.0;
    std::filesystem::remove_all(folder);
}
BENCHMARK(BM_SaveList)->Unit(benchmark::kMillisecond);

void BM_LoadList(benchmark::State& state)
{
    const std::string folder = TempFolder();
    {
        CSiteVigilDoc doc;
        Fill(doc);
        doc.SaveToFile(folder + "siteVigil.dat");
    }
    for (auto _ : state) {
        CSiteVigilDoc doc;
        const Status result = doc.LoadFromFile(folder + "siteVigil.dat");
        if (!result || doc.Records().size() != kPages)
            state.SkipWithError("load failed");
        state.PauseTiming(); // freeing the list is not part of loading it
        doc.DeleteContents();
        state.ResumeTiming();
    }
    state.counters["peak_rss_MB"] = static_cast<double>(PeakRssKb()) / 1024.0;
    std::filesystem::remove_all(folder);
}
BENCHMARK(BM_LoadList)->Unit(benchmark::kMillisecond);

// One operation in a fresh process, so that the peak belongs to it alone.
int Peak(const char* what)
{
    const std::string folder = TempFolder();
    const std::string path = folder + "siteVigil.dat";
    int status = 0;
    if (std::strcmp(what, "save") == 0) {
        CSiteVigilDoc doc;
        Fill(doc);
        status = doc.SaveToFile(path) ? 0 : 1;
    } else {
        // Write the file from a child so that the list built for it does not count here.
        if (fork() == 0) {
            CSiteVigilDoc doc;
            Fill(doc);
            _exit(doc.SaveToFile(path) ? 0 : 1);
        }
        int childStatus = 0;
        wait(&childStatus);
        CSiteVigilDoc doc;
        status = doc.LoadFromFile(path) && doc.Records().size() == kPages ? 0 : 1;
    }
    std::printf("%s of %d pages: peak resident memory %.1f MB%s\n", what, kPages,
                static_cast<double>(PeakRssKb()) / 1024.0, status ? " (FAILED)" : "");
    std::filesystem::remove_all(folder);
    return status;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc == 3 && std::strcmp(argv[1], "--peak") == 0)
        return Peak(argv[2]);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
