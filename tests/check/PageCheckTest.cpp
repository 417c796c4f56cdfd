#include "PageCheckFixture.h"
#include "check/PageTexts.h"

#include "check/Checksum.h"

#include <ctime>

using namespace std::string_literals;

namespace {

std::string HttpDate(int64_t seconds)
{
    const time_t t = static_cast<time_t>(seconds);
    std::tm parts{};
    gmtime_r(&t, &parts);
    char text[64];
    std::strftime(text, sizeof text, "%a, %d %b %Y %H:%M:%S GMT", &parts);
    return text;
}

} // namespace

// A checksum with nothing to compare with only sets the baseline: no alarm on a record's first download
// (a failed check before it changes nothing), nor on the first part cut once its limit texts turn up.
TEST_F(PageCheckTest, FirstChecksumsOnlySetTheBaseline)
{
    m_record.m_bWatchContent = true;
    Serve("gone", 404);
    Check();
    Check("<html>hello</html>");
    EXPECT_FALSE(m_record.m_bChanged) << m_record.m_strChangeReason;
    EXPECT_EQ(m_record.m_dwPageCRC, TextChecksum("<html>hello</html>"));
    EXPECT_EQ(m_record.m_nChecks, 2);
    EXPECT_EQ(m_record.m_nDownloads, 1);

    // The part watch turned on later: its first part is compared with nothing.
    m_record.m_bFromStart = false;
    m_record.m_strStartText = "<b>";
    Check("<html>hello <b>part</b></html>");
    EXPECT_EQ(m_record.m_strChangeReason, "Checksum changed");
    EXPECT_EQ(m_record.m_dwPartCRC, TextChecksum("<b>part</b></html>"));

    Check();
    EXPECT_FALSE(m_record.m_bNewChange);
    EXPECT_TRUE(m_record.m_bChanged) << "the changed flag is sticky";
    EXPECT_EQ(m_record.m_nDownloads, 3);

    Check("<html>hello <b>new part</b></html>");
    EXPECT_TRUE(m_record.m_bNewChange);
    EXPECT_EQ(m_record.m_strChangeReason, "Partial page change");
}

// A page that comes back the same under the same rules keeps its checksum without its text being made
// again; the page of an earlier check after another one, or new rules, are judged on their text. No
// copy is kept, so only the record tells which page the checksum was made from.
TEST_F(PageCheckTest, SamePageUnderSameRulesKeepsItsChecksum)
{
    m_record.m_compare = CompareMode::Text;
    m_record.m_bWatchContent = true;
    m_record.m_bSavePage = false;
    const std::string first = "<p>price 10</p><p>visitors 5</p>";
    Check(first);
    const uint32_t firstCrc = m_record.m_dwPageCRC;
    ASSERT_FALSE(m_record.m_strComparedFrom.empty());
    Check(first);
    EXPECT_FALSE(m_record.m_bNewChange);
    EXPECT_EQ(m_record.m_dwPageCRC, firstCrc);

    Check("<p>price 12</p><p>visitors 5</p>");
    EXPECT_TRUE(m_record.m_bNewChange);
    Check(first);
    EXPECT_TRUE(m_record.m_bNewChange) << "back to the first page is a change too";
    EXPECT_EQ(m_record.m_dwPageCRC, firstCrc);

    CVigilPrefs::GetInstance().WriteString("ignoreTexts", "price");
    Check(first);
    EXPECT_TRUE(m_record.m_bNewChange) << "the settings' new rule leaves a line out";
    EXPECT_NE(m_record.m_dwPageCRC, firstCrc);
    m_record.m_ignore = {"visitors"};
    const uint32_t lessCrc = m_record.m_dwPageCRC;
    Check(first);
    EXPECT_NE(m_record.m_dwPageCRC, lessCrc) << "and so does the page's own";
}

