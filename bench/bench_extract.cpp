// The text comparison of a large page: the visible text of a 1 MB page made and compared with the
// text of the version before it (one paragraph changed), as the page check does for a page compared
// by its text. The goal is under 20 ms for the whole step.
//
//   build/bench/bench_extract [--benchmark_filter=...]
//
// "Extract" makes the text alone; "ExtractSelect" picks the main element by a CSS selector;
// "ExtractIgnore" drops lines by two texts and two expressions; "ExtractAndCompare" makes both
// versions' texts and counts the changed lines; "CountLines" is the comparison alone.
#include "diff/TokenDiff.h"
#include "extract/ComparedText.h"

#include <benchmark/benchmark.h>

#include <string>

namespace {

// About bytes of a page of a news site: a head with scripts and styles, navigation, then articles
// of headed paragraphs, lists and links, with scripts between them.
std::string MakePage(size_t bytes, int variant)
{
    std::string page = "<!DOCTYPE html><html><head><meta charset=\"utf-8\"><title>News</title>"
                       "<style>body{font:14px sans-serif}.ad{display:none}</style>"
                       "<script>var config={a:1,b:[1,2,3]};</script></head><body>"
                       "<nav><a href=\"/\">Home</a> <a href=\"/world\">World</a></nav><main id=\"content\">";
    for (int article = 0; page.size() < bytes; ++article) {
        page += "<article class=\"story\"><h2>Story number " + std::to_string(article) + "</h2>";
        for (int p = 0; p < 4; ++p) {
            page += "<p>The council met on Tuesday to talk about the <a href=\"/t/" + std::to_string(p)
                + "\">new bridge</a> and the bus lanes &amp; bike paths that come with it. ";
            if (variant == 1 && article == 1000 && p == 2)
                page += "A late amendment was passed. ";
            page += "</p>";
        }
        page += "<ul><li>Cost: 12 million</li><li>Opening: spring</li></ul>"
                "<script>track('story-"
            + std::to_string(article) + "');</script></article>\n";
    }
    return page + "</main><footer>Visitors: 1234</footer></body></html>";
}

const std::string& Page(int variant)
{
    static const std::string pages[2] = {MakePage(1 << 20, 0), MakePage(1 << 20, 1)};
    return pages[variant];
}

void Run(benchmark::State& state, const TextOptions& options)
{
    for (auto _ : state) {
        Result<std::string> text = ComparedText(Page(0), "text/html; charset=utf-8", options);
        if (!text)
            state.SkipWithError(text.error().message.c_str());
        benchmark::DoNotOptimize(text);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * Page(0).size()));
}

void Extract(benchmark::State& state)
{
    Run(state, {});
}

void ExtractSelect(benchmark::State& state)
{
    Run(state, {"#content > article", "", {}, {}});
}

void ExtractIgnore(benchmark::State& state)
{
    Run(state, {"", "", {"Visitors:", "Opening:"}, {"^Cost: \\d+ million$", "^Story number \\d+$"}});
}

void ExtractAndCompare(benchmark::State& state)
{
    for (auto _ : state) {
        Result<std::string> before = ComparedText(Page(0), {}, {});
        Result<std::string> after = ComparedText(Page(1), {}, {});
        LineChanges lines = CountLineChanges(*before, *after);
        if (lines.added != 1 || lines.removed != 1)
            state.SkipWithError("the changed paragraph was not found");
        benchmark::DoNotOptimize(lines);
    }
}

void CountLines(benchmark::State& state)
{
    const std::string before = *ComparedText(Page(0), {}, {});
    const std::string after = *ComparedText(Page(1), {}, {});
    for (auto _ : state)
        benchmark::DoNotOptimize(CountLineChanges(before, after));
}

} // namespace

BENCHMARK(Extract)->Unit(benchmark::kMillisecond);
BENCHMARK(ExtractSelect)->Unit(benchmark::kMillisecond);
BENCHMARK(ExtractIgnore)->Unit(benchmark::kMillisecond);
BENCHMARK(ExtractAndCompare)->Unit(benchmark::kMillisecond);
BENCHMARK(CountLines)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
