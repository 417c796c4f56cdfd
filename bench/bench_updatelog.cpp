// Appending one change to an update log that already holds 10,000 entries. Each append re-reads the
// whole record file, rewrites it and renders the whole page, so this is the cost at the end of a
// check run once the log has grown.
//
//   build/bench/bench_updatelog
//
// "peak_rss_MB" is the peak resident memory of the process after the appends; the 10,000-entry file
// is written record by record beforehand so that it adds little to that figure.
#include "model/Archive.h"
#include "model/UrlRecord.h"
#include "notify/UpdateLog.h"

#include <benchmark/benchmark.h>

#include <sys/resource.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <vector>
#include <memory>
#include <string>

namespace {

constexpr int kEntries = 10000;

void FillRecord(Curl& record, int n)
{
    const std::string id = std::to_string(n);
    record.m_strName = "Example page number " + id;
    record.m_strURL = "https://www.example.org/section/pages/item-" + id + ".html?view=full";
    record.m_strDescription = "A page that the user watches, with a short description";
    record.m_strSearchText = "in stock";
    record.m_bChanged = true;
    record.m_strChangeReason = "Checksum changed";
    record.m_nChecks = 12;
    record.m_nDownloads = 12;
    record.m_timeLastChecked = 1767225600 + n;
    record.m_nSize = 48213;
    record.m_bDataReceived = true;
}

std::string MakeLogFile()
{
    CArchiveWriter archive;
    archive.WriteUInt32(SITEVIGIL_VERSION_MAJOR);
    archive.WriteUInt32(SITEVIGIL_VERSION_MINOR);
    archive.WriteUInt32(SITEVIGIL_VERSION_BUILD);
    archive.WriteInt32(kEntries);
    for (int i = 0; i < kEntries; ++i) {
        Curl record;
        FillRecord(record, i);
        record.Serialize(archive);
    }
    return archive.TakeData();
}

void WriteFile(const std::string& path, const std::string& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

void AppendOneChange(benchmark::State& state)
{
    std::string folder = (std::filesystem::temp_directory_path() / "sitevigil-bench-XXXXXX").string();
    if (!mkdtemp(folder.data())) {
        state.SkipWithError("cannot create a temporary folder");
        return;
    }
    folder += '/';
    const std::string logFile = MakeLogFile();
    const std::string logPath = folder + "siteVigilUpdateLog.dat";

    std::vector<std::unique_ptr<Curl>> records;
    auto changed = std::make_unique<Curl>();
    FillRecord(*changed, kEntries);
    changed->m_bNewChange = true;
    records.push_back(std::move(changed));

    size_t entries = 0;
    for (auto _ : state) {
        state.PauseTiming();
        WriteFile(logPath, logFile); // back to 10,000 entries
        state.ResumeTiming();
        CUpdateLog log(folder);
        const UpdateLogResult result = log.AppendChanges(records);
        if (!result)
            state.SkipWithError(result.error().message.c_str());
        entries = log.Entries().size();
    }

    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    state.counters["entries_after"] = static_cast<double>(entries);
    state.counters["record_file_MB"] = static_cast<double>(std::filesystem::file_size(logPath)) / 1e6;
    state.counters["page_MB"]
        = static_cast<double>(std::filesystem::file_size(folder + "siteVigilUpdateLog.htm")) / 1e6;
    state.counters["peak_rss_MB"] = static_cast<double>(usage.ru_maxrss) / 1024.0;
    std::filesystem::remove_all(folder);
}

} // namespace

BENCHMARK(AppendOneChange)->Unit(benchmark::kMillisecond)->MinTime(2.0);

BENCHMARK_MAIN();
