#include "diff/DiffReport.h"

#include "diff/EscapedLine.h"
#include "diff/ReportFile.h"
#include "diff/WriteBehind.h"
#include "platform/HtmlEscape.h"

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <cstring>
#include <sys/stat.h>
#include <system_error>
#include <thread>
#include <unistd.h>

namespace {

const char* StyleSuffix(LineKind kind)
{
    switch (kind) {
    case LineKind::Changed:
        return " class='C'";
    case LineKind::Added:
        return " class='A'";
    case LineKind::Deleted:
        return " class='D'";
    case LineKind::Normal:
        break;
    }
    return "";
}

void AppendNumber(int value, std::string& out)
{
    char digits[16];
    const auto result = std::to_chars(digits, digits + sizeof digits, value);
    out.append(digits, result.ptr);
}

// More than a row needs besides its two lines: two cell starts of under 40 bytes, the row number twice
// in under 20 bytes and the row's end.
constexpr std::size_t kRowRoom = 128;

char* Put(std::string_view piece, char* out)
{
    std::memcpy(out, piece.data(), piece.size());
    return out + piece.size();
}

// The rows go straight into room made in the page beforehand: appending them piece by piece to a
// string, or sizing it for each line, cost more than escaping them.
class CPageWriter
{
public:
    explicit CPageWriter(std::string& page)
        : m_page(page)
        , m_length(page.size())
    { }
    ~CPageWriter() { m_page.resize(m_length); }
    CPageWriter(const CPageWriter&) = delete;
    CPageWriter& operator=(const CPageWriter&) = delete;

    // Where the next bytes go; there is room for at least size of them.
    char* Room(std::size_t size)
    {
        // Growing by a bounded step keeps the zero-filling of new room close to where the rows go.
        if (m_page.size() - m_length < size)
            m_page.resize(m_length + std::max(size, kGrowth));
        return m_page.data() + m_length;
    }
    // Keeps what was written in the room up to end.
    void Advance(const char* end) { m_length = static_cast<std::size_t>(end - m_page.data()); }
    std::size_t Written() const { return m_length; }
    // Gives what was written to flush, and goes on in the buffer it leaves in the page's place.
    void Hand(const std::function<void(std::string&)>& flush)
    {
        m_page.resize(m_length);
        flush(m_page);
        m_length = 0;
    }

private:
    static constexpr std::size_t kGrowth = 256 << 10;

    std::string& m_page;
    std::size_t m_length;
};

} // namespace

void CDiffReport::AppendDarkStyle(std::string& page) const
{
    // The page's colours are attributes and inline styles, which rules of the style sheet outrank only
    // when marked important. The legend's samples are told apart by the colour they show in light.
    page += "@media (prefers-color-scheme: dark) {\r\n"
            ":root { color-scheme:dark; }\r\n"
            "BODY { background-color:";
    page += m_darkBackground;
    page += "; color:";
    page += m_darkText;
    page += "; }\r\n"
            "TABLE { background-color:#55555A; }\r\n"
            "TABLE TABLE { background-color:";
    page += m_darkBackground;
    page += "; }\r\n"
            "TR[bgcolor] { background-color:#333338; color:";
    page += m_darkText;
    page += " !important; }\r\n"
            "#maintable { color:";
    page += m_darkLineText;
    page += " !important; }\r\n";
    struct Kind
    {
        const char* style;
        const std::string& light;
        const std::string& dark;
    };
    for (const Kind& kind : {Kind{"C", m_changedColor, m_darkChangedColor}, Kind{"A", m_addedColor, m_darkAddedColor},
                             Kind{"D", m_deletedColor, m_darkDeletedColor}}) {
        page += ".";
        page += kind.style;
        page += ", B[style*='";
        page += kind.light;
        page += "'] { background-color:";
        page += kind.dark;
        page += " !important; }\r\n";
    }
    page += "FONT[color] { color:#8A8A8A; }\r\n"
            "}\r\n";
}

void CDiffReport::AppendEscaped(std::string_view text, std::string& out)
{
    const std::size_t start = out.size();
    out.resize(start + EscapedLineRoom(text));
    const char* end = WriteEscapedLine(text, out.data() + start);
    out.resize(static_cast<std::size_t>(end - out.data()));
}

std::string CDiffReport::EscapeLine(std::string_view text)
{
    std::string out;
    AppendEscaped(text, out);
    return out;
}

