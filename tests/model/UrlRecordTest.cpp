#include "model/UrlRecord.h"
#include "model/Archive.h"
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
}

std::string ExpectedBytesOfFilledRecord()
{
    return Text1("Name") + Text1("http://example.test/") + Le32(0) + Le32(1) + Le32(1) + Le32(1) + Le32(1) + Le32(0)
        + Le32(1) + Le32(1) + Text1("needle") + Le32(0x11223344) + Le32(0xFFFFFFFB) + Le32(1) + Le32(1) + Le32(1234)
        + Le32(1) + Text1("desc") + Text1("why") + Le32(1) + Text1("user") + Text1("pw") + Le32(0) + Le32(0)
        + Le32(0xDEADBEEF) + Le32(0xCAFEBABE) + Le32(0) + Text1("start") + Le32(0) + Text1("end") + Le32(7) + Le32(6)
        + Le32(1) + Text1("err") + Text1("1f");
}

TEST(UrlRecordArchive, StoresAllFieldsInOrderByteForByte)
{
    Curl record;
    FillAllFields(record);
    CArchiveWriter writer;
    ASSERT_TRUE(record.Serialize(writer));
    EXPECT_EQ(writer.Data(), ExpectedBytesOfFilledRecord());

    Curl back;
    CArchiveReader reader(writer.Data());
    ASSERT_TRUE(back.ReadFromArchive(reader, 1, 0, 50));
    CArchiveWriter again;
    back.Serialize(again);
    EXPECT_EQ(again.Data(), writer.Data());
    // Every persistent field made the round trip, and a work copy takes them all.
    EXPECT_TRUE(static_cast<const CurlFields&>(back) == record);
    EXPECT_TRUE(static_cast<const CurlFields&>(*record.MakeWorkCopy()) == record);
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
    EXPECT_EQ(data.size(), (1 + 254) + (3 + 255) + (7 + 65535) + 8 + 24 * 4);

    Curl back;
    CArchiveReader reader(data);
    ASSERT_TRUE(back.ReadFromArchive(reader, 1, 0, 50));
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
    ASSERT_TRUE(fromWide.ReadFromArchive(wideReader, 1, 0, 50));
    EXPECT_EQ(fromWide.m_strName, "\xC3\xA9k");
    EXPECT_EQ(fromWide.m_strURL, "http://a/");
}

struct VersionCase
{
    int major, minor, build;
    bool hasPageId;
};

class UrlRecordVersion : public testing::TestWithParam<VersionCase>
{
};

INSTANTIATE_TEST_SUITE_P(Headers, UrlRecordVersion,
                         testing::Values(VersionCase{0, 0, 1198, false}, VersionCase{0, 0, 1199, true},
                                         VersionCase{1, 0, 50, true}, VersionCase{1, 0, 842, false},
                                         VersionCase{0, 0, 842, false}, VersionCase{2, 7, 0, true}),
                         [](const testing::TestParamInfo<VersionCase>& info) {
                             return "v" + std::to_string(info.param.major) + "_" + std::to_string(info.param.minor)
                                 + "_" + std::to_string(info.param.build);
                         });

TEST_P(UrlRecordVersion, ReadsThePageIdOnlyWhenTheVersionHasIt)
{
    const VersionCase& v = GetParam();
    Curl record;
    FillAllFields(record);
    CArchiveWriter writer;
    record.Serialize(writer);
    std::string data = writer.Data();
    if (!v.hasPageId)
        data.resize(data.size() - 3); // drop field 35 ("\x02" "1f")
    data += "next";

    Curl back;
    CArchiveReader reader(data);
    ASSERT_TRUE(back.ReadFromArchive(reader, v.major, v.minor, v.build));
    EXPECT_EQ(back.m_strPageID, v.hasPageId ? "1f" : "");
    EXPECT_EQ(back.m_strError, "err");
    EXPECT_EQ(reader.Remaining(), 4u); // the next record starts right after
}

