#pragma once

#include <string>
#include <string_view>

// Writes a report file as a whole, in parts as it is made: the parts go into a new temporary file
// beside it, which is flushed to disk and then renamed over the file. Until Commit succeeds the file
// keeps its previous content, and a writer destroyed without Commit removes its temporary file.
class CReportFile
{
public:
    CReportFile() = default;
    ~CReportFile();
    CReportFile(const CReportFile&) = delete;
    CReportFile& operator=(const CReportFile&) = delete;

    // Creates the temporary file. Writes "error : cannot create <path>" to standard error on failure.
    bool Open(const std::string& path);
    // Appends to the temporary file; a failure is remembered and reported by Commit.
    void Write(std::string_view bytes);
    // Flushes and renames. Writes "error : cannot write <path>" or "error : cannot create <path>" to
    // standard error on failure, and the file is left as it was.
    bool Commit();

private:
    void Discard();

    std::string m_path;
    std::string m_tempPath;
    int m_fd = -1;
    bool m_failed = false;
    unsigned long long m_written = 0;
};