std::string CDiffReport::BuildHtml(const CLineFile& oldOut, const CLineFile& newOut)
{
    // Room for the longest page these lines can make: reserved address space that the page does not
    // fill is never touched, and the page is never moved while it grows.
    std::string page;
    std::size_t room = 4096 + m_summary.size() + oldOut.GetName().size() * 6 + newOut.GetName().size() * 6;
    for (int r = 0; r < oldOut.GetLineCount(); ++r)
        room += kRowRoom + EscapedLineRoom(oldOut.GetLine(r)) + EscapedLineRoom(newOut.GetLine(r));
    page.reserve(room);
    Render(oldOut, newOut, page, {});
    return page;
}

void CDiffReport::Render(const CLineFile& oldOut, const CLineFile& newOut, std::string& page,
                         const std::function<void(std::string&)>& flush)
{
    int oldAdded = 0, oldChanged = 0, oldDeleted = 0;
    int newAdded = 0, newChanged = 0, newDeleted = 0;
    oldOut.CountKinds(oldAdded, oldChanged, oldDeleted);
    newOut.CountKinds(newAdded, newChanged, newDeleted);
    // A changed row shows on both sides; count it once.
    const int changes = oldAdded + oldChanged + oldDeleted + newAdded + newDeleted;
    if (changes == 0) {
        m_summary += "<font size=-1><b>Files are identical.</font><br>";
    } else {
        m_summary += "<font size=-1><b>";
        AppendNumber(changes, m_summary);
        m_summary += " changes between the files.</font><br>";
    }

    const int rows = oldOut.GetLineCount();

    page += "<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 4.0 Transitional//EN\">\r\n<HTML>\r\n<HEAD>\r\n<TITLE> File "
            "Diff </TITLE>\r\n<style type='text/css'>\r\n<!--\r\n.N { background-color:white; }\r\n.C { "
            "background-color:";
    page += m_changedColor;
    page += "; }\r\n.A { background-color:";
    page += m_addedColor;
    page += "; }\r\n.D { background-color:";
    page += m_deletedColor;
    page += "; }\r\n";
    AppendDarkStyle(page);
    page += "-->\r\n</style>\r\n</HEAD>\r\n\r\n<BODY BGCOLOR='#FFFFFF'>\r\n\r\n";

    page += m_summary;

    page += "<table border=0 bgcolor=0 cellpadding=1 cellspacing=1 width=100%><tr><td>\r\n<table width=100% "
            "bgcolor=white border=0 cellpadding=0 cellspacing=0>\r\n<tr bgColor='#EEEEEE' style='color:0'><td "
            "width=50%>old version</td><td width=50%>new version&nbsp;&nbsp;&nbsp;(<b style='background-color:";
    page += m_changedColor;
    page += ";width:20'>&nbsp;</b>changed&nbsp;&nbsp;<b style='background-color:";
    page += m_addedColor;
    page += ";width:20'>&nbsp;</b>added&nbsp;&nbsp;<b style='background-color:";
    page += m_deletedColor;
    page += ";width:20'>&nbsp;</b>deleted)&nbsp;&nbsp;<FORM ACTION='' style='display:inline'><SELECT "
            "id='fontoptions' onchange='maintable.style.fontSize=this.options[this.selectedIndex].value'><option "
            "value='6pt'>6pt<option value='7pt'>7pt<option value='8pt'>8pt<option value='9pt' selected>9pt</SELECT> "
            "</FORM></td></tr>\r\n<tr bgColor='#EEEEEE' style='color:0'><td width=50%><code>";
    // File names may hold markup characters; they must not become markup in the page.
    AppendHtmlEscaped(page, oldOut.GetName(), false);
    page += "</code></td><td width=50%><code>";
    AppendHtmlEscaped(page, newOut.GetName(), false);
    page += "</code></td></tr></table>\r\n</td></tr>\r\n</table>\r\n\r\n<br>\r\n\r\n";

    if (rows != 0) {
        page += "<table border=0 bgcolor=0 cellpadding=1 cellspacing=1 width=100%><tr><td><table id='maintable' "
                "width=100% bgcolor='";
        page += m_tableBackground;
        page += "' cellpadding=0 cellspacing=0 border=0 style='color:";
        page += m_textColor;
        page += ";font-family: Courier New, Helvetica, sans-serif; font-size: 8pt'>\r\n";
    } else {
        page += "<br>empty files";
    }

    // The start of each cell for each kind of line, made once.
    std::string oldCell[4];
    std::string newCell[4];
    for (const LineKind kind : {LineKind::Normal, LineKind::Changed, LineKind::Added, LineKind::Deleted}) {
        oldCell[static_cast<int>(kind)] = std::string("<tr><td width=50%") + StyleSuffix(kind) + ">";
        newCell[static_cast<int>(kind)] = std::string("</td><td width=50%") + StyleSuffix(kind) + ">";
    }
    {
        CPageWriter writer(page);
        for (int r = 0; r < rows; ++r) {
            const std::string_view oldLine = oldOut.GetLine(r);
            const std::string_view newLine = newOut.GetLine(r);
            char* p = writer.Room(kRowRoom + QuickEscapedLineRoom(oldLine) + QuickEscapedLineRoom(newLine));
            char number[24] = "<b>";
            char* const digitsEnd = std::to_chars(number + 3, number + 14, r).ptr;
            const std::string_view numberText(number, static_cast<std::size_t>(Put("</b> ", digitsEnd) - number));
            p = Put(oldCell[static_cast<int>(oldOut.GetKind(r))], p);
            p = Put(numberText, p);
            p = WriteEscapedLine(oldLine, p);
            p = Put(newCell[static_cast<int>(newOut.GetKind(r))], p);
            p = Put(numberText, p);
            p = WriteEscapedLine(newLine, p);
            p = Put("</td></tr>", p);
            writer.Advance(p);
            if (flush && writer.Written() >= kFlushSize)
                writer.Hand(flush);
        }
    }

    if (rows != 0)
        page += "</table></td></tr></table>\r\n";
    page += m_footer;
    page += "</BODY>\r\n</HTML>\r\n";
    if (flush) {
        flush(page);
        page.clear();
    }
}

