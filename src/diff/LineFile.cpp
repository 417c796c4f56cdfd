#include "diff/LineFile.h"

#include "diff/KeyedHash.h"
#include "diff/Utf8Lower.h"
#include "platform/DebugLog.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <stdexcept>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Opens a file for reading; -1 when it is missing, unreadable or a folder. size is the size of a
// regular file, else 0.
int OpenForReading(const std::string& path, std::size_t& size)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return -1;
    struct stat info = {};
    if (::fstat(fd, &info) != 0 || S_ISDIR(info.st_mode)) {
        ::close(fd);
        return -1;
    }
    size = S_ISREG(info.st_mode) && info.st_size > 0 ? static_cast<std::size_t>(info.st_size) : 0;
    return fd;
}

unsigned AsciiLower(unsigned char c)
{
    return (c >= 'A' && c <= 'Z') ? c + 32u : c;
}

// Room for the lines of this many bytes, to spare most reallocations without counting the lines
// first: a guess at the length of a line of a page, untouched where too generous.
std::size_t LinesToReserve(std::size_t bytes)
{
    return bytes / 24 + 1;
}

} // namespace

bool CLineFile::Load(const std::string& path, const CDiffOptions& options)
{
    if (path.empty()) {
        DiagnosticOutput("error : empty input filename\r\n");
        return false;
    }
    m_name = path;
    for (const std::string& entry : options.Entries())
        m_options.Append(entry);
    m_ignoreIndent = m_options.Ignores(CDiffOptions::kIndent);
    m_ignoreCase = m_options.Ignores(CDiffOptions::kCase);

    std::size_t size = 0;
    const int fd = OpenForReading(path, size);
    if (fd < 0) {
        DiagnosticOutput("error : cannot open " + path + "\r\n");
        return false;
    }
    // The file's bytes go straight into the store and the lines point into them; the size is only a
    // hint, the file may grow or shrink meanwhile.
    const std::size_t base = m_text.size();
    std::size_t used = base;
    m_text.resize(base + std::min(size > 0 ? size + 1 : 65536, kMaxLineStoreBytes - base + 1));
    bool readFailed = false;
    for (;;) {
        if (used > kMaxLineStoreBytes) {
            // Beyond what the lines can point into; no page comes near it.
            readFailed = true;
            break;
        }
        if (used == m_text.size())
            m_text.resize(std::min(m_text.size() + (m_text.size() - base), kMaxLineStoreBytes + 1));
        const ssize_t count = ::read(fd, m_text.data() + used, m_text.size() - used);
        if (count > 0) {
            used += static_cast<std::size_t>(count);
        } else if (count == 0) {
            break;
        } else if (errno != EINTR) {
            readFailed = true;
            break;
        }
    }
    ::close(fd);
    if (readFailed) {
        // Half a page would show as a mass of deleted or added lines; treat it like a missing one.
        m_text.resize(base);
        DiagnosticOutput("error : cannot read " + path + "\r\n");
        return false;
    }
    m_text.resize(used);

    const char* const data = m_text.data();
    m_lines.reserve(m_lines.size() + LinesToReserve(used - base));
    m_hashes.reserve(m_hashes.size() + LinesToReserve(used - base));
    std::size_t start = base;
    while (start < used) {
        const void* found = std::memchr(data + start, '\n', used - start);
        if (!found) {
            // A last line without a line end is a line all the same, a CR at its end included.
            AddStoredLine(start, used - start);
            break;
        }
        const std::size_t end = static_cast<std::size_t>(static_cast<const char*>(found) - data);
        std::size_t length = end - start;
        // Only a CR that pairs with the LF belongs to the line end; a lone CR is text.
        if (length > 0 && data[end - 1] == '\r')
            --length;
        AddStoredLine(start, length);
        start = end + 1;
    }
    return true;
}

std::string_view CLineFile::WithoutIndent(std::string_view text) const
{
    if (m_ignoreIndent) {
        std::size_t first = 0;
        while (first < text.size() && (text[first] == ' ' || text[first] == '\t'))
            ++first;
        // A line of nothing but blanks keeps them, so it does not match an empty line.
        if (first < text.size())
            text.remove_prefix(first);
    }
    return text;
}

std::string_view CLineFile::Comparable(std::string_view text, std::string& scratch) const
{
    text = WithoutIndent(text);
    if (!m_ignoreCase)
        return text;
    scratch.clear();
    AppendUtf8Lower(text, scratch);
    return scratch;
}

std::uint64_t CLineFile::LineHash(std::string_view text)
{
    return KeyedHash(text);
}

std::uint64_t CLineFile::ComparableHash(std::string_view text)
{
    text = WithoutIndent(text);
    if (!m_ignoreCase)
        return LineHash(text);
    // ASCII text lower-cases byte for byte as it is hashed; other text goes through the full
    // lower-casing, which may change lengths.
    if (const std::optional<std::uint64_t> hash = KeyedHashOfAsciiLower(text))
        return *hash;
    m_hashScratch.clear();
    AppendUtf8Lower(text, m_hashScratch);
    return LineHash(m_hashScratch);
}

