#include "extract/VisibleTextStream.h"
#include "extract/HtmlDocument.h"
#include "extract/VisibleText.h"

#include "TestEnv.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <random>

namespace {

// The text the page's tree gives: what every stored text was made from, and so what the stream
// must give too, or each page compared by its text would change once.
std::string TreeText(std::string_view html)
{
    auto doc = CHtmlDocument::Parse(html);
    return doc ? VisibleText(*doc) : "ERROR: " + doc.error().message;
}

std::string StreamText(std::string_view html)
{
    auto text = StreamVisibleText(html);
    return text ? *text : "ERROR: " + text.error().message;
}

std::string Nested(const std::string& open, int depth, const std::string& inner)
{
    std::string page;
    for (int i = 0; i < depth; ++i)
        page += open + std::to_string(i) + ' ';
    return page + inner;
}

// Pieces of markup where the parser recovers, implies, drops or moves something.
// clang-format off
const char* const kPieces[] = {
    "<p>", "</p>", "<div>", "</div>", "<span>", "</span>", "<b> </b>", "<br>", "<hr>", "<img src=x>", "<pre>",
    "</pre>", "\n", "  ", "\t", "text", "two words", "&nbsp;", "&amp;", "&bogus;", "&#8203;", "\xC2\xA0", "&#xFEFF;",
    "<table>", "<tr>", "<td>", "</td>", "<th>", "</table>", "<ul>", "<li>", "</ul>", "<select>", "<option>",
    "<textarea>", "</textarea>", "<script>x=1</script>", "<style>p{}</style>", "<noscript>js</noscript>",
    "<title>T</title>", "<head>", "</head>", "<body>", "</body>", "<html>", "</html>", "<html hidden>",
    "<div hidden>", "<p hidden=hidden>", "<!-- c -->", "<?pi x?>", "<!DOCTYPE html>",
    "<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 4.01//EN\">", "<div", "<p class=a", "<div hidden", "<pre", "<td",
    "<div hidden\x01", "<pre\x01", "<td\x01", "</nosuch>", "<nosuch>", "<a href=/>", "</a>", "<h1>", "</h1>",
    "<dl><dt>", "<dd>", "<font>", "<template>", "</template>", "<frameset>", "<iframe>", "</iframe>", "<", ">", "&",
    "<plaintext>", "<listing>", "</listing>", "<center>", "x\xE2\x80\x8By", "<p>a<img> <b>b</b>",
};
// clang-format on

std::string RandomPage(std::mt19937& random)
{
    std::uniform_int_distribution<std::size_t> piece(0, std::size(kPieces) - 1);
    std::uniform_int_distribution<int> length(1, 60);
    std::string page;
    for (int i = length(random); i > 0; --i)
        page += kPieces[piece(random)];
    return page;
}

TEST(VisibleTextStreamTest, GivesTheTextOfTheTree)
{
    const std::string cases[] = {
        "",
        "   ",
        "plain words",
        "<html><body><p>one</p> <p>two</p></body></html>",
        "<p>x<img> <b>y</b></p>",
        "<html><body>a</body></html>tail <b>after</b> the end",
        "<html hidden><body>a</body></html><p>after a hidden root</p>",
        "<!-- first --><html hidden><body>a</body></html><p>after a hidden root</p>",
        "<!DOCTYPE html><html hidden><body>a</body></html><p>after</p>",
        "<html hidden><body>a</body></html><!DOCTYPE html><p>after</p>",
        "<div>cut <p class='a' <b>bold</b> on</div><div hidden <b>shown</b><pre <b>one line</b>",
        "<div>a<div hidden\x01<b>shown</b><pre\x01 <b>one  line</b></div>",
        "<pre>\n  kept\n  lines </pre><textarea>a\nb</textarea>",
        "<table><tr><td>a<td>b<tr><th>c</table>",
        "<ul><li>one<li>two</ul><select><option>x<option>y</select>",
        std::string("<p>nul\0byte</p><div hidden\0<b>after</b><pre\0<b>a\nb</b>", 54),
        Nested("<div>", 255, "end"),
        Nested("<div>", 256, "end"),
        Nested("<span>", 300, "end"),
        Nested("<td>", 300, "end"),
        Nested("<div hidden>", 300, "end"),
        "<html><body>" + Nested("<pre>", 257, "a\nb"),
    };
    for (const std::string& page : cases)
        EXPECT_EQ(StreamText(page), TreeText(page)) << page.substr(0, 200);
}

TEST(VisibleTextStreamTest, GivesTheTextOfTheTreeForRandomMarkupAndTheFuzzCorpus)
{
    std::mt19937 random(21);
    for (int i = 0; i < 3000; ++i) {
        const std::string page = RandomPage(random);
        ASSERT_EQ(StreamText(page), TreeText(page)) << page;
    }
    for (const auto& entry :
         std::filesystem::directory_iterator(std::string(SITEVIGIL_TEST_SUPPORT_DIR) + "/../fuzz/corpus/Extract")) {
        const std::string page = ReadFileBytes(entry.path().string());
        EXPECT_EQ(StreamText(page), TreeText(page)) << entry.path();
    }
}

TEST(VisibleTextStreamTest, RefusesPagesPastTheBounds)
{
    EXPECT_EQ(StreamText(std::string(17u << 20, 'a')).rfind("ERROR: Page too large", 0), 0u);
}

} // namespace