TEST(UrlRecordArchive, EmptyAddressReadsAsLoopback)
{
    Curl record;
    record.m_strName = "blank";
    CArchiveWriter writer;
    record.Serialize(writer);
    Curl back;
    CArchiveReader reader(writer.Data());
    ASSERT_TRUE(back.ReadFromArchive(reader, 1, 0, 50));
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
    source.AppendBody("abc", 3);

    const Curl copy(source);
    CArchiveWriter a, b;
    source.Serialize(a);
    copy.Serialize(b);
    // Up to field 32 the bytes agree; 33 to 35 are the construction values.
    const std::string tail = Le32(0) + Text1("") + Text1("");
    ASSERT_GT(b.Data().size(), tail.size());
    EXPECT_EQ(b.Data().substr(0, b.Data().size() - tail.size()), a.Data().substr(0, a.Data().size() - (4 + 4 + 3)));
    EXPECT_EQ(b.Data().substr(b.Data().size() - tail.size()), tail);
    EXPECT_FALSE(copy.m_bNewChange);
    EXPECT_EQ(copy.m_strStatus, "");
    EXPECT_EQ(copy.m_nHttpStatus, 0);
    EXPECT_EQ(copy.m_nSize, source.m_nSize);
    EXPECT_STREQ(copy.GetBody(), "");
}

TEST(UrlRecord, NewRecordTexts)
{
    Curl record;
    EXPECT_EQ(record.GetStatusText(), "Never visited");
    EXPECT_EQ(record.GetSizeText(), "Unknown");
    EXPECT_EQ(record.GetLastCheckedText(), "Never");
    EXPECT_EQ(record.GetLastModifiedText(), "Unknown - never visited");
    EXPECT_EQ(record.GetChangeText(), "  Unchanged ");
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
    EXPECT_EQ(Curl::FormatDateTime(1073307845), "Monday, January 05, 2004 13:04:05");
    EXPECT_EQ(Curl::FormatDateTime(INT32_MIN), "Friday, December 13, 1901 20:45:52");

    Curl record;
    record.m_nChecks = 2;
    record.m_nDownloads = 1;
    record.m_timeLastChecked = 1073307845;
    record.m_timeLastModified = 951782400; // 29 February 2000
    record.m_bComplete = false;
    record.m_strError = "timed out";
    record.m_bDataReceived = true;
    record.m_nSize = 5120;
    EXPECT_EQ(record.GetStatusText(), "Failed - timed out");
    EXPECT_EQ(record.GetLastCheckedText(), "Monday, January 05, 2004 13:04:05");
    EXPECT_EQ(record.GetLastModifiedText(), "Not supported by website");
    EXPECT_EQ(record.GetSizeText(), "5120 bytes");
    record.m_bLastModifiedKnown = true;
    EXPECT_EQ(record.GetLastModifiedText(), "Tuesday, February 29, 2000 00:00:00");
    record.m_bComplete = true;
    EXPECT_EQ(record.GetStatusText(), "OK");
    record.SetChanged(true);
    record.m_strChangeReason = "Size changed";
    EXPECT_EQ(record.GetChangeText(), "  Changed - Size changed");
}