bool CDiffReport::WriteFile(const std::string& path, const std::string& text)
{
    CReportFile file;
    if (!file.Open(path))
        return false;
    file.Write(text);
    return file.Commit();
}

namespace {

// A copy left out (missing, and quiet asked for) still gives its path to the report's heading.
void LoadCopy(CLineFile& file, const std::string& path, bool quiet)
{
    CDiffOptions options;
    options.Set(CDiffOptions::kCase, "no");
    options.Set(CDiffOptions::kIndent, "no");
    if (quiet && ::access(path.c_str(), F_OK) != 0)
        file.SetName(path);
    else
        file.Load(path, options);
}

// Copies from this size on are read and split on a thread of their own while the other one is: the
// hashing of a large page's lines takes longer than starting a thread.
constexpr off_t kParallelLoadBytes = 256 << 10;

bool IsLarge(const std::string& path)
{
    struct stat info = {};
    return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) && info.st_size >= kParallelLoadBytes;
}

void LoadCopies(ComparedCopies& copies, const std::string& oldPath, bool quietOld, const std::string& newPath,
                bool quietNew)
{
    std::thread oldLoader;
    if (IsLarge(oldPath) && IsLarge(newPath)) {
        try {
            oldLoader = std::thread([&] { LoadCopy(copies.oldFile, oldPath, quietOld); });
        } catch (const std::system_error&) {
            // No thread to be had: read both here.
        }
    }
    if (!oldLoader.joinable())
        LoadCopy(copies.oldFile, oldPath, quietOld);
    LoadCopy(copies.newFile, newPath, quietNew);
    if (oldLoader.joinable())
        oldLoader.join();
}

} // namespace

void CompareCopies(const std::string& oldPath, const std::string& newPath, bool quiet, ComparedCopies& copies)
{
    LoadCopies(copies, oldPath, quiet, newPath, quiet);
    CDiffReport::Compare(copies.oldFile, copies.newFile, copies.oldOut, copies.newOut);
}

bool WriteDiffReport(const std::string& oldPath, const std::string& newPath, const std::string& reportPath,
                     bool quietWithoutOld)
{
    ComparedCopies copies;
    LoadCopies(copies, oldPath, quietWithoutOld, newPath, false);
    CDiffReport::Compare(copies.oldFile, copies.newFile, copies.oldOut, copies.newOut);
    CDiffReport report;

    // The same bytes as WriteFile of BuildHtml, written as they are made: the page of a large site
    // is several times the size of its two versions and need not be held whole.
    CReportFile file;
    if (!file.Open(reportPath))
        return false;
    std::string buffer;
    buffer.reserve(2 * CDiffReport::kFlushSize);
    {
        CWriteBehind writer(file, CDiffReport::kFlushSize);
        report.Render(copies.oldOut, copies.newOut, buffer, [&writer](std::string& part) { writer.Hand(part); });
    }
    return file.Commit();
}
