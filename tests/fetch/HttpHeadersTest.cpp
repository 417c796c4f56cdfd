#include "fetch/HttpHeaders.h"

#include <gtest/gtest.h>

#include <ostream>

using namespace HttpHeaders;

namespace {

struct ChallengeCase
{
    const char* value;
    unsigned offered;
    AuthScheme chosen;
};

void PrintTo(const ChallengeCase& c, std::ostream* out)
{
    *out << c.value;
}

class OfferedSchemesTest : public ::testing::TestWithParam<ChallengeCase>
{
};

TEST_P(OfferedSchemesTest, ReadsSchemesNotParameters)
{
    EXPECT_EQ(OfferedSchemes(GetParam().value), GetParam().offered);
    EXPECT_EQ(ChooseScheme(OfferedSchemes(GetParam().value)), GetParam().chosen);
}

INSTANTIATE_TEST_SUITE_P(
    Challenges, OfferedSchemesTest,
    ::testing::Values(
        ChallengeCase{"Basic realm=\"x\"", kAuthBasic, kAuthNone}, ChallengeCase{"basic", kAuthBasic, kAuthNone},
        // Scheme names inside quoted or bare parameter values are not offers.
        ChallengeCase{"Digest realm=\"NTLM, Negotiate\", nonce=\"a,b\"", kAuthDigest, kAuthDigest},
        ChallengeCase{"Basic realm=NTLM", kAuthBasic, kAuthNone},
        ChallengeCase{"Basic realm = \"x\", Digest realm=\"y\"", kAuthBasic | kAuthDigest, kAuthDigest},
        ChallengeCase{"NTLM, Negotiate", kAuthNtlm | kAuthNegotiate, kAuthNegotiate},
        ChallengeCase{"Passport1.4 da-status=x, Digest realm=\"y\"", kAuthPassport | kAuthDigest, kAuthDigest},
        ChallengeCase{"Negotiate YIIGhgYGKwYBBQUCoIIGejCCBnag==", kAuthNegotiate, kAuthNegotiate},
        ChallengeCase{"Bearer realm=\"x\", , ", kAuthNone, kAuthNone}, ChallengeCase{"", kAuthNone, kAuthNone}));

TEST(StatusLineTest, ReadsTheThreeDigitCode)
{
    EXPECT_EQ(ParseStatusLine("HTTP/1.1 404 Not Found"), 404);
    EXPECT_EQ(ParseStatusLine("HTTP/1.0 200"), 200);
    EXPECT_EQ(ParseStatusLine("HTTP/2 502 "), 502);
    EXPECT_EQ(ParseStatusLine("HTTP/1.1 20 OK"), -1);
    EXPECT_EQ(ParseStatusLine("HTTP/1.1 2000 OK"), -1);
    EXPECT_EQ(ParseStatusLine("HTTP/1.1"), -1);
    EXPECT_EQ(ParseStatusLine("ICY 200 OK"), -1);
}

} // namespace
