#include "PageCheckFixture.h"

// Conditional requests against a server that answers If-None-Match / If-Modified-Since as the test
// tells it: what is sent, what a 304 leaves, and the answers that cannot be trusted.

namespace {

constexpr const char* kDate = "Tue, 01 Dec 2026 10:00:00 GMT";
constexpr const char* kLaterDate = "Wed, 02 Dec 2026 10:00:00 GMT";

class ConditionalCheckTest : public PageCheckTest
{
protected:
    // Serves body with the validators; answers 304 to a request that asks back either of them (or to
    // every request, when always304).
    void ServeValidated(std::string body, std::string etag, std::string lastModified = kDate)
    {
        m_server.SetHandler("/page", [=, this](const CHttpTestServer::Request& request) {
            const bool asked = (!etag.empty() && request.Header("If-None-Match") == etag)
                || (!lastModified.empty() && request.Header("If-Modified-Since") == lastModified);
            std::vector<std::pair<std::string, std::string>> headers;
            if (!etag.empty())
                headers.emplace_back("ETag", etag);
            if (!lastModified.empty())
                headers.emplace_back("Last-Modified", m_notModifiedDate.empty() ? lastModified : m_notModifiedDate);
            if (asked || m_always304)
                return CHttpTestServer::Response{304, "", headers};
            return CHttpTestServer::Response{200, body, headers};
        });
    }
    CHttpTestServer::Request LastRequest() { return m_server.Requests("/page").back(); }

    bool m_always304 = false;
    std::string m_notModifiedDate;
};

} // namespace

// The validators are stored with the copy and asked back; a 304 leaves copies, checksums and size as
// they were and marks nothing, while the date is still judged. A server that ignores them works as
// before.
TEST_F(ConditionalCheckTest, NotModifiedLeavesThePageAsItWas)
{
    m_record.m_bWatchContent = true;
    m_record.m_bWatchDate = true;
    m_record.m_bWatchSize = true;
    ServeValidated("<p>price 10</p>", "\"v1\"");
    Check();
    EXPECT_EQ(m_record.m_strETag, "\"v1\"");
    EXPECT_EQ(m_record.m_strLastModifiedText, kDate);
    EXPECT_FALSE(m_record.m_strCopyDigest.empty());
    EXPECT_EQ(LastRequest().Header("If-None-Match"), "");
    const std::string copy = ReadFileBytes(Saved());
    const CurlResults before = m_record.Results();

    Check();
    EXPECT_EQ(LastRequest().Header("If-None-Match"), "\"v1\"");
    EXPECT_EQ(LastRequest().Header("If-Modified-Since"), kDate);
    EXPECT_EQ(LastRequest().Header("Cache-Control"), "no-cache");
    EXPECT_EQ(m_record.m_nHttpStatus, 304);
    EXPECT_TRUE(m_record.m_bComplete);
    EXPECT_FALSE(m_record.m_bChanged) << m_record.m_strChangeReason;
    EXPECT_EQ(m_record.m_nSize, before.m_nSize);
    EXPECT_EQ(m_record.m_dwPageCRC, before.m_dwPageCRC);
    EXPECT_EQ(ReadFileBytes(Saved()), copy);
    EXPECT_FALSE(FileExists(Previous()));
    EXPECT_EQ(m_server.RequestCount("/page"), 2);

    // A 304 that carries a later date: the date watch fires, nothing else.
    m_notModifiedDate = kLaterDate;
    Check();
    EXPECT_TRUE(m_record.m_bNewChange);
    EXPECT_NE(m_record.m_strChangeReason.find("Date changed"), std::string::npos) << m_record.m_strChangeReason;
    EXPECT_EQ(ReadFileBytes(Saved()), copy);

    // A server that ignores the question sends the page, judged as always.
    m_record.m_bChanged = false;
    m_server.SetPage("/page", "<p>price 12</p>");
    Check();
    EXPECT_EQ(m_record.m_strChangeReason, "Checksum changed");
    EXPECT_EQ(m_record.m_strETag, "");
    EXPECT_EQ(ReadFileBytes(Saved()), "<p>price 12</p>");
}

