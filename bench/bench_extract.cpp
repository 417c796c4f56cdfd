// The text comparison of a large page: the visible text of a 1 MB page made and compared with the
// text of the version before it (one paragraph changed), as the page check does for a page compared
// by its text. The goal is under 20 ms for that step ("ExtractAndCompare").
//
//   build/bench/bench_extract [--benchmark_filter=...] [--page-out=FILE]
//
// The page is shaped like a large news front page of today: a head of meta tags, a style sheet and
// scripts, a navigation of links, teasers of nested elements with classes, data attributes, pictures,
// inline icons and tracking links, ad slots, and the page's data again as JSON for its scripts. About
// a tenth of its bytes is text a reader sees. --page-out writes it to a file, for peers.
//
// "Extract" makes the text alone; "ExtractSelect" picks the teasers by a CSS selector; "ExtractIgnore"
// drops lines by two texts and two expressions; "ExtractAndCompare" makes the new version's text and
// counts the lines changed against the earlier version's text; "ExtractBothAndCompare" makes both
// versions' texts first, as a check does when the page's checksum changed (it reads the earlier copy
// again); "CountLines" is the comparison alone. "TreeText" makes the text from the page's tree, the
// way every text was made before the text was read from the parser's events; "ParserAlone/libxml2"
// and "ParserAlone/gumbo" are the HTML parsers with nothing to do, the floor under all of these.
#include "diff/TokenDiff.h"
#include "extract/ComparedText.h"
#include "extract/HtmlDocument.h"
#include "extract/VisibleText.h"

#include <benchmark/benchmark.h>
#include <gumbo.h>
#include <libxml/HTMLparser.h>
#include <libxml/parserInternals.h>

#include <cstring>
#include <fstream>
#include <string>

