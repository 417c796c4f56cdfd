#include "model/CheckInterval.h"
#include "model/UrlRecord.h"

#include <gtest/gtest.h>

#include <set>

TEST(CheckInterval, ReadsWhatUsersTypeAndRefusesTheRest)
{
    const struct
    {
        const char* text;
        bool ok;
        int64_t seconds;
        const char* shown;
    } cases[] = {
        {"15m", true, 900, "15m"},  {"6h", true, 21600, "6h"},
        {"2d", true, 172800, "2d"}, {"90m", true, 5400, "90m"},
        {"120m", true, 7200, "2h"}, {"1m", true, 60, "1m"},
        {"global", true, 0, ""},    {"", true, 0, ""},
        {"0m", false, 0, ""},       {"30s", false, 0, ""},
        {"-5m", false, 0, ""},      {"5", false, 0, ""},
        {"m", false, 0, ""},        {"1.5h", false, 0, ""},
        {"367d", false, 0, ""},     {"99999999999d", false, 0, ""},
        {" 5m", false, 0, ""},
    };
    for (const auto& c : cases) {
        const Result<CheckInterval> interval = ParseCheckInterval(c.text);
        ASSERT_EQ(interval.ok(), c.ok) << c.text;
        if (c.ok) {
            EXPECT_EQ(interval->seconds, c.seconds) << c.text;
            EXPECT_EQ(FormatCheckInterval(*interval), c.shown) << c.text;
        } else {
            EXPECT_EQ(interval.error().kind, ErrorKind::BadInput) << c.text;
            EXPECT_FALSE(interval.error().message.empty()) << c.text;
        }
    }
}

// The next check stays within the jitter's share of the interval, stays put for one last check, and
// differs between pages and between checks.
TEST(CheckInterval, NextCheckIsSpreadWithinTheJitter)
{
    const CheckInterval hour{3600};
    Curl page;
    page.m_strURL = "http://example.test/";
    EXPECT_EQ(NextCheckTime(page, hour, 10), 0); // never checked: due at once
    std::set<int64_t> seen;
    for (int i = 0; i < 200; ++i) {
        page.m_strPageID = std::to_string(i % 7 + 1);
        page.m_timeLastChecked = 1'800'000'000 + i * 3600;
        const int64_t next = NextCheckTime(page, hour, 10);
        EXPECT_EQ(next, NextCheckTime(page, hour, 10));
        EXPECT_GE(next, page.m_timeLastChecked + 3240);
        EXPECT_LE(next, page.m_timeLastChecked + 3960);
        EXPECT_EQ(NextCheckTime(page, hour, 0), page.m_timeLastChecked + 3600);
        seen.insert(next - page.m_timeLastChecked);
    }
    EXPECT_GT(seen.size(), 100u);
}
