// Fills a storage folder with the history of many pages, through the same rotation the checks use:
// each page gets a list entry and then versions of about 20 KB saved one after the other, so that
// all but the two copies end in its history. bench/history_bench.sh drives it and measures the rest.
//
//   build/bench/bench_history_fill [PAGES] [VERSIONS] [BYTES]
//
// Settings and storage folder come from the environment as for the programs (SITEVIGIL_CONFIG_DIR,
// XDG_DATA_HOME). Prints the time the rotations took in all.
#include "check/PageFiles.h"
#include "model/SiteVigilDoc.h"
#include "model/VigilPrefs.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

namespace {

// A page of lines as a site's pages are; a version changes about one line in twenty.
std::string PageText(int page, int version, size_t bytes)
{
    std::string text = "<html><head><title>Page " + std::to_string(page) + "</title></head><body>\n";
    for (int line = 0; text.size() < bytes; ++line) {
        const int edit = (line % 20 == version % 20) ? version : 0;
        text += "<p class='item'>Item " + std::to_string(line) + " of page " + std::to_string(page) + ": price "
            + std::to_string((line * 7919 + page * 31 + edit * 104729) % 10000) + " units, in stock "
            + std::to_string((line + edit) % 13) + "</p>\n";
    }
    return text + "</body></html>\n";
}

} // namespace

int main(int argc, char** argv)
{
    const int pages = argc > 1 ? std::atoi(argv[1]) : 1000;
    const int versions = argc > 2 ? std::atoi(argv[2]) : 12;
    const size_t bytes = argc > 3 ? std::strtoul(argv[3], nullptr, 10) : 20480;

    CSiteVigilDoc doc;
    for (int p = 1; p <= pages; ++p) {
        auto record = std::make_unique<Curl>();
        record->m_strName = "Page " + std::to_string(p);
        record->m_strURL = "http://127.0.0.1/page" + std::to_string(p);
        record->m_bWatchContent = true;
        if (!doc.AddRecord(std::move(record))) {
            std::fprintf(stderr, "cannot add page %d\n", p);
            return 1;
        }
    }
    if (!doc.SaveDefault()) {
        std::fprintf(stderr, "cannot save the list\n");
        return 1;
    }
    const auto start = std::chrono::steady_clock::now();
    for (int v = 1; v <= versions; ++v) {
        for (size_t p = 0; p < doc.Count(); ++p) {
            const Curl& record = doc.RecordAt(p);
            if (!SavePageCopy(GetFileBase(record), PageText(static_cast<int>(p + 1), v, bytes), "Checksum changed")) {
                std::fprintf(stderr, "cannot save a copy of page %zu\n", p + 1);
                return 1;
            }
        }
    }
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("%d pages x %d versions of %zu bytes saved in %.2f s (%.2f ms per rotation)\n", pages, versions, bytes,
                seconds, 1000 * seconds / (pages * versions));
    return 0;
}
