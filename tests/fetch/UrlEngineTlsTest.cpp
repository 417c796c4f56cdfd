#include "EngineFixture.h"
#include "PeerProcess.h"
#include "TinyProxy.h"

#include "model/VigilPrefs.h"

#include <gmock/gmock.h>

#include <ostream>

#include <fstream>

using ::testing::HasSubstr;

namespace {

// A certificate authority and server certificates made with the openssl command for this test run.
class CTestCertificates
{
public:
    bool Make()
    {
        const std::string& dir = m_folder.Path();
        std::ofstream(dir + "good.ext") << "subjectAltName=IP:127.0.0.1\nbasicConstraints=CA:FALSE\n";
        std::ofstream(dir + "wrongname.ext") << "subjectAltName=DNS:elsewhere.invalid\nbasicConstraints=CA:FALSE\n";
        const std::vector<std::string> key = {"-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:prime256v1", "-nodes"};
        auto join = [](std::vector<std::string> a, const std::vector<std::string>& b) {
            a.insert(a.end(), b.begin(), b.end());
            return a;
        };
        bool ok
            = Run(join(join({"openssl", "req", "-x509"}, key),
                       {"-keyout", "ca.key", "-out", "ca.pem", "-days", "2", "-subj", "/CN=Vigil Test CA", "-addext",
                        "basicConstraints=critical,CA:TRUE", "-addext", "keyUsage=keyCertSign,cRLSign"}));
        for (const char* name : {"good", "wrongname"}) {
            const std::string n = name;
            ok = ok
                && Run(join(join({"openssl", "req"}, key),
                            {"-keyout", n + ".key", "-out", n + ".csr", "-subj", "/CN=127.0.0.1"}))
                && Run({"openssl", "x509", "-req", "-in", n + ".csr", "-CA", "ca.pem", "-CAkey", "ca.key",
                        "-CAcreateserial", "-out", n + ".pem", "-days", "2", "-extfile", n + ".ext"});
        }
        // Signed by nobody the client trusts.
        ok = ok
            && Run(join(join({"openssl", "req", "-x509"}, key),
                        {"-keyout", "selfsigned.key", "-out", "selfsigned.pem", "-days", "2", "-subj", "/CN=127.0.0.1",
                         "-addext", "subjectAltName=IP:127.0.0.1"}));
        return ok;
    }
    std::string Path(const std::string& name) const { return m_folder.Path() + name; }

private:
    bool Run(const std::vector<std::string>& argv) { return CPeerProcess::Run(argv, m_folder.Path()) == 0; }
    CTempDir m_folder;
};

// openssl's own TLS server, serving the files of a folder.
class CTlsServer
{
public:
    bool Start(const CTestCertificates& certificates, const std::string& name, const std::string& page)
    {
        std::ofstream(m_pages.Path() + "index.html") << page;
        std::string line;
        if (!m_process.Start({"openssl", "s_server", "-accept", "127.0.0.1:0", "-cert",
                              certificates.Path(name + ".pem"), "-key", certificates.Path(name + ".key"), "-WWW"},
                             m_pages.Path())
            || !m_process.WaitForOutput("ACCEPT", 5000, &line))
            return false;
        m_port = std::stoi(line.substr(line.rfind(':') + 1));
        return m_port > 0;
    }
    std::string Url() const { return "https://127.0.0.1:" + std::to_string(m_port) + "/index.html"; }

private:
    CTempDir m_pages;
    CPeerProcess m_process;
    int m_port = 0;
};

class EngineTlsTest : public EngineTest
{
protected:
    static void SetUpTestSuite()
    {
        s_certificates = new CTestCertificates;
        s_ready = s_certificates->Make();
    }
    static void TearDownTestSuite()
    {
        delete s_certificates;
        s_certificates = nullptr;
    }
    void SetUp() override
    {
        if (!s_ready)
            GTEST_SKIP() << "the openssl command cannot make test certificates";
    }
    bool Serve(const std::string& certificate)
    {
        return m_tls.Start(*s_certificates, certificate, "<html>secure</html>");
    }

    static CTestCertificates* s_certificates;
    static bool s_ready;
    CTlsServer m_tls;
};

CTestCertificates* EngineTlsTest::s_certificates = nullptr;
bool EngineTlsTest::s_ready = false;

TEST_F(EngineTlsTest, TrustedCertificateGivesThePage)
{
    if (!Serve("good"))
        GTEST_SKIP() << "openssl s_server cannot be started";
    m_engine.setCaFile(s_certificates->Path("ca.pem"));
    Fetch(m_tls.Url());
    EXPECT_TRUE(m_record.m_bComplete) << m_record.m_strError;
    EXPECT_EQ(m_record.m_nHttpStatus, 200);
    EXPECT_EQ(Body(), "<html>secure</html>");
}

TEST_F(EngineTlsTest, NamedProxyTunnelsToTheSecurePage)
{
    CTinyProxy proxy;
    if (!Serve("good") || !proxy.Start())
        GTEST_SKIP() << "openssl s_server or tinyproxy cannot be started";
    CVigilPrefs& prefs = CVigilPrefs::GetInstance();
    prefs.WriteInt("proxyType", 2);
    prefs.WriteString("proxyServer", "127.0.0.1");
    prefs.WriteInt("proxyPort", proxy.Port());
    m_engine.setCaFile(s_certificates->Path("ca.pem"));

    Fetch(m_tls.Url());

    EXPECT_TRUE(m_record.m_bComplete) << m_record.m_strError;
    // The proxy's "200 Connection established" is not taken for the page's answer.
    EXPECT_EQ(m_record.m_nHttpStatus, 200);
    EXPECT_EQ(Body(), "<html>secure</html>");
}

struct BadCertificateCase
{
    const char* name;
    const char* certificate;
    bool trustTestAuthority;
    const char* errorPart;
};

void PrintTo(const BadCertificateCase& c, std::ostream* out)
{
    *out << c.name;
}

class EngineBadCertificateTest : public EngineTlsTest, public ::testing::WithParamInterface<BadCertificateCase>
{
};

TEST_P(EngineBadCertificateTest, FailsWithTheLibrarysReason)
{
    const BadCertificateCase& c = GetParam();
    if (!Serve(c.certificate))
        GTEST_SKIP() << "openssl s_server cannot be started";
    if (c.trustTestAuthority)
        m_engine.setCaFile(s_certificates->Path("ca.pem"));
    m_record.m_strError = "stale";

    Fetch(m_tls.Url());

    EXPECT_FALSE(m_record.m_bComplete);
    EXPECT_EQ(m_record.m_nHttpStatus, 0);
    EXPECT_EQ(m_record.m_nSize, 0);
    EXPECT_THAT(m_record.m_strError, HasSubstr(c.errorPart));
}

INSTANTIATE_TEST_SUITE_P(Certificates, EngineBadCertificateTest,
                         ::testing::Values(BadCertificateCase{"SelfSigned", "selfsigned", true, "certificate"},
                                           BadCertificateCase{"WrongHostName", "wrongname", true, "127.0.0.1"},
                                           // The system's store does not know the test authority.
                                           BadCertificateCase{"UnknownAuthority", "good", false, "certificate"}),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace
