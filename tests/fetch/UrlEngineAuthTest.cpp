#include "DigestAuth.h"
#include "EngineFixture.h"

#include "model/VigilPrefs.h"

#include <gmock/gmock.h>

#include <ostream>

using ::testing::StartsWith;

namespace {

constexpr const char* kRealm = "vigil";
constexpr const char* kNonce = "dcd98b7102dd2f0e8b11d0f600bfb0c093";

// A page behind Digest authentication that the server checks for real.
CHttpTestServer::Handler DigestProtected(const std::string& header, int challengeStatus, const std::string& user,
                                         const std::string& password, const std::string& body)
{
    const std::string answerHeader = challengeStatus == 407 ? "Proxy-Authorization" : "Authorization";
    return [=](const CHttpTestServer::Request& request) {
        if (DigestAuth::Verify(request.Header(answerHeader), request.method, kRealm, kNonce, user, password))
            return CHttpTestServer::Response{200, body, {}};
        return CHttpTestServer::Response{
            challengeStatus,
            "denied",
            {{header, DigestAuth::Challenge(kRealm, kNonce)}, {"Last-Modified", "Sun, 06 Nov 1994 08:49:37 GMT"}}};
    };
}

TEST_F(EngineTest, DigestIsAnsweredWithTheRecordsCredentials)
{
    m_server.SetHandler("/private", DigestProtected("WWW-Authenticate", 401, "alice", "s3cret", "members only"));
    m_record.m_strUserName = "alice";
    m_record.m_strPassword = "s3cret";

    Fetch(m_server.Url("/private"));

    EXPECT_TRUE(m_record.m_bComplete);
    EXPECT_EQ(m_record.m_nHttpStatus, 200);
    EXPECT_EQ(Body(), "members only");
    const auto requests = m_server.Requests("/private");
    ASSERT_FALSE(requests.empty());
    EXPECT_EQ(requests.front().Header("Authorization"), "");
    EXPECT_THAT(requests.back().Header("Authorization"), StartsWith("Digest "));
    // One challenge, one answer.
    EXPECT_EQ(requests.size(), 2u);
}

TEST_F(EngineTest, WrongPasswordEndsAfterTheSecondChallenge)
{
    m_server.SetHandler("/private", DigestProtected("WWW-Authenticate", 401, "alice", "s3cret", "members only"));
    m_record.m_strUserName = "alice";
    m_record.m_strPassword = "guess";
    m_record.m_bLastModifiedKnown = false;

    Fetch(m_server.Url("/private"));

    EXPECT_FALSE(m_record.m_bComplete);
    EXPECT_EQ(m_record.m_nHttpStatus, 401);
    EXPECT_EQ(m_record.m_nSize, 0);
    EXPECT_EQ(m_record.m_strError, "Authentication failed, 401");
    EXPECT_FALSE(m_record.m_bLastModifiedKnown);
    EXPECT_LE(m_server.RequestCount("/private"), 3);
}

// Which scheme answers a challenge, by what the server offers.
struct SchemeCase
{
    const char* name;
    std::vector<std::string> offered; // one WWW-Authenticate header each
    std::string answeredWith; // scheme of the repeated request's Authorization, "" for none
};

void PrintTo(const SchemeCase& c, std::ostream* out)
{
    *out << c.name;
}

class EngineSchemeTest : public EngineTest, public ::testing::WithParamInterface<SchemeCase>
{
};

TEST_P(EngineSchemeTest, ChoosesTheStrongestOfferedSchemeAndNeverBasic)
{
    const SchemeCase& c = GetParam();
    CHttpTestServer::Response challenge{401, "denied", {}};
    for (const std::string& value : c.offered)
        challenge.headers.emplace_back("WWW-Authenticate", value);
    m_server.SetPage("/private", challenge);
    m_record.m_strUserName = "alice";
    m_record.m_strPassword = "s3cret";

    Fetch(m_server.Url("/private"));

    EXPECT_FALSE(m_record.m_bComplete);
    EXPECT_EQ(m_record.m_strError, "Authentication failed, 401");
    const auto requests = m_server.Requests("/private");
    ASSERT_GE(requests.size(), 2u);
    EXPECT_EQ(requests.front().Header("Authorization"), "");
    for (size_t i = 1; i < requests.size(); ++i) {
        const std::string authorization = requests[i].Header("Authorization");
        EXPECT_EQ(authorization.substr(0, authorization.find(' ')), c.answeredWith);
        // The password never travels in the clear.
        EXPECT_EQ(authorization.find("Basic"), std::string::npos);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Offers, EngineSchemeTest,
    ::testing::Values(
        SchemeCase{"BasicOnly", {"Basic realm=\"vigil\""}, ""},
        SchemeCase{"DigestBeforeBasic", {"Basic realm=\"vigil\"", DigestAuth::Challenge(kRealm, kNonce)}, "Digest"},
        SchemeCase{"NtlmBeforeDigest", {DigestAuth::Challenge(kRealm, kNonce), "NTLM"}, "NTLM"},
        SchemeCase{
            "SeveralInOneHeader", {"Basic realm=\"a, b\", NTLM, " + DigestAuth::Challenge(kRealm, kNonce)}, "NTLM"},
        SchemeCase{"UnknownScheme", {"Bearer realm=\"vigil\""}, ""}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(EngineTest, BasicOnlyServerGetsTwoRequestsAndNoCredentials)
{
    m_server.SetPage("/basic", CHttpTestServer::Response{401, "denied", {{"WWW-Authenticate", "Basic realm=\"x\""}}});
    m_record.m_strUserName = "alice";
    m_record.m_strPassword = "s3cret";

    Fetch(m_server.Url("/basic"));

    EXPECT_FALSE(m_record.m_bComplete);
    EXPECT_EQ(m_record.m_nHttpStatus, 401);
    EXPECT_EQ(m_record.m_strError, "Authentication failed, 401");
    const auto requests = m_server.Requests("/basic");
    ASSERT_EQ(requests.size(), 2u);
    for (const auto& request : requests)
        EXPECT_EQ(request.Header("Authorization"), "");
}

// ---- A proxy that asks for credentials ----

class ScriptedProxyTest : public EngineTest
{
protected:
    ScriptedProxyTest()
    {
        CVigilPrefs& prefs = CVigilPrefs::GetInstance();
        prefs.WriteInt("proxyType", 2);
        prefs.WriteString("proxyServer", "127.0.0.1");
        prefs.WriteInt("proxyPort", m_proxy.Port());
        prefs.WriteString("proxyUser", "proxyman");
        prefs.WriteString("proxyPassword", "pr0xy");
    }
    // The proxy answers for the origin itself; no request goes further.
    CHttpTestServer m_proxy;
    const std::string m_target = "http://127.0.0.1:9/through-proxy";
};

TEST_F(ScriptedProxyTest, ChallengeIsAnsweredOnceWithTheProxySettings)
{
    m_proxy.SetDefaultHandler(DigestProtected("Proxy-Authenticate", 407, "proxyman", "pr0xy", "proxied page"));
    m_record.m_strUserName = "site-user";

    Fetch(m_target);

    EXPECT_TRUE(m_record.m_bComplete);
    EXPECT_EQ(m_record.m_nHttpStatus, 200);
    EXPECT_EQ(Body(), "proxied page");
    const auto requests = m_proxy.Requests(m_target);
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[0].Header("Proxy-Authorization"), "");
    EXPECT_THAT(requests[1].Header("Proxy-Authorization"), StartsWith("Digest "));
    EXPECT_EQ(requests[1].Header("Authorization"), "");
}

TEST_F(ScriptedProxyTest, SecondChallengeEndsTheFetchWithoutTakingItsDate)
{
    CVigilPrefs::GetInstance().WriteString("proxyPassword", "wrong");
    m_proxy.SetDefaultHandler(DigestProtected("Proxy-Authenticate", 407, "proxyman", "pr0xy", "proxied page"));
    m_record.m_bLastModifiedKnown = false;

    Fetch(m_target);

    EXPECT_FALSE(m_record.m_bComplete);
    EXPECT_EQ(m_record.m_nHttpStatus, 407);
    EXPECT_EQ(m_record.m_nSize, 0);
    EXPECT_EQ(m_record.m_strError, "Proxy authentication failed, 407");
    EXPECT_FALSE(m_record.m_bLastModifiedKnown);
    EXPECT_LE(m_proxy.Requests(m_target).size(), 3u);
}

TEST_F(ScriptedProxyTest, ProxyRefusingATunnelIsAnsweredLikeAnyChallenge)
{
    m_proxy.SetDefaultHandler([](const CHttpTestServer::Request&) {
        return CHttpTestServer::Response{407, "", {{"Proxy-Authenticate", "Basic realm=\"p\""}}};
    });

    Fetch("https://127.0.0.1:9/secure");

    EXPECT_FALSE(m_record.m_bComplete);
    EXPECT_EQ(m_record.m_nHttpStatus, 407);
    EXPECT_EQ(m_record.m_strError, "Proxy authentication failed, 407");
    const auto requests = m_proxy.Requests("127.0.0.1:9");
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[0].method, "CONNECT");
    EXPECT_EQ(requests[1].Header("Proxy-Authorization"), "");
}

TEST_F(ScriptedProxyTest, ProxyAndServerChallengingInTurnAreCapped)
{
    // Neither challenge repeats the one before it, so only the cap ends this.
    auto count = std::make_shared<std::atomic<int>>(0);
    m_proxy.SetDefaultHandler([count](const CHttpTestServer::Request&) {
        if ((*count)++ % 2 == 0)
            return CHttpTestServer::Response{407, "", {{"Proxy-Authenticate", "Basic realm=\"p\""}}};
        return CHttpTestServer::Response{401, "", {{"WWW-Authenticate", "Basic realm=\"s\""}}};
    });

    Fetch(m_target);

    EXPECT_FALSE(m_record.m_bComplete);
    EXPECT_EQ(m_proxy.TotalRequests(), 1 + CUrlEngine::kMaxRepeatedRequests);
    EXPECT_THAT(m_record.m_strError, ::testing::EndsWith(std::to_string(m_record.m_nHttpStatus)));
}

} // namespace
