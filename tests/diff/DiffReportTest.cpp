#include "diff/DiffReport.h"

#include "TestEnv.h"

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <random>
#include <string>
#include <sys/resource.h>
#include <vector>

namespace {

struct EscapeCase
{
    const char* name;
    std::string text;
    std::string escaped;
};

class EscapeLineTest : public testing::TestWithParam<EscapeCase>
{
};

TEST_P(EscapeLineTest, MakesTheLineSafe)
{
    EXPECT_EQ(CDiffReport::EscapeLine(GetParam().text), GetParam().escaped);
}

INSTANTIATE_TEST_SUITE_P(
    Lines, EscapeLineTest,
    testing::Values(EscapeCase{"Empty", "", "&nbsp;"}, EscapeCase{"Plain", "abc", "abc"},
                    EscapeCase{"OnlySpaces", "   ", "&nbsp;&nbsp;&nbsp;"},
                    EscapeCase{"LeadingTabs", "\t\tx", "&nbsp;&nbsp;&nbsp;&nbsp;&nbsp;&nbsp;&nbsp;&nbsp;x"},
                    EscapeCase{"MixedLeadingRun", " \t x", "&nbsp;&nbsp;&nbsp;&nbsp;&nbsp;&nbsp;x"},
                    EscapeCase{"LaterBlanksKept", "x\t y  z", "x\t y  z"},
                    EscapeCase{"Markup", "  <p>Price & terms", "&nbsp;&nbsp;&lt;p&gt;Price &amp; terms"},
                    EscapeCase{"MarkupEndsLeadingRun", "<\t>", "&lt;\t&gt;"},
                    EscapeCase{"QuotesAndEntitiesCopied", "a=\"b\" 'c' &amp;", "a=\"b\" 'c' &amp;amp;"},
                    EscapeCase{"BytesCopied", std::string("\xC3\xA9\0\r", 4), std::string("\xC3\xA9\0\r", 4)}),
    [](const testing::TestParamInfo<EscapeCase>& info) { return info.param.name; });

TEST(EscapeLine, MarkupAnywhereInLongLines)
{
    const std::string bytes = "ab<>& \t";
    std::mt19937 random(3);
    for (int n = 0; n < 300; ++n) {
        std::string line(random() % 40, ' ');
        for (char& c : line)
            c = bytes[random() % bytes.size()];
        std::string expected;
        bool leading = true;
        for (const char c : line) {
            leading = leading && (c == ' ' || c == '\t');
            if (leading)
                expected += c == ' ' ? "&nbsp;" : "&nbsp;&nbsp;&nbsp;&nbsp;";
            else if (c == '<')
                expected += "&lt;";
            else if (c == '>')
                expected += "&gt;";
            else if (c == '&')
                expected += "&amp;";
            else
                expected += c;
        }
        ASSERT_EQ(CDiffReport::EscapeLine(line), line.empty() ? "&nbsp;" : expected) << line;
    }
}

const std::string kHead = "<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 4.0 Transitional//EN\">\r\n"
                          "<HTML>\r\n"
                          "<HEAD>\r\n"
                          "<TITLE> File Diff </TITLE>\r\n"
                          "<style type='text/css'>\r\n"
                          "<!--\r\n"
                          ".N { background-color:white; }\r\n"
                          ".C { background-color:#FFFFBB; }\r\n"
                          ".A { background-color:#BBFFBB; }\r\n"
                          ".D { background-color:#FFBBBB; }\r\n"
                          "@media (prefers-color-scheme: dark) {\r\n"
                          ":root { color-scheme:dark; }\r\n"
                          "BODY { background-color:#1E1E20; color:#E6E6E6; }\r\n"
                          "TABLE { background-color:#55555A; }\r\n"
                          "TABLE TABLE { background-color:#1E1E20; }\r\n"
                          "TR[bgcolor] { background-color:#333338; color:#E6E6E6 !important; }\r\n"
                          "#maintable { color:#C8C8C8 !important; }\r\n"
                          ".C, B[style*='#FFFFBB'] { background-color:#5C5520 !important; }\r\n"
                          ".A, B[style*='#BBFFBB'] { background-color:#1F5228 !important; }\r\n"
                          ".D, B[style*='#FFBBBB'] { background-color:#6B2626 !important; }\r\n"
                          "FONT[color] { color:#8A8A8A; }\r\n"
                          "}\r\n"
                          "-->\r\n"
                          "</style>\r\n"
                          "</HEAD>\r\n"
                          "\r\n"
                          "<BODY BGCOLOR='#FFFFFF'>\r\n"
                          "\r\n";

std::string Heading(const std::string& oldName, const std::string& newName)
{
    return "<table border=0 bgcolor=0 cellpadding=1 cellspacing=1 width=100%><tr><td>\r\n"
           "<table width=100% bgcolor=white border=0 cellpadding=0 cellspacing=0>\r\n"
           "<tr bgColor='#EEEEEE' style='color:0'><td width=50%>old version</td><td width=50%>new "
           "version&nbsp;&nbsp;&nbsp;(<b style='background-color:#FFFFBB;width:20'>&nbsp;</b>changed&nbsp;&nbsp;"
           "<b style='background-color:#BBFFBB;width:20'>&nbsp;</b>added&nbsp;&nbsp;"
           "<b style='background-color:#FFBBBB;width:20'>&nbsp;</b>deleted)&nbsp;&nbsp;"
           "<FORM ACTION='' style='display:inline'><SELECT id='fontoptions' "
           "onchange='maintable.style.fontSize=this.options[this.selectedIndex].value'>"
           "<option value='6pt'>6pt<option value='7pt'>7pt<option value='8pt'>8pt<option value='9pt' "
           "selected>9pt</SELECT> </FORM></td></tr>\r\n"
           "<tr bgColor='#EEEEEE' style='color:0'><td width=50%><code>"
        + oldName + "</code></td><td width=50%><code>" + newName
        + "</code></td></tr></table>\r\n"
          "</td></tr>\r\n"
          "</table>\r\n"
          "\r\n"
          "<br>\r\n"
          "\r\n";
}

const std::string kTableStart = "<table border=0 bgcolor=0 cellpadding=1 cellspacing=1 width=100%><tr><td>"
                                "<table id='maintable' width=100% bgcolor='white' cellpadding=0 cellspacing=0 "
                                "border=0 style='color:#888888;font-family: Courier New, Helvetica, sans-serif; "
                                "font-size: 8pt'>\r\n";
const std::string kTableEnd = "</table></td></tr></table>\r\n";
const std::string kTail = "<br><font size='-2' color='#BBBBBB'>Site Vigil</font></BODY>\r\n</HTML>\r\n";
const std::string kIdentical = "<font size=-1><b>Files are identical.</font><br>";

class DiffReportFiles : public testing::Test
{
protected:
    std::string Write(const std::string& name, const std::string& bytes)
    {
        WriteFileBytes(m_dir.Path() + name, bytes);
        return m_dir.Path() + name;
    }
    std::string Path(const std::string& name) const { return m_dir.Path() + name; }
    std::vector<std::string> FolderEntries() const
    {
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(m_dir.Path()))
            names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }

