#include "diff/UnifiedDiff.h"

#include "diff/DiffReport.h"

#include <algorithm>
#include <ostream>
#include <vector>

namespace {

constexpr int kContext = 3;

// One row of the comparison as the unified diff sees it.
struct Row
{
    bool inOld; // the row holds a line of the old copy
    bool inNew; // and one of the new copy
    bool changed; // the two differ, or only one side has a line
};

std::vector<Row> Rows(const CLineFile& oldOut, const CLineFile& newOut, bool oldEmpty)
{
    std::vector<Row> rows(static_cast<size_t>(oldOut.GetLineCount()));
    for (int r = 0; r < oldOut.GetLineCount(); ++r) {
        const LineKind oldKind = oldOut.GetKind(r);
        const LineKind newKind = newOut.GetKind(r);
        Row& row = rows[static_cast<size_t>(r)];
        if (oldKind == LineKind::Normal && newKind == LineKind::Normal)
            // Without an old copy every line of the new one is an addition.
            row = oldEmpty ? Row{false, true, true} : Row{true, true, false};
        else
            row = {oldKind != LineKind::Normal, newKind != LineKind::Normal, true};
    }
    return rows;
}

// "start,count" of a hunk side; a side without lines names the line before it.
std::string Range(int first, int count)
{
    return std::to_string(count == 0 ? first - 1 : first) + "," + std::to_string(count);
}

} // namespace

bool WriteUnifiedDiff(std::ostream& out, const std::string& oldPath, const std::string& newPath)
{
    ComparedCopies copies;
    CompareCopies(oldPath, newPath, true, copies);
    const std::vector<Row> rows = Rows(copies.oldOut, copies.newOut, copies.oldFile.GetLineCount() == 0);
    const int count = static_cast<int>(rows.size());

    // Line numbers (from 1) of each row's old and new line, or of the next line when it has none.
    std::vector<int> oldLine(rows.size() + 1, 1);
    std::vector<int> newLine(rows.size() + 1, 1);
    for (int r = 0; r < count; ++r) {
        oldLine[r + 1] = oldLine[r] + (rows[r].inOld ? 1 : 0);
        newLine[r + 1] = newLine[r] + (rows[r].inNew ? 1 : 0);
    }

    bool any = false;
    int r = 0;
    while (r < count) {
        if (!rows[r].changed) {
            ++r;
            continue;
        }
        // A hunk: the changed rows from here, merged while the unchanged stretch between two of them
        // is short enough for their contexts to touch, with the context on both ends.
        int last = r;
        for (int next = r + 1; next < count && next - last <= 2 * kContext + 1; ++next) {
            if (rows[next].changed)
                last = next;
        }
        const int begin = std::max(0, r - kContext);
        const int end = std::min(count, last + 1 + kContext);
        if (!any) {
            out << "--- " << oldPath << "\n+++ " << newPath << "\n";
            any = true;
        }
        out << "@@ -" << Range(oldLine[begin], oldLine[end] - oldLine[begin]) << " +"
            << Range(newLine[begin], newLine[end] - newLine[begin]) << " @@\n";
        for (int i = begin; i < end;) {
            if (!rows[i].changed) {
                out << ' ' << copies.newOut.GetLine(i) << '\n';
                ++i;
                continue;
            }
            // A block of changed rows: its old lines, then its new lines.
            int blockEnd = i;
            while (blockEnd < end && rows[blockEnd].changed)
                ++blockEnd;
            for (int k = i; k < blockEnd; ++k) {
                if (rows[k].inOld)
                    out << '-' << copies.oldOut.GetLine(k) << '\n';
            }
            for (int k = i; k < blockEnd; ++k) {
                if (rows[k].inNew)
                    out << '+' << copies.newOut.GetLine(k) << '\n';
            }
            i = blockEnd;
        }
        r = end;
    }
    return any;
}
