#include "EngineFixture.h"

#include "check/PageTexts.h"
#include "model/VigilPrefs.h"

#include <gmock/gmock.h>

#include <ostream>

#include <atomic>
#include <chrono>
#include <functional>
#include <random>
#include <thread>

using namespace std::chrono;
using ::testing::ElementsAre;
using ::testing::HasSubstr;

namespace {

// ---- What each response leaves in the record ----

struct OutcomeCase
{
    const char* name;
    CHttpTestServer::Response response;
    bool complete;
    int status;
    std::string body;
    std::string error; // "stale" when the earlier error text must stay
    std::string statusText;
};

void PrintTo(const OutcomeCase& c, std::ostream* out)
{
    *out << c.name;
}

class EngineOutcomeTest : public EngineTest, public ::testing::WithParamInterface<OutcomeCase>
{
};

TEST_P(EngineOutcomeTest, LeavesTheOutcomeInTheRecord)
{
    const OutcomeCase& c = GetParam();
    m_server.SetPage("/page", c.response);
    m_record.m_strError = "stale";
    m_record.m_strStatus = "checking";

    Fetch(m_server.Url("/page"));

    EXPECT_EQ(m_record.m_bComplete, c.complete);
    EXPECT_EQ(m_record.m_nHttpStatus, c.status);
    EXPECT_EQ(Body(), c.body);
    EXPECT_EQ(m_record.m_nSize, static_cast<int>(c.body.size()));
    EXPECT_EQ(m_record.m_strError, c.error);
    EXPECT_EQ(m_record.m_strStatus, c.statusText);
    EXPECT_EQ(m_server.RequestCount("/page"), 1);
}

INSTANTIATE_TEST_SUITE_P(
    Statuses, EngineOutcomeTest,
    ::testing::Values(OutcomeCase{"Ok", {200, "<html>hello</html>", {}}, true, 200, "<html>hello</html>", "stale", ""},
                      OutcomeCase{"OkEmpty", {200, "", {}}, true, 200, "", "stale", ""},
                      OutcomeCase{"NotFound", {404, "missing page text", {}}, false, 404, "", "Not found, 404", ""},
                      OutcomeCase{"BadGateway",
                                  {502, "gateway text", {}},
                                  false,
                                  502,
                                  "",
                                  "Proxy error, bad gateway",
                                  "Proxy error - bad gateway"},
                      OutcomeCase{"ServerError", {500, "oops", {}}, false, 500, "", "HTTP error, 500", ""},
                      OutcomeCase{"NoContent", {204, "", {}}, false, 204, "", "HTTP error, 204", ""},
                      OutcomeCase{
                          "RedirectWithoutLocation", {302, "moved", {}}, false, 302, "", "HTTP error, 302", ""}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(EngineTest, RequestIsAFreshGetWithTheSessionUserAgent)
{
    m_server.SetPage("/a", "a");
    m_engine.setUserAgent("Vigil-Test/1");
    Fetch(m_server.Url("/a?x=1&y=2"));
    m_engine.setUserAgent("Vigil-Test/2");
    Fetch(m_server.Url("/a"));

    const auto requests = m_server.Requests("/a");
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[0].method, "GET");
    EXPECT_EQ(requests[0].path, "/a?x=1&y=2");
    EXPECT_EQ(requests[0].Header("Cache-Control"), "no-cache");
    EXPECT_EQ(requests[0].Header("Pragma"), "no-cache");
    EXPECT_EQ(requests[0].Header("Authorization"), "");
    EXPECT_EQ(requests[0].Header("User-Agent"), "Vigil-Test/1");
    EXPECT_EQ(requests[1].Header("User-Agent"), "Vigil-Test/2");
}

TEST_F(EngineTest, ResetsTheDownloadFieldsOfAnEarlierFetch)
{
    m_server.SetPage("/big", std::string(3000, 'x'));
    m_server.SetPage("/gone", CHttpTestServer::Response{404, "", {}});
    Fetch(m_server.Url("/big"));
    ASSERT_TRUE(m_record.m_bComplete);

    Fetch(m_server.Url("/gone"));
    EXPECT_FALSE(m_record.m_bComplete);
    EXPECT_EQ(m_record.m_nSize, 0);
    EXPECT_FALSE(m_record.m_bDataReceived);
    EXPECT_EQ(m_record.m_nHttpStatus, 404);
}

TEST_F(EngineTest, FollowsRedirectsToTheFinalPage)
{
    m_server.SetPage("/old", CHttpTestServer::Response{301, "", {{"Location", "/new"}}});
    m_server.SetPage("/new", "the new page");
    Fetch(m_server.Url("/old"));
    EXPECT_TRUE(m_record.m_bComplete);
    EXPECT_EQ(m_record.m_nHttpStatus, 200);
    EXPECT_EQ(Body(), "the new page");
}

// ---- Last-Modified ----

struct DateCase
{
    const char* name;
    std::optional<std::string> header;
    int status;
    bool known;
    int64_t seconds; // when known
};

void PrintTo(const DateCase& c, std::ostream* out)
{
    *out << c.name;
}

class EngineLastModifiedTest : public EngineTest, public ::testing::WithParamInterface<DateCase>
{
};

TEST_P(EngineLastModifiedTest, TakesTheDateOnlyFromAPageThatArrives)
{
    const DateCase& c = GetParam();
    CHttpTestServer::Response response{c.status, "body", {}};
    if (c.header)
        response.headers.emplace_back("Last-Modified", *c.header);
    m_server.SetPage("/dated", response);
    // What an earlier check left.
    m_record.m_bLastModifiedKnown = true;
    m_record.m_timeLastModified = 12345;

    Fetch(m_server.Url("/dated"));

    EXPECT_EQ(m_record.m_bLastModifiedKnown, c.known);
    EXPECT_EQ(m_record.m_timeLastModified, c.seconds);
}

INSTANTIATE_TEST_SUITE_P(Dates, EngineLastModifiedTest,
                         ::testing::Values(DateCase{"Imf", "Sun, 06 Nov 1994 08:49:37 GMT", 200, true, 784111777},
                                           DateCase{"Rfc850", "Sunday, 06-Nov-94 08:49:37 GMT", 200, true, 784111777},
                                           DateCase{"Asctime", "Sun Nov  6 08:49:37 1994", 200, true, 784111777},
                                           DateCase{"Before1900IsZero", "Sun, 06 Nov 1898 08:49:37 GMT", 200, true, 0},
                                           DateCase{"Absent", std::nullopt, 200, false, 12345},
                                           DateCase{"Unreadable", "yesterday-ish", 200, false, 12345},
                                           // An error page is not the page: the earlier date stays.
                                           DateCase{"NotFoundKeepsDate", "Sun, 06 Nov 1994 08:49:37 GMT", 404, true,
                                                    12345}),
                         [](const auto& info) { return std::string(info.param.name); });

// ---- Bodies and progress ----

TEST_F(EngineTest, ChunkedBodyArrivesWholeWithProgressEveryFiveKilobytes)
{
    CHttpTestServer::Response response;
    response.chunks = {std::string(5120, 'a'), "x", "y", "z", std::string(4096, 'b'), std::string(1024, 'c')};
    response.chunkDelayMs = 60;
    m_server.SetPage("/chunked", response);
    CProgressLog progress;
    m_progress = &progress;

    Fetch(m_server.Url("/chunked"));

    EXPECT_TRUE(m_record.m_bComplete);
    EXPECT_EQ(Body(), std::string(5120, 'a') + "xyz" + std::string(4096, 'b') + std::string(1024, 'c'));
    // Reads end at 5120 (5 KB), three more within 5 KB (not reported again), 9219 (9 KB, not
    // reported) and 10243 bytes (10 KB).
    EXPECT_THAT(progress.kilobytesSeen, ElementsAre(5, 10));
    EXPECT_THAT(progress.sizesSeen, ElementsAre(5120, 10243));

    // A page that ends at 4 KB reports nothing.
    m_server.SetPage("/small", std::string(4096, 's'));
    progress.kilobytesSeen.clear();
    Fetch(m_server.Url("/small"));
    EXPECT_TRUE(m_record.m_bComplete);
    EXPECT_TRUE(progress.kilobytesSeen.empty());
}

TEST_F(EngineTest, LargeBinaryBodyIsCopiedByteForByte)
{
    std::string body(3 * 1024 * 1024 + 17, '\0');
    std::mt19937 random(42);
    for (char& c : body)
        c = static_cast<char>(random() & 0xff);
    m_server.SetPage("/binary", body);
    CProgressLog progress;
    m_progress = &progress;

    Fetch(m_server.Url("/binary"));

    EXPECT_TRUE(m_record.m_bComplete);
    ASSERT_EQ(m_record.m_nSize, static_cast<int>(body.size()));
    EXPECT_TRUE(Body() == body);
    for (size_t i = 0; i < progress.kilobytesSeen.size(); ++i) {
        EXPECT_EQ(progress.kilobytesSeen[i] % 5, 0);
        EXPECT_EQ(progress.kilobytesSeen[i], progress.sizesSeen[i] / 1024);
    }
}

TEST_F(EngineTest, CancelEndsEveryWaitingFetchAtOnceAndLaterFetchesRunNormally)
{
    m_server.SetPage("/stall", CHttpTestServer::Response{200, "late", {}, 20000});
    m_server.SetPage("/fine", "fine");
    m_engine.setSilenceLimit(seconds(20));

    constexpr int kWorkers = 4;
    std::vector<Curl> records(kWorkers);
    std::vector<std::thread> workers;
    std::vector<FetchOutcome> outcomes(records.size());
    for (size_t i = 0; i < records.size(); ++i) {
        records[i].SetURL(m_server.Url("/stall"));
        workers.emplace_back([this, &records, &outcomes, i] { outcomes[i] = m_engine.fetch(records[i]); });
    }
    // Let every request reach the server before cancelling.
    for (int i = 0; i < 200 && m_server.RequestCount("/stall") < kWorkers; ++i)
        std::this_thread::sleep_for(milliseconds(10));
    ASSERT_EQ(m_server.RequestCount("/stall"), kWorkers);

    const auto start = steady_clock::now();
    m_engine.cancel();
    for (std::thread& worker : workers)
        worker.join();
    EXPECT_LT(steady_clock::now() - start, seconds(2));
    for (const FetchOutcome& outcome : outcomes) {
        EXPECT_FALSE(outcome.complete);
        EXPECT_EQ(outcome.failure, FetchFailure::Cancelled);
        EXPECT_EQ(FetchErrorText(outcome), "Cancelled");
    }

    Fetch(m_server.Url("/fine"));
    EXPECT_TRUE(m_record.m_bComplete);
    EXPECT_EQ(Body(), "fine");
}

TEST_F(EngineTest, CancelWithNothingInProgressDoesNotStopTheNextFetch)
{
    m_server.SetPage("/fine", "fine");
    m_engine.cancel();
    m_engine.cancel();
    Fetch(m_server.Url("/fine"));
    EXPECT_TRUE(m_record.m_bComplete);
}

// Every failed download names its reason, so that no earlier failure's text survives.
struct FailureCase
{
    const char* name;
    // Sets the server up and returns the address to fetch.
    std::function<std::string(CHttpTestServer&)> serve;
    int status;
    std::string body;
    std::string error; // the whole text, or a part of the library's message after "~"
};

void PrintTo(const FailureCase& c, std::ostream* out)
{
    *out << c.name;
}

class EngineFailureTest : public EngineTest, public ::testing::WithParamInterface<FailureCase>
{
};

TEST_P(EngineFailureTest, EndsPromptlyAndSaysWhy)
{
    const FailureCase& c = GetParam();
    const std::string url = c.serve(m_server);
    m_engine.setSilenceLimit(milliseconds(400));
    m_record.m_strError = "stale";

    const auto start = steady_clock::now();
    Fetch(url);

    EXPECT_LT(steady_clock::now() - start, seconds(5));
    EXPECT_FALSE(m_record.m_bComplete);
    EXPECT_EQ(m_record.m_nHttpStatus, c.status);
    EXPECT_EQ(Body(), c.body);
    if (c.error.front() == '~')
        EXPECT_THAT(m_record.m_strError, HasSubstr(c.error.substr(1)));
    else
        EXPECT_EQ(m_record.m_strError, c.error);
    EXPECT_EQ(m_record.m_strError.find('\n'), std::string::npos);
    EXPECT_NE(m_record.m_strError.back(), ' ');
}

CHttpTestServer::Response Stalling()
{
    return CHttpTestServer::Response{200, "late", {}, 20000};
}

CHttpTestServer::Response StoppingMidPage()
{
    CHttpTestServer::Response response;
    response.chunks = {"first part ", "never sent"};
    response.chunkDelayMs = 20000;
    return response;
}

// One byte past the limit, streamed so that the server does not hold the page.
CHttpTestServer::Response Endless()
{
    auto sent = std::make_shared<size_t>(0);
    CHttpTestServer::Response response;
    response.producer = [sent](std::string& chunk) {
        const size_t total = CUrlEngine::kMaxBodySize + 1;
        chunk.assign(std::min<size_t>(256 * 1024, total - *sent), 'z');
        *sent += chunk.size();
        return *sent < total;
    };
    return response;
}

std::string Serve(CHttpTestServer& server, const CHttpTestServer::Response& response)
{
    server.SetPage("/page", response);
    return server.Url("/page");
}

// A 200 response with these header lines and a three-byte body, then the connection closes.
std::string ServeRaw(CHttpTestServer& server, const std::string& headerLines)
{
    CHttpTestServer::Response response;
    response.raw = "HTTP/1.1 200 OK\r\n" + headerLines + "\r\n\r\nabc";
    return Serve(server, response);
}

TEST_F(EngineTest, DrippingServerEndsAtTheFetchTimeLimit)
{
    CVigilPrefs::GetInstance().WriteInt(Pref::fetchTimeLimit.name, 1);
    CHttpTestServer::Response drip;
    drip.chunks.assign(50, "d");
    drip.chunkDelayMs = 200; // well inside the silence limit
    m_server.SetPage("/drip", drip);
    const auto start = steady_clock::now();
    Fetch(m_server.Url("/drip"));
    EXPECT_LT(steady_clock::now() - start, seconds(4));
    EXPECT_FALSE(m_record.m_bComplete);
    EXPECT_EQ(m_record.m_strError, "Timed out");
}

TEST_F(EngineTest, SavedSettingsApplyToTheNextFetch)
{
    CVigilPrefs& prefs = CVigilPrefs::GetInstance();
    m_server.SetPage("/ua", "ua");
    prefs.WriteString(Pref::userAgent.name, "Agent/1");
    Fetch(m_server.Url("/ua"));
    prefs.WriteString(Pref::userAgent.name, "Agent/2");
    // A named proxy that is this same server, which answers the proxy's absolute address too.
    prefs.WriteInt(Pref::proxyType.name, 2);
    prefs.WriteString(Pref::proxyServer.name, "127.0.0.1");
    prefs.WriteInt(Pref::proxyPort.name, m_server.Port());
    m_server.SetDefaultHandler([](const CHttpTestServer::Request& request) {
        return CHttpTestServer::Response{200, request.path + " " + request.Header("User-Agent")};
    });
    Fetch("http://proxied.invalid/ua");
    EXPECT_EQ(Body(), "http://proxied.invalid/ua Agent/2");
    const auto requests = m_server.Requests("/ua");
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].Header("User-Agent"), "Agent/1");
}

