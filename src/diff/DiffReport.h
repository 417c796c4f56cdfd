#pragma once

#include "diff/LineFile.h"

#include <functional>
#include <string>
#include <string_view>

// Writes the side-by-side HTML report of the line differences between two versions of a page:
// previous copy on the left, current copy on the right, one table row per row of the comparison.
// Construct a new writer for every report: BuildHtml appends its summary line to the writer.
class CDiffReport
{
public:
    // Pairs the lines of oldFile and newFile row by row into the empty files oldOut and newOut, which
    // end up with the same number of lines. A forward-scanning greedy match, not a longest common
    // subsequence. The results show the lines of the versions without copying them, so oldFile and
    // newFile must outlive them. Always returns true.
    static bool Compare(const CLineFile& oldFile, const CLineFile& newFile, CLineFile& oldOut, CLineFile& newOut);

    // The whole page for two result files of equal length.
    std::string BuildHtml(const CLineFile& oldOut, const CLineFile& newOut);

    // One line made safe for the page; leading blanks become non-breaking spaces, a tab four of them.
    static std::string EscapeLine(std::string_view text);

    // Replaces the file at path with text, byte for byte, through a temporary file in the same folder,
    // so a failed write leaves the previous file in place. Writes a diagnostic to standard error and
    // returns false on failure.
    static bool WriteFile(const std::string& path, const std::string& text);

    // Writes the page into page; with a flush, hands page over whenever it has grown to kFlushSize
    // and at the end, and empties it at the end. flush takes the bytes of the page it is given and
    // may leave another buffer in its place, whose size (not its bytes) is room for what follows.
    void Render(const CLineFile& oldOut, const CLineFile& newOut, std::string& page,
                const std::function<void(std::string&)>& flush);
    static constexpr std::size_t kFlushSize = 1 << 20;

private:
    static void AppendEscaped(std::string_view text, std::string& out);
    // The colours for a reader whose desktop prefers dark, in the style sheet: the page stays readable
    // in the pane and in the user's browser alike.
    void AppendDarkStyle(std::string& page) const;

    std::string m_textColor = "#888888";
    std::string m_tableBackground = "white";
    std::string m_changedColor = "#FFFFBB";
    std::string m_addedColor = "#BBFFBB";
    std::string m_deletedColor = "#FFBBBB";
    std::string m_darkBackground = "#1E1E20";
    std::string m_darkText = "#E6E6E6";
    std::string m_darkLineText = "#C8C8C8";
    std::string m_darkChangedColor = "#5C5520";
    std::string m_darkAddedColor = "#1F5228";
    std::string m_darkDeletedColor = "#6B2626";
    std::string m_summary;
    std::string m_footer = "<br><font size='-2' color='#BBBBBB'>Site Vigil</font>";
};

// Two copies of a page compared as every view of their differences compares them: ignoring case and
// leading blanks. A missing or unreadable copy counts as a version without lines; quiet leaves out
// the diagnostic the report's loader writes for it.
struct ComparedCopies
{
    CLineFile oldFile;
    CLineFile newFile;
    CLineFile oldOut;
    CLineFile newOut;
};
void CompareCopies(const std::string& oldPath, const std::string& newPath, bool quiet, ComparedCopies& copies);

// Generates the differences report of one page: compares the previous copy with the current one,
// ignoring case and leading blanks, and writes the report. A missing or unreadable copy counts as a
// version without lines; quietWithoutOld leaves out the diagnostic for a missing old copy, whose path
// the heading names all the same. Returns whether the report file was written.
bool WriteDiffReport(const std::string& oldPath, const std::string& newPath, const std::string& reportPath,
                     bool quietWithoutOld = false);