bool CLineFile::SameComparable(int i, const CLineFile& other, int m) const
{
    const std::string_view mineRaw = Text(m_lines[static_cast<std::size_t>(i)]);
    const std::string_view theirsRaw = other.Text(other.m_lines[static_cast<std::size_t>(m)]);
    // Most matching lines are the very same bytes, indentation and all.
    if (mineRaw == theirsRaw)
        return true;
    const std::string_view mine = WithoutIndent(mineRaw);
    const std::string_view theirs = other.WithoutIndent(theirsRaw);
    if (mine == theirs || (!m_ignoreCase && !other.m_ignoreCase))
        return mine == theirs;
    if (m_ignoreCase && other.m_ignoreCase) {
        // While both sides are ASCII they lower-case byte for byte; the first non-ASCII byte hands the
        // rest to the full lower-casing, which may change lengths.
        std::size_t k = 0;
        for (; k < mine.size() && k < theirs.size(); ++k) {
            const auto a = static_cast<unsigned char>(mine[k]);
            const auto b = static_cast<unsigned char>(theirs[k]);
            if (a >= 0x80 || b >= 0x80)
                break;
            if (AsciiLower(a) != AsciiLower(b))
                return false;
        }
        if (k == mine.size() || k == theirs.size())
            return k == mine.size() && k == theirs.size();
        return Utf8ToLower(mine.substr(k)) == Utf8ToLower(theirs.substr(k));
    }
    std::string mineScratch;
    std::string theirsScratch;
    return Comparable(mine, mineScratch) == other.Comparable(theirs, theirsScratch);
}

void CLineFile::CheckRoom(std::size_t bytes) const
{
    if (bytes > kMaxLineStoreBytes - m_text.size())
        throw std::length_error("CLineFile: more text than a line can point into");
}

void CLineFile::AddStoredLine(std::size_t offset, std::size_t length)
{
    m_lines.push_back({static_cast<std::uint32_t>(offset), static_cast<std::uint32_t>(length), LineKind::Normal});
    m_hashes.push_back(ComparableHash(std::string_view(m_text).substr(offset, length)));
    m_indexValid = false;
}

void CLineFile::AddLine(std::string_view text)
{
    CheckRoom(text.size());
    const std::size_t offset = m_text.size();
    m_text.append(text.data(), text.size());
    AddStoredLine(offset, text.size());
}

void CLineFile::AppendLine(std::string_view text, LineKind kind)
{
    CheckRoom(text.size());
    m_lines.push_back({static_cast<std::uint32_t>(m_text.size()), static_cast<std::uint32_t>(text.size()), kind});
    m_text.append(text.data(), text.size());
}

void CLineFile::AppendLineOf(const CLineFile& source, int i, LineKind kind)
{
    if (i < 0 || i >= source.GetLineCount())
        return AppendLine({}, kind);
    const DiffLine& line = source.m_lines[static_cast<std::size_t>(i)];
    if (line.inSource || (m_source && m_source != &source) || &source == this)
        return AppendLine(source.Text(line), kind);
    m_source = &source;
    m_lines.push_back({line.offset, line.length, kind, true});
}

void CLineFile::AppendEmptyLine()
{
    m_lines.push_back({static_cast<std::uint32_t>(m_text.size()), 0, LineKind::Normal});
}

void CLineFile::Reserve(std::size_t lines, std::size_t bytes)
{
    m_lines.reserve(lines);
    m_text.reserve(bytes);
}

std::string_view CLineFile::GetLine(int i) const
{
    if (i < 0 || i >= GetLineCount())
        return {};
    return Text(m_lines[static_cast<std::size_t>(i)]);
}

std::string CLineFile::GetComparableLine(int i) const
{
    if (i < 0 || i >= GetLineCount())
        return {};
    std::string scratch;
    return std::string(Comparable(Text(m_lines[static_cast<std::size_t>(i)]), scratch));
}

LineKind CLineFile::GetKind(int i) const
{
    if (i < 0 || i >= GetLineCount())
        return LineKind::Normal;
    return m_lines[static_cast<std::size_t>(i)].kind;
}

bool CLineFile::FindLine(int i, const CLineFile& other, int& pos) const
{
    if (m_hashes.empty() || i < 0 || i >= GetLineCount() || static_cast<std::size_t>(i) >= m_hashes.size())
        return false;
    if (other.m_hashes.empty())
        return false;
    // Most lines of two versions pair with the line where the search starts; that needs no index.
    const int start = std::max(pos, 0);
    if (start < other.GetLineCount() && static_cast<std::size_t>(start) < other.m_hashes.size()
        && other.m_hashes[static_cast<std::size_t>(start)] == m_hashes[static_cast<std::size_t>(i)]
        && SameComparable(i, other, start)) {
        pos = start;
        return true;
    }
    if (!other.m_indexValid) {
        other.m_index.Build(other.m_hashes, [&other](int p, int q) { return other.SameComparable(p, other, q); });
        other.m_indexValid = true;
    }

    // The lines of a group all have the same text: the first at or after pos is the answer.
    const std::span<const int> equal = other.m_index.Positions(
        m_hashes[static_cast<std::size_t>(i)], [&](int first) { return SameComparable(i, other, first); });
    const auto it = std::lower_bound(equal.begin(), equal.end(), start);
    if (it == equal.end())
        return false;
    pos = *it;
    return true;
}

void CLineFile::CountKinds(int& added, int& changed, int& deleted) const
{
    added = 0;
    changed = 0;
    deleted = 0;
    for (const DiffLine& line : m_lines) {
        switch (line.kind) {
        case LineKind::Added:
            ++added;
            break;
        case LineKind::Changed:
            ++changed;
            break;
        case LineKind::Deleted:
            ++deleted;
            break;
        case LineKind::Normal:
            break;
        }
    }
}