INSTANTIATE_TEST_SUITE_P(
    Failures, EngineFailureTest,
    ::testing::Values(
        FailureCase{"SilentServerTimesOut", [](auto& s) { return Serve(s, Stalling()); }, 0, "", "Timed out"},
        FailureCase{"StopMidPageTimesOutKeepingWhatArrived", [](auto& s) { return Serve(s, StoppingMidPage()); }, 200,
                    "first part ", "Timed out"},
        // A page this large is dropped: hostile or endless, it must not exhaust memory.
        FailureCase{"PageTooLarge", [](auto& s) { return Serve(s, Endless()); }, 200, "", "Page too large"},
        FailureCase{"HangUpMidPage",
                    [](auto& s) {
                        CHttpTestServer::Response cut;
                        cut.raw = "HTTP/1.1 200 OK\r\nContent-Length: 100\r\n\r\nonly part";
                        return Serve(s, cut);
                    },
                    200, "only part", "~transfer closed"},
        FailureCase{"RefusedConnection",
                    [](auto&) {
                        CHttpTestServer gone; // nothing listens on its port once it is gone
                        return gone.Url("/x");
                    },
                    0, "", "~Couldn't connect"},
        FailureCase{"AddressThatCannotBeParsed", [](auto&) { return std::string("not an address"); }, 0, "", "~URL"},
        FailureCase{"HugeHeaderLine", [](auto& s) { return ServeRaw(s, "X-Big: " + std::string(150000, 'h')); }, 0, "",
                    "Response header too large"},
        FailureCase{"EndlessHeaderLines",
                    [](auto& s) {
                        std::string lines;
                        for (int i = 0; i < 6000; ++i)
                            lines += "X-Line-" + std::to_string(i) + ": " + std::string(50, 'v') + "\r\n";
                        lines.resize(lines.size() - 2);
                        return ServeRaw(s, lines);
                    },
                    0, "", "Response header too large"},
        FailureCase{"OverflowingContentLength",
                    [](auto& s) { return ServeRaw(s, "Content-Length: 99999999999999999999"); }, 0, "",
                    "Invalid Content-Length"}),
    [](const auto& info) { return std::string(info.param.name); });

