#include "RunFixture.h"

#include "check/PageTexts.h"
#include "platform/Clock.h"

#include <atomic>
#include <thread>

namespace {

// Counts the requests a server is answering at once, and the most it ever answered together.
struct ConcurrencyProbe
{
    std::atomic<int> now{0};
    std::atomic<int> most{0};
    CHttpTestServer::Handler Handler()
    {
        return [this](const CHttpTestServer::Request&) {
            const int inFlight = ++now;
            int seen = most.load();
            while (inFlight > seen && !most.compare_exchange_weak(seen, inFlight)) { }
            // Long enough that several workers would overlap on this host if they were let.
            std::this_thread::sleep_for(std::chrono::milliseconds(60));
            --now;
            return CHttpTestServer::Response{200, "page", {}};
        };
    }
};

class HostLimitsRunTest : public RunFixture
{
protected:
    Curl& AddAt(CHttpTestServer& host, const std::string& name, const std::string& path)
    {
        Curl& record = AddRecord(name, path, false);
        record.SetURL(host.Url(path));
        return record;
    }
};

// One host never sees more requests at a time than hostConcurrency, while the workers left over
// serve the other host meanwhile.
TEST_F(HostLimitsRunTest, OneHostAtItsLimitOthersGoOn)
{
    SetInt(Pref::numThreads, 5); // six workers
    SetInt(Pref::hostConcurrency, 2);
    ConcurrencyProbe busy;
    ConcurrencyProbe other;
    CHttpTestServer second;
    for (int i = 0; i < 8; ++i) {
        server.SetHandler("/a" + std::to_string(i), busy.Handler());
        AddAt(server, "a" + std::to_string(i), "/a" + std::to_string(i));
    }
    for (int i = 0; i < 4; ++i) {
        second.SetHandler("/b" + std::to_string(i), other.Handler());
        AddAt(second, "b" + std::to_string(i), "/b" + std::to_string(i));
    }
    run->CheckAll();
    ASSERT_TRUE(WaitForRunEnd());

    EXPECT_EQ(busy.most.load(), 2);
    EXPECT_GE(other.most.load(), 2);
    EXPECT_EQ(run->PagesChecked(), 12);
    for (const auto& record : doc.Records())
        EXPECT_EQ(StatusText(*record), "OK") << record->GetName();
}

// A host that asks to be left alone for an hour: its page is not failed but waits, its other pages
// are not asked at all, the rest of the list is checked and the run ends without waiting the hour.
TEST_F(HostLimitsRunTest, BusyHostsPagesWaitAndTheRunEnds)
{
    SetInt(Pref::numThreads, 0); // one worker: the busy answer comes before the host's second page
    CHttpTestServer second;
    server.SetPage("/first", CHttpTestServer::Response{429, "slow down", {{"Retry-After", "3600"}}});
    server.SetPage("/second", "never asked");
    second.SetPage("/other", "other host");
    Curl& first = AddAt(server, "first", "/first");
    Curl& next = AddAt(server, "second", "/second");
    Curl& other = AddAt(second, "other", "/other");
    const int64_t before = Clock::Now();

    run->CheckAll();
    ASSERT_TRUE(WaitForRunEnd());

    EXPECT_EQ(server.RequestCount("/first"), 1);
    EXPECT_EQ(server.RequestCount("/second"), 0);
    EXPECT_EQ(StatusText(other), "OK");
    for (Curl* waiting : {&first, &next}) {
        EXPECT_EQ(waiting->m_nChecks, 0) << waiting->GetName(); // not a check: nothing judged, nothing failed
        EXPECT_GE(waiting->m_timeWaitingForHost, before + 3600);
        EXPECT_EQ(StatusText(*waiting), WaitingForHostText(waiting->m_timeWaitingForHost));
        EXPECT_EQ(StatusText(*waiting).rfind("Waiting for host (until ", 0), 0u);
    }
    EXPECT_EQ(run->PagesChecked(), 1);
}

// A short Retry-After while the run still has work: the page is tried again within the run.
TEST_F(HostLimitsRunTest, ShortRetryAfterIsRetriedWithinTheRun)
{
    SetInt(Pref::numThreads, 1);
    std::atomic<int> asked{0};
    server.SetHandler("/flaky", [&](const CHttpTestServer::Request&) {
        if (asked++ == 0)
            return CHttpTestServer::Response{503, "", {{"Retry-After", "1"}}};
        return CHttpTestServer::Response{200, "back", {}};
    });
    Curl& flaky = AddRecord("flaky", "/flaky", false);
    // Keeps the run going until the retry has been answered. On a host of its own: had it not started
    // before the 503, the hold would leave it waiting too, and the run would end.
    CHttpTestServer otherHost;
    otherHost.SetHandler("/slow", [this](const CHttpTestServer::Request&) {
        gate.Pass();
        return CHttpTestServer::Response{200, "slow page", {}};
    });
    AddAt(otherHost, "slow", "/slow");
    run->CheckAll();
    ASSERT_TRUE(DispatchUntil([&] { return asked.load() >= 2; }));
    gate.Open();
    ASSERT_TRUE(WaitForRunEnd());

    EXPECT_EQ(StatusText(flaky), "OK");
    EXPECT_EQ(flaky.m_timeWaitingForHost, 0);
    EXPECT_EQ(run->PagesChecked(), 2);
}

} // namespace
