#include "model/UrlRecord.h"
#include "check/PageCheck.h"
#include "check/PageTexts.h"
#include "model/Archive.h"
#include "model/SiteVigilDoc.h"
#include "model/VigilPrefs.h"

#include "TestEnv.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <set>
#include <thread>
#include <vector>

namespace {

std::string Le32(uint32_t v)
{
    return std::string{static_cast<char>(v & 0xFF), static_cast<char>((v >> 8) & 0xFF),
                       static_cast<char>((v >> 16) & 0xFF), static_cast<char>((v >> 24) & 0xFF)};
}

std::string Text1(const std::string& s)
{
    return static_cast<char>(s.size()) + s;
}

// A record with a distinct value in every field, so that a field out of place shows in the bytes.
void FillAllFields(Curl& r)
{
    r.m_strName = "Name";
    r.m_strURL = "http://example.test/";
    r.m_bSavePage = false;
    r.m_bWatchUnreachable = true;
    r.m_bWatchReachable = true;
    r.m_bWatchDate = true;
    r.m_bWatchContent = true;
    r.m_bWatchSize = false;
    r.m_bTextSearch = true;
    r.m_bTextNotPresent = true;
    r.m_strSearchText = "needle";
    r.m_timeLastChecked = 0x11223344;
    r.m_timeLastModified = -5;
    r.m_bLastModifiedKnown = true;
    r.m_bChanged = true;
    r.m_nSize = 1234;
    r.m_bDataReceived = true;
    r.m_strDescription = "desc";
    r.m_strChangeReason = "why";
    r.m_bAuthenticate = true;
    r.m_strUserName = "user";
    r.m_strPassword = "pw";
    r.m_dwReserved1 = 0;
    r.m_dwReserved2 = 0;
    r.m_dwPageCRC = 0xDEADBEEF;
    r.m_dwPartCRC = 0xCAFEBABE;
    r.m_bFromStart = false;
    r.m_strStartText = "start";
    r.m_bToEnd = false;
    r.m_strEndText = "end";
    r.m_nChecks = 7;
    r.m_nDownloads = 6;
    r.m_bComplete = true;
    r.m_strError = "err";
    r.m_strPageID = "1f";
    r.m_compare = CompareMode::Text;
    r.m_strSelect = "div.price";
    r.m_strXPath = "//p";
    r.m_ignore = {"Updated", "Ad"};
    r.m_ignoreRegex = {"^\\d+ visitors$"};
    r.m_trigger = ChangeTrigger::Added;
    r.m_announce = AnnounceMode::Change;
    r.m_watchState = {"found"};
    r.m_every = CheckInterval{900};
    r.m_strETag = "\"v1\"";
    r.m_strLastModifiedText = "Tue, 01 Dec 2026 10:00:00 GMT";
    r.m_strCopyDigest = "5-0-0";
    r.m_strComparedFrom = "5-0-0/9-0-0";
}

std::string ExpectedBytesOfFilledRecord()
{
    return Text1("Name") + Text1("http://example.test/") + Le32(0) + Le32(1) + Le32(1) + Le32(1) + Le32(1) + Le32(0)
        + Le32(1) + Le32(1) + Text1("needle") + Le32(0x11223344) + Le32(0xFFFFFFFB) + Le32(1) + Le32(1) + Le32(1234)
        + Le32(1) + Text1("desc") + Text1("why") + Le32(1) + Text1("user") + Text1("pw") + Le32(0) + Le32(0)
        + Le32(0xDEADBEEF) + Le32(0xCAFEBABE) + Le32(0) + Text1("start") + Le32(0) + Text1("end") + Le32(7) + Le32(6)
        + Le32(1) + Text1("err") + Text1("1f");
}

// The extension block of the filled record, as version 1.1 writes it after field 35.
std::string ExpectedBlockOfFilledRecord()
{
    return Le32(15) + Text1("compare") + Text1("text") + Text1("select") + Text1("div.price") + Text1("xpath")
        + Text1("//p") + Text1("ignore") + Text1("Updated\nAd") + Text1("ignoreRegex") + Text1("^\\d+ visitors$")
        + Text1("trigger") + Text1("added") + Text1("announce") + Text1("change") + Text1("render") + Text1("0")
        + Text1("renderWait") + Text1("2") + Text1("every") + Text1("15m") + Text1("state") + Text1("found")
        + Text1("etag") + Text1("\"v1\"") + Text1("lastModifiedText") + Text1("Tue, 01 Dec 2026 10:00:00 GMT")
        + Text1("copyDigest") + Text1("5-0-0") + Text1("comparedFrom") + Text1("5-0-0/9-0-0");
}

// The block of a record with the options' initial values.
std::string ExpectedBlockOfDefaults()
{
    return Le32(15) + Text1("compare") + Text1("page") + Text1("select") + Text1("") + Text1("xpath") + Text1("")
        + Text1("ignore") + Text1("") + Text1("ignoreRegex") + Text1("") + Text1("trigger") + Text1("any")
        + Text1("announce") + Text1("each") + Text1("render") + Text1("0") + Text1("renderWait") + Text1("2")
        + Text1("every") + Text1("") + Text1("state") + Text1("") + Text1("etag") + Text1("")
        + Text1("lastModifiedText") + Text1("") + Text1("copyDigest") + Text1("") + Text1("comparedFrom") + Text1("");
}

TEST(UrlRecordArchive, StoresAllFieldsInOrderByteForByte)
{
    Curl record;
    FillAllFields(record);
    CArchiveWriter writer;
    ASSERT_TRUE(record.Serialize(writer));
    EXPECT_EQ(writer.Data(), ExpectedBytesOfFilledRecord() + ExpectedBlockOfFilledRecord());

    Curl back;
    CArchiveReader reader(writer.Data());
    ASSERT_TRUE(back.ReadFromArchive(reader, 1, 1, 0));
    EXPECT_EQ(reader.Remaining(), 0u);
    CArchiveWriter again;
    back.Serialize(again);
    EXPECT_EQ(again.Data(), writer.Data());
    // Every persistent field made the round trip, and a work copy takes them all.
    EXPECT_TRUE(back.Settings() == record.Settings());
    EXPECT_TRUE(back.Results() == record.Results());
    EXPECT_TRUE(record.MakeWorkCopy()->Settings() == record.Settings());
    EXPECT_TRUE(record.MakeWorkCopy()->Results() == record.Results());
}

TEST(UrlRecordArchive, LongAndWideTextsRoundTrip)
{
    Curl record;
    record.m_strName = std::string(254, 'n');
    record.m_strURL = std::string(255, 'u');
    record.m_strDescription = std::string(65535, 'd');
    CArchiveWriter writer;
    ASSERT_TRUE(record.Serialize(writer));
    const std::string& data = writer.Data();
    EXPECT_EQ(data.substr(0, 1), "\xFE");
    EXPECT_EQ(data.substr(255, 3), std::string("\xFF\xFF\x00", 3));
    EXPECT_EQ(data.size(), (1 + 254) + (3 + 255) + (7 + 65535) + 8 + 24 * 4 + ExpectedBlockOfDefaults().size());

    Curl back;
    CArchiveReader reader(data);
    ASSERT_TRUE(back.ReadFromArchive(reader, 1, 1, 0));
    EXPECT_EQ(back.m_strName, record.m_strName);
    EXPECT_EQ(back.m_strURL, record.m_strURL);
    EXPECT_EQ(back.m_strDescription, record.m_strDescription);

    // A name stored as UTF-16 by another writer reads as UTF-8 and is written back as such.
    std::string wide = std::string("\xFF\xFE\xFF\x02", 4) + std::string("\xE9\x00\x6B\x00", 4);
    CArchiveWriter rest;
    Curl defaults;
    defaults.m_strURL = "http://a/";
    defaults.Serialize(rest);
    wide += rest.Data().substr(1); // replace the empty name
    Curl fromWide;
    CArchiveReader wideReader(wide);
    ASSERT_TRUE(fromWide.ReadFromArchive(wideReader, 1, 1, 0));
    EXPECT_EQ(fromWide.m_strName, "\xC3\xA9k");
    EXPECT_EQ(fromWide.m_strURL, "http://a/");
}

struct VersionCase
{
    int major, minor, build;
    bool hasPageId;
    bool hasBlock = false;
};

class UrlRecordVersion : public testing::TestWithParam<VersionCase>
{
};

INSTANTIATE_TEST_SUITE_P(Headers, UrlRecordVersion,
                         testing::Values(VersionCase{0, 0, 1198, false}, VersionCase{0, 0, 1199, true},
                                         VersionCase{1, 0, 50, true}, VersionCase{1, 0, 842, false},
                                         VersionCase{0, 0, 842, false}, VersionCase{1, 1, 0, true, true},
                                         VersionCase{2, 7, 0, true, true}),
                         [](const testing::TestParamInfo<VersionCase>& info) {
                             return "v" + std::to_string(info.param.major) + "_" + std::to_string(info.param.minor)
                                 + "_" + std::to_string(info.param.build);
                         });

TEST_P(UrlRecordVersion, ReadsThePageIdOnlyWhenTheVersionHasIt)
{
    const VersionCase& v = GetParam();
    std::string data = ExpectedBytesOfFilledRecord();
    if (!v.hasPageId)
        data.resize(data.size() - 3); // drop field 35 ("\x02" "1f")
    if (v.hasBlock)
        data += ExpectedBlockOfFilledRecord();
    data += "next";

    Curl back;
    CArchiveReader reader(data);
    ASSERT_TRUE(back.ReadFromArchive(reader, v.major, v.minor, v.build));
    EXPECT_EQ(back.m_strPageID, v.hasPageId ? "1f" : "");
    EXPECT_EQ(back.m_strError, "err");
    // A file without the block means the options as they were before they existed.
    EXPECT_EQ(back.m_compare, v.hasBlock ? CompareMode::Text : CompareMode::Page);
    EXPECT_EQ(back.m_announce, v.hasBlock ? AnnounceMode::Change : AnnounceMode::Each);
    EXPECT_EQ(back.m_ignore, v.hasBlock ? std::vector<std::string>({"Updated", "Ad"}) : std::vector<std::string>());
    EXPECT_EQ(reader.Remaining(), 4u); // the next record starts right after
}

TEST(UrlRecordArchive, ExtensionEntriesOfANewerVersionAreKeptAndWrittenBack)
{
    // A newer version's entries, one known option with a value this version cannot read, one repeated.
    const std::string newer = Le32(5) + Text1("cadence") + Text1("3600") + Text1("trigger") + Text1("sometimes")
        + Text1("compare") + Text1("text") + Text1("fingerprint") + Text1("\"abc\"\nweak") + Text1("compare")
        + Text1("page");
    const std::string data = ExpectedBytesOfFilledRecord() + newer + "next";
    Curl back;
    CArchiveReader reader(data);
    ASSERT_TRUE(back.ReadFromArchive(reader, 1, 4, 2));
    EXPECT_EQ(reader.Remaining(), 4u);
    EXPECT_EQ(back.m_trigger, ChangeTrigger::Any); // not understood: as before the option existed
    EXPECT_EQ(back.m_compare, CompareMode::Page); // the later entry wins
    EXPECT_EQ(back.m_keptOptions, (std::vector<ExtensionEntry>{{"cadence", "3600"}, {"fingerprint", "\"abc\"\nweak"}}));

    CArchiveWriter writer;
    ASSERT_TRUE(back.Serialize(writer));
    const std::string& out = writer.Data();
    const std::string kept = Text1("cadence") + Text1("3600") + Text1("fingerprint") + Text1("\"abc\"\nweak");
    ASSERT_GE(out.size(), kept.size());
    EXPECT_EQ(out.substr(out.size() - kept.size()), kept);
    Curl again;
    CArchiveReader rereader(out);
    ASSERT_TRUE(again.ReadFromArchive(rereader, 1, 1, 0));
    EXPECT_EQ(again.m_keptOptions, back.m_keptOptions);
}

TEST(UrlRecordArchive, DamagedExtensionBlockFailsTheRecord)
{
    for (const std::string& block : {std::string(), Le32(0x7FFFFFFF) + Text1("a"), Le32(2) + Text1("compare"),
                                     Le32(1) + std::string("\xFF\xFF\xFF", 3)}) {
        const std::string data = ExpectedBytesOfFilledRecord() + block;
        Curl back;
        CArchiveReader reader(data);
        EXPECT_FALSE(back.ReadFromArchive(reader, 1, 1, 0)) << testing::PrintToString(block);
        EXPECT_EQ(back.m_strName, "Error");
    }
}

TEST(UrlRecordArchive, OptionValuesRoundTripThroughTheirTextForm)
{
    std::vector<std::string> items;
    EXPECT_TRUE(DecodeOptionValue("", items));
    EXPECT_TRUE(items.empty());
    EXPECT_TRUE(DecodeOptionValue("a\n\nb", items));
    EXPECT_EQ(items, (std::vector<std::string>{"a", "", "b"}));
    EXPECT_EQ(EncodeOptionValue(items), "a\n\nb");
    int32_t number = 7;
    EXPECT_EQ(EncodeOptionValue(int32_t{-42}), "-42");
    EXPECT_TRUE(DecodeOptionValue("-42", number));
    EXPECT_EQ(number, -42);
    for (const char* bad : {"", "12x", " 1", "4294967296"}) {
        EXPECT_FALSE(DecodeOptionValue(bad, number)) << bad;
        EXPECT_EQ(number, -42);
    }
    bool flag = false;
    EXPECT_TRUE(DecodeOptionValue("1", flag));
    EXPECT_TRUE(flag);
    EXPECT_FALSE(DecodeOptionValue("yes", flag));
}

TEST(UrlRecordArchive, EmptyAddressReadsAsLoopback)
{
    Curl record;
    record.m_strName = "blank";
    CArchiveWriter writer;
    record.Serialize(writer);
    Curl back;
    CArchiveReader reader(writer.Data());
    ASSERT_TRUE(back.ReadFromArchive(reader, 1, 1, 0));
    EXPECT_EQ(back.m_strName, "blank");
    EXPECT_EQ(back.m_strURL, "http://127.0.0.1");
}

TEST(UrlRecordArchive, ReadErrorKeepsEarlierFieldsAndMarksTheRecord)
{
    Curl record;
    FillAllFields(record);
    CArchiveWriter writer;
    record.Serialize(writer);
    // Cut inside the description (field 18): fields up to 17 keep their values, the rest their defaults.
    const std::string data = writer.Data();
    const size_t cut = data.find("desc") + 2;
    Curl back;
    CArchiveReader reader(std::string_view(data).substr(0, cut));
    EXPECT_FALSE(back.ReadFromArchive(reader, 1, 0, 50));
    EXPECT_EQ(back.m_strName, "Error");
    EXPECT_EQ(back.m_strURL, "http://127.0.0.1");
    EXPECT_EQ(back.m_strSearchText, "needle");
    EXPECT_EQ(back.m_nSize, 1234);
    EXPECT_TRUE(back.m_bDataReceived);
    EXPECT_EQ(back.m_strDescription, "");
    EXPECT_TRUE(back.m_bFromStart);
    EXPECT_EQ(back.m_nChecks, 0);
}

TEST(UrlRecord, CopyTakesFieldsOneToThirtyTwoOnly)
{
    Curl source;
    FillAllFields(source);
    source.m_bNewChange = true;
    source.m_strStatus = "busy";
    source.m_nHttpStatus = 200;

    const Curl copy(source);
    CArchiveWriter a, b;
    source.Serialize(a);
    copy.Serialize(b);
    // Up to field 32 the bytes agree; 33 to 35 are the construction values; the options come along.
    const std::string block = ExpectedBlockOfFilledRecord();
    const std::string tail = Le32(0) + Text1("") + Text1("") + block;
    ASSERT_GT(b.Data().size(), tail.size());
    EXPECT_EQ(b.Data().substr(0, b.Data().size() - tail.size()),
              a.Data().substr(0, a.Data().size() - (4 + 4 + 3) - block.size()));
    EXPECT_EQ(b.Data().substr(b.Data().size() - tail.size()), tail);
    EXPECT_FALSE(copy.m_bNewChange);
    EXPECT_EQ(copy.m_strStatus, "");
    EXPECT_EQ(copy.m_nHttpStatus, 0);
    EXPECT_EQ(copy.m_nSize, source.m_nSize);
}

TEST(UrlRecord, NewRecordTexts)
{
    Curl record;
    EXPECT_EQ(StatusText(record), "Never visited");
    EXPECT_EQ(SizeText(record), "Unknown");
    EXPECT_EQ(LastCheckedText(record), "Never");
    EXPECT_EQ(LastModifiedText(record), "Unknown - never visited");
    EXPECT_EQ(ChangeText(record), "  Unchanged ");
}

// Local time is the test's own: UTC, and a locale whose names are not English (scripts/setup.sh
// generates it), so that English names cannot come from the locale by chance.
class UrlRecordTime : public testing::Test
{
protected:
    void SetUp() override
    {
        const char* tz = std::getenv("TZ");
        m_hadTz = tz != nullptr;
        m_tz = tz ? tz : "";
        setenv("TZ", "UTC", 1);
        tzset();
        ASSERT_NE(std::setlocale(LC_ALL, "de_DE.UTF-8"), nullptr)
            << "the locale de_DE.UTF-8 is not installed; scripts/setup.sh generates it";
        std::tm monday{};
        monday.tm_wday = 1;
        char name[32];
        std::strftime(name, sizeof name, "%A", &monday);
        ASSERT_STREQ(name, "Montag") << "de_DE.UTF-8 does not name the days in German";
    }
    void TearDown() override
    {
        std::setlocale(LC_ALL, "C");
        if (m_hadTz)
            setenv("TZ", m_tz.c_str(), 1);
        else
            unsetenv("TZ");
        tzset();
    }

private:
    bool m_hadTz = false;
    std::string m_tz;
};

TEST_F(UrlRecordTime, FormattedTextsUseEnglishNames)
{
    EXPECT_EQ(FormatDateTime(1073307845), "Monday, January 05, 2004 13:04:05");
    EXPECT_EQ(FormatDateTime(INT32_MIN), "Friday, December 13, 1901 20:45:52");

    Curl record;
    record.m_nChecks = 2;
    record.m_nDownloads = 1;
    record.m_timeLastChecked = 1073307845;
    record.m_timeLastModified = 951782400; // 29 February 2000
    record.m_bComplete = false;
    record.m_strError = "timed out";
    record.m_bDataReceived = true;
    record.m_nSize = 5120;
    EXPECT_EQ(StatusText(record), "Failed - timed out");
    EXPECT_EQ(LastCheckedText(record), "Monday, January 05, 2004 13:04:05");
    EXPECT_EQ(LastModifiedText(record), "Not supported by website");
    EXPECT_EQ(SizeText(record), "5120 bytes");
    record.m_bLastModifiedKnown = true;
    EXPECT_EQ(LastModifiedText(record), "Tuesday, February 29, 2000 00:00:00");
    record.m_bComplete = true;
    EXPECT_EQ(StatusText(record), "OK");
    record.SetChanged(true);
    record.m_strChangeReason = "Size changed";
    EXPECT_EQ(ChangeText(record), "  Changed - Size changed");
}

// The date a response carries, judged as a check judges it (a page without an id writes no files).
TEST_F(UrlRecordTime, LaterLastModifiedMarksAWatchedDate)
{
    const auto dated = [](int64_t date) {
        FetchOutcome outcome;
        outcome.headRead = true;
        outcome.lastModified = date;
        return outcome;
    };
    Curl record;
    record.m_nDownloads = 1;
    record.m_bWatchDate = true;
    record.Results() = JudgePage(record, record, dated(951782400)).results; // first date seen: no change
    EXPECT_FALSE(record.m_bChanged);
    EXPECT_TRUE(record.m_bLastModifiedKnown);

    record.Results() = JudgePage(record, record, dated(951782400 - 10)).results; // earlier: stored, no change
    EXPECT_FALSE(record.m_bChanged);
    EXPECT_EQ(record.m_timeLastModified, 951782400 - 10);

    const PageVerdict later = JudgePage(record, record, dated(1073307845));
    EXPECT_TRUE(later.results.m_bChanged);
    EXPECT_TRUE(later.results.m_bNewChange);
    const std::string reason = "Date changed has been updated - was Monday, February 28, 2000 23:59:50, now "
                               "Monday, January 05, 2004 13:04:05";
    EXPECT_EQ(later.results.m_strChangeReason, reason);
    EXPECT_EQ(later.changes, std::vector<std::string>{reason});

    Curl unwatched;
    unwatched.m_bLastModifiedKnown = true;
    const CurlResults quiet = JudgePage(unwatched, unwatched, dated(1073307845)).results;
    EXPECT_FALSE(quiet.m_bChanged);
    EXPECT_EQ(quiet.m_timeLastModified, 1073307845);
}

TEST(UrlRecord, ChangedFlagSetsNewChangeButClearingLeavesIt)
{
    Curl record;
    record.SetChanged(true);
    EXPECT_TRUE(record.m_bNewChange);
    record.SetChanged(false);
    EXPECT_FALSE(record.m_bChanged);
    EXPECT_TRUE(record.m_bNewChange);
}

TEST(UrlRecordPageId, AJoiningPageCountsOnFromTheSettingInLowercaseHex)
{
    CIsolatedSettings settings;
    CVigilPrefs::GetInstance().WriteInt("urlID", 255);
    CSiteVigilDoc doc;
    ASSERT_TRUE(doc.AddRecord(std::make_unique<Curl>()));
    EXPECT_EQ(doc.RecordAt(0).m_strPageID, "100");
    EXPECT_EQ(CVigilPrefs::GetInstance().ReadInt("urlID", 0), 256);
    // A valid id of its own is kept; one another page has is replaced.
    auto own = std::make_unique<Curl>();
    own->m_strPageID = "7";
    auto twin = std::make_unique<Curl>();
    twin->m_strPageID = "7";
    ASSERT_TRUE(doc.AddRecord(std::move(own)));
    ASSERT_TRUE(doc.AddRecord(std::move(twin)));
    EXPECT_EQ(doc.RecordAt(1).m_strPageID, "7");
    EXPECT_EQ(doc.RecordAt(2).m_strPageID, "101");
}

// The counter in the settings may never advance (a damaged, read-only or busy settings file): the
// ids still differ, and so do the files of the pages.
TEST(UrlRecordPageId, IdsStayUniqueWhenTheSettingNeverAdvances)
{
    CIsolatedSettings settings;
    CSiteVigilDoc doc;
    auto existing = std::make_unique<Curl>();
    existing->m_strPageID = "3";
    ASSERT_TRUE(doc.AddRecord(std::move(existing)));
    std::set<std::string> ids{"3"};
    for (int i = 0; i < 5; ++i) {
        CVigilPrefs::GetInstance().WriteInt("urlID", 0);
        ASSERT_TRUE(doc.AddRecord(std::make_unique<Curl>()));
        ids.insert(doc.RecordAt(doc.Count() - 1).m_strPageID);
    }
    EXPECT_EQ(ids.size(), 6u);
    EXPECT_FALSE(ids.contains("1")) << "nothing below an id of the list is handed out again";
}

} // namespace
