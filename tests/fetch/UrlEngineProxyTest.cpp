#include "EngineFixture.h"
#include "TinyProxy.h"

#include "model/VigilPrefs.h"

#include <gmock/gmock.h>

#include <ostream>

using ::testing::HasSubstr;

namespace {

TEST_F(EngineTest, NamedProxyCarriesTheRequest)
{
    CTinyProxy proxy;
    if (!proxy.Start())
        GTEST_SKIP() << "tinyproxy cannot be started";
    CVigilPrefs& prefs = CVigilPrefs::GetInstance();
    prefs.WriteInt("proxyType", 2);
    prefs.WriteString("proxyServer", "127.0.0.1");
    prefs.WriteInt("proxyPort", proxy.Port());
    m_server.SetPage(
        "/via",
        CHttpTestServer::Response{200, "through the proxy", {{"Last-Modified", "Sun, 06 Nov 1994 08:49:37 GMT"}}});

    Fetch(m_server.Url("/via"));

    EXPECT_TRUE(m_record.m_bComplete);
    EXPECT_EQ(Body(), "through the proxy");
    EXPECT_TRUE(m_record.m_bLastModifiedKnown);
    const auto requests = m_server.Requests("/via");
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_THAT(requests[0].Header("Via"), HasSubstr("tinyproxy"));
    // The refresh request reaches the origin through the proxy.
    EXPECT_EQ(requests[0].Header("Cache-Control"), "no-cache");
}

TEST_F(EngineTest, NamedProxyHasNoBypassList)
{
    CHttpTestServer proxy;
    proxy.SetDefaultHandler([](const CHttpTestServer::Request&) { return CHttpTestServer::Response{200, "proxy"}; });
    CVigilPrefs& prefs = CVigilPrefs::GetInstance();
    prefs.WriteInt("proxyType", 2);
    prefs.WriteString("proxyServer", "127.0.0.1");
    prefs.WriteInt("proxyPort", proxy.Port());
    m_proxyEnvironment.Set("no_proxy", "127.0.0.1,localhost");
    m_server.SetPage("/direct", "direct");

    Fetch(m_server.Url("/direct"));

    EXPECT_EQ(Body(), "proxy");
    EXPECT_EQ(m_server.RequestCount("/direct"), 0);
}

// Access types: 0 follows the environment's proxy variables, 1 ignores them.
struct AccessCase
{
    const char* name;
    int proxyType;
    bool throughProxy;
};

void PrintTo(const AccessCase& c, std::ostream* out)
{
    *out << c.name;
}

class EngineAccessTypeTest : public EngineTest, public ::testing::WithParamInterface<AccessCase>
{
};

TEST_P(EngineAccessTypeTest, ProxyFromTheEnvironmentOnlyInSystemMode)
{
    CHttpTestServer proxy;
    proxy.SetDefaultHandler([](const CHttpTestServer::Request&) { return CHttpTestServer::Response{200, "proxy"}; });
    m_proxyEnvironment.Set("http_proxy", "http://127.0.0.1:" + std::to_string(proxy.Port()));
    CVigilPrefs::GetInstance().WriteInt("proxyType", GetParam().proxyType);
    m_server.SetPage("/page", "origin");

    Fetch(m_server.Url("/page"));

    EXPECT_TRUE(m_record.m_bComplete);
    EXPECT_EQ(Body(), GetParam().throughProxy ? "proxy" : "origin");
    EXPECT_EQ(proxy.TotalRequests(), GetParam().throughProxy ? 1 : 0);
}

INSTANTIATE_TEST_SUITE_P(Modes, EngineAccessTypeTest,
                         ::testing::Values(AccessCase{"System", 0, true}, AccessCase{"NoProxy", 1, false},
                                           AccessCase{"OutOfRangeMeansNoProxy", 7, false}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(EngineTest, SavedProxySettingsApplyToTheNextFetch)
{
    CHttpTestServer proxy;
    proxy.SetDefaultHandler([](const CHttpTestServer::Request&) { return CHttpTestServer::Response{200, "proxy"}; });
    m_server.SetPage("/page", "origin");
    CVigilPrefs::GetInstance().WriteInt("proxyType", 1);
    Fetch(m_server.Url("/page"));
    ASSERT_EQ(Body(), "origin");

    CVigilPrefs& prefs = CVigilPrefs::GetInstance();
    prefs.WriteInt("proxyType", 2);
    prefs.WriteString("proxyServer", "127.0.0.1");
    prefs.WriteInt("proxyPort", proxy.Port());
    Fetch(m_server.Url("/page"));

    EXPECT_EQ(Body(), "proxy");
    EXPECT_EQ(proxy.TotalRequests(), 1);
}

} // namespace
