#include "packagearchivetextdiff.h"

#include <algorithm>
#include <vector>

namespace {

enum class Edit : char { Keep, Remove, Add };

using Lines = QList<QByteArray>;

// Myers' greedy shortest edit script between a[0..n) and b[0..m), keeping for each
// edit count d only the diagonals -d..d it reached. Returns false when more than
// `limit` edits are needed.
bool shortestEdits(const Lines &a, int aStart, int n, const Lines &b, int bStart, int m,
                   int limit, std::vector<Edit> *script)
{
    const int offset = n + m + 1;
    std::vector<int> v(size_t(2 * offset + 1), 0);
    std::vector<std::vector<int>> trace;
    int found = -1;
    for (int d = 0; d <= std::min(limit, n + m) && found < 0; ++d) {
        trace.emplace_back(v.begin() + (offset - d), v.begin() + (offset + d + 1));
        for (int k = -d; k <= d; k += 2) {
            int x = (k == -d || (k != d && v[offset + k - 1] < v[offset + k + 1]))
                        ? v[offset + k + 1]
                        : v[offset + k - 1] + 1;
            int y = x - k;
            while (x < n && y < m && a.at(aStart + x) == b.at(bStart + y)) {
                ++x;
                ++y;
            }
            v[offset + k] = x;
            if (x >= n && y >= m) {
                found = d;
                break;
            }
        }
    }
    if (found < 0)
        return false;
    // Walk back from the end, one edit per step.
    std::vector<Edit> reversed;
    int x = n, y = m;
    for (int d = found; d > 0; --d) {
        const std::vector<int> &before = trace[size_t(d)];  // reach after d-1 edits
        auto reach = [&](int k) { return before[size_t(k + d)]; };
        const int k = x - y;
        const bool down = k == -d || (k != d && reach(k - 1) < reach(k + 1));
        const int previousK = down ? k + 1 : k - 1;
        const int previousX = reach(previousK);
        const int previousY = previousX - previousK;
        const int startX = down ? previousX : previousX + 1;
        while (x > startX) {
            reversed.push_back(Edit::Keep);
            --x;
            --y;
        }
        reversed.push_back(down ? Edit::Add : Edit::Remove);
        x = previousX;
        y = previousY;
    }
    while (x-- > 0)
        reversed.push_back(Edit::Keep);
    script->insert(script->end(), reversed.rbegin(), reversed.rend());
    return true;
}

QByteArray range(int first, int last)  // 1-based, inclusive
{
    return first >= last ? QByteArray::number(first)
                         : QByteArray::number(first) + ',' + QByteArray::number(last);
}

// One change: a[i0..i1) replaced by b[j0..j1).
void appendHunk(QByteArray &out, const Lines &a, int i0, int i1, const Lines &b, int j0, int j1)
{
    if (i0 == i1)
        out += QByteArray::number(i0) + 'a' + range(j0 + 1, j1) + '\n';
    else if (j0 == j1)
        out += range(i0 + 1, i1) + 'd' + QByteArray::number(j0) + '\n';
    else
        out += range(i0 + 1, i1) + 'c' + range(j0 + 1, j1) + '\n';
    for (int i = i0; i < i1; ++i)
        out += "< " + a.at(i) + '\n';
    if (i0 != i1 && j0 != j1)
        out += "---\n";
    for (int j = j0; j < j1; ++j)
        out += "> " + b.at(j) + '\n';
}

} // namespace

bool PackageArchiveTextDiff::isText(const QByteArray &bytes)
{
    return !bytes.contains('\0');
}

QList<QByteArray> PackageArchiveTextDiff::splitLines(const QByteArray &text)
{
    QList<QByteArray> lines = text.split('\n');
    if (text.endsWith('\n') || text.isEmpty())
        lines.removeLast();
    return lines;
}

QByteArray PackageArchiveTextDiff::listing(const QByteArray &before, const QByteArray &after)
{
    const Lines a = splitLines(before);
    const Lines b = splitLines(after);
    int prefix = 0;
    while (prefix < a.size() && prefix < b.size() && a.at(prefix) == b.at(prefix))
        ++prefix;
    int suffix = 0;
    while (suffix < a.size() - prefix && suffix < b.size() - prefix
           && a.at(a.size() - 1 - suffix) == b.at(b.size() - 1 - suffix))
        ++suffix;

    std::vector<Edit> script(size_t(prefix), Edit::Keep);
    const int n = a.size() - prefix - suffix;
    const int m = b.size() - prefix - suffix;
    if (!shortestEdits(a, prefix, n, b, prefix, m, maxEdits, &script)) {
        script.insert(script.end(), size_t(n), Edit::Remove);
        script.insert(script.end(), size_t(m), Edit::Add);
    }
    script.insert(script.end(), size_t(suffix), Edit::Keep);

    QByteArray out;
    int i = 0, j = 0;
    size_t s = 0;
    while (s < script.size()) {
        if (script[s] == Edit::Keep) {
            ++i, ++j, ++s;
            continue;
        }
        const int i0 = i, j0 = j;
        for (; s < script.size() && script[s] != Edit::Keep; ++s)
            script[s] == Edit::Remove ? ++i : ++j;
        appendHunk(out, a, i0, i, b, j0, j);
    }
    return out;
}