TEST_F(PageCheckTest, EmptyPageHasChecksumZeroAndDoesNotMarkAFirstCheck)
{
    m_record.m_bWatchContent = true;
    Check("");
    EXPECT_TRUE(m_record.m_bComplete);
    EXPECT_FALSE(m_record.m_bChanged);
    EXPECT_EQ(m_verdict.newPageCrc, 0u);
    EXPECT_EQ(m_record.m_nDownloads, 1);
}

TEST_F(PageCheckTest, PageTextEndsAtTheFirstZeroByte)
{
    const std::string body = "abc<BR>d\0Sale and more"s;
    m_record.m_bWatchContent = true;
    m_record.m_bTextSearch = true;
    m_record.m_strSearchText = "Sale";
    Check(body);
    EXPECT_EQ(m_record.m_nSize, 22);
    EXPECT_EQ(m_verdict.pageText, "abc<BR>d");
    EXPECT_EQ(m_record.m_dwPageCRC, TextChecksum("abc<BR>d"));
    EXPECT_FALSE(m_record.m_bChanged) << "the search must not see past the zero byte";
    EXPECT_EQ(ReadFileBytes(Saved()), "abc<BR>\nd");
}

TEST_F(PageCheckTest, DateRuleAcrossResponses)
{
    const int64_t first = 1700000000;
    const int64_t later = first + 86400;
    m_record.m_bWatchDate = true;

    Serve("page", 200, {{"Last-Modified", HttpDate(first)}});
    Check();
    EXPECT_FALSE(m_record.m_bChanged) << "the first date is only stored";
    EXPECT_TRUE(m_record.m_bLastModifiedKnown);
    EXPECT_EQ(m_record.m_timeLastModified, first);

    Serve("page", 200, {{"Last-Modified", HttpDate(first)}});
    Check();
    EXPECT_FALSE(m_record.m_bChanged) << "the same date again";

    Serve("page", 200, {{"Last-Modified", HttpDate(later)}});
    Check();
    EXPECT_TRUE(m_record.m_bNewChange);
    EXPECT_EQ(m_record.m_strChangeReason,
              "Date changed has been updated - was " + FormatDateTime(first) + ", now " + FormatDateTime(later));
    EXPECT_EQ(m_record.m_timeLastModified, later);

    Serve("page");
    Check();
    EXPECT_FALSE(m_record.m_bNewChange);
    EXPECT_FALSE(m_record.m_bLastModifiedKnown);

    // With the header gone once, the next dated response only stores its date.
    Serve("page", 200, {{"Last-Modified", HttpDate(later + 86400)}});
    Check();
    EXPECT_FALSE(m_record.m_bNewChange);
    EXPECT_TRUE(m_record.m_bLastModifiedKnown);
    EXPECT_EQ(m_record.m_timeLastModified, later + 86400);
}

TEST_F(PageCheckTest, FailedDownloadWithoutUnreachableChangesOnlyTheCheckFields)
{
    m_record.m_bWatchContent = true;
    Check("<p>first</p>");
    m_record.m_bChanged = false;
    const uint32_t pageCRC = m_record.m_dwPageCRC;

    Serve("gone", 404);
    Check();
    EXPECT_FALSE(m_record.m_bComplete);
    EXPECT_FALSE(m_record.m_bChanged);
    EXPECT_FALSE(m_record.m_bNewChange);
    EXPECT_EQ(m_record.m_strChangeReason, "");
    EXPECT_EQ(m_record.m_nChecks, 2);
    EXPECT_EQ(m_record.m_nDownloads, 1);
    EXPECT_EQ(m_record.m_dwPageCRC, pageCRC);
    EXPECT_EQ(StatusText(m_record), "Failed - Not found, 404");
}

TEST_F(PageCheckTest, FailedDownloadWithUnreachableMarksTheErrorText)
{
    m_record.m_bWatchUnreachable = true;
    Serve("gone", 404);
    Check();
    EXPECT_TRUE(m_record.m_bNewChange);
    EXPECT_EQ(m_record.m_strChangeReason, "Not found, 404");

    // Whatever the engine names as the error of this failure is the reason.
    Serve("oops", 500);
    Check();
    EXPECT_TRUE(m_record.m_bNewChange);
    EXPECT_FALSE(m_record.m_strError.empty());
    EXPECT_EQ(m_record.m_strChangeReason, m_record.m_strError);
}