    CTempDir m_dir;
};

// A deleted, a changed and an added line, LF against CR LF line ends, indentation and case that the
// program's options ignore, and markup in the lines.
TEST_F(DiffReportFiles, GoldenReport)
{
    const std::string oldPath = Write("page_previous.html",
                                      "<html>\n"
                                      "  <h1>Prices</h1>\n"
                                      "\t<p>Tea & cake\n"
                                      "<p>Coffee 2\n"
                                      "<p>Water\n"
                                      "</html>");
    const std::string newPath = Write("page.html",
                                      "<HTML>\r\n"
                                      "<h1>Prices</h1>\r\n"
                                      "<p>Coffee 2\r\n"
                                      "<p>Juice <b>new</b>\r\n"
                                      "<p>Water 1\r\n"
                                      "</html>\r\n");
    const std::string expected = kHead + "<font size=-1><b>3 changes between the files.</font><br>"
        + Heading(oldPath, newPath) + kTableStart
        + "<tr><td width=50%><b>0</b> &lt;html&gt;</td><td width=50%><b>0</b> &lt;HTML&gt;</td></tr>"
          "<tr><td width=50%><b>1</b> &nbsp;&nbsp;&lt;h1&gt;Prices&lt;/h1&gt;</td>"
          "<td width=50%><b>1</b> &lt;h1&gt;Prices&lt;/h1&gt;</td></tr>"
          "<tr><td width=50% class='D'><b>2</b> &nbsp;&nbsp;&nbsp;&nbsp;&lt;p&gt;Tea &amp; cake</td>"
          "<td width=50%><b>2</b> &nbsp;</td></tr>"
          "<tr><td width=50%><b>3</b> &lt;p&gt;Coffee 2</td><td width=50%><b>3</b> &lt;p&gt;Coffee 2</td></tr>"
          "<tr><td width=50% class='C'><b>4</b> &lt;p&gt;Water</td>"
          "<td width=50% class='C'><b>4</b> &lt;p&gt;Juice &lt;b&gt;new&lt;/b&gt;</td></tr>"
          "<tr><td width=50%><b>5</b> &nbsp;</td><td width=50% class='A'><b>5</b> &lt;p&gt;Water 1</td></tr>"
          "<tr><td width=50%><b>6</b> &lt;/html&gt;</td><td width=50%><b>6</b> &lt;/html&gt;</td></tr>"
        + kTableEnd + kTail;

    ASSERT_TRUE(WriteDiffReport(oldPath, newPath, Path("page_diffs.html")));
    EXPECT_EQ(ReadFileBytes(Path("page_diffs.html")), expected);
    // Nothing but the report is left beside the copies.
    EXPECT_EQ(FolderEntries(), (std::vector<std::string>{"page.html", "page_diffs.html", "page_previous.html"}));
}

