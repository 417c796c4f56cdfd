// The differences report on large pages, timed beside GNU diff on the same two files.
//
//   build/bench/bench_diff [--benchmark_filter=...]
//
// Cases: a 100,000-line page with 1 % of its lines changed, added or removed; two 20,000-line
// versions that share no line; two identical 50,000-line versions; and 50,000 copies of one line on
// both sides with 1 % of them changed; 40,000 lines made to collide under a weak line hash, shuffled. "Report" is the
// whole report (load both, compare, build the page, write it atomically, flushed to disk); "ReportInMemory" the same
// without writing the file; "GnuDiff" runs `diff old new >/dev/null` as a child process.
#include "diff/DiffReport.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <random>
#include <spawn.h>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <vector>

extern char** environ;

namespace {

struct Pair
{
    std::string name;
    std::string oldPath;
    std::string newPath;
};

std::string g_folder;

void WriteLines(const std::string& path, const std::vector<std::string>& lines)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    for (const std::string& line : lines)
        out << line << "\r\n";
}

// Something like the source of a real page: nested tags with text, and the structural lines that
// real pages repeat many times over.
std::vector<std::string> MakePage(int count, std::mt19937& random, const std::string& salt = {})
{
    static const char* words[] = {"price", "terms", "delivery", "Order",   "news", "update", "contact", "Site",
                                  "the",   "and",   "for",      "new",     "Home", "about",  "shop",    "item",
                                  "list",  "stock", "more",     "details", "sale", "offer",  "links",   "menu"};
    static const char* repeated[] = {"</div>", "<br>", "  </li>", "", "</p>", "  <tr>", "  </tr>"};
    std::vector<std::string> lines;
    lines.reserve(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i) {
        if (random() % 10 == 0) {
            lines.push_back(repeated[random() % std::size(repeated)]);
            continue;
        }
        std::string line(2 * (random() % 6), ' ');
        line += "<td class='c" + std::to_string(random() % 50) + "'>";
        const int n = 3 + static_cast<int>(random() % 8);
        for (int w = 0; w < n; ++w) {
            line += words[random() % std::size(words)];
            line += ' ';
        }
        line += salt + std::to_string(i) + "</td>";
        lines.push_back(std::move(line));
    }
    return lines;
}

// Changes, adds or removes one line in a hundred, the three equally often.
std::vector<std::string> Edit(const std::vector<std::string>& lines, std::mt19937& random)
{
    std::vector<std::string> out;
    out.reserve(lines.size() + lines.size() / 100);
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (random() % 100 != 0) {
            out.push_back(lines[i]);
            continue;
        }
        switch (random() % 3) {
        case 0:
            out.push_back(lines[i] + " <b>changed</b>");
            break;
        case 1:
            out.push_back(lines[i]);
            out.push_back("<p>an added line " + std::to_string(i) + "</p>");
            break;
        default:
            break; // removed
        }
    }
    return out;
}

Pair MakePair(const std::string& name, const std::vector<std::string>& oldLines,
              const std::vector<std::string>& newLines)
{
    Pair pair{name, g_folder + name + "_previous.html", g_folder + name + ".html"};
    WriteLines(pair.oldPath, oldLines);
    WriteLines(pair.newPath, newLines);
    return pair;
}

void Report(benchmark::State& state, const Pair& pair)
{
    const std::string reportPath = g_folder + pair.name + "_diffs.html";
    for (auto _ : state) {
        if (!WriteDiffReport(pair.oldPath, pair.newPath, reportPath))
            state.SkipWithError("the report could not be written");
    }
    state.counters["report_MB"] = static_cast<double>(std::filesystem::file_size(reportPath)) / 1e6;
}

// The same without writing the file, to tell the work from the disk.
void ReportInMemory(benchmark::State& state, const Pair& pair)
{
    for (auto _ : state) {
        ComparedCopies copies;
        CompareCopies(pair.oldPath, pair.newPath, false, copies);
        CDiffReport report;
        benchmark::DoNotOptimize(report.BuildHtml(copies.oldOut, copies.newOut));
    }
}

void GnuDiff(benchmark::State& state, const Pair& pair)
{
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    std::vector<char*> argv = {const_cast<char*>("diff"), const_cast<char*>(pair.oldPath.c_str()),
                               const_cast<char*>(pair.newPath.c_str()), nullptr};
    const auto childCpu = [] {
        rusage usage{};
        getrusage(RUSAGE_CHILDREN, &usage);
        return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec)
            + static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
    };
    const double cpuBefore = childCpu();
    for (auto _ : state) {
        pid_t pid = 0;
        if (posix_spawnp(&pid, "diff", &actions, nullptr, argv.data(), environ) != 0) {
            state.SkipWithError("GNU diff cannot be started");
            break;
        }
        int status = 0;
        waitpid(pid, &status, 0);
        // diff exits with 1 when the files differ; 2 is trouble.
        if (!WIFEXITED(status) || WEXITSTATUS(status) > 1)
            state.SkipWithError("GNU diff failed");
    }
    posix_spawn_file_actions_destroy(&actions);
    // The CPU column shows only this process; the child's own time is here.
    state.counters["diff_cpu_ms"]
        = benchmark::Counter((childCpu() - cpuBefore) * 1e3 / static_cast<double>(state.iterations()));
}

} // namespace

int main(int argc, char** argv)
{
    char pattern[] = "/tmp/sitevigil-bench-diff-XXXXXX";
    if (!mkdtemp(pattern)) {
        std::perror("mkdtemp");
        return 1;
    }
    g_folder = std::string(pattern) + "/";

    std::mt19937 random(2024);
    std::vector<Pair> pairs;
    const std::vector<std::string> page = MakePage(100000, random);
    pairs.push_back(MakePair("page100k_1pct", page, Edit(page, random)));
    pairs.push_back(MakePair("disjoint20k", MakePage(20000, random, "old"), MakePage(20000, random, "new")));
    const std::vector<std::string> identical = MakePage(50000, random);
    pairs.push_back(MakePair("identical50k", identical, identical));
    // Lines of the blocks "AD" and "BA", which a weak line hash (h = 3h + b) maps to one value.
    std::vector<std::string> colliding;
    for (unsigned n = 0; n < 40000; ++n) {
        std::string line;
        for (int bit = 0; bit < 20; ++bit)
            line += (n >> bit) & 1 ? "AD" : "BA";
        colliding.push_back(std::move(line));
    }
    std::vector<std::string> shuffled = colliding;
    std::shuffle(shuffled.begin(), shuffled.end(), random);
    pairs.push_back(MakePair("colliding40k", colliding, shuffled));
    const std::vector<std::string> sameLine(50000, "<td>&nbsp;</td>");
    pairs.push_back(MakePair("sameline50k_1pct", sameLine, Edit(sameLine, random)));

    for (const Pair& pair : pairs) {
        benchmark::RegisterBenchmark(("Report/" + pair.name).c_str(), Report, pair)
            ->Unit(benchmark::kMillisecond)
            ->UseRealTime();
        benchmark::RegisterBenchmark(("ReportInMemory/" + pair.name).c_str(), ReportInMemory, pair)
            ->Unit(benchmark::kMillisecond)
            ->UseRealTime();
        benchmark::RegisterBenchmark(("GnuDiff/" + pair.name).c_str(), GnuDiff, pair)
            ->Unit(benchmark::kMillisecond)
            ->UseRealTime();
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();

    std::error_code ec;
    std::filesystem::remove_all(g_folder, ec);
    return 0;
}
