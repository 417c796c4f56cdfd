// The page check on a 1 MB and a 20 KB page served from 127.0.0.1, split into the download and what
// the check adds to it.
//
//   build/bench/bench_check [--benchmark_filter=...]
//
// "Fetch" is the engine's download alone; "CheckPage" the whole check (download, debug log, copy
// rotation and saved copy, page checksum, watched part, text search); "Evaluate" only the judging of a
// page already in the record, i.e. the time per check beyond the download. "Checksum" is the CRC-32
// of the page text by itself, "FileBase" one look-up of the page's file names.
#include "check/Checksum.h"
#include "check/PageCheck.h"
#include "check/PageFiles.h"
#include "fetch/FetchOutcome.h"
#include "fetch/UrlEngine.h"
#include "model/UrlRecord.h"
#include "model/VigilPrefs.h"

#include <benchmark/benchmark.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <thread>

namespace {

// Answers every GET with the page registered for its path, one connection at a time.
class CPageServer
{
public:
    explicit CPageServer(std::map<std::string, std::string> pages)
        : m_pages(std::move(pages))
    {
        m_listener = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        bind(m_listener, reinterpret_cast<sockaddr*>(&address), sizeof address);
        listen(m_listener, 16);
        socklen_t length = sizeof address;
        getsockname(m_listener, reinterpret_cast<sockaddr*>(&address), &length);
        m_port = ntohs(address.sin_port);
        m_thread = std::thread([this] { Serve(); });
    }
    ~CPageServer()
    {
        m_stop = true;
        shutdown(m_listener, SHUT_RDWR);
        close(m_listener);
        m_thread.join();
    }
    std::string Url(const std::string& path) const { return "http://127.0.0.1:" + std::to_string(m_port) + path; }

private:
    void Serve()
    {
        while (!m_stop) {
            const int client = accept4(m_listener, nullptr, nullptr, SOCK_CLOEXEC);
            if (client < 0)
                continue;
            std::string request;
            char buffer[4096];
            ssize_t count;
            while (request.find("\r\n\r\n") == std::string::npos && (count = read(client, buffer, sizeof buffer)) > 0)
                request.append(buffer, static_cast<size_t>(count));
            const size_t pathStart = request.find(' ') + 1;
            const std::string path = request.substr(pathStart, request.find(' ', pathStart) - pathStart);
            const auto page = m_pages.find(path);
            const std::string body = page != m_pages.end() ? page->second : std::string();
            const std::string response
                = std::string(page != m_pages.end() ? "HTTP/1.1 200 OK" : "HTTP/1.1 404 Not Found")
                + "\r\nContent-Type: text/html\r\nContent-Length: " + std::to_string(body.size())
                + "\r\nConnection: close\r\n\r\n" + body;
            for (size_t sent = 0; sent < response.size();) {
                const ssize_t n = send(client, response.data() + sent, response.size() - sent, MSG_NOSIGNAL);
                if (n <= 0)
                    break;
                sent += static_cast<size_t>(n);
            }
            close(client);
        }
    }