// A report of many rows and very long lines is written in parts: the file holds the same page as
// the one made in memory, and a long line is escaped whole.
TEST_F(DiffReportFiles, LargeReportWrittenInPartsIsThePageMadeInMemory)
{
    std::string piece;
    std::string escapedPiece;
    for (int k = 0; k < 40000; ++k) {
        piece += "<a>&b c";
        escapedPiece += "&lt;a&gt;&amp;b c";
    }
    std::string oldText;
    std::string newText = "\t " + piece + "\n";
    for (int k = 0; k < 30000; ++k) {
        const std::string line = "  <td>row " + std::to_string(k) + " & more</td>\n";
        oldText += line;
        newText += k % 100 == 1 ? "<p>" + line : line;
    }
    const std::string oldPath = Write("big_previous.html", oldText);
    const std::string newPath = Write("big.html", newText);
    ASSERT_TRUE(WriteDiffReport(oldPath, newPath, Path("big_diffs.html")));

    CLineFile oldFile;
    CLineFile newFile;
    CDiffOptions options;
    options.Set(CDiffOptions::kCase, "no");
    options.Set(CDiffOptions::kIndent, "no");
    ASSERT_TRUE(oldFile.Load(oldPath, options));
    ASSERT_TRUE(newFile.Load(newPath, options));
    CLineFile oldOut;
    CLineFile newOut;
    CDiffReport::Compare(oldFile, newFile, oldOut, newOut);
    CDiffReport report;
    const std::string page = report.BuildHtml(oldOut, newOut);
    EXPECT_GT(page.size(), 2 * CDiffReport::kFlushSize);
    EXPECT_TRUE(ReadFileBytes(Path("big_diffs.html")) == page);
    EXPECT_NE(page.find("<td width=50% class='A'><b>0</b> &nbsp;&nbsp;&nbsp;&nbsp;&nbsp;" + escapedPiece + "</td>"),
              std::string::npos);

    // A part that cannot be written (files may grow to 1 MB only, as on a full disk) fails the
    // report, and the one written before stays whole.
    struct rlimit old;
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old), 0);
    struct rlimit small = old;
    small.rlim_cur = CDiffReport::kFlushSize;
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    testing::internal::CaptureStderr();
    const bool written = WriteDiffReport(oldPath, newPath, Path("big_diffs.html"));
    const std::string diagnostics = testing::internal::GetCapturedStderr();
    setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldHandler);
    EXPECT_FALSE(written);
    EXPECT_EQ(diagnostics, "error : cannot write " + Path("big_diffs.html") + "\r\n");
    EXPECT_TRUE(ReadFileBytes(Path("big_diffs.html")) == page);
    EXPECT_EQ(FolderEntries(), (std::vector<std::string>{"big.html", "big_diffs.html", "big_previous.html"}));
}

TEST_F(DiffReportFiles, MissingVersionsGiveEmptyFilesPage)
{
    testing::internal::CaptureStderr();
    ASSERT_TRUE(WriteDiffReport(Path("a_previous.html"), Path("a.html"), Path("a_diffs.html")));
    testing::internal::GetCapturedStderr();
    EXPECT_EQ(ReadFileBytes(Path("a_diffs.html")),
              kHead + kIdentical + Heading(Path("a_previous.html"), Path("a.html")) + "<br>empty files" + kTail);

    const std::string empty = Write("empty.html", "");
    ASSERT_TRUE(WriteDiffReport(empty, empty, Path("b_diffs.html")));
    EXPECT_EQ(ReadFileBytes(Path("b_diffs.html")),
              kHead + kIdentical + Heading(empty, empty) + "<br>empty files" + kTail);
}

