#include "PageCheckFixture.h"

using namespace std::string_literals;

TEST_F(PageCheckTest, SizeWatchComparesTwoSuccessfulDownloads)
{
    m_record.m_bWatchSize = true;
    Check("12345");
    EXPECT_FALSE(m_record.m_bChanged) << "a new record has no earlier size to compare with";

    Check("54321");
    EXPECT_FALSE(m_record.m_bChanged) << "same size, other content";

    Check("12345678");
    EXPECT_TRUE(m_record.m_bNewChange);
    EXPECT_EQ(m_record.m_strChangeReason, "Size changed - was 5 bytes, now 8 bytes");

    // The size counts the whole body, also past a zero byte.
    Check("1234\0"
          "6789"s);
    EXPECT_EQ(m_record.m_strChangeReason, "Size changed - was 8 bytes, now 9 bytes");

    m_record.m_bWatchSize = false;
    Check("1");
    EXPECT_FALSE(m_record.m_bNewChange);
}

TEST_F(PageCheckTest, SizeWatchSkipsTheDownloadAfterAFailure)
{
    m_record.m_bWatchSize = true;
    Check("12345");
    Serve("gone", 404);
    Check();
    EXPECT_FALSE(m_record.m_bChanged) << "a failure is no size change";
    // The failed download replaced the size in the record; there is nothing true to compare with.
    Check("1234567");
    EXPECT_FALSE(m_record.m_bChanged);
    Check("123");
    EXPECT_EQ(m_record.m_strChangeReason, "Size changed - was 7 bytes, now 3 bytes");
}

TEST_F(PageCheckTest, ReachableWatchMarksTheFirstSuccessAfterAFailure)
{
    m_record.m_bWatchReachable = true;
    Check("up");
    EXPECT_FALSE(m_record.m_bChanged) << "the first check of a new record";
    Check();
    EXPECT_FALSE(m_record.m_bChanged);

    Serve("down", 503);
    Check();
    EXPECT_FALSE(m_record.m_bChanged) << "Reachable does not watch failures";
    Check();
    EXPECT_FALSE(m_record.m_bChanged);

    Check("up");
    EXPECT_TRUE(m_record.m_bNewChange);
    EXPECT_EQ(m_record.m_strChangeReason, "Page reachable again");
    Check();
    EXPECT_FALSE(m_record.m_bNewChange) << "only the transition counts";
}

TEST_F(PageCheckTest, ReachableComesBeforeTheContentReasons)
{
    m_record.m_bWatchReachable = true;
    m_record.m_bWatchContent = true;
    m_record.m_bWatchUnreachable = true;
    Check("one");
    Serve("down", 404);
    Check();
    EXPECT_EQ(m_record.m_strChangeReason, "Not found, 404");
    Check("one");
    EXPECT_EQ(m_record.m_strChangeReason, "Page reachable again") << "same page as before the failure";
    Serve("down", 404);
    Check();
    Check("two");
    EXPECT_EQ(m_record.m_strChangeReason, "Checksum changed");
}

TEST_F(PageCheckTest, SuccessAfterAFailedFirstCheckIsReachableAgain)
{
    m_record.m_bWatchReachable = true;
    m_record.m_bWatchSize = true;
    Serve("down", 500);
    Check();
    Check("fine");
    EXPECT_EQ(m_record.m_strChangeReason, "Page reachable again");
    EXPECT_EQ(m_record.m_nChecks, 2);
}
