#include "platform/UrlCracker.h"

#include <gtest/gtest.h>

namespace {

struct CrackCase
{
    const char* url;
    const char* host;
    unsigned port;
    const char* path;
};

class UrlCrackerAccepts : public testing::TestWithParam<CrackCase>
{
};

INSTANTIATE_TEST_SUITE_P(
    Addresses, UrlCrackerAccepts,
    testing::Values(CrackCase{"http://example.test", "example.test", 80, "/"},
                    CrackCase{"https://example.test/", "example.test", 443, "/"},
                    CrackCase{"HTTP://Example.Test:8080/a/b.html", "Example.Test", 8080, "/a/b.html"},
                    CrackCase{"http://example.test/p?q=1&r=%20#top", "example.test", 80, "/p?q=1&r=%20#top"},
                    CrackCase{"http://example.test/a/../b/./c", "example.test", 80, "/a/../b/./c"},
                    CrackCase{"http://user:pw@127.0.0.1:81/x", "127.0.0.1", 81, "/x"},
                    CrackCase{"http://[::1]:8000/v6", "[::1]", 8000, "/v6"},
                    CrackCase{"https://example.test:443?only=query", "example.test", 443, "/?only=query"}),
    [](const testing::TestParamInfo<CrackCase>& info) { return "case" + std::to_string(info.index); });

TEST_P(UrlCrackerAccepts, SplitsHostPortAndObjectPath)
{
    const Result<CrackedUrl> parts = CrackUrl(GetParam().url);
    ASSERT_TRUE(parts) << parts.error().message;
    EXPECT_EQ(parts->host, GetParam().host);
    EXPECT_EQ(parts->port, GetParam().port);
    EXPECT_EQ(parts->path, GetParam().path);
}

class UrlCrackerRejects : public testing::TestWithParam<std::string>
{
};

INSTANTIATE_TEST_SUITE_P(Addresses, UrlCrackerRejects,
                         testing::Values("", "example.test/page", "ftp://example.test/", "file:///etc/passwd",
                                         "http://", "http:///path", "http://example.test:70000/",
                                         "http://example.test:0/", "http://exa mple.test/", "javascript:alert(1)",
                                         "http://" + std::string(256, 'h') + "/"),
                         [](const testing::TestParamInfo<std::string>& info) {
                             return "case" + std::to_string(info.index);
                         });

TEST_P(UrlCrackerRejects, GivesAReason)
{
    const Result<CrackedUrl> parts = CrackUrl(GetParam());
    ASSERT_FALSE(parts);
    EXPECT_EQ(parts.error().kind, ErrorKind::BadInput);
    EXPECT_FALSE(parts.error().message.empty());
}

} // namespace