// ---- Many workers on one engine ----

TEST_F(EngineTest, ManyWorkersFetchDifferentRecordsAtOnce)
{
    constexpr int kWorkers = 8;
    constexpr int kPagesEach = 25;
    for (int i = 0; i < kWorkers * kPagesEach; ++i)
        m_server.SetPage("/p" + std::to_string(i), "page " + std::to_string(i) + std::string(i * 97, '.'));

    std::atomic<int> good{0};
    std::vector<std::thread> workers;
    for (int w = 0; w < kWorkers; ++w) {
        workers.emplace_back([&, w] {
            Curl record;
            for (int k = 0; k < kPagesEach; ++k) {
                const int i = w * kPagesEach + k;
                record.SetURL(m_server.Url("/p" + std::to_string(i)));
                const FetchOutcome outcome = m_engine.fetch(record);
                const std::string expected = "page " + std::to_string(i) + std::string(i * 97, '.');
                if (outcome.complete && outcome.body == expected)
                    ++good;
            }
        });
    }
    for (std::thread& worker : workers)
        worker.join();
    EXPECT_EQ(good.load(), kWorkers * kPagesEach);
}

// ---- Settings ----

TEST_F(EngineTest, NamedProxyWithoutAPortUses8080)
{
    CVigilPrefs& prefs = CVigilPrefs::GetInstance();
    // The engine's construction stores a proxy user name when none is set.
    EXPECT_EQ(prefs.ReadString("proxyUser", "?"), "user");
    prefs.WriteInt("proxyType", 2);
    prefs.WriteString("proxyServer", "127.0.0.1");
    m_engine.setSilenceLimit(milliseconds(3000));
    Fetch("http://127.0.0.1:1/never-asked");
    EXPECT_EQ(prefs.ReadInt("proxyPort", -1), 8080);
    if (!m_record.m_bComplete && m_record.m_nHttpStatus == 0) {
        EXPECT_THAT(m_record.m_strError, HasSubstr("8080"));
    }
}

} // namespace