TEST_F(PageCheckTest, TextConditionsAreStatesMarkedAtEveryCheck)
{
    m_record.m_bTextNotPresent = true;
    m_record.m_strSearchText = "In stock";
    Check("<p>Sold out</p>");
    EXPECT_TRUE(m_record.m_bNewChange);
    Check();
    EXPECT_TRUE(m_record.m_bNewChange);
    EXPECT_EQ(m_record.m_strChangeReason, "Text NOT found");
}

struct SearchCase
{
    bool textSearch;
    bool notPresent;
    const char* page;
    const char* reason; // nullptr: nothing marked
};

class SearchCombinations : public PageCheckTest, public ::testing::WithParamInterface<SearchCase>
{
};

TEST_P(SearchCombinations, MarkAsTheTwoBoxesSay)
{
    const SearchCase& c = GetParam();
    m_record.m_bTextSearch = c.textSearch;
    m_record.m_bTextNotPresent = c.notPresent;
    m_record.m_strSearchText = "Sale";
    Check(c.page);
    if (c.reason) {
        EXPECT_TRUE(m_record.m_bNewChange);
        EXPECT_EQ(m_record.m_strChangeReason, c.reason);
    } else {
        EXPECT_FALSE(m_record.m_bChanged) << m_record.m_strChangeReason;
    }
}

// "Sale" is searched for; the search is case-sensitive, so "sale" counts as absent.
INSTANTIATE_TEST_SUITE_P(PageCheck, SearchCombinations,
                         ::testing::Values(SearchCase{true, false, "<b>Sale</b>", "Text found"},
                                           SearchCase{true, false, "<b>sale</b>", nullptr},
                                           SearchCase{false, true, "<b>Sale</b>", nullptr},
                                           SearchCase{false, true, "<b>SALE</b>", "Text NOT found"},
                                           SearchCase{true, true, "<b>Sale</b>", nullptr},
                                           SearchCase{true, true, "<b>nothing</b>", "Text NOT found"},
                                           SearchCase{false, false, "<b>Sale</b>", nullptr},
                                           SearchCase{false, false, "<b>nothing</b>", nullptr}));

TEST_F(PageCheckTest, PartialWatchKeepsItsChecksumWhileALimitIsMissing)
{
    m_record.m_bFromStart = false;
    m_record.m_strStartText = "AB";
    m_record.m_bToEnd = false;
    m_record.m_strEndText = "CD";

    Check("xAB1CDy");
    EXPECT_EQ(m_verdict.partText, "AB1");
    EXPECT_EQ(m_record.m_dwPartCRC, TextChecksum("AB1"));

    Check("zzAB1CDzz");
    EXPECT_FALSE(m_record.m_bNewChange) << "the part is the same";

    Check("xAB2y");
    EXPECT_TRUE(m_record.m_bNewChange);
    EXPECT_EQ(m_record.m_strChangeReason, "Couldn't find end text");
    EXPECT_EQ(m_record.m_dwPartCRC, TextChecksum("AB1"));

    Check("xAB1CDy");
    EXPECT_FALSE(m_record.m_bNewChange) << "compared with the part from before the limit went missing";
}

struct PartCase
{
    const char* page;
    const char* start; // nullptr: from the beginning
    const char* end; // nullptr: to the end
    const char* part; // nullptr: no part cut
    const char* reason;
};

class PartLimits : public PageCheckTest, public ::testing::WithParamInterface<PartCase>
{
};