// The watches that hold at every check (the search text) are judged on the copy's text after a 304.
TEST_F(ConditionalCheckTest, SearchTextIsJudgedOnTheCopyAfterNotModified)
{
    m_record.m_bTextSearch = true;
    m_record.m_strSearchText = "Sale";
    ServeValidated("a<BR>Sale<BR>\nb", "\"s\"");
    Check();
    ASSERT_EQ(m_record.m_strChangeReason, "Text found");
    m_record.m_bChanged = false;
    Check();
    EXPECT_EQ(m_record.m_nHttpStatus, 304);
    EXPECT_TRUE(m_record.m_bNewChange);
    EXPECT_EQ(m_record.m_strChangeReason, "Text found");
    EXPECT_EQ(m_verdict.pageText, "a<BR>Sale<BR>\nb");
}

// Answers that stand for no copy are asked again once, unconditionally; hostile validators are
// neither kept nor sent.
TEST_F(ConditionalCheckTest, UntrustworthyAnswersFetchThePageAgain)
{
    m_record.m_bWatchContent = true;
    ServeValidated("page one", "\"e\"");
    Check();
    const uint32_t crc = m_record.m_dwPageCRC;

    // The copy went away: the 304 cannot stand for it, so the page is fetched whole and saved again.
    std::remove(Saved().c_str());
    Check();
    EXPECT_EQ(ReadFileBytes(Saved()), "page one");
    EXPECT_EQ(LastRequest().Header("If-None-Match"), "");
    EXPECT_EQ(m_record.m_nHttpStatus, 200);

    // A copy deleted between the request and the answer: the 304 is followed by one plain request.
    m_server.SetHandler("/page", [this](const CHttpTestServer::Request& request) {
        if (!request.Header("If-None-Match").empty()) {
            std::remove(Saved().c_str());
            return CHttpTestServer::Response{304, "", {{"ETag", "\"e\""}}};
        }
        return CHttpTestServer::Response{200, "page one", {{"ETag", "\"e\""}}};
    });
    const int before = m_server.RequestCount("/page");
    Check();
    EXPECT_EQ(m_server.RequestCount("/page"), before + 2);
    EXPECT_EQ(ReadFileBytes(Saved()), "page one");
    EXPECT_EQ(m_record.m_dwPageCRC, crc);

    // A 304 to a request that asked nothing is no page: one more plain request, then a failure.
    m_record.m_strETag.clear();
    m_record.m_strLastModifiedText.clear();
    m_server.SetPage("/page", CHttpTestServer::Response{304, ""});
    Check();
    EXPECT_FALSE(m_record.m_bComplete);
    EXPECT_EQ(m_record.m_strError, "HTTP error, 304");
    EXPECT_EQ(ReadFileBytes(Saved()), "page one");

    // A 10 KB ETag, and one with control characters, are never stored.
    for (const std::string& etag : {std::string(10240, 'e'), std::string("\"a\x01\x7f\"")}) {
        m_server.SetPage("/page", CHttpTestServer::Response{200, "page one", {{"ETag", etag}}});
        Check();
        EXPECT_TRUE(m_record.m_bComplete);
        EXPECT_EQ(m_record.m_strETag, "");
    }
    // One that arrived in a list file anyway is not sent.
    m_record.m_strETag = "\"a\"\nX-Injected: 1";
    Check();
    EXPECT_EQ(LastRequest().Header("If-None-Match"), "");
    EXPECT_EQ(LastRequest().Header("X-Injected"), "");
}

// An edit forgets the validators: the next check asks for the whole page.
TEST_F(ConditionalCheckTest, EditForgetsTheValidators)
{
    ServeValidated("page", "\"e\"");
    Check();
    m_record.MarkEdited();
    Check();
    EXPECT_EQ(LastRequest().Header("If-None-Match"), "");
    EXPECT_EQ(m_record.m_nHttpStatus, 200);
}
