#include "diff/WordDiff.h"

#include "diff/TokenDiff.h"
#include "platform/HtmlEscape.h"

#include <algorithm>
#include <ostream>

namespace {

constexpr int kContext = 3;

bool IsWordByte(unsigned char c)
{
    return c >= 0x80 || (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

bool IsBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\r';
}

// Words, runs of blanks, single other characters and the line ends as tokens of their own.
std::vector<std::string_view> Words(std::string_view text)
{
    std::vector<std::string_view> tokens;
    for (size_t at = 0; at < text.size();) {
        size_t end = at + 1;
        if (IsWordByte(static_cast<unsigned char>(text[at])))
            while (end < text.size() && IsWordByte(static_cast<unsigned char>(text[end])))
                ++end;
        else if (IsBlank(text[at]))
            while (end < text.size() && IsBlank(text[end]))
                ++end;
        tokens.push_back(text.substr(at, end - at));
        at = end;
    }
    return tokens;
}

// The text from the first to the last of some lines of a text, their line ends between them.
std::string_view Span(const std::vector<std::string_view>& lines, size_t first, size_t count)
{
    if (count == 0)
        return {};
    const char* begin = lines[first].data();
    const char* end = lines[first + count - 1].data() + lines[first + count - 1].size();
    return std::string_view(begin, static_cast<size_t>(end - begin));
}

// Appends the lines of one side of a changed block, split at the line ends of the tokens.
void AddSide(std::vector<WordDiffLine>& out, char side, int firstNumber, const std::vector<std::string_view>& tokens,
             const std::vector<EditStep>& steps, EditStep own)
{
    WordDiffLine line{side, side == '-' ? firstNumber : 0, side == '+' ? firstNumber : 0, {}};
    size_t token = 0;
    for (EditStep step : steps) {
        if (step != EditStep::Keep && step != own)
            continue;
        const std::string_view text = tokens[token++];
        if (text == "\n") {
            out.push_back(std::move(line));
            line = {side, side == '-' ? out.back().oldNumber + 1 : 0, side == '+' ? out.back().newNumber + 1 : 0, {}};
            continue;
        }
        const bool changed = step == own;
        if (!line.pieces.empty() && line.pieces.back().changed == changed)
            line.pieces.back().text
                = std::string_view(line.pieces.back().text.data(), line.pieces.back().text.size() + text.size());
        else
            line.pieces.push_back({text, changed});
    }
    out.push_back(std::move(line));
}

// "start,count" of a hunk side; a side without lines names the line before it.
std::string Range(int first, int count)
{
    return std::to_string(count == 0 ? first - 1 : first) + "," + std::to_string(count);
}

void WriteLine(std::ostream& out, const WordDiffLine& line)
{
    const char* open = line.side == '-' ? "[-" : "{+";
    const char* close = line.side == '-' ? "-]" : "+}";
    out << line.side;
    for (const WordPiece& piece : line.pieces) {
        if (piece.changed)
            out << open << piece.text << close;
        else
            out << piece.text;
    }
    out << '\n';
}

} // namespace

std::vector<WordDiffLine> CompareWords(std::string_view oldText, std::string_view newText)
{
    const std::vector<std::string_view> oldLines = SplitLines(oldText);
    const std::vector<std::string_view> newLines = SplitLines(newText);
    const std::vector<EditStep> steps = DiffTokens(oldLines, newLines);
    std::vector<WordDiffLine> out;
    size_t o = 0;
    size_t n = 0;
    for (size_t at = 0; at < steps.size();) {
        if (steps[at] == EditStep::Keep) {
            out.push_back({' ', static_cast<int>(o + 1), static_cast<int>(n + 1), {{newLines[n], false}}});
            ++o;
            ++n;
            ++at;
            continue;
        }
        // A block of removed and added lines: its words are compared across the lines.
        size_t removed = 0;
        size_t added = 0;
        for (; at < steps.size() && steps[at] != EditStep::Keep; ++at)
            (steps[at] == EditStep::Delete ? removed : added) += 1;
        const std::string_view oldBlock = Span(oldLines, o, removed);
        const std::string_view newBlock = Span(newLines, n, added);
        const std::vector<std::string_view> oldWords = Words(oldBlock);
        const std::vector<std::string_view> newWords = Words(newBlock);
        const std::vector<EditStep> wordSteps = DiffTokens(oldWords, newWords);
        if (removed > 0)
            AddSide(out, '-', static_cast<int>(o + 1), oldWords, wordSteps, EditStep::Delete);
        if (added > 0)
            AddSide(out, '+', static_cast<int>(n + 1), newWords, wordSteps, EditStep::Insert);
        o += removed;
        n += added;
    }
    return out;
}

bool WriteWordDiff(std::ostream& out, std::string_view oldText, std::string_view newText, const std::string& oldLabel,
                   const std::string& newLabel)
{
    const std::vector<WordDiffLine> lines = CompareWords(oldText, newText);
    const int count = static_cast<int>(lines.size());
    bool any = false;
    for (int at = 0; at < count;) {
        if (lines[at].side == ' ') {
            ++at;
            continue;
        }
        // A hunk: the changed lines with their context, joined while their context would meet.
        const int first = std::max(0, at - kContext);
        int last = at;
        for (int next = at; next < count; ++next) {
            if (lines[next].side != ' ')
                last = next;
            else if (next - last > 2 * kContext)
                break;
        }
        const int end = std::min(count, last + kContext + 1);
        if (!any)
            out << "--- " << oldLabel << "\n+++ " << newLabel << "\n";
        any = true;
        int oldFirst = 0, oldCount = 0, newFirst = 0, newCount = 0;
        for (int i = first; i < end; ++i) {
            if (lines[i].side != '+' && oldCount++ == 0)
                oldFirst = lines[i].oldNumber;
            if (lines[i].side != '-' && newCount++ == 0)
                newFirst = lines[i].newNumber;
        }
        // A side without lines names the line before the hunk's place.
        if (oldCount == 0)
            oldFirst = first > 0 ? lines[first - 1].oldNumber + 1 : 1;
        if (newCount == 0)
            newFirst = first > 0 ? lines[first - 1].newNumber + 1 : 1;
        out << "@@ -" << Range(oldFirst, oldCount) << " +" << Range(newFirst, newCount) << " @@\n";
        for (int i = first; i < end; ++i)
            WriteLine(out, lines[i]);
        at = end;
    }
    return any;
}

namespace {

std::string Escaped(std::string_view text)
{
    std::string out;
    AppendHtmlEscaped(out, text, false);
    return out;
}

} // namespace

std::string WordDiffHtml(std::string_view oldText, std::string_view newText, const std::string& title)
{
    std::string html = "<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\"><title>" + Escaped(title)
        + "</title>\n<style>body{font-family:sans-serif} p{margin:0.2em 0;white-space:pre-wrap}"
          " .old{background:#fdecec} .new{background:#eafbea}"
          " del{background:#f5b5b5;text-decoration:line-through} ins{background:#a8e6a8;text-decoration:underline}"
          " @media (prefers-color-scheme:dark){:root{color-scheme:dark} .old{background:#3d2323}"
          " .new{background:#1f3d25} del{background:#7a2e2e} ins{background:#2b6b35}}"
          "</style></head><body>\n<h1>"
        + Escaped(title) + "</h1>\n";
    for (const WordDiffLine& line : CompareWords(oldText, newText)) {
        html += line.side == '-' ? "<p class=\"old\">" : line.side == '+' ? "<p class=\"new\">" : "<p>";
        for (const WordPiece& piece : line.pieces) {
            const std::string text = Escaped(piece.text);
            if (piece.changed)
                html += (line.side == '-' ? "<del>" : "<ins>") + text + (line.side == '-' ? "</del>" : "</ins>");
            else
                html += text;
        }
        html += "</p>\n";
    }
    return html + "</body></html>\n";
}