TEST_P(PartLimits, CutThePart)
{
    const PartCase& c = GetParam();
    m_record.m_bFromStart = c.start == nullptr;
    m_record.m_strStartText = c.start ? c.start : "";
    m_record.m_bToEnd = c.end == nullptr;
    m_record.m_strEndText = c.end ? c.end : "";
    std::string missing;
    const std::optional<std::string> part = CutPart(m_record, c.page, &missing);
    EXPECT_EQ(part.has_value(), c.part != nullptr);
    if (part)
        EXPECT_EQ(*part, c.part);
    else
        EXPECT_EQ(missing, c.reason);
}

INSTANTIATE_TEST_SUITE_P(PageCheck, PartLimits,
                         ::testing::Values(PartCase{"xAB1CDy", "AB", "CD", "AB1", nullptr},
                                           PartCase{"xAB1CDy", "AB", nullptr, "AB1CDy", nullptr},
                                           PartCase{"xAB1CDy", nullptr, "CD", "xAB1", nullptr},
                                           PartCase{"xCDyAB1CDz", "AB", "CD", "AB1", nullptr},
                                           PartCase{"xABCDy", "ABC", "BC", "A", nullptr},
                                           PartCase{"xAB1CDy", "", "CD", "xAB1", nullptr},
                                           PartCase{"xAB1CDy", "AB", "", "", nullptr},
                                           PartCase{"xab1CDy", "AB", "CD", nullptr, "Couldn't find start text"},
                                           PartCase{"xAB1cdy", "AB", "CD", nullptr, "Couldn't find end text"},
                                           PartCase{"xCDyAB1", "AB", "CD", nullptr, "Couldn't find end text"}));

TEST_F(PageCheckTest, LaterMarksReplaceEarlierReasons)
{
    m_record.m_bWatchContent = true;
    m_record.m_bWatchSize = true;
    m_record.m_bFromStart = false;
    m_record.m_strStartText = "<b>";
    m_record.m_bTextSearch = true;
    m_record.m_strSearchText = "Sale";
    Check("<b>Sale</b>");
    EXPECT_EQ(m_record.m_strChangeReason, "Text found");

    m_record.m_bTextSearch = false;
    Check("<b>Sale!</b>");
    EXPECT_EQ(m_record.m_strChangeReason, "Partial page change");

    m_record.m_bFromStart = true;
    Check("<b>Sale!!</b>");
    EXPECT_EQ(m_record.m_strChangeReason, "Size changed - was 12 bytes, now 13 bytes")
        << "the size change comes after the checksum";

    m_record.m_bWatchSize = false;
    Check("<b>Sale!!!</b>");
    EXPECT_EQ(m_record.m_strChangeReason, "Checksum changed");
}

TEST_F(PageCheckTest, DebugLogOfASuccessfulCheck)
{
    m_record.m_bFromStart = false;
    m_record.m_strStartText = "AB";
    m_record.m_bTextSearch = true;
    m_record.m_strSearchText = "1";
    Check("xAB1");
    const std::string expected = m_record.m_strURL
        + "\nfront page\n"
          "Date last changed: Unknown - never visited\n"
          "Date last checked: Never\n"
          "Partial page watch - Old CRC = 0 new CRC = "
        + std::to_string(TextChecksum("AB1")) + "\n1 is present at index 3\n";
    EXPECT_EQ(ReadFileBytes(DebugLog()), expected);

    m_record.m_bTextSearch = false;
    m_record.m_bTextNotPresent = true;
    m_record.m_strSearchText = "zz";
    const std::string lastChecked = LastCheckedText(m_record);
    // A longer log of before is written over: nothing of it stays behind the new one.
    WriteFileBytes(DebugLog(), std::string(4096, 'x'));
    Check();
    const std::string log = ReadFileBytes(DebugLog());
    EXPECT_NE(log.find("\nDate last checked: " + lastChecked + "\n"), std::string::npos) << log;
    EXPECT_NE(log.find("Old CRC = " + std::to_string(TextChecksum("AB1"))), std::string::npos) << log;
    EXPECT_EQ(log.substr(log.size() - 14), "\nzz not found\n");
}