TEST_F(DiffReportFiles, NoPreviousCopyShowsCurrentPlainly)
{
    const std::string current = Write("c.html", "<p>One\n\n  two\n");
    testing::internal::CaptureStderr();
    ASSERT_TRUE(WriteDiffReport(Path("c_previous.html"), current, Path("c_diffs.html")));
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "error : cannot open " + Path("c_previous.html") + "\r\n");
    EXPECT_EQ(ReadFileBytes(Path("c_diffs.html")),
              kHead + kIdentical + Heading(Path("c_previous.html"), current) + kTableStart
                  + "<tr><td width=50%><b>0</b> &nbsp;</td><td width=50%><b>0</b> &lt;p&gt;One</td></tr>"
                    "<tr><td width=50%><b>1</b> &nbsp;</td><td width=50%><b>1</b> &nbsp;</td></tr>"
                    "<tr><td width=50%><b>2</b> &nbsp;</td><td width=50%><b>2</b> &nbsp;&nbsp;two</td></tr>"
                  + kTableEnd + kTail);
}

TEST(DiffReportSummary, CountsEveryChangedRowOnce)
{
    struct Case
    {
        std::vector<LineKind> oldKinds;
        std::vector<LineKind> newKinds;
        std::string summary;
    };
    const std::vector<Case> cases = {
        {{LineKind::Normal}, {LineKind::Normal}, kIdentical},
        {{LineKind::Changed}, {LineKind::Changed}, "<font size=-1><b>1 changes between the files.</font><br>"},
        {{LineKind::Deleted, LineKind::Normal, LineKind::Changed, LineKind::Changed},
         {LineKind::Normal, LineKind::Added, LineKind::Changed, LineKind::Changed},
         "<font size=-1><b>4 changes between the files.</font><br>"},
    };
    for (const Case& c : cases) {
        CLineFile oldOut;
        CLineFile newOut;
        for (const LineKind kind : c.oldKinds)
            oldOut.AppendLine("o", kind);
        for (const LineKind kind : c.newKinds)
            newOut.AppendLine("n", kind);
        CDiffReport report;
        const std::string page = report.BuildHtml(oldOut, newOut);
        EXPECT_EQ(page.substr(kHead.size(), c.summary.size()), c.summary);
        EXPECT_TRUE(page.substr(kHead.size() + c.summary.size()).starts_with("<table border=0"));
    }
}

// The file names go into the page as text, never as markup.
TEST(DiffReportNames, MarkupInNamesIsEscaped)
{
    CLineFile oldOut;
    CLineFile newOut;
    oldOut.SetName("/tmp/a<b>&c/page_previous.html");
    newOut.SetName("/tmp/<script>alert(1)</script>.html");
    CDiffReport report;
    const std::string page = report.BuildHtml(oldOut, newOut);
    EXPECT_EQ(
        page,
        kHead + kIdentical
            + Heading("/tmp/a&lt;b&gt;&amp;c/page_previous.html", "/tmp/&lt;script&gt;alert(1)&lt;/script&gt;.html")
            + "<br>empty files" + kTail);
}

TEST_F(DiffReportFiles, WriteFileReplacesByteForByte)
{
    const std::string path = Write("r.html", "an older, longer report\r\n");
    const std::string text = std::string("a\r\nb\0\xff\r\n", 7);
    ASSERT_TRUE(CDiffReport::WriteFile(path, text));
    EXPECT_EQ(ReadFileBytes(path), text);
    ASSERT_TRUE(CDiffReport::WriteFile(path, ""));
    EXPECT_EQ(ReadFileBytes(path), "");
    EXPECT_EQ(FolderEntries(), std::vector<std::string>{"r.html"});
}

TEST_F(DiffReportFiles, WriteFileFailuresAreReported)
{
    const std::string inMissingFolder = Path("missing/r.html");
    testing::internal::CaptureStderr();
    EXPECT_FALSE(CDiffReport::WriteFile(inMissingFolder, "x"));
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "error : cannot create " + inMissingFolder + "\r\n");

    // A folder in the report's place stays as it is, and no temporary file is left behind.
    std::filesystem::create_directory(Path("taken"));
    Write("taken/keep", "k");
    testing::internal::CaptureStderr();
    EXPECT_FALSE(CDiffReport::WriteFile(Path("taken"), "x"));
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "error : cannot create " + Path("taken") + "\r\n");
    EXPECT_EQ(ReadFileBytes(Path("taken/keep")), "k");
    EXPECT_EQ(FolderEntries(), std::vector<std::string>{"taken"});

    testing::internal::CaptureStderr();
    EXPECT_FALSE(WriteDiffReport(Path("a"), Path("b"), inMissingFolder));
    const std::string diagnostics = testing::internal::GetCapturedStderr();
    EXPECT_NE(diagnostics.find("error : cannot create " + inMissingFolder + "\r\n"), std::string::npos);
}

} // namespace