    std::map<std::string, std::string> m_pages;
    int m_listener = -1;
    int m_port = 0;
    std::atomic<bool> m_stop{false};
    std::thread m_thread;
};

// A page of ordinary markup with a "<BR>" about every 80 bytes, the watched part in its middle and the
// searched word near its end.
std::string MakePage(size_t size)
{
    std::string page = "<html><head><title>Prices</title></head><body>\n";
    const std::string line = "<p class='item'>Item with a description of some length, price 12.50 EUR</p><BR>";
    while (page.size() < size / 2)
        page += line;
    page += "<!-- prices start -->";
    while (page.size() < size * 3 / 4)
        page += line;
    page += "<!-- prices end -->";
    while (page.size() < size - 40)
        page += line;
    page += "Sale</body></html>\n";
    return page;
}

struct CBenchEnv
{
    CBenchEnv()
    {
        const std::string root
            = std::filesystem::temp_directory_path() / ("sitevigil-bench-check-" + std::to_string(getpid()));
        std::filesystem::create_directories(root + "/config");
        std::filesystem::create_directories(root + "/storage");
        setenv("SITEVIGIL_CONFIG_DIR", (root + "/config/").c_str(), 1);
        setenv("XDG_DATA_HOME", (root + "/data").c_str(), 1);
        CVigilPrefs::ResetInstance();
        CVigilPrefs::GetInstance().WriteString("InstallDir", root + "/storage/");
        CVigilPrefs::GetInstance().WriteInt("proxyType", 1);
        CVigilPrefs::ResetInstance();
        m_root = root;
        pages["/1MB"] = MakePage(1 << 20);
        pages["/20KB"] = MakePage(20 << 10);
        server = std::make_unique<CPageServer>(pages);
        engine = std::make_unique<CUrlEngine>();
    }
    ~CBenchEnv()
    {
        engine.reset();
        server.reset();
        CVigilPrefs::ResetInstance();
        std::error_code ec;
        std::filesystem::remove_all(m_root, ec);
    }

    std::map<std::string, std::string> pages;
    std::unique_ptr<CPageServer> server;
    std::unique_ptr<CUrlEngine> engine;
    std::string m_root;
};

CBenchEnv& Env()
{
    static CBenchEnv env;
    return env;
}

const char* PathOf(const benchmark::State& state)
{
    return state.range(0) == 0 ? "/1MB" : "/20KB";
}

// A record that watches everything the check computes: the whole page, a part, a text, the size.
std::unique_ptr<Curl> MakeRecord(const std::string& url)
{
    auto record = std::make_unique<Curl>();
    record->m_strURL = url;
    record->m_bWatchContent = true;
    record->m_bFromStart = false;
    record->m_strStartText = "<!-- prices start -->";
    record->m_bToEnd = false;
    record->m_strEndText = "<!-- prices end -->";
    record->m_bTextSearch = true;
    record->m_strSearchText = "Sale";
    // As if it had joined a list: the check writes its files.
    record->m_strPageID = "1";
    return record;
}

void SetBytes(benchmark::State& state, const char* path)
{
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(Env().pages[path].size()));
    state.SetLabel(path + 1);
}

void BM_Fetch(benchmark::State& state)
{
    const char* path = PathOf(state);
    auto record = MakeRecord(Env().server->Url(path));
    bool complete = false;
    for (auto _ : state)
        complete = Env().engine->fetch(*record).complete;
    if (!complete)
        state.SkipWithError("download failed");
    SetBytes(state, path);
}

void BM_CheckPage(benchmark::State& state)
{
    const char* path = PathOf(state);
    auto record = MakeRecord(Env().server->Url(path));
    for (auto _ : state)
        CheckPage(*record, *Env().engine);
    if (!record->m_bComplete)
        state.SkipWithError("download failed");
    SetBytes(state, path);
}

void BM_Evaluate(benchmark::State& state)
{
    const char* path = PathOf(state);
    auto record = MakeRecord(Env().server->Url(path));
    const FetchOutcome outcome = Env().engine->fetch(*record);
    if (!outcome.complete) {
        state.SkipWithError("download failed");
        return;
    }
    for (auto _ : state)
        record->Results() = JudgePage(*record, *record, outcome).results;
    SetBytes(state, path);
}

// One look-up of the saved-pages folder: the storage folder setting is read (and, as every read does,
// stored back) at each use.
void BM_FileBase(benchmark::State& state)
{
    auto record = MakeRecord("http://127.0.0.1/");
    for (auto _ : state)
        benchmark::DoNotOptimize(GetFileBase(*record));
}

void BM_Checksum(benchmark::State& state)
{
    const char* path = PathOf(state);
    const std::string& page = Env().pages[path];
    for (auto _ : state)
        benchmark::DoNotOptimize(TextChecksum(page));
    SetBytes(state, path);
}

} // namespace

BENCHMARK(BM_Fetch)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_CheckPage)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Evaluate)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_FileBase)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Checksum)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

BENCHMARK_MAIN();
