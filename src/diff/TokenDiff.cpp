#include "diff/TokenDiff.h"

#include <algorithm>

namespace {

using Tokens = std::vector<std::string_view>;

// Myers' greedy search over a[0, n) and b[0, m) (offsets into the caller's sequences); appends the
// steps, or returns false when more than maxCost edits would be needed.
bool MyersSteps(const std::string_view* a, size_t n, const std::string_view* b, size_t m, size_t maxCost,
                std::vector<EditStep>& steps)
{
    const long N = static_cast<long>(n);
    const long M = static_cast<long>(m);
    const long limit = std::min<long>(N + M, static_cast<long>(maxCost));
    // trace[d] holds the furthest x reached on each diagonal k in [-d, d] after d edits.
    std::vector<std::vector<long>> trace;
    std::vector<long> v(static_cast<size_t>(2 * limit + 3), 0);
    const long offset = limit + 1;
    long found = -1;
    for (long d = 0; d <= limit && found < 0; ++d) {
        for (long k = -d; k <= d; k += 2) {
            long x = (k == -d || (k != d && v[offset + k - 1] < v[offset + k + 1])) ? v[offset + k + 1]
                                                                                    : v[offset + k - 1] + 1;
            long y = x - k;
            while (x < N && y < M && a[x] == b[y]) {
                ++x;
                ++y;
            }
            v[offset + k] = x;
            if (x >= N && y >= M) {
                found = d;
                break;
            }
        }
        trace.emplace_back(v.begin() + (offset - d), v.begin() + (offset + d + 1));
    }
    if (found < 0)
        return false;

    std::vector<EditStep> reversed;
    long x = N;
    long y = M;
    for (long d = found; d > 0; --d) {
        const std::vector<long>& before = trace[static_cast<size_t>(d - 1)];
        const auto at = [&before, d](long k) { return before[static_cast<size_t>(k + d - 1)]; };
        const long k = x - y;
        const bool down = k == -d || (k != d && at(k - 1) < at(k + 1));
        const long prevK = down ? k + 1 : k - 1;
        const long prevX = at(prevK);
        const long prevY = prevX - prevK;
        while (x > prevX && y > prevY) {
            reversed.push_back(EditStep::Keep);
            --x;
            --y;
        }
        reversed.push_back(down ? EditStep::Insert : EditStep::Delete);
        x = prevX;
        y = prevY;
    }
    for (; x > 0; --x)
        reversed.push_back(EditStep::Keep);
    steps.insert(steps.end(), reversed.rbegin(), reversed.rend());
    return true;
}

} // namespace

std::vector<EditStep> DiffTokens(const Tokens& oldTokens, const Tokens& newTokens, size_t maxCost)
{
    size_t head = 0;
    while (head < oldTokens.size() && head < newTokens.size() && oldTokens[head] == newTokens[head])
        ++head;
    size_t tail = 0;
    while (tail < oldTokens.size() - head && tail < newTokens.size() - head
           && oldTokens[oldTokens.size() - 1 - tail] == newTokens[newTokens.size() - 1 - tail])
        ++tail;

    std::vector<EditStep> steps(head, EditStep::Keep);
    const size_t oldMiddle = oldTokens.size() - head - tail;
    const size_t newMiddle = newTokens.size() - head - tail;
    if (!MyersSteps(oldTokens.data() + head, oldMiddle, newTokens.data() + head, newMiddle, maxCost, steps)) {
        steps.insert(steps.end(), oldMiddle, EditStep::Delete);
        steps.insert(steps.end(), newMiddle, EditStep::Insert);
    }
    steps.insert(steps.end(), tail, EditStep::Keep);
    return steps;
}

std::vector<std::string_view> SplitLines(std::string_view text)
{
    std::vector<std::string_view> lines;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string_view::npos)
            end = text.size();
        lines.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return lines;
}

LineChanges CountLineChanges(std::string_view oldText, std::string_view newText)
{
    LineChanges changes;
    for (EditStep step : DiffTokens(SplitLines(oldText), SplitLines(newText))) {
        if (step == EditStep::Insert)
            ++changes.added;
        else if (step == EditStep::Delete)
            ++changes.removed;
    }
    return changes;
}