TEST_F(UrlRecordTime, LaterLastModifiedMarksAWatchedDate)
{
    Curl record;
    record.m_nDownloads = 1;
    record.m_bWatchDate = true;
    record.OnLastModified(951782400); // first date seen: stored, no change
    EXPECT_FALSE(record.m_bChanged);
    EXPECT_TRUE(record.m_bLastModifiedKnown);

    record.OnLastModified(951782400 - 10); // earlier: stored, no change
    EXPECT_FALSE(record.m_bChanged);
    EXPECT_EQ(record.m_timeLastModified, 951782400 - 10);

    record.OnLastModified(1073307845);
    EXPECT_TRUE(record.m_bChanged);
    EXPECT_TRUE(record.m_bNewChange);
    EXPECT_EQ(record.m_strChangeReason,
              "Date changed has been updated - was Monday, February 28, 2000 23:59:50, now "
              "Monday, January 05, 2004 13:04:05");

    Curl unwatched;
    unwatched.m_bLastModifiedKnown = true;
    unwatched.OnLastModified(1073307845);
    EXPECT_FALSE(unwatched.m_bChanged);
    EXPECT_EQ(unwatched.m_timeLastModified, 1073307845);
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

class RecordingTarget : public IUrlProgressTarget
{
public:
    void OnUrlProgress(int kilobytes, Curl* record) override
    {
        calls.push_back(kilobytes);
        last = record;
    }
    std::vector<int> calls;
    Curl* last = nullptr;
};

TEST(UrlRecord, BodyAppendKeepsExactBytesAndReportsEveryFifthKilobyte)
{
    RecordingTarget target;
    Curl record;
    record.SetNotifyTarget(&target);

    record.AppendBody(std::string(5120, 'a').data(), 5120);
    EXPECT_EQ(target.calls, std::vector<int>{5});
    EXPECT_EQ(target.last, &record);

    Curl small;
    small.SetNotifyTarget(&target);
    target.calls.clear();
    small.AppendBody(std::string(4096, 'b').data(), 4096);
    EXPECT_TRUE(target.calls.empty());

    // Several reads, with a zero byte inside: the body keeps every byte; the size counts them all.
    Curl record2;
    record2.SetNotifyTarget(&target);
    target.calls.clear();
    record2.AppendBody("ab\0c", 4);
    record2.AppendBody("def", 3);
    EXPECT_EQ(record2.GetSize(), 7);
    EXPECT_TRUE(record2.m_bDataReceived);
    EXPECT_EQ(std::string(record2.GetBody(), 7), std::string("ab\0cdef", 7));
    EXPECT_EQ(record2.GetBody()[7], '\0');
    EXPECT_EQ(target.calls, (std::vector<int>{0, 0})); // 0 kB is a multiple of 5

    record2.EmptyBody();
    EXPECT_EQ(record2.GetSize(), 0);
    EXPECT_FALSE(record2.m_bDataReceived);
    EXPECT_STREQ(record2.GetBody(), "");
}

TEST(UrlRecord, CrackUrlSplitsOrLeavesFieldsAlone)
{
    Curl record;
    record.m_strURL = "https://Example.test:8443/a/b?x=1&y=2#frag";
    ASSERT_TRUE(record.CrackURL());
    EXPECT_EQ(record.GetHost(), "Example.test");
    EXPECT_EQ(record.GetPort(), 8443u);
    EXPECT_EQ(record.GetPath(), "/a/b?x=1&y=2#frag");

    record.m_strURL = "not an address";
    EXPECT_FALSE(record.CrackURL());
    EXPECT_EQ(record.GetHost(), "Example.test");
    EXPECT_EQ(record.GetPort(), 8443u);
    EXPECT_EQ(record.GetPath(), "/a/b?x=1&y=2#frag");
}

TEST(UrlRecordPageId, CountsOnFromTheSettingInLowercaseHex)
{
    CIsolatedSettings settings;
    CVigilPrefs::GetInstance().WriteInt("urlID", 255);
    Curl record;
    EXPECT_EQ(record.GetPageID(), "100");
    EXPECT_EQ(CVigilPrefs::GetInstance().ReadInt("urlID", 0), 256);
    EXPECT_EQ(record.GetPageID(), "100"); // never changes once assigned
    Curl next;
    EXPECT_EQ(next.GetPageID(), "101");
}

TEST(UrlRecordPageId, ManyThreadsNeverShareAnId)
{
    CIsolatedSettings settings;
    constexpr int kThreads = 8;
    constexpr int kPerThread = 50;
    std::vector<std::vector<std::string>> ids(kThreads);
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&ids, t] {
            for (int i = 0; i < kPerThread; ++i) {
                Curl record;
                ids[t].push_back(record.GetPageID());
            }
        });
    }
    for (auto& thread : threads)
        thread.join();
    std::set<std::string> unique;
    for (const auto& list : ids)
        unique.insert(list.begin(), list.end());
    EXPECT_EQ(unique.size(), static_cast<size_t>(kThreads * kPerThread));
    EXPECT_EQ(CVigilPrefs::GetInstance().ReadInt("urlID", 0), kThreads * kPerThread);
}

} // namespace
