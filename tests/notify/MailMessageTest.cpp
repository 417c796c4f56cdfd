#include "notify/MailMessage.h"

#include "TimeZoneGuard.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

namespace {

struct AddressCase
{
    const char* text;
    const char* name;
    const char* address;
};

class ParseAddressTest : public testing::TestWithParam<AddressCase>
{
};

TEST_P(ParseAddressTest, SplitsNameAndAddress)
{
    const AddressCase& c = GetParam();
    const CMailAddress parsed = CMailAddress::ParseAddress(c.text);
    EXPECT_EQ(parsed.m_strFriendlyName, c.name);
    EXPECT_EQ(parsed.m_strEmailAddress, c.address);
}

INSTANTIATE_TEST_SUITE_P(Entries, ParseAddressTest,
                         testing::Values(AddressCase{"  Ann Smith <ann@example.org>  ", "Ann Smith", "ann@example.org"},
                                         AddressCase{"bob@example.org", "", "bob@example.org"},
                                         AddressCase{"<c@example.org>", "", "c@example.org"},
                                         AddressCase{"<x>", "", "x"},
                                         // Nothing between the brackets: not a bracketed address.
                                         AddressCase{"Name <>", "", "Name <>"}, AddressCase{"<>", "", "<>"},
                                         // '>' before '<'.
                                         AddressCase{"a>b<c", "", "a>b<c"},
                                         // Anything after the '>' is dropped.
                                         AddressCase{"D <d@example.org> trailing", "D", "d@example.org"},
                                         AddressCase{"\t\r\n", "", ""}));

TEST(MailMessage, RecipientListKeepsOrderAndSkipsEmptyEntries)
{
    CMailMessage message;
    EXPECT_TRUE(message.AddRecipientList("Ann Smith <ann@example.org>; bob@example.org,,  "));
    ASSERT_EQ(message.m_Recipients.size(), 2u);
    EXPECT_EQ(message.m_Recipients[0].m_strFriendlyName, "Ann Smith");
    EXPECT_EQ(message.m_Recipients[0].m_strEmailAddress, "ann@example.org");
    EXPECT_EQ(message.m_Recipients[1].m_strFriendlyName, "");
    EXPECT_EQ(message.m_Recipients[1].m_strEmailAddress, "bob@example.org");

    const std::string header = message.BuildHeader(0);
    EXPECT_NE(header.find("\r\nTo: Ann Smith <ann@example.org>,bob@example.org\r\n"), std::string::npos) << header;

    CMailMessage none;
    EXPECT_FALSE(none.AddRecipientList(" ;, ; "));
    EXPECT_TRUE(none.m_Recipients.empty());
}

TEST(MailMessage, HeaderTextEncoding)
{
    // Plain text is left alone, however long.
    const std::string plain(150, 'a');
    EXPECT_EQ(EncodeHeaderText(plain, "iso-8859-1"), plain);

    // An accented letter makes an encoded word; spaces become '_', '=', '?', '_' are escaped.
    EXPECT_EQ(EncodeHeaderText("Ren\xE9 A=B?C_D", "iso-8859-1"), "=?iso-8859-1?q?Ren=E9_A=3DB=3FC=5FD?=");

    // 70-byte pieces: only the piece holding the letter is encoded.
    const std::string text = std::string(70, 'x') + std::string(69, 'y') + "\xE9" + "zz";
    const std::string expected = std::string(70, 'x') + "=?iso-8859-1?q?" + std::string(69, 'y') + "=E9?=" + "zz";
    EXPECT_EQ(EncodeHeaderText(text, "iso-8859-1"), expected);

    // With utf-8 no character is split across two encoded words.
    const std::string wide = std::string(69, 'x') + "\xC3\xA9" + "y";
    EXPECT_EQ(EncodeHeaderText(wide, "utf-8"), std::string(69, 'x') + "=?utf-8?q?=C3=A9y?=");
}

TEST(MailMessage, FormatForHeaderEncodesTheNameOnly)
{
    EXPECT_EQ(CMailAddress("", "a@example.org").FormatForHeader("iso-8859-1"), "a@example.org");
    EXPECT_EQ(CMailAddress("Jos\xE9 Lopez", "j@example.org").FormatForHeader("iso-8859-1"),
              "=?iso-8859-1?q?Jos=E9_Lopez?= <j@example.org>");
}

struct BodyCase
{
    const char* text;
    const char* sent;
};

class BodyTextTest : public testing::TestWithParam<BodyCase>
{
};

TEST_P(BodyTextTest, LineEndsAndDotStuffing)
{
    CMailBodyPart body;
    body.m_strContentType = "text/html";
    body.AssignText(GetParam().text);
    EXPECT_EQ(body.GetText(), GetParam().sent);
    EXPECT_EQ(body.m_strContentType, "text/plain");
}

INSTANTIATE_TEST_SUITE_P(
    Bodies, BodyTextTest,
    testing::Values(BodyCase{"a\nb\rc\r\nd", "a\r\nb\r\nc\r\nd"}, BodyCase{"\r\r\n\n", "\r\n\r\n\r\n"},
                    BodyCase{".first\n..second\nmid.dle\n.", "..first\r\n...second\r\nmid.dle\r\n.."},
                    BodyCase{"x\r\n.\r\n", "x\r\n..\r\n"}, BodyCase{"", ""}));

TEST(MailMessage, HeaderLinesInOrderWithEnglishDate)
{
    // 2026-12-07 09:05:01 UTC, a Monday.
    const int64_t when = 1796634301;
    {
        CTimeZoneGuard zone("IST-5:30");
        EXPECT_EQ(CMailMessage::FormatDate(when), "Mon, 07 Dec 2026 14:35:01 +0530");
    }
    {
        CTimeZoneGuard zone("NST3:30");
        EXPECT_EQ(CMailMessage::FormatDate(when), "Mon, 07 Dec 2026 05:35:01 -0330");
    }

    CTimeZoneGuard zone("UTC0");
    CMailMessage message;
    message.m_From = CMailAddress("Site Watcher", "watch@example.org");
    message.AddRecipientList("a@example.org");
    message.m_strSubject = "Website Changes Detected";
    message.SetBodyText("x");
    EXPECT_EQ(message.BuildHeader(when),
              "From: Site Watcher <watch@example.org>\r\n"
              "To: a@example.org\r\n"
              "Subject: Website Changes Detected\r\n"
              "Content-Type: text/plain;\r\n\tcharset=iso-8859-1\r\n"
              "Date: Mon, 07 Dec 2026 09:05:01 +0000\r\n");
}

// Undoes quoted-printable: soft line breaks go, "=XX" becomes its byte.
std::string DecodeQuotedPrintable(std::string_view text)
{
    std::string out;
    for (size_t k = 0; k < text.size(); ++k) {
        if (text[k] != '=') {
            out += text[k];
        } else if (text.substr(k + 1, 2) == "\r\n") {
            k += 2;
        } else {
            out += static_cast<char>(std::stoi(std::string(text.substr(k + 1, 2)), nullptr, 16));
            k += 2;
        }
    }
    return out;
}

struct EncodingCase
{
    const char* name;
    std::string senderName;
    std::string body;
    std::string charset;
    bool quotedPrintable;
    std::string plainBody; // the body as the reader's mail program shows it, CR LF line ends
};

class MailEncodingTest : public testing::TestWithParam<EncodingCase>
{
};

// ASCII mail of short lines goes out as it always has; anything else is labelled and encoded so
// that no line exceeds SMTP's limit and no byte needs an 8-bit channel.
TEST_P(MailEncodingTest, LabelsAndEncodesWhatNeedsIt)
{
    const EncodingCase& c = GetParam();
    CMailMessage message;
    message.m_From = CMailAddress(c.senderName, "r@example.org");
    message.m_strSubject = "S";
    message.AddRecipientList("a@example.org");
    message.SetBodyText(c.body);
    const std::string before = message.GetBodyText();
    message.ChooseEncoding();
    const std::string header = message.BuildHeader(0);
    const std::string& sent = message.GetBodyText();

    EXPECT_NE(header.find("charset=" + c.charset + "\r\n"), std::string::npos) << header;
    EXPECT_EQ(header.find("MIME-Version: 1.0\r\n") != std::string::npos, c.charset == "utf-8" || c.quotedPrintable);
    EXPECT_EQ(header.find("Content-Transfer-Encoding: quoted-printable\r\n") != std::string::npos, c.quotedPrintable);
    if (!c.quotedPrintable) {
        EXPECT_EQ(sent, before);
        return;
    }
    size_t start = 0;
    while (start < sent.size()) {
        const size_t end = std::min(sent.find("\r\n", start), sent.size());
        EXPECT_LE(end - start, 76u);
        for (size_t k = start; k < end; ++k)
            EXPECT_LT(static_cast<unsigned char>(sent[k]), 0x80);
        start = end + 2;
    }
    // The transfer form is dot-stuffed after the encoding.
    std::string unstuffed;
    for (size_t k = 0; k < sent.size(); ++k) {
        if (sent[k] == '.' && (k == 0 || sent[k - 1] == '\n'))
            ++k;
        unstuffed += sent[k];
    }
    EXPECT_EQ(DecodeQuotedPrintable(unstuffed), c.plainBody);
}

const std::string kLongAddress = "http://a.example.org/?q=" + std::string(1500, 'x');

INSTANTIATE_TEST_SUITE_P(
    Bodies, MailEncodingTest,
    testing::Values(EncodingCase{"AsciiShortLinesAsToday", "Ann", ".dot\nline\n", "iso-8859-1", false, ""},
                    EncodingCase{"LongAsciiLine", "Ann", kLongAddress + " Changed\n.x\n", "iso-8859-1", true,
                                 kLongAddress + " Changed\r\n.x\r\n"},
                    EncodingCase{"Utf8Body", "Ann", ".caf\xC3\xA9 \xE2\x82\xAC 5 \n", "utf-8", true,
                                 ".caf\xC3\xA9 \xE2\x82\xAC 5 \r\n"},
                    EncodingCase{"Latin1BodyBecomesUtf8", "Ann", "caf\xE9", "utf-8", true, "caf\xC3\xA9"},
                    EncodingCase{"Utf8NameAsciiBody", "Ren\xC3\xA9", "x\n", "utf-8", false, ""}),
    [](const testing::TestParamInfo<EncodingCase>& info) { return info.param.name; });

TEST(MailMessage, LongRecipientListIsFolded)
{
    CMailMessage message;
    for (int i = 0; i < 60; ++i)
        message.AddRecipientList("recipient" + std::to_string(i) + "@example.org");
    const std::string header = message.BuildHeader(0);
    size_t start = 0;
    for (size_t end; (end = header.find("\r\n", start)) != std::string::npos; start = end + 2)
        EXPECT_LE(end - start, 998u);
    EXPECT_NE(header.find("recipient0@example.org,\r\n recipient1@example.org"), std::string::npos);
}

TEST(MailMessage, LineBreaksInHeaderFieldsAreFound)
{
    CMailMessage message;
    message.m_From = CMailAddress("Ann", "ann@example.org");
    message.m_strSubject = "Subject";
    message.AddRecipientList("b@example.org");
    EXPECT_EQ(message.FindLineBreak(), "");

    message.m_From.m_strFriendlyName = "Ann\r\nBcc: victim@example.org";
    EXPECT_EQ(message.FindLineBreak(), "the sender's name");
    message.m_From.m_strFriendlyName = "Ann";
    message.m_strSubject = "x\nRCPT TO:<evil@example.org>";
    EXPECT_EQ(message.FindLineBreak(), "the subject");
    message.m_strSubject = "Subject";
    message.m_Recipients.emplace_back("", "c@example.org>\rRCPT TO:<d@example.org");
    EXPECT_EQ(message.FindLineBreak(), "a recipient");
}

} // namespace