namespace {

std::string Teaser(int story, int variant)
{
    const std::string n = std::to_string(story);
    std::string summary = "The council met on Tuesday to talk about the new bridge over the river and the bus lanes "
                          "&amp; bike paths that come with it; work starts in spring.";
    if (variant == 1 && story == 200)
        summary += " A late amendment was passed.";
    return "<article class=\"teaser teaser--standard grid__item grid__item--span-4\" data-story-id=\"" + n
        + "\" data-track='{\"slot\":" + n
        + ",\"list\":\"home\"}'>\n  <a class=\"teaser__link\" href=\"/news/2026/12/09/council-bridge-" + n
        + "?utm_source=home&amp;utm_medium=teaser&amp;utm_campaign=front\">\n"
          "    <picture class=\"teaser__picture\"><source type=\"image/webp\" srcset=\"/img/"
        + n + "-480.webp 480w, /img/" + n + "-960.webp 960w\" sizes=\"(max-width: 600px) 100vw, 33vw\"><img src=\"/img/"
        + n
        + "-480.jpg\" alt=\"The river at dawn\" width=\"480\" height=\"270\" loading=\"lazy\" "
          "decoding=\"async\"></picture>\n"
          "    <div class=\"teaser__body\"><span class=\"teaser__kicker label label--local\">Local</span>\n"
          "      <h2 class=\"teaser__title headline headline--m\">Bridge plans, part "
        + n + "</h2>\n      <p class=\"teaser__summary\">" + summary
        + "</p>\n      <time class=\"teaser__time\" datetime=\"2026-12-09T07:30:00Z\">9 December</time></div>\n  </a>\n"
          "  <button class=\"teaser__share icon-button\" type=\"button\" aria-label=\"Share\"><svg viewBox=\"0 0 24 "
          "24\" width=\"20\" height=\"20\" aria-hidden=\"true\"><use "
          "href=\"#icon-share\"></use></svg></button>\n</article>\n";
}

std::string StoryJson(int story)
{
    const std::string n = std::to_string(story);
    return "{\"id\":" + n + ",\"url\":\"/news/2026/12/09/council-bridge-" + n + "\",\"title\":\"Bridge plans, part " + n
        + "\",\"summary\":\"The council met on Tuesday to talk about the new bridge over the river.\","
          "\"image\":{\"src\":\"/img/"
        + n + "-480.jpg\",\"width\":480,\"height\":270},\"section\":\"local\",\"published\":\"2026-12-09T07:30:00Z\"},";
}

// About bytes of the page; variant 1 has one summary changed.
std::string MakePage(std::size_t bytes, int variant)
{
    std::string page = "<!DOCTYPE html>\n<html lang=\"en\" class=\"no-js\"><head><meta charset=\"utf-8\">"
                       "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">"
                       "<title>Front page | The Daily</title>";
    for (const char* property : {"og:title", "og:description", "og:image", "og:url", "twitter:card", "twitter:site"})
        page += std::string("<meta property=\"") + property + "\" content=\"The Daily: news from the valley\">";
    for (int i = 0; i < 8; ++i)
        page += "<link rel=\"preload\" as=\"font\" href=\"/fonts/serif-" + std::to_string(i)
            + ".woff2\" type=\"font/woff2\" crossorigin>";
    page += "<style>";
    for (int rule = 0; page.size() < bytes / 12; ++rule)
        page += ".grid__item--span-" + std::to_string(rule)
            + "{grid-column:span 4;display:flex;flex-direction:column;gap:.5rem;padding:1rem 0;border-top:1px solid "
              "#ddd}\n";
    page += "</style><script>window.dataLayer=window.dataLayer||[];function gtag(){dataLayer.push(arguments)}"
            "gtag('js',new Date());gtag('config','G-XXXX');</script></head>\n<body class=\"home\">\n"
            "<header class=\"site-header\"><a class=\"skip\" href=\"#content\">Skip to content</a><nav "
            "class=\"nav\"><ul class=\"nav__list\">";
    for (const char* section : {"News", "Local", "World", "Business", "Sport", "Culture", "Opinion", "Weather"})
        page += std::string("<li class=\"nav__item\"><a class=\"nav__link\" href=\"/") + section + "\">" + section
            + "</a></li>";
    page += "</ul></nav></header>\n<main id=\"content\" class=\"grid\">\n";
    const std::size_t markupEnd = bytes * 7 / 10;
    int stories = 0;
    for (; page.size() < markupEnd; ++stories) {
        page += Teaser(stories, variant);
        if (stories % 12 == 11)
            page += "<div class=\"ad ad--leaderboard\" data-slot=\"home-" + std::to_string(stories)
                + "\"><!-- ad slot --><noscript><img src=\"/px?s=" + std::to_string(stories)
                + "\" alt=\"\"></noscript></div>\n";
    }
    page += "</main>\n<footer class=\"site-footer\"><p>&copy; 2026 The Daily. Visitors today: 1234</p></footer>\n"
            "<script id=\"__DATA__\" type=\"application/json\">{\"stories\":[";
    for (int story = 0; page.size() + 40 < bytes; story = (story + 1) % stories)
        page += StoryJson(story);
    return page + "{}]}</script>\n</body></html>\n";
}

const std::string& Page(int variant)
{
    static const std::string pages[2] = {MakePage(1 << 20, 0), MakePage(1 << 20, 1)};
    return pages[variant];
}

const std::string& EarlierText()
{
    static const std::string text = *ComparedText(Page(0), {}, {});
    return text;
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
    Run(state, {"#content > article .teaser__body", "", {}, {}});
}

void ExtractIgnore(benchmark::State& state)
{
    Run(state, {"", "", {"Visitors today:", "Skip to content"}, {"^\\d+ December$", "^Bridge plans, part \\d+$"}});
}

void Compare(benchmark::State& state, const std::string& before, const std::string& after)
{
    const LineChanges lines = CountLineChanges(before, after);
    if (lines.added != 1 || lines.removed != 1)
        state.SkipWithError("the changed paragraph was not found");
    benchmark::DoNotOptimize(lines);
}

void ExtractAndCompare(benchmark::State& state)
{
    const std::string& before = EarlierText();
    for (auto _ : state)
        Compare(state, before, *ComparedText(Page(1), {}, {}));
}

void ExtractBothAndCompare(benchmark::State& state)
{
    for (auto _ : state)
        Compare(state, *ComparedText(Page(0), {}, {}), *ComparedText(Page(1), {}, {}));
}

void CountLines(benchmark::State& state)
{
    const std::string after = *ComparedText(Page(1), {}, {});
    for (auto _ : state)
        benchmark::DoNotOptimize(CountLineChanges(EarlierText(), after));
}

void TreeText(benchmark::State& state)
{
    for (auto _ : state) {
        auto doc = CHtmlDocument::Parse(Page(0));
        std::string text = VisibleText(*doc);
        if (text != EarlierText())
            state.SkipWithError("the tree gives another text");
        benchmark::DoNotOptimize(text);
    }
}

void ParserAloneLibxml2(benchmark::State& state)
{
    InitHtmlLibrary();
    for (auto _ : state) {
        xmlParserCtxtPtr parser = xmlCreateMemoryParserCtxt(Page(0).data(), static_cast<int>(Page(0).size()));
        std::memset(parser->sax, 0, sizeof(xmlSAXHandlerV1));
        htmlCtxtUseOptions(parser, HtmlParseOptions());
        htmlParseDocument(parser);
        benchmark::DoNotOptimize(parser->wellFormed);
        htmlFreeParserCtxt(parser);
    }
}

void ParserAloneGumbo(benchmark::State& state)
{
    for (auto _ : state) {
        GumboOutput* output = gumbo_parse_with_options(&kGumboDefaultOptions, Page(0).data(), Page(0).size());
        benchmark::DoNotOptimize(output);
        gumbo_destroy_output(&kGumboDefaultOptions, output);
    }
}

} // namespace

BENCHMARK(Extract)->Unit(benchmark::kMillisecond);
BENCHMARK(ExtractSelect)->Unit(benchmark::kMillisecond);
BENCHMARK(ExtractIgnore)->Unit(benchmark::kMillisecond);
BENCHMARK(ExtractAndCompare)->Unit(benchmark::kMillisecond);
BENCHMARK(ExtractBothAndCompare)->Unit(benchmark::kMillisecond);
BENCHMARK(CountLines)->Unit(benchmark::kMillisecond);
BENCHMARK(TreeText)->Unit(benchmark::kMillisecond);
BENCHMARK(ParserAloneLibxml2)->Name("ParserAlone/libxml2")->Unit(benchmark::kMillisecond);
BENCHMARK(ParserAloneGumbo)->Name("ParserAlone/gumbo")->Unit(benchmark::kMillisecond);

int main(int argc, char** argv)
{
    for (int i = 1; i < argc; ++i)
        if (std::strncmp(argv[i], "--page-out=", 11) == 0) {
            std::ofstream(argv[i] + 11, std::ios::binary) << Page(0);
            return 0;
        }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
