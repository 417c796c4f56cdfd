#pragma once

#include "diff/DiffLine.h"
#include "diff/DiffOptions.h"
#include "diff/LineIndex.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// A text file held in memory as lines, for the line comparison. The bytes of all lines live in one
// store per file, so that neither loading a page nor filling a result costs an allocation per line;
// a result shows the lines of the file it is filled from without copying them.
// A loaded file carries one hash of the comparable text per line and an index from hash to line
// positions, so that a line can be looked up in it without scanning; a result file (filled by
// AppendLine) has neither.
//
// Not for use by two threads at once: the index is built on the first lookup.
class CLineFile
{
public:
    // Reads the file: a LF or a CR LF pair ends a line, an empty line is a line and so is a last line
    // without a line end. Writes a diagnostic to standard error and returns false when the path is
    // empty or the file cannot be opened or read, or is larger than kMaxLineStoreBytes; the file then
    // has no lines read from it.
    bool Load(const std::string& path, const CDiffOptions& options);

    // Appends a line read from disk (kind Normal) together with its hash.
    void AddLine(std::string_view text);
    // Appends a result line; no hash.
    void AppendLine(std::string_view text, LineKind kind);
    // Appends line i of source as a result line, without copying its bytes: source must outlive this
    // file and keep its lines. A result takes lines of one source file; lines of any other are copied.
    void AppendLineOf(const CLineFile& source, int i, LineKind kind);
    // Appends an empty Normal line: the filler on the side of a row that has no line.
    void AppendEmptyLine();
    // Makes room for this many lines and bytes in all, to spare reallocations while a result is filled.
    void Reserve(std::size_t lines, std::size_t bytes);

    int GetLineCount() const { return static_cast<int>(m_lines.size()); }
    // The size of the byte store: the text of all lines (with the line ends, for a loaded file).
    std::size_t GetByteCount() const { return m_text.size(); }
    // The raw text of line i; empty when i is out of range. Valid until a line is added to this file.
    std::string_view GetLine(int i) const;
    // The text of line i as the comparison sees it (indentation and case dropped as the options say);
    // empty when i is out of range.
    std::string GetComparableLine(int i) const;
    // Normal when i is out of range.
    LineKind GetKind(int i) const;

    // Looks for a line equal to this file's line i in other at position pos or later. On success sets
    // pos to the lowest such position and returns true; otherwise leaves pos alone.
    bool FindLine(int i, const CLineFile& other, int& pos) const;

    // Counts the lines of each kind that marks a change.
    void CountKinds(int& added, int& changed, int& deleted) const;

    const std::string& GetName() const { return m_name; }
    void SetName(const std::string& name) { m_name = name; }
    const CDiffOptions& GetOptions() const { return m_options; }
    const std::vector<std::uint64_t>& GetHashes() const { return m_hashes; }

    // The keyed hash (diff/KeyedHash.h) of a comparable text; the same within one process only.
    static std::uint64_t LineHash(std::string_view text);

private:
    // The comparable text of text, as a view either into text itself or into scratch.
    std::string_view Comparable(std::string_view text, std::string& scratch) const;
    std::string_view WithoutIndent(std::string_view text) const;
    std::uint64_t ComparableHash(std::string_view text);
    // Throws std::length_error when the store cannot take this many more bytes, as a string that
    // outgrows its largest size does.
    void CheckRoom(std::size_t bytes) const;
    // Records the bytes at offset in the store as a line read from disk.
    void AddStoredLine(std::size_t offset, std::size_t length);
    std::string_view Text(const DiffLine& line) const
    {
        return std::string_view(line.inSource ? m_source->m_text : m_text).substr(line.offset, line.length);
    }
    // Whether this file's line i and other's line m have the same comparable text.
    bool SameComparable(int i, const CLineFile& other, int m) const;

    std::string m_name;
    CDiffOptions m_options;
    // What the options say, worked out once per Load rather than on every line.
    bool m_ignoreIndent = false;
    bool m_ignoreCase = false;
    std::string m_hashScratch;
    std::string m_text; // the bytes of every line, one after the other
    std::vector<DiffLine> m_lines;
    std::vector<std::uint64_t> m_hashes;
    // The file whose store holds the lines marked inSource.
    const CLineFile* m_source = nullptr;

    // Built on the first lookup in this file after lines were added.
    mutable CLineIndex m_index;
    mutable bool m_indexValid = false;
};
