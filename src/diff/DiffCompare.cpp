// The line comparison of CDiffReport: a greedy forward scan over both versions.
#include "diff/DiffReport.h"

namespace {

void AppendDeleted(const CLineFile& oldFile, int from, int to, CLineFile& oldOut, CLineFile& newOut)
{
    for (int i = from; i < to; ++i) {
        oldOut.AppendLineOf(oldFile, i, LineKind::Deleted);
        newOut.AppendEmptyLine();
    }
}

void AppendAdded(const CLineFile& newFile, int from, int to, CLineFile& oldOut, CLineFile& newOut)
{
    for (int n = from; n < to; ++n) {
        oldOut.AppendEmptyLine();
        newOut.AppendLineOf(newFile, n, LineKind::Added);
    }
}

} // namespace

bool CDiffReport::Compare(const CLineFile& oldFile, const CLineFile& newFile, CLineFile& oldOut, CLineFile& newOut)
{
    oldOut.SetName(oldFile.GetName());
    newOut.SetName(newFile.GetName());
    const int c1 = oldFile.GetLineCount();
    const int c2 = newFile.GetLineCount();
    // There are at most c1 + c2 rows; room that is never filled costs only address space. The rows
    // show the lines of the two versions without copying them.
    oldOut.Reserve(static_cast<std::size_t>(c1) + c2, 0);
    newOut.Reserve(static_cast<std::size_t>(c1) + c2, 0);

    // Without an old version there is nothing to compare against: the new lines are shown as they
    // are, not as additions.
    if (c1 == 0) {
        for (int n = 0; n < c2; ++n) {
            oldOut.AppendEmptyLine();
            newOut.AppendLineOf(newFile, n, LineKind::Normal);
        }
        return true;
    }

    int i = 0;
    int n = 0;
    while (i < c1) {
        if (n >= c2) {
            AppendDeleted(oldFile, i, c1, oldOut, newOut);
            break;
        }
        int j = n;
        const bool found = oldFile.FindLine(i, newFile, j);
        if (found) {
            if (j > n) {
                // Old line i comes back further down in the new version. If the new line n comes back
                // in the old version before that (the positions of the two files are weighed against
                // each other directly), take the old lines up to it as deleted; otherwise the new
                // lines up to j are additions.
                int k = i;
                // k > i always holds here since old line i differs from new line n; the check only
                // guarantees that the loop moves on.
                if (newFile.FindLine(n, oldFile, k) && k < j && k > i) {
                    AppendDeleted(oldFile, i, k, oldOut, newOut);
                    i = k;
                    continue;
                }
                AppendAdded(newFile, n, j, oldOut, newOut);
            }
            oldOut.AppendLineOf(oldFile, i, LineKind::Normal);
            newOut.AppendLineOf(newFile, j, LineKind::Normal);
            n = j + 1;
            ++i;
            continue;
        }
        int k = i;
        if (newFile.FindLine(n, oldFile, k) && k > i) {
            AppendDeleted(oldFile, i, k, oldOut, newOut);
            i = k;
        } else {
            oldOut.AppendLineOf(oldFile, i, LineKind::Changed);
            newOut.AppendLineOf(newFile, n, LineKind::Changed);
            ++i;
            ++n;
        }
    }
    AppendAdded(newFile, n, c2, oldOut, newOut);
    return true;
}
