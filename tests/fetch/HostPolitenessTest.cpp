#include "EngineFixture.h"

#include "check/PageTexts.h"
#include "fetch/HostGate.h"
#include "platform/Clock.h"

#include <gtest/gtest.h>

namespace {

constexpr int64_t kNow = 1'800'000'000; // a fixed "now", so dates in Retry-After read the same every time

class HostBusyTest : public EngineTest
{
protected:
    HostBusyTest()
    {
        Clock::SetForTesting([] { return kNow; });
    }
    ~HostBusyTest() override { Clock::SetForTesting({}); }
    std::string Host() const { return CHostGate::HostKeyOf(m_server.Url("/page")); }
};

struct RetryCase
{
    const char* name;
    int status;
    std::vector<std::pair<std::string, std::string>> headers;
    int64_t wait; // -1: not a busy host but an ordinary failure
};

class RetryAfterTest : public HostBusyTest, public ::testing::WithParamInterface<RetryCase>
{
};

// A busy host is no failure of the page: the outcome says when to come back and the host is held
// back until then, for every page of it.
TEST_P(RetryAfterTest, HoldsTheHostForTheTimeItAsked)
{
    const RetryCase& c = GetParam();
    m_server.SetPage("/page", CHttpTestServer::Response{c.status, "busy", c.headers});
    m_record.SetURL(m_server.Url("/page"));
    const FetchOutcome outcome = m_engine.fetch(m_record);

    EXPECT_FALSE(outcome.complete);
    EXPECT_EQ(outcome.body, "");
    if (c.wait < 0) {
        EXPECT_EQ(outcome.failure, FetchFailure::HttpStatus);
        EXPECT_FALSE(m_engine.hosts().HeldUntil(Host()));
        return;
    }
    EXPECT_EQ(outcome.failure, FetchFailure::HostBusy);
    EXPECT_EQ(outcome.retryAt, kNow + c.wait);
    const CHostGate::Admission next = m_engine.hosts().TryAcquire(Host());
    EXPECT_EQ(next.admitted, c.wait == 0);
    if (c.wait > 0) {
        EXPECT_TRUE(next.held);
        EXPECT_EQ(m_engine.hosts().HeldUntil(Host()), kNow + c.wait);
        EXPECT_EQ(FetchErrorText(outcome), WaitingForHostText(kNow + c.wait));
    }
}

INSTANTIATE_TEST_SUITE_P(
    Answers, RetryAfterTest,
    ::testing::Values(RetryCase{"Seconds429", 429, {{"Retry-After", "120"}}, 120},
                      RetryCase{"Seconds503", 503, {{"Retry-After", " 7 "}}, 7},
                      RetryCase{"HttpDate", 503, {{"Retry-After", "Fri, 15 Jan 2027 08:05:00 GMT"}}, 300},
                      RetryCase{"FarFutureIsAnHour", 429, {{"Retry-After", "99999999999999999999999"}}, 3600},
                      RetryCase{"FarFutureDateIsAnHour", 429, {{"Retry-After", "Sun, 01 Jan 2090 00:00:00 GMT"}}, 3600},
                      RetryCase{"PastDateIsNow", 503, {{"Retry-After", "Mon, 01 Jan 2001 00:00:00 GMT"}}, 0},
                      RetryCase{"Unreadable429BacksOff", 429, {{"Retry-After", "soon\x01"}}, 30},
                      RetryCase{"Bare429BacksOff", 429, {}, 30}, RetryCase{"Bare503Fails", 503, {}, -1}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(HostBusyTest, RepeatedBareTooManyRequestsBackOffLongerUntilAnswered)
{
    m_server.SetPage("/page", CHttpTestServer::Response{429, "", {}});
    m_record.SetURL(m_server.Url("/page"));
    std::vector<int64_t> waits;
    for (int i = 0; i < 6; ++i)
        waits.push_back(m_engine.fetch(m_record).retryAt - kNow);
    EXPECT_EQ(waits, (std::vector<int64_t>{30, 60, 120, 240, 480, 600}));

    m_server.SetPage("/page", "fine");
    EXPECT_TRUE(m_engine.fetch(m_record).complete);
    m_server.SetPage("/page", CHttpTestServer::Response{429, "", {}});
    EXPECT_EQ(m_engine.fetch(m_record).retryAt - kNow, 30);
}

// The limits of one host: slots up to the concurrency, a pause between starts, other hosts untouched.
TEST(HostGateTest, KeepsEachHostWithinItsLimits)
{
    CHostGate gate;
    gate.SetLimits(2, std::chrono::milliseconds(0));
    EXPECT_TRUE(gate.TryAcquire("a").admitted);
    EXPECT_TRUE(gate.TryAcquire("a").admitted);
    const CHostGate::Admission third = gate.TryAcquire("a");
    EXPECT_FALSE(third.admitted);
    EXPECT_FALSE(third.retryAt); // waits for a slot, not for a time
    EXPECT_TRUE(gate.TryAcquire("b").admitted);
    gate.Release("a");
    EXPECT_TRUE(gate.TryAcquire("a").admitted);

    gate.SetLimits(5, std::chrono::minutes(1));
    EXPECT_TRUE(gate.TryAcquire("c").admitted);
    const CHostGate::Admission soon = gate.TryAcquire("c");
    EXPECT_FALSE(soon.admitted);
    EXPECT_FALSE(soon.held);
    EXPECT_TRUE(soon.retryAt);
}

} // namespace
